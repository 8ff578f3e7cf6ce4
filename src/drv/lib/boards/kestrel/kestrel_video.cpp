// Kestrel decoder side: SAA7115 source and standard selection, start-up with
// the TV-audio decoder reset, picture and VBI properties, and capture start
// (scaler, then the whole board brought back to the state in the context).
#include "boards/kestrel/kestrel.h"
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

// The TV-audio decoder's reset and start values, written after the decoder
// is up.
constexpr TvAudioWrite kTvAudioStart[] = {
    {kTvAudioControl, 0, 0x8000},  // reset
    {kTvAudioControl, 0, 0x0000},
    {0x10, 0x0030, 0x2043},
    {0x10, 0x0040, 0x0001},
    {0x12, 0x000B, 0x0320},
    {0x12, 0x000E, 0x4800},
    {0x10, 0x0020, 0x0001},
    {0x12, 0x000D, 0x1900},
    {0x12, 0x0010, 0x5A00},
    {0x12, 0x0013, 0x0200},
};

}  // namespace

u32 SelectVideoSource(KestrelContext* context, void* device, u32 source) {
    if (source >= kSourceCount) {
        Trace("Error:Unknown Video Source %d!!!", static_cast<s32>(source));
        return kStatusInvalid;
    }
    context->videoSource = source;
    WriteRegistersOr(device, saa7115::kAddress, kSourceSettings[source], 2, kFlags);
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
    Trace("SetTVStandard %d", static_cast<s32>(standard));
    return kStatusSuccess;
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    const KestrelContext& c = *AsContext(context);
    if (standard == kKeepCurrent) standard = c.tvStandard;
    if (source == kKeepCurrent) source = c.videoSource;
    const u32 status =
        saa7115::StartDecoder(context, device, standard, source, *properties, kSetup, SetVideoProperty, kFlags);
    if (status != kStatusSuccess) return status;
    Trace("*******@@@@@@@@@**************");
    WriteTvAudioList(device, kTvAudioStart);
    return kStatusSuccess;
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra) {
    if ((index == kPropVideoSource || index == kPropTvStandard) && context == nullptr) return kStatusInvalid;
    Trace("SetVideoProperty %d %d", static_cast<s32>(index), static_cast<s32>(value));
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
    Trace("GetVideoProperty %d", static_cast<s32>(index));
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
    Trace("GetVideoProperty return %d", static_cast<s32>(status));
    return status;
}

// Capture start: the scaler for the requested size, then source, standard and
// audio routing from the context and, while the tuner side is the audio
// source, tuner mode, frequency and TV sound mode. The standard list rewrites
// the input windows (0x9E/0x9F and twins) after the scaler; the increments
// stay as computed.
u32 OnStartCapture(void* context, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace("OnStartCapture video_config == NULL");
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    // A width the scaler cannot take leaves everything as it was.
    const u32 scaler = saa7115::ProgramScaler(device, config, kFlags);
    if (scaler != kStatusSuccess) return scaler;
    ApplyNtscVOffset(config);

    KestrelContext* c = AsContext(context);
    SelectVideoSource(c, device, c->videoSource);
    SetTVStandard(c, device, c->tvStandard);
    SetAudioSource(c, device, c->audioSource);
    if (c->audioSource == kAudioFromTuner) {
        SetTunerMode(c, device, c->tunerMode);
        SetFrequency(c, device, c->frequency);
        SetTVAudioMode(c, device, c->tvAudioMode);
    }
    return kStatusSuccess;
}

}  // namespace trel::kestrel
