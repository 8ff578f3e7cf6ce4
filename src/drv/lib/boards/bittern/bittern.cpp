// Bittern: SAA7115 video decoder at 0x40, two video sources, NTSC/PAL/SECAM,
// audio clocked by the decoder. Wired like Heron I (same sources, inputs and
// status queries: chips/saa7115_two_source.h); its own set-up values and
// standard lists, and the decoder delivers full frames: capture start
// programs no scaler.
#include "audio/audio.h"
#include "chips/saa7115.h"
#include "chips/saa7115_two_source.h"
#include "frame/catalogue.h"
#include "frame/module.h"

namespace trel {
namespace {

// Where Bittern's set-up differs from the shared table: 0x3A, and the closed
// caption line (21) sliced from the start.
constexpr RegisterEntry kSetupDifferences[] = {
    {0x3A, 0x80},
    {saa7115::kRegCaptionLine, 0xF4},
};
static_assert(saa7115::IsValidDelta(kSetupDifferences, CountOf(kSetupDifferences)));

// Twelve writes per family: no 0x5A, and 20 (0x14) in 0x98/0xC8 for 625 lines.
constexpr RegisterEntry kStandard525[] = {
    {0x88, 0xC0}, {0x98, 0x10}, {0x9A, 0xF2}, {0x9B, 0x00}, {0x9E, 0xF2}, {0x9F, 0x00},
    {0xC8, 0x10}, {0xCA, 0xF2}, {0xCB, 0x00}, {0xCE, 0xF2}, {0xCF, 0x00}, {0x88, 0xF0},
};
constexpr RegisterEntry kStandard625[] = {
    {0x88, 0xC0}, {0x98, 0x14}, {0x9A, 0x20}, {0x9B, 0x01}, {0x9E, 0x20}, {0x9F, 0x01},
    {0xC8, 0x14}, {0xCA, 0x20}, {0xCB, 0x01}, {0xCE, 0x20}, {0xCF, 0x01}, {0x88, 0xF0},
};
static_assert(CountOf(kStandard525) == CountOf(kStandard625));

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra);

constexpr saa7115_two_source::Board kBittern = {
    .info = {.name = "Bittern", .revision = 0x0200, .valueA = 1, .flagsB = 0x39},
    .start = {.delta = ListOf(kSetupDifferences),
              .setVideoProperty = SetVideoProperty,
              .flags = saa7115_two_source::kFlags},
    .standards = {.lines525 = kStandard525, .lines625 = kStandard625, .count = CountOf(kStandard525)},
    .slicesVbi = false,  // 0x1003 is an unknown index here
    .vbi = {},
    .scalesAtCaptureStart = false,  // capture start only applies the NTSC offset rule
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kBittern.info); }

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra) {
    return saa7115_two_source::SetVideoProperty(kBittern, context, device, index, value, extra);
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    return saa7115_two_source::InitVideoSource(kBittern, context, device, standard, source, properties);
}

u32 OnStartCapture(void*, void* device, CaptureConfig* config) {
    return saa7115_two_source::OnStartCapture(kBittern, device, config);
}

constexpr BoardOps kBoardOps = {
    OpenBoard,         // OpenBoard
    CommonCloseBoard,  // CloseBoard
};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x155>,                 // GetVideoSourceCaps
    NullStreamFormatTable,                 // GetStreamFormatTable
    saa7115::GetVideoFormats,              // GetVideoFormats
    CommonGetDefaultVideoProperties,       // GetDefaultVideoProperties
    InitVideoSource,                       // InitVideoSource
    ZeroStub,                              // Reserved5
    OnStartCapture,                        // OnStartCapture
    ZeroStub,                              // Reserved7
    SetVideoProperty,                      // SetVideoProperty
    saa7115_two_source::GetVideoProperty,  // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x176001>,   // GetAudioSourceCaps
    GetAudioChipconfigSaa7115,  // GetAudioChipconfig
    InitAudioSaa7115Clock,      // InitAudio
    ZeroStub,                   // Reserved3
};

constexpr InputOps kInputOps = {
    CommonGetVideoInputs,                        // GetVideoInputs
    CommonGetVideoInputType,                     // GetVideoInputType
    CommonGetAudioInputType,                     // GetAudioInputType
    saa7115_two_source::SetCurrentVideoInputId,  // Set_Current_Video_InputID
    ZeroStub,                                    // Set_Current_Audio_InputID
};

}  // namespace

constexpr BoardDescriptor kBitternDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kBittern.info.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
