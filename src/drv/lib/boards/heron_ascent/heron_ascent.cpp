// Heron Ascent: TW9903 or TW9905 video decoder at 0x88, two video sources,
// NTSC and PAL only; audio clock chosen through the host.
#include "audio/audio.h"
#include "frame/catalogue.h"
#include "frame/formats.h"
#include "frame/module.h"
#include "frame/unimplemented.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Heron Ascent", 0x0210, 0, 0x0B};
constexpr DecoderFormats kFormats = MakeDecoderFormats("TW9903/5", false, kFlagsDecoder2);

u32 OpenBoard(void*, void** contextOut, BoardInfo* info) { return OpenDecoderBoard(contextOut, info, kInfo); }

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

// Brightness 50, contrast 37, hue 0, saturation 41, sharpness 14.
constexpr VideoPropertySet kDefaultProperties = {{50, 0, 37, 0, 0, 0, 41, 0, 14, 0, 50, 0, 50, 0, 50, 0, 0}};

void GetDefaultVideoProperties(void*, void*, VideoPropertySet* properties) {
    CopyVideoProperties(properties, kDefaultProperties);
}

constexpr BoardOps kBoardOps = {OpenBoard, CommonCloseBoard};

constexpr VideoOps kVideoOps = {
    VideoSourceCaps555,               // GetVideoSourceCaps
    NullStreamFormatTable,            // GetStreamFormatTable
    GetVideoFormats,                  // GetVideoFormats
    GetDefaultVideoProperties,        // GetDefaultVideoProperties
    Unimplemented,                    // InitVideoSource
    ZeroStub,                         // 5
    Unimplemented,                    // OnStartCapture
    ZeroStub,                         // 7
    Unimplemented,                    // SetVideoProperty
    Unimplemented,                    // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    AudioSourceCapsAscentBittern,      // GetAudioSourceCaps
    GetAudioChipconfigVariant3,  // GetAudioChipconfig
    InitAudioRateSelect,        // InitAudio
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

constexpr BoardDescriptor kHeronAscentDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, &kInputOps, nullptr};

}  // namespace trel
