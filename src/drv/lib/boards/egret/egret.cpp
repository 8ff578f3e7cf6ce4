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

constexpr RegisterEntry kSetup[] = {
    {0x02, 0x55}, {0x03, 0xA2}, {0x05, 0x81}, {0x08, 0x14}, {0x09, 0xF0}, {0x0A, 0x10}, {0x0D, 0x00},
    {0x0E, 0x11}, {0x0F, 0x00}, {0x19, 0x57}, {0x1A, 0x0F}, {0x1B, 0x40}, {0x29, 0x03}, {0x55, 0x00},
    {0x6B, 0x26}, {0x6C, 0x36}, {0x6D, 0xF0}, {0x6E, 0x41}, {0x6F, 0x13}, {0xAD, 0x70},
};
static_assert(CountOf(kSetup) == 20);

constexpr RegisterEntry kSource0[] = {{tw99xx::kRegInputFormat, 0x55}};
constexpr RegisterEntry kSource1[] = {{tw99xx::kRegInputFormat, 0x40}};

constexpr tw99xx::Board kEgret = {
    .info = {.name = "Egret", .revision = 0x0204, .valueA = 0, .flagsB = 0x4B},
    .formats = MakeDecoderFormats("TW9906", /*withSecam=*/true, FlagPattern::kDecoder3),
    // Brightness 50, contrast 37, hue 0, saturation 41, sharpness 8.
    .defaultProperties = {{50, 0, 37, 0, 0, 0, 41, 0, 8, 0, 50, 0, 50, 0, 50, 0, 0}},
    .setup = ListOf(kSetup),
    .identitySetup = {},  // the identity is not read
    .sources = {.address = tw99xx::kAddress, .source = {ListOf(kSource0), ListOf(kSource1)}},
    .standard = &tw9906::kStandardSettings,
    .sharpnessDivisor = 50,  // sharpness 0..100 onto 0..14
    .saturationVOffset = 37,  // 0x13 and 0x14 get the same value
    // 0x1000: 0x30 AND 0x06; 0x1001: 1 while bit 6 of 0x01 is clear. The
    // closing trace prints the status.
    .status = {.address = tw99xx::kAddress,
               .query = {{.reg = tw99xx::kRegStatus2, .mask = 0x06, .shift = 0, .inverted = false},
                         {.reg = tw99xx::kRegStatus1, .mask = 0x40, .shift = 6, .inverted = true}},
               .traceReturnsValue = false},
};

// Before the set-up table the host's device control 2 is pulsed 0, then 1.
constexpr u32 kDeviceControlSelector = 2;

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kEgret.info); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kEgret.formats.record, kEgret.formats.count);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kEgret.defaultProperties);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32) {
    return tw99xx::SetVideoProperty(kEgret, context, device, index, value);
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(kEgret.status, context, device, index, value);
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr || properties == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    const auto* decoder = static_cast<const DecoderContext*>(context);
    if (standard == kKeepCurrent) standard = decoder->tvStandard;
    if (source == kKeepCurrent) source = decoder->videoSource;
    Unchecked(BusDeviceControl(device, kDeviceControlSelector, 0));
    Unchecked(BusDeviceControl(device, kDeviceControlSelector, 1));
    const RegisterList& setup = kEgret.setup;
    const u32 status = WriteRegistersUntilFailure(device, tw99xx::kAddress, setup.entries, setup.count, kNoI2cFlags);
    if (status != kStatusSuccess) return status;
    return ApplyVideoSettings(SetVideoProperty, context, device, source, standard, *properties);
}

// The scaler and the configuration's offsets and size flags are set afresh at
// every start; then source and standard are re-applied so that a choice made
// while idle takes effect.
u32 OnStartCapture(void* context, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace(kTraceNoCaptureConfig);
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    tw9906::ProgramScaler(device, config);
    auto* decoder = static_cast<DecoderContext*>(context);
    Unchecked(tw99xx::SelectVideoSource(kEgret, decoder, device, decoder->videoSource));
    Unchecked(tw99xx::SetTVStandard(kEgret, decoder, device, decoder->tvStandard));
    return kStatusSuccess;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kEgret.sources, context, device, inputId);
}

constexpr BoardOps kBoardOps = {
    OpenBoard,         // OpenBoard
    CommonCloseBoard,  // CloseBoard
};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x555>,      // GetVideoSourceCaps
    NullStreamFormatTable,      // GetStreamFormatTable
    GetVideoFormats,            // GetVideoFormats
    GetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,            // InitVideoSource
    ZeroStub,                   // Reserved5
    OnStartCapture,             // OnStartCapture
    ZeroStub,                   // Reserved7
    SetVideoProperty,           // SetVideoProperty
    GetVideoProperty,           // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x17E047>,         // GetAudioSourceCaps
    GetAudioChipconfigRateSelect24k,  // GetAudioChipconfig
    InitAudioRateSelect24k,           // InitAudio
    ZeroStub,                         // Reserved3
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
    sizeof(BoardDescriptor), 0x1F3C, 0x0A55, kEgret.info.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
