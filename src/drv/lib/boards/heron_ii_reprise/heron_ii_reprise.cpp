// Heron II Reprise: SAA7113 video decoder at 0x4A, two video sources,
// NTSC/PAL/SECAM, audio clock chosen through the host.
#include "audio/audio.h"
#include "frame/catalogue.h"
#include "frame/formats.h"
#include "frame/module.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Heron II Reprise", 0x0204, 0, 0x4B};
constexpr DecoderFormats kFormats = MakeDecoderFormats("SAA7113", true, kFlagsDecoder2);

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

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
    AudioSourceCapsRate24k,      // GetAudioSourceCaps
    GetAudioChipconfigVariant2,  // GetAudioChipconfig
    InitAudioRateSelect24k,      // InitAudio
    ZeroStub,                    // 3
};

constexpr InputOps kInputOps = {
    CommonGetVideoInputs,     // GetVideoInputs
    CommonGetVideoInputType,  // GetVideoInputType
    CommonGetAudioInputType,  // GetAudioInputType
    Unimplemented,            // Set_Current_Video_InputID
    ZeroStub,                 // Set_Current_Audio_InputID
};

}  // namespace

constexpr BoardDescriptor kHeronIIRepriseDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
