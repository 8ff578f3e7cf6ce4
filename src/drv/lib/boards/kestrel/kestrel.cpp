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

constexpr BoardInfoValues kInfo = {"Kestrel", 0x0208, 0, 0x3F};

// Context after open: tuner input (source 2), tuner-side audio, NTSC-M, TV
// mode, language A. The last frequency and tuning flags start at 0 too, so
// the tuner never reports stale pool contents.
constexpr KestrelContext kInitialContext = {
    2,                // videoSource
    kAudioFromTuner,  // audioSource
    kNtscM,           // tvStandard
    kModeTv,          // tunerMode
    kNtscM,           // tunerStandard
    0,                // frequency
    0,                // lastFrequency
    1,                // country
    4,                // channel
    0,                // tunerInput
    0,                // tunerBusy
    kAudioLanguageA,  // tvAudioMode
    0,                // tuningFlags
};

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) {
    if (contextOut == nullptr || info == nullptr) return kStatusInvalid;
    auto* context = static_cast<KestrelContext*>(AllocateContext(sizeof(KestrelContext)));
    if (context == nullptr) return kStatusNoMemory;
    *contextOut = context;
    *context = kInitialContext;
    FillBoardInfo(info, kInfo);
    Trace("!!!!!!!!!!!!!!!!!!!!INIT BOARD!!!!!!!!!!!!!!!!!");
    return kStatusSuccess;
}


// ---------------------------------------------------------------------------
// Inputs. Video input ids 0, 1 and 2 select decoder sources 2, 1 and 0; audio
// input 3 is the tuner side, 4 the line input. The host is told of 7 inputs.
constexpr u32 kVideoInputs = 7;
constexpr u32 kVideoInputIds = 3;
constexpr u32 kSourceOfVideoInput[kVideoInputIds] = {2, 1, 0};
constexpr u32 kAudioInputTuner = 3;
constexpr u32 kAudioInputLine = 4;
constexpr u32 kAudioInputIds = 2;
constexpr u32 kSourceOfAudioInput[kAudioInputIds] = {kAudioFromTuner, kAudioFromLine};  // from kAudioInputTuner on

u32 GetVideoInputs() { return kVideoInputs; }

u32 GetVideoInputType(void* context) {
    if (context == nullptr) return kStatusInvalid;
    const u32 source = AsContext(context)->videoSource;
    for (u32 input = 0; input < kVideoInputIds; ++input) {
        if (kSourceOfVideoInput[input] == source) return input;
    }
    return kStatusBusFailure;
}

u32 GetAudioInputType(void* context) {
    if (context == nullptr) return kStatusInvalid;
    return AsContext(context)->audioSource != kAudioFromTuner ? kAudioInputLine : kAudioInputTuner;
}

u32 SetCurrentVideoInput(void* context, void* device, u32 inputId) {
    if (context == nullptr) return kStatusInvalid;
    Trace("Set_Current_Video_InputID %d", static_cast<s32>(inputId));
    if (inputId >= kVideoInputIds) return kStatusInvalid;
    Unchecked(SelectVideoSource(AsContext(context), device, kSourceOfVideoInput[inputId]));
    return kStatusSuccess;
}

u32 SetCurrentAudioInput(void* context, void* device, u32 inputId) {
    if (context == nullptr) return kStatusInvalid;
    Trace("Set_Current_Audio_InputID %d", static_cast<s32>(inputId));
    const u32 index = inputId - kAudioInputTuner;
    if (index >= kAudioInputIds) return kStatusInvalid;
    Unchecked(SetAudioSource(AsContext(context), device, kSourceOfAudioInput[index]));
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
    CapabilityMask<0x155>,               // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    saa7115::GetVideoFormats,         // GetVideoFormats (the SAA7115 records)
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    InitVideoSource,                  // InitVideoSource
    ZeroStub,                         // 5
    OnStartCapture,                   // OnStartCapture
    ZeroStub,                         // 7
    SetVideoProperty,                 // SetVideoProperty
    GetVideoProperty,                 // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x174007>,      // GetAudioSourceCaps
    GetAudioChipconfigSaa7115,  // GetAudioChipconfig
    InitAudio,                   // InitAudio
    ZeroStub,                    // 3
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
    sizeof(BoardDescriptor), 0x1F3B,           0x5100,           kestrel::kInfo.revision, &kestrel::kBoardOps,
    &kestrel::kVideoOps,     &kestrel::kAudioOps, &kestrel::kInputOps, &kestrel::kTunerOps};

}  // namespace trel
