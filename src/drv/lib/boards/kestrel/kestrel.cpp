// Kestrel: the TV-tuner board. SAA7115 decoder (0x40), tuner module (0xC2),
// IF demodulator (0x86) and TV-audio decoder (0x80); every host call of this
// board carries flags 0x8000. This file holds the board's descriptor and
// tables, its open, formats, inputs and InitAudio; kestrel.h says where the
// rest lives.
#include "audio/audio.h"
#include "boards/kestrel/kestrel.h"
#include "boards/kestrel/kestrel_decoder.h"
#include "boards/kestrel/kestrel_tv_audio.h"
#include "chips/saa7115.h"
#include "frame/catalogue.h"
#include "frame/formats.h"

namespace trel {
namespace kestrel {
namespace {

constexpr TraceMessage<> kTraceInitBoard{"!!!!!!!!!!!!!!!!!!!!INIT BOARD!!!!!!!!!!!!!!!!!"};
constexpr TraceMessage<s32> kTraceSetAudioInput{"Set_Current_Audio_InputID %d"};

// ---------------------------------------------------------------------------
// The board's configuration: what OpenBoard hands out, and the input ids the
// host selects by. Video input ids 0, 1 and 2 select decoder sources 2, 1 and
// 0; audio input 3 is the tuner side, 4 the line input.
constexpr u32 kVideoInputIds = 3;
constexpr u32 kAudioInputTuner = 3;
constexpr u32 kAudioInputLine = 4;
constexpr u32 kAudioInputIds = 2;

struct KestrelBoard {
    BoardInfoValues info;
    KestrelContext opened;                   // the context as OpenBoard leaves it
    u32 videoInputs;                         // the count the host is told of
    u32 sourceOfVideoInput[kVideoInputIds];  // decoder source of video inputs 0, 1, 2
    u32 sourceOfAudioInput[kAudioInputIds];  // audio source of audio inputs 3 (tuner), 4 (line)
};

constexpr KestrelBoard kKestrel = {
    .info = {.name = "Kestrel", .revision = 0x0208, .valueA = 0, .flagsB = 0x3F},
    // Decoder source 2 (video input 0), tuner-side audio, NTSC-M, TV mode,
    // language A. The last frequency and tuning flags start at 0 too, so the
    // tuner never reports stale pool contents.
    .opened = {.videoSource = 2,
               .audioSource = kAudioFromTuner,
               .tvStandard = kStdNtscM,
               .tunerMode = kModeTv,
               .tunerStandard = kStdNtscM,
               .frequency = 0,
               .lastFrequency = 0,
               .country = 1,
               .channel = 4,
               .tunerInput = 0,
               .tunerBusy = 0,
               .tvAudioMode = kAudioLanguageA,
               .tuningFlags = 0},
    .videoInputs = 7,
    .sourceOfVideoInput = {2, 1, 0},
    .sourceOfAudioInput = {kAudioFromTuner, kAudioFromLine},
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) {
    if (contextOut == nullptr || info == nullptr) return kStatusInvalid;
    auto* context = static_cast<KestrelContext*>(AllocateContext(sizeof(KestrelContext)));
    if (context == nullptr) return kStatusNoMemory;
    *contextOut = context;
    *context = kKestrel.opened;
    FillBoardInfo(info, kKestrel.info);
    Trace(kTraceInitBoard);
    return kStatusSuccess;
}

// ---------------------------------------------------------------------------
// Inputs.
u32 GetVideoInputs() { return kKestrel.videoInputs; }

u32 GetVideoInputType(void* context) {
    if (context == nullptr) return kStatusInvalid;
    const u32 source = AsContext(context)->videoSource;
    for (u32 input = 0; input < kVideoInputIds; ++input) {
        if (kKestrel.sourceOfVideoInput[input] == source) return input;
    }
    return kStatusBusFailure;
}

u32 GetAudioInputType(void* context) {
    if (context == nullptr) return kStatusInvalid;
    return AsContext(context)->audioSource != kAudioFromTuner ? kAudioInputLine : kAudioInputTuner;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    if (context == nullptr) return kStatusInvalid;
    Trace(kTraceSetVideoInput, inputId);
    if (inputId >= kVideoInputIds) return kStatusInvalid;
    Unchecked(SelectVideoSource(AsContext(context), device, kKestrel.sourceOfVideoInput[inputId]));
    return kStatusSuccess;
}

u32 SetCurrentAudioInput(void* context, void* device, u32 inputId) {
    if (context == nullptr) return kStatusInvalid;
    Trace(kTraceSetAudioInput, inputId);
    const u32 index = inputId - kAudioInputTuner;
    if (index >= kAudioInputIds) return kStatusInvalid;
    Unchecked(SetAudioSource(AsContext(context), device, kKestrel.sourceOfAudioInput[index]));
    return kStatusSuccess;
}

// InitAudio: the TV-audio decoder is set up and steered by the board's own
// operations; the audio path only needs a standard.
u32 InitAudio(void* context, void*, const AudioConfig*) {
    if (context == nullptr) return kStatusInvalid;
    return AsContext(context)->tvStandard != 0 ? kStatusSuccess : kStatusBusFailure;
}

constexpr BoardOps kBoardOps = {
    OpenBoard,         // OpenBoard
    CommonCloseBoard,  // CloseBoard
};

constexpr VideoOps kVideoOps = {
    CapabilityMask<0x155>,            // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    saa7115::GetVideoFormats,         // GetVideoFormats (the SAA7115 records)
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,                  // InitVideoSource
    ZeroStub,                         // Reserved5
    OnStartCapture,                   // OnStartCapture
    ZeroStub,                         // Reserved7
    SetVideoProperty,                 // SetVideoProperty
    GetVideoProperty,                 // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x174007>,   // GetAudioSourceCaps
    GetAudioChipconfigSaa7115,  // GetAudioChipconfig
    InitAudio,                  // InitAudio
    ZeroStub,                   // Reserved3
};

constexpr InputOps kInputOps = {
    GetVideoInputs,        // GetVideoInputs
    GetVideoInputType,     // GetVideoInputType
    GetAudioInputType,     // GetAudioInputType
    SetCurrentVideoInput,  // Set_Current_Video_InputID
    SetCurrentAudioInput,  // Set_Current_Audio_InputID
};

constexpr TunerOps kTunerOps = {
    GetTunerProperty,  // GetTunerProperty
    SetTunerProperty,  // SetTunerProperty
};

}  // namespace
}  // namespace kestrel

constexpr BoardDescriptor kKestrelDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B,           0x5100,           kestrel::kKestrel.info.revision, &kestrel::kBoardOps,
    &kestrel::kVideoOps,     &kestrel::kAudioOps, &kestrel::kInputOps, &kestrel::kTunerOps};

}  // namespace trel
