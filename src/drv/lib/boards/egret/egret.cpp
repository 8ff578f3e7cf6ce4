// Egret: TW9906 video decoder at 0x88, two video sources, NTSC/PAL/SECAM,
// its own USB ids; audio clock chosen through the host. Every capture start
// programs the decoder's scaler (chips/tw9906.h) for the size the host asks
// for and tells the host which dimensions come out doubled.
#include "audio/audio.h"
#include "chips/tw9906.h"
#include "frame/catalogue.h"
#include "frame/formats.h"

namespace trel {
namespace {

using tw99xx::kAddress;

constexpr BoardInfoValues kInfo = {"Egret", 0x0204, 0, 0x4B};
constexpr DecoderFormats kFormats = MakeDecoderFormats("TW9906", true, kFlagsDecoder3);

// Brightness 50, contrast 37, hue 0, saturation 41, sharpness 8.
constexpr VideoPropertySet kDefaultProperties = {{50, 0, 37, 0, 0, 0, 41, 0, 8, 0, 50, 0, 50, 0, 50, 0, 0}};

constexpr RegisterEntry kSetup[] = {
    {0x02, 0x55, 0}, {0x03, 0xA2, 0}, {0x05, 0x81, 0}, {0x08, 0x14, 0}, {0x09, 0xF0, 0},
    {0x0A, 0x10, 0}, {0x0D, 0x00, 0}, {0x0E, 0x11, 0}, {0x0F, 0x00, 0}, {0x19, 0x57, 0},
    {0x1A, 0x0F, 0}, {0x1B, 0x40, 0}, {0x29, 0x03, 0}, {0x55, 0x00, 0}, {0x6B, 0x26, 0},
    {0x6C, 0x36, 0}, {0x6D, 0xF0, 0}, {0x6E, 0x41, 0}, {0x6F, 0x13, 0}, {0xAD, 0x70, 0},
};
static_assert(CountOf(kSetup) == 20);

// Before the set-up table the host's device control 2 is pulsed 0, then 1.
constexpr u32 kDeviceControlSelector = 2;

constexpr RegisterEntry kSource0[] = {{tw99xx::kRegInputFormat, 0x55, 0}};
constexpr RegisterEntry kSource1[] = {{tw99xx::kRegInputFormat, 0x40, 0}};

// PAL and SECAM share one setting.
constexpr StandardRegister kStandard = {kAddress, tw9906::kRegStandard, 0x14, 0x19, 0x19};

[[nodiscard]] u32 SetTVStandard(DecoderContext* context, void* device, u32 standard) {
    return SetStandardRegister(kStandard, context, device, standard);
}

constexpr tw99xx::Variant kVariant = {
    {kAddress, {{kSource0, CountOf(kSource0)}, {kSource1, CountOf(kSource1)}}},
    SetTVStandard,
    50,  // sharpness 0..100 onto 0..14
    37,  // 0x13 and 0x14 get the same value
    // 0x1000: 0x30 AND 0x06; 0x1001: 1 while bit 6 of 0x01 is clear. The
    // closing trace prints the status.
    {kAddress, {{tw99xx::kRegStatus2, 0x06, 0, false}, {tw99xx::kRegStatus1, 0x40, 6, true}}, false},
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

[[nodiscard]] u32 SelectVideoSource(DecoderContext* context, void* device, u32 source) {
    return SelectDecoderSource(kVariant.sources, context, device, source);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32) {
    return tw99xx::SetVideoProperty(kVariant, context, device, index, value);
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(kVariant.status, context, device, index, value);
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr || properties == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    const auto* decoder = static_cast<const DecoderContext*>(context);
    if (standard == kKeepCurrent) standard = decoder->tvStandard;
    if (source == kKeepCurrent) source = decoder->videoSource;
    Unchecked(BusDeviceControl(device, kDeviceControlSelector, 0));
    Unchecked(BusDeviceControl(device, kDeviceControlSelector, 1));
    const u32 status = WriteRegistersUntilFailure(device, kAddress, kSetup, CountOf(kSetup), 0);
    if (status != kStatusSuccess) return status;
    return ApplyVideoSettings(SetVideoProperty, context, device, source, standard, *properties);
}

// The scaler and the configuration's offsets and size flags are set afresh at
// every start; then source and standard are re-applied so that a choice made
// while idle takes effect.
u32 OnStartCapture(void* context, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace("OnStartCapture video_config == NULL");
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    tw9906::ProgramScaler(device, config);
    auto* decoder = static_cast<DecoderContext*>(context);
    Unchecked(SelectVideoSource(decoder, device, decoder->videoSource));
    Unchecked(SetTVStandard(decoder, device, decoder->tvStandard));
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
    CapabilityMask<0x17E047>,      // GetAudioSourceCaps
    GetAudioChipconfigRateSelect24k,  // GetAudioChipconfig
    InitAudioRateSelect24k,      // InitAudio
    ZeroStub,                    // 3
};

constexpr InputOps kInputOps = {
    CommonGetVideoInputs,     // GetVideoInputs
    CommonGetVideoInputType,  // GetVideoInputType
    CommonGetAudioInputType,  // GetAudioInputType
    SetCurrentVideoInput,     // Set_Current_Video_InputID
    ZeroStub,                 // Set_Current_Audio_InputID
};

}  // namespace

constexpr BoardDescriptor kEgretDescriptor = {
    sizeof(BoardDescriptor), 0x1F3C, 0x0A55, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
