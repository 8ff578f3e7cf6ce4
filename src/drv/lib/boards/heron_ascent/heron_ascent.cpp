// Heron Ascent: TW9903 or TW9905 video decoder at 0x88, two video sources,
// NTSC and PAL only; audio clock chosen through the host. The decoder is never
// told the TV standard (it is only recorded) and has no scaler in use: capture
// start leaves decoder and configuration alone.
#include "audio/audio.h"
#include "chips/tw99xx.h"
#include "frame/catalogue.h"
#include "frame/formats.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Heron Ascent", 0x0210, 0, 0x0B};
constexpr DecoderFormats kFormats = MakeDecoderFormats("TW9903/5", false, kFlagsDecoder2);

// Brightness 50, contrast 37, hue 0, saturation 41, sharpness 14.
constexpr VideoPropertySet kDefaultProperties = {{50, 0, 37, 0, 0, 0, 41, 0, 14, 0, 50, 0, 50, 0, 50, 0, 0}};

// Set-up by chip identity (register 0x00 >> 3). Both tables write 0x06 first
// and again last.
constexpr u8 kShortSetupIdentity = 5;
constexpr RegisterEntry kSetupIdentity5[] = {
    {0x06, 0x00, 0}, {0x02, 0x50, 0}, {0x03, 0x92, 0}, {0x1C, 0x07, 0}, {0x1D, 0x7F, 0}, {0x20, 0xA9, 0},
    {0x06, 0x83, 0},
};
constexpr RegisterEntry kSetupOther[] = {
    {0x06, 0x40, 0}, {0x02, 0x50, 0}, {0x03, 0x92, 0}, {0x08, 0x13, 0}, {0x1C, 0x07, 0}, {0x1D, 0x7F, 0},
    {0x20, 0x50, 0}, {0x28, 0x00, 0}, {0x2E, 0xA9, 0}, {0x2F, 0xE6, 0}, {0x06, 0xC0, 0},
};
static_assert(CountOf(kSetupIdentity5) == 7 && CountOf(kSetupOther) == 11);

constexpr RegisterEntry kSource0[] = {{tw99xx::kRegInputFormat, 0x50, 0}};
constexpr RegisterEntry kSource1[] = {{tw99xx::kRegInputFormat, 0x44, 0}};

// The standard is recorded for the host only; nothing reaches the decoder.
[[nodiscard]] u32 SetTVStandard(DecoderContext* context, void*, u32 standard) {
    if (standard == kKeepCurrent) return kStatusSuccess;
    if (standard == 0 || context == nullptr) return kStatusInvalid;
    context->tvStandard = standard;
    return kStatusSuccess;
}

constexpr tw99xx::Variant kVariant = {
    {tw99xx::kAddress, {{kSource0, CountOf(kSource0)}, {kSource1, CountOf(kSource1)}}},
    SetTVStandard,
    100,  // sharpness 0..100 onto 0..7
    0,    // 0x14 gets the plain scaled saturation
    // 0x1000: 0x30 AND 0x60; 0x1001: bit 6 of 0x01. The closing trace prints the value.
    {tw99xx::kAddress, {{tw99xx::kRegStatus2, 0x60, 0, false}, {tw99xx::kRegStatus1, 0x40, 6, false}}, true},
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32) {
    return tw99xx::SetVideoProperty(kVariant, context, device, index, value);
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(kVariant.status, context, device, index, value);
}

// Source and standard go on as the host gave them: kKeepCurrent keeps the
// standard but is no valid source, so it fails after the table is written.
u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr || properties == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    // A failed identity read picks the general table.
    u8 identity = 0;
    if (BusRead(device, tw99xx::kAddress, tw99xx::kRegIdentity, &identity, 0) != 0) identity = 0;
    const bool shortSetup = (identity >> tw99xx::kIdentityShift) == kShortSetupIdentity;
    const u32 status =
        shortSetup ? WriteRegistersUntilFailure(device, tw99xx::kAddress, kSetupIdentity5, CountOf(kSetupIdentity5), 0)
                   : WriteRegistersUntilFailure(device, tw99xx::kAddress, kSetupOther, CountOf(kSetupOther), 0);
    if (status != kStatusSuccess) return status;
    return ApplyVideoSettings(SetVideoProperty, context, device, source, standard, *properties);
}

// The slot's signature is the host's: the config stays non-const.
// cppcheck-suppress constParameter
u32 OnStartCapture(void*, void*, CaptureConfig* config) {
    if (config == nullptr) {
        Trace("OnStartCapture video_config == NULL");
        return kStatusInvalid;
    }
    return kStatusSuccess;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kVariant.sources, context, device, inputId);
}

constexpr BoardOps kBoardOps = {OpenBoard, CommonCloseBoard};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x555>,         // GetVideoSourceCaps
    NullStreamFormatTable,      // GetStreamFormatTable
    GetVideoFormats,            // GetVideoFormats
    GetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,            // InitVideoSource
    ZeroStub,                   // 5
    OnStartCapture,             // OnStartCapture
    ZeroStub,                   // 7
    SetVideoProperty,           // SetVideoProperty
    GetVideoProperty,           // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x176001>,  // GetAudioSourceCaps
    GetAudioChipconfigRateSelect,    // GetAudioChipconfig
    InitAudioRateSelect,           // InitAudio
    ZeroStub,                      // 3
};

constexpr InputOps kInputOps = {
    CommonGetVideoInputs,     // GetVideoInputs
    CommonGetVideoInputType,  // GetVideoInputType
    CommonGetAudioInputType,  // GetAudioInputType
    SetCurrentVideoInput,     // Set_Current_Video_InputID
    ZeroStub,                 // Set_Current_Audio_InputID
};

}  // namespace

constexpr BoardDescriptor kHeronAscentDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
