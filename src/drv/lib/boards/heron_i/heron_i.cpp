// Heron I: SAA7115 video decoder at 0x40, two video sources, NTSC/PAL/SECAM,
// audio clocked by the decoder. The reference decoder board: source, input,
// standard, start-up and status operations are those of the two-source
// SAA7115 boards (chips/saa7115_two_source.h), which Bittern shares; the
// scaler is programmed at every capture start.
#include "audio/audio.h"
#include "chips/saa7115.h"
#include "chips/saa7115_two_source.h"
#include "frame/catalogue.h"
#include "frame/module.h"

namespace trel {
namespace {

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra);

constexpr saa7115_two_source::Board kHeronI = {
    .info = {.name = "Heron I", .revision = 0x0202, .valueA = 0, .flagsB = 0x3B},
    // The shared set-up table as it is.
    .start = {.delta = {}, .setVideoProperty = SetVideoProperty, .flags = saa7115_two_source::kFlags},
    .standards = saa7115::kStandardLists,
    .slicesVbi = true,
    .vbi = {.wst625On = 0xF1},  // teletext lines sliced as WST625
    .scalesAtCaptureStart = true,
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kHeronI.info); }

u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra) {
    return saa7115_two_source::SetVideoProperty(kHeronI, context, device, index, value, extra);
}

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    return saa7115_two_source::InitVideoSource(kHeronI, context, device, standard, source, properties);
}

// The scaler delivers the requested size; the context is not consulted.
u32 OnStartCapture(void*, void* device, CaptureConfig* config) {
    return saa7115_two_source::OnStartCapture(kHeronI, device, config);
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
    CapabilityMask<0x176007>,   // GetAudioSourceCaps
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

constexpr BoardDescriptor kHeronIDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kHeronI.info.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
