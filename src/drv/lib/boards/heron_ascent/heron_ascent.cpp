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

// Set-up by chip identity (register 0x00 >> 3). Both tables write 0x06 first
// and again last.
constexpr RegisterEntry kSetupIdentity5[] = {
    {0x06, 0x00}, {0x02, 0x50}, {0x03, 0x92}, {0x1C, 0x07}, {0x1D, 0x7F}, {0x20, 0xA9}, {0x06, 0x83},
};
constexpr RegisterEntry kSetupOther[] = {
    {0x06, 0x40}, {0x02, 0x50}, {0x03, 0x92}, {0x08, 0x13}, {0x1C, 0x07}, {0x1D, 0x7F},
    {0x20, 0x50}, {0x28, 0x00}, {0x2E, 0xA9}, {0x2F, 0xE6}, {0x06, 0xC0},
};
static_assert(CountOf(kSetupIdentity5) == 7 && CountOf(kSetupOther) == 11);

constexpr RegisterEntry kSource0[] = {{tw99xx::kRegInputFormat, 0x50}};
constexpr RegisterEntry kSource1[] = {{tw99xx::kRegInputFormat, 0x44}};

constexpr tw99xx::Board kHeronAscent = {
    .info = {.name = "Heron Ascent", .revision = 0x0210, .valueA = 0, .flagsB = 0x0B},
    .formats = MakeDecoderFormats("TW9903/5", /*withSecam=*/false, FlagPattern::kDecoder2),
    // Brightness 50, contrast 37, hue 0, saturation 41, sharpness 14.
    .defaultProperties = {{50, 0, 37, 0, 0, 0, 41, 0, 14, 0, 50, 0, 50, 0, 50, 0, 0}},
    .setup = ListOf(kSetupOther),
    .identitySetup = {.identity = 5, .table = ListOf(kSetupIdentity5)},
    .sources = {.address = tw99xx::kAddress, .source = {ListOf(kSource0), ListOf(kSource1)}},
    .standard = nullptr,  // recorded for the host only; nothing reaches the decoder
    .sharpnessDivisor = 100,  // sharpness 0..100 onto 0..7
    .saturationVOffset = 0,   // 0x14 gets the plain scaled saturation
    // 0x1000: 0x30 AND 0x60; 0x1001: bit 6 of 0x01. The closing trace prints the value.
    .status = {.address = tw99xx::kAddress,
               .query = {{.reg = tw99xx::kRegStatus2, .mask = 0x60, .shift = 0, .inverted = false},
                         {.reg = tw99xx::kRegStatus1, .mask = 0x40, .shift = 6, .inverted = false}},
               .traceReturnsValue = true},
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) {
    return OpenDecoderBoard(contextOut, info, kHeronAscent.info);
}

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kHeronAscent.formats.record, kHeronAscent.formats.count);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kHeronAscent.defaultProperties);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32) {
    return tw99xx::SetVideoProperty(kHeronAscent, context, device, index, value);
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(kHeronAscent.status, context, device, index, value);
}

// Source and standard go on as the host gave them: kKeepCurrent keeps the
// standard but is no valid source, so it fails after the table is written.
u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr || properties == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    // A failed identity read picks the general table.
    u8 identity = 0;
    if (BusRead(device, tw99xx::kAddress, tw99xx::kRegIdentity, &identity, kNoI2cFlags) != 0) identity = 0;
    const tw99xx::IdentitySetup& byIdentity = kHeronAscent.identitySetup;
    const RegisterList& setup =
        (identity >> tw99xx::kIdentityShift) == byIdentity.identity ? byIdentity.table : kHeronAscent.setup;
    const u32 status = WriteRegistersUntilFailure(device, tw99xx::kAddress, setup.entries, setup.count, kNoI2cFlags);
    if (status != kStatusSuccess) return status;
    return ApplyVideoSettings(SetVideoProperty, context, device, source, standard, *properties);
}

// The slot's signature is the host's: the config stays non-const.
// cppcheck-suppress constParameter
u32 OnStartCapture(void*, void*, CaptureConfig* config) {
    if (config == nullptr) {
        Trace(kTraceNoCaptureConfig);
        return kStatusInvalid;
    }
    return kStatusSuccess;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kHeronAscent.sources, context, device, inputId);
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
    CapabilityMask<0x176001>,      // GetAudioSourceCaps
    GetAudioChipconfigRateSelect,  // GetAudioChipconfig
    InitAudioRateSelect,           // InitAudio
    ZeroStub,                      // Reserved3
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
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kHeronAscent.info.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
