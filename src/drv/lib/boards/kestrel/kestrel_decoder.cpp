// Kestrel decoder side: SAA7115 source and standard selection, start-up,
// picture and VBI properties, and the capture scaler.
#include "boards/kestrel/kestrel_decoder.h"

#include "chips/saa7115.h"

namespace trel::kestrel {
namespace {

// Set-up table entries where this board differs from the shared table: the
// tuner input selected, its luminance setting, 0x3A, and closed caption
// slicing on line 21.
constexpr RegisterEntry kSetupDelta[] = {{0x02, 0xC1}, {0x09, 0x40}, {0x3A, 0x80}, {0x54, 0xF4}};
static_assert(saa7115::IsValidDelta(kSetupDelta, CountOf(kSetupDelta)));
constexpr saa7115::SetupDelta kSetup = {kSetupDelta, CountOf(kSetupDelta)};

// Decoder sources: register 0x02 (input), then 0x09 (luminance).
constexpr u32 kSourceCount = 3;
constexpr RegisterEntry kSourceSettings[kSourceCount][2] = {
    {{saa7115::kRegAnalogInput, 0xC8}, {saa7115::kRegLumaControl, 0x80}},
    {{saa7115::kRegAnalogInput, 0xC1}, {saa7115::kRegLumaControl, 0x40}},
    {{saa7115::kRegAnalogInput, 0xC3}, {saa7115::kRegLumaControl, 0x40}},
};

constexpr saa7115::VbiValues kVbi = {0x11};

constexpr saa7115::DecoderStart kStart = {kSetup, SetVideoProperty, kFlags};

constexpr TraceMessage<s32> kTraceSetTVStandard{"SetTVStandard %d"};


}  // namespace

u32 SelectVideoSource(KestrelContext* context, void* device, u32 source) {
    if (source >= kSourceCount) {
        Trace(kTraceUnknownVideoSource, source);
        return kStatusInvalid;
    }
    context->videoSource = source;
    const RegisterEntry (&settings)[2] = kSourceSettings[source];
    Unchecked(WriteRegistersOrResults(device, saa7115::kAddress, settings, CountOf(settings), kFlags));
    return kStatusSuccess;
}

u32 SetTVStandard(KestrelContext* context, void* device, u32 standard) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0) return kStatusInvalid;
    const saa7115::LineSystem lines = saa7115::StandardLines(standard);
    if (saa7115::WriteStandardList(device, saa7115::kStandardLists, lines, kFlags) != 0) return kStatusBusFailure;
    // The tuner side picks the new standard up when it is next programmed.
    context->tvStandard = standard;
    context->tunerStandard = standard;
    Trace(kTraceSetTVStandard, standard);
    return kStatusSuccess;
}

u32 StartDecoder(void* context, void* device, u32 standard, u32 source, const VideoPropertySet& properties) {
    return saa7115::StartDecoder(context, device, standard, source, properties, kStart);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra) {
    if ((index == kPropVideoSource || index == kPropTvStandard) && context == nullptr) return kStatusInvalid;
    Trace(kTraceSetVideoProperty, index, value);
    if (saa7115::IsPictureControl(index)) return saa7115::SetPictureControl(device, index, value, kFlags);
    switch (index) {
        case kPropVideoSource: return SelectVideoSource(AsContext(context), device, value);
        case kPropTvStandard: return SetTVStandard(AsContext(context), device, value);
        case kPropVbiService: return saa7115::SetVbiService(device, value, extra, kVbi, kFlags);
        default: return kStatusNotSupported;
    }
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    if (value == nullptr) return kStatusInvalid;
    if ((index == kPropVideoSource || index == kPropTvStandard) && context == nullptr) return kStatusInvalid;
    *value = 0;
    Trace(kTraceGetVideoProperty, index);
    u32 status = kStatusSuccess;
    if (index == kPropVideoSource) {
        *value = AsContext(context)->videoSource;
    } else if (index == kPropTvStandard) {
        *value = AsContext(context)->tvStandard;
    } else if (saa7115::IsStatusQuery(index)) {
        status = saa7115::ReadStatusQuery(device, index, value, kFlags);
    } else {
        return kStatusNotSupported;
    }
    Trace(kTraceGetVideoPropertyReturn, status);
    return status;
}

u32 ScaleCapture(void* device, CaptureConfig* config) { return saa7115::ProgramScaler(device, config, kFlags); }

}  // namespace trel::kestrel
