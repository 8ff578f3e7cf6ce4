// Heron I: SAA7115 video decoder at 0x40, two video sources, NTSC/PAL/SECAM,
// audio clocked by the decoder. The reference decoder board: its source,
// input, standard, start-up and status operations serve Bittern as well
// (heron_i.h).
#include "boards/heron_i/heron_i.h"

#include "audio/audio.h"
#include "chips/saa7115.h"
#include "frame/catalogue.h"
#include "frame/formats.h"
#include "frame/module.h"

namespace trel {

// ---------------------------------------------------------------------------
// Shared with Bittern.
namespace heron {
namespace {

constexpr u32 kFlags = 0;

// Source 0 and source 1 reach the decoder on different input pins; each
// needs its own luminance setting.
constexpr RegisterEntry kSource0[] = {{saa7115::kRegAnalogInput, 0xC9}, {saa7115::kRegLumaControl, 0x80}};
constexpr RegisterEntry kSource1[] = {{saa7115::kRegAnalogInput, 0xC0}, {saa7115::kRegLumaControl, 0x40}};
constexpr DecoderSources kSources = {saa7115::kAddress, {{kSource0, CountOf(kSource0)}, {kSource1, CountOf(kSource1)}}};

}  // namespace

u32 SelectVideoSource(DecoderContext* context, void* device, u32 source) {
    return SelectDecoderSource(kSources, context, device, source);
}

u32 SetCurrentVideoInputId(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kSources, context, device, inputId);
}

u32 SetStandard(DecoderContext* context, void* device, u32 standard, const saa7115::StandardLists& lists) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0 || context == nullptr) return kStatusInvalid;
    if (saa7115::WriteStandardList(device, lists, saa7115::StandardLines(standard), kFlags) != 0) {
        return kStatusBusFailure;
    }
    context->tvStandard = standard;  // the whole mask, as given
    return kStatusSuccess;
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties,
                    const saa7115::DecoderStart& start) {
    if (context == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    const auto* decoder = static_cast<const DecoderContext*>(context);
    if (standard == kKeepCurrent) standard = decoder->tvStandard;
    if (source == kKeepCurrent) source = decoder->videoSource;
    return saa7115::StartDecoder(context, device, standard, source, *properties, start);
}

// Both boards report what the status byte says (saa7115::kStatusQueries);
// the closing trace prints the status.
u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(saa7115::kStatusQueries, context, device, index, value);
}

}  // namespace heron

// ---------------------------------------------------------------------------
// Heron I's own operations and tables.
namespace {

constexpr u32 kFlags = 0;
constexpr BoardInfoValues kInfo = {"Heron I", 0x0202, 0, 0x3B};
constexpr DecoderFormats kFormats = MakeDecoderFormats("SAA7115", true, kFlagsDecoder3);

// Heron I runs the shared set-up table as it is.
constexpr saa7115::SetupDelta kSetupDelta = {nullptr, 0};
// Teletext lines sliced as WST625.
constexpr saa7115::VbiValues kVbiValues = {0xF1};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

u32 SetTVStandard(DecoderContext* context, void* device, u32 standard) {
    return heron::SetStandard(context, device, standard, saa7115::kStandardLists);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra) {
    Trace("SetVideoProperty %d %d", static_cast<s32>(index), static_cast<s32>(value));
    auto* decoder = static_cast<DecoderContext*>(context);
    switch (index) {
        case kPropVideoSource: return heron::SelectVideoSource(decoder, device, value);
        case kPropTvStandard: return SetTVStandard(decoder, device, value);
        case kPropVbiService: return saa7115::SetVbiService(device, value, extra, kVbiValues, kFlags);
        default: return saa7115::SetPictureControl(device, index, value, kFlags);
    }
}

constexpr saa7115::DecoderStart kStart = {&kSetupDelta, SetVideoProperty, kFlags};

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    return heron::InitVideoSource(context, device, standard, source, properties, kStart);
}

// The scaler delivers the requested size; the context is not consulted.
u32 OnStartCapture(void*, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace("OnStartCapture video_config == NULL");
        return kStatusInvalid;
    }
    const u32 status = saa7115::ProgramScaler(device, config, kFlags);
    if (status != kStatusSuccess) return status;
    ApplyNtscVOffset(config);
    return kStatusSuccess;
}

constexpr BoardOps kBoardOps = {
    OpenBoard,         // OpenBoard
    CommonCloseBoard,  // CloseBoard
};

constexpr VideoOps kVideoOps = {
    VideoSourceCaps155,               // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    GetVideoFormats,                  // GetVideoFormats
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,                  // InitVideoSource
    ZeroStub,                         // 5
    OnStartCapture,                   // OnStartCapture
    ZeroStub,                         // 7
    SetVideoProperty,                 // SetVideoProperty
    heron::GetVideoProperty,          // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    AudioSourceCapsHeronI,       // GetAudioSourceCaps
    GetAudioChipconfigVariant1,  // GetAudioChipconfig
    InitAudioSaa7115Clock,       // InitAudio
    ZeroStub,                    // 3
};

constexpr InputOps kInputOps = {
    CommonGetVideoInputs,           // GetVideoInputs
    CommonGetVideoInputType,        // GetVideoInputType
    CommonGetAudioInputType,        // GetAudioInputType
    heron::SetCurrentVideoInputId,  // Set_Current_Video_InputID
    ZeroStub,                       // Set_Current_Audio_InputID
};

}  // namespace

constexpr BoardDescriptor kHeronIDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
