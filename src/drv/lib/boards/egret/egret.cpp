// Egret: TW9906 video decoder at 0x88, two video sources, NTSC/PAL/SECAM,
// its own USB ids; audio clock chosen through the host. Every capture start
// programs the decoder's scaler for the size the host asks for and tells the
// host which dimensions come out doubled.
#include "audio/audio.h"
#include "chips/tw99xx.h"
#include "frame/catalogue.h"
#include "frame/formats.h"

namespace trel {
namespace {

using tw99xx::kAddress;

constexpr BoardInfoValues kInfo = {"Egret", 0x0204, 0, 0x4B};
constexpr DecoderFormats kFormats = MakeDecoderFormats("TW9906", true, kFlagsDecoder3);

// Brightness 50, contrast 37, hue 0, saturation 41, sharpness 8.
constexpr VideoPropertySet kDefaultProperties = {{50, 0, 37, 0, 0, 0, 41, 0, 8, 0, 50, 0, 50, 0, 50, 0, 0}};

// TW9906 registers of this board beyond the picture controls.
constexpr u16 kRegStandard = 0x08;
constexpr u16 kRegVScaleLow = 0x0D;
constexpr u16 kRegScaleHigh = 0x0E;  // bits 8..11 of the vertical scale, then of the horizontal
constexpr u16 kRegHScaleLow = 0x0F;

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
constexpr StandardRegister kStandard = {kAddress, kRegStandard, 0x14, 0x19, 0x19};

u32 SetTVStandard(DecoderContext* context, void* device, u32 standard) {
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

// ---------------------------------------------------------------------------
// Scaler. A scale is source size x 256 / output size (256 is 1:1). An output
// of half the source or less is scaled to twice its size, and the doubled
// flags of the configuration tell the host so.
constexpr u32 kScaleOne = 256;
constexpr u32 kSourceWidth = 720;
constexpr u32 kLines60Hz = 480;
constexpr u32 kLines50Hz = 576;
// A 50-Hz signal on an NTSC-family format: 566 lines when the output divides
// 576 evenly, and the picture starts 10 lines down.
constexpr u32 kLines50HzOnNtscEven = 566;
constexpr u32 kVOffset50HzOnNtsc = 10;
// A 288-line output of a 60-Hz NTSC signal takes this fixed scale (288 + 124)
// instead of 480 x 256 / 288.
constexpr u32 kVScale60HzTo288 = 412;
constexpr u32 kLines288 = 288;
// A shrink to a third or less needs 2 more on the horizontal scale.
constexpr u32 kHScaleThirdExtra = 2;

// Writes the scaler and the fields of the configuration that depend on it
// (all cleared beforehand). A zero size or a mask of no family is nothing the
// host sends for this board's formats: no scaler is derived from it.
void ProgramScaler(void* device, CaptureConfig* config) {
    const u32 mask = config->standardMask;
    const bool ntsc = (mask & kStdNtscFamily) != 0;
    const bool lines625 = (mask & (kStdPalFamily | kStdSecamFamily)) != 0;
    u32 width = config->captureWidth;
    u32 height = config->captureHeight;
    if (width == 0 || height == 0 || (!ntsc && !lines625)) return;

    u32 sourceHeight = kLines60Hz;
    bool signal50Hz = false;
    if (ntsc) {
        // A failed read counts as a 60-Hz signal.
        u8 status = 0;
        signal50Hz = BusRead(device, kAddress, tw99xx::kRegStatus1, &status, 0) == 0 &&
                     (status & tw99xx::kStatus1Bit50Hz) != 0;
        if (signal50Hz) {
            config->vOffset = kVOffset50HzOnNtsc;
            sourceHeight = kLines50Hz % height == 0 ? kLines50HzOnNtscEven : kLines50Hz;
        }
    }
    if (lines625) sourceHeight = kLines50Hz;

    const u32 ratio = kSourceWidth / width;
    if (ratio >= 2) {
        width *= 2;
        config->widthDoubled = 1;
    }
    if (sourceHeight / height >= 2) {
        height *= 2;
        config->heightDoubled = 1;
    }
    const u32 hScale = kSourceWidth * kScaleOne / width + (ratio >= 3 ? kHScaleThirdExtra : 0);
    const u32 vScale = ntsc && !signal50Hz && height == kLines288 ? kVScale60HzTo288 : sourceHeight * kScaleOne / height;

    // Results not examined: the capture starts whatever the bus says.
    BusWrite(device, kAddress, kRegVScaleLow, static_cast<u8>(vScale), 0);
    BusWrite(device, kAddress, kRegScaleHigh, static_cast<u8>(((vScale >> 8) & 0xF) << 4 | ((hScale >> 8) & 0xF)), 0);
    BusWrite(device, kAddress, kRegHScaleLow, static_cast<u8>(hScale), 0);
}

// ---------------------------------------------------------------------------
u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

u32 SelectVideoSource(DecoderContext* context, void* device, u32 source) {
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
    BusDeviceControl(device, kDeviceControlSelector, 0);
    BusDeviceControl(device, kDeviceControlSelector, 1);
    const u32 status = WriteRegisterTable(device, kAddress, kSetup, CountOf(kSetup), 0);
    if (status != kStatusSuccess) return status;
    return ApplyVideoSettings(SetVideoProperty, context, device, source, standard, *properties);
}

// The configuration's offsets and size flags are recomputed from zero at every
// start; then source and standard are re-applied so that a choice made while
// idle takes effect.
u32 OnStartCapture(void* context, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace("OnStartCapture video_config == NULL");
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    config->hOffset = 0;
    config->vOffset = 0;
    config->widthDoubled = 0;
    config->heightDoubled = 0;
    config->sizeFlag3 = 0;
    ProgramScaler(device, config);
    auto* decoder = static_cast<DecoderContext*>(context);
    SelectVideoSource(decoder, device, decoder->videoSource);
    SetTVStandard(decoder, device, decoder->tvStandard);
    return kStatusSuccess;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    return SelectVideoInput(kVariant.sources, context, device, inputId);
}

constexpr BoardOps kBoardOps = {OpenBoard, CommonCloseBoard};

constexpr VideoOps kVideoOps = {
    VideoSourceCaps555,         // GetVideoSourceCaps
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
    AudioSourceCapsRate24k,      // GetAudioSourceCaps
    GetAudioChipconfigVariant2,  // GetAudioChipconfig
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
