// Bittern: SAA7115 video decoder at 0x40, two video sources, NTSC/PAL/SECAM,
// audio clocked by the decoder.
#include "audio/audio.h"
#include "frame/catalogue.h"
#include "frame/formats.h"
#include "frame/module.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Bittern", 0x0200, 1, 0x39};
constexpr DecoderFormats kFormats = MakeDecoderFormats("SAA7115", true, kFlagsDecoder3);

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
    AudioSourceCapsAscentBittern,      // GetAudioSourceCaps
    GetAudioChipconfigVariant1,  // GetAudioChipconfig
    InitAudioSaa7115Clock,       // InitAudio
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

constexpr BoardDescriptor kBitternDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
