// Heron II Reprise: SAA7113 video decoder at 0x4A, two video sources,
// NTSC/PAL/SECAM, audio clock chosen through the host. The decoder has no
// scaler: capture start only re-applies source and standard.
#include "audio/audio.h"
#include "chips/saa7113.h"
#include "frame/catalogue.h"
#include "frame/decoder.h"
#include "frame/formats.h"

namespace trel {
namespace {

// Decoder set-up, written in this order at InitVideoSource. 0x02 and 0x09 are
// rewritten straight after by the source selection; 0x62 is never written.
constexpr RegisterEntry kSetup[] = {
    {0x00, 0x20}, {0x01, 0x08}, {0x02, 0xC9}, {0x03, 0x33}, {0x04, 0x00}, {0x05, 0x00}, {0x06, 0xE9},
    {0x07, 0x0D}, {0x08, 0xD8}, {0x09, 0x81}, {0x0A, 0x80}, {0x0B, 0x47}, {0x0C, 0x40}, {0x0D, 0x00},
    {0x0E, 0x01}, {0x0F, 0x2A}, {0x10, 0x48}, {0x11, 0x0C}, {0x12, 0xFE}, {0x13, 0x00}, {0x14, 0x00},
    {0x15, 0x04}, {0x16, 0x00}, {0x17, 0x00}, {0x18, 0x00}, {0x19, 0x00}, {0x1A, 0x00}, {0x1B, 0x00},
    {0x1C, 0x00}, {0x1D, 0x00}, {0x1E, 0x00}, {0x1F, 0xC8},
    // VBI line control: 0x41 to 0x57 all 0xFF.
    {0x40, 0x00}, {0x41, 0xFF}, {0x42, 0xFF}, {0x43, 0xFF}, {0x44, 0xFF}, {0x45, 0xFF}, {0x46, 0xFF},
    {0x47, 0xFF}, {0x48, 0xFF}, {0x49, 0xFF}, {0x4A, 0xFF}, {0x4B, 0xFF}, {0x4C, 0xFF}, {0x4D, 0xFF},
    {0x4E, 0xFF}, {0x4F, 0xFF}, {0x50, 0xFF}, {0x51, 0xFF}, {0x52, 0xFF}, {0x53, 0xFF}, {0x54, 0xFF},
    {0x55, 0xFF}, {0x56, 0xFF}, {0x57, 0xFF}, {0x58, 0x00}, {0x59, 0x54}, {0x5A, 0x07}, {0x5B, 0x83},
    {0x5C, 0x00}, {0x5D, 0x00}, {0x5E, 0x00}, {0x5F, 0x00}, {0x60, 0x00}, {0x61, 0x00}, {0x63, 0x00},
};
static_assert(CountOf(kSetup) == 67);

constexpr saa7113::Board kHeronIIReprise = {
    .info = {.name = "Heron II Reprise", .revision = 0x0204, .valueA = 0, .flagsB = 0x4B},
    .formats = MakeDecoderFormats("SAA7113", /*withSecam=*/true, FlagPattern::kDecoder2),
    .setup = ListOf(kSetup),
    .sources = saa711x::TwoInputSources(saa7113::kAddress),
    // NTSC and PAL share one setting; SECAM has its own.
    .standard = {.address = saa7113::kAddress, .reg = saa7113::kRegChromaControl, .ntsc = 0x01, .pal = 0x01,
                 .secam = 0x50},
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) {
    return OpenDecoderBoard(contextOut, info, kHeronIIReprise.info);
}

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kHeronIIReprise.formats.record, kHeronIIReprise.formats.count);
}

[[nodiscard]] u32 SelectVideoSource(DecoderContext* context, void* device, u32 source) {
    return SelectDecoderSource(kHeronIIReprise.sources, context, device, source);
}

[[nodiscard]] u32 SetTVStandard(DecoderContext* context, void* device, u32 standard) {
    return SetDecoderStandard(&kHeronIIReprise.standard, context, device, standard);
}

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32) {
    Trace(kTraceSetVideoProperty, index, value);
    auto* decoder = static_cast<DecoderContext*>(context);
    switch (index) {
        case kPropVideoSource: return SelectVideoSource(decoder, device, value);
        case kPropTvStandard: return SetTVStandard(decoder, device, value);
        default: return saa7113::SetPictureControl(device, index, value);
    }
}

u32 GetVideoProperty(void* context, void* device, u32 index, u32* value) {
    return GetDecoderProperty(saa7113::kStatusQueries, context, device, index, value);
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr || properties == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    const auto* decoder = static_cast<const DecoderContext*>(context);
    if (standard == kKeepCurrent) standard = decoder->tvStandard;
    if (source == kKeepCurrent) source = decoder->videoSource;
    const RegisterList& setup = kHeronIIReprise.setup;
    const u32 status = WriteRegistersUntilFailure(device, saa7113::kAddress, setup.entries, setup.count, kNoI2cFlags);
    if (status != kStatusSuccess) return status;
    return ApplyVideoSettings(SetVideoProperty, context, device, source, standard, *properties);
}

// No scaler to program: source and standard are re-applied so that a choice
// made while idle takes effect.
u32 OnStartCapture(void* context, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace(kTraceNoCaptureConfig);
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    ApplyNtscVOffset(config);
    auto* decoder = static_cast<DecoderContext*>(context);
    Unchecked(SelectVideoSource(decoder, device, decoder->videoSource));
    Unchecked(SetTVStandard(decoder, device, decoder->tvStandard));
    return kStatusSuccess;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kHeronIIReprise.sources, context, device, inputId);
}

constexpr BoardOps kBoardOps = {
    OpenBoard,         // OpenBoard
    CommonCloseBoard,  // CloseBoard
};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x155>,            // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    GetVideoFormats,                  // GetVideoFormats
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,                  // InitVideoSource
    ZeroStub,                         // Reserved5
    OnStartCapture,                   // OnStartCapture
    ZeroStub,                         // Reserved7
    SetVideoProperty,                 // SetVideoProperty
    GetVideoProperty,                 // GetVideoProperty
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

constexpr BoardDescriptor kHeronIIRepriseDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kHeronIIReprise.info.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
