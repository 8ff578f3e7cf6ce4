// Kestrel: the TV-tuner board. SAA7115 decoder (0x40), tuner module (0xC2),
// IF demodulator (0x86) and TV-audio decoder (0x80); every host call of this
// board carries flags 0x8000.
#include "audio/audio.h"
#include "frame/catalogue.h"
#include "frame/formats.h"
#include "frame/module.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Kestrel", 0x0208, 0, 0x3F};
constexpr DecoderFormats kFormats = MakeDecoderFormats("SAA7115", true, kFlagsDecoder3);

// Context after open: tuner input (source 2), tuner-side audio, NTSC-M, TV
// mode, language A. The last frequency and tuning flags start at 0 too, so
// the tuner never reports stale pool contents.
constexpr KestrelContext kInitialContext = {
    2,     // videoSource
    0,     // audioSource
    1,     // tvStandard
    1,     // tunerMode
    1,     // tunerStandard
    0,     // frequency
    0,     // lastFrequency
    1,     // country
    4,     // channel
    0,     // tunerInput
    0,     // tunerBusy
    0x10,  // tvAudioMode
    0,     // tuningFlags
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

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

constexpr BoardOps kBoardOps = {OpenBoard, CommonCloseBoard};

constexpr VideoOps kVideoOps = {
    VideoSourceCaps155,               // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    GetVideoFormats,                  // GetVideoFormats
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    Unimplemented,                    // InitVideoSource
    ZeroStub,                         // 5
    Unimplemented,                    // OnStartCapture
    ZeroStub,                         // 7
    Unimplemented,                    // SetVideoProperty
    Unimplemented,                    // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    AudioSourceCapsKestrel,      // GetAudioSourceCaps
    GetAudioChipconfigVariant1,  // GetAudioChipconfig
    InitAudioStandardCheck,      // InitAudio
    ZeroStub,                    // 3
};

constexpr InputOps kInputOps = {
    Unimplemented,  // GetVideoInputs
    Unimplemented,  // GetVideoInputType
    Unimplemented,  // GetAudioInputType
    Unimplemented,  // Set_Current_Video_InputID
    Unimplemented,  // Set_Current_Audio_InputID
};

constexpr TunerOps kTunerOps = {
    Unimplemented,  // GetTunerProperty
    Unimplemented,  // SetTunerProperty
};

}  // namespace

constexpr BoardDescriptor kKestrelDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, &kTunerOps};

}  // namespace trel
