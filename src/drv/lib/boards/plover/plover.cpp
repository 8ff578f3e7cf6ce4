// Plover: the data-pump board. No video chip to program: its operations
// describe the single "Data Pump" format and answer property requests without
// touching hardware; the audio path is the encoder's own.
#include "audio/audio.h"
#include "frame/catalogue.h"
#include "frame/formats.h"
#include "frame/module.h"

namespace trel {
namespace {

constexpr BoardInfoValues kInfo = {"Plover", 0x0206, 0, 0x03};
constexpr VideoFormat kFormat = MakeFormat("Data Pump", "Data Pump", kStdNtscFamily, kRate2997, 720, 480, kFlagsNone);

// No context: nothing is allocated and contextOut is left alone.
u32 OpenBoard(void*, void**, BoardInfo* info) {
    if (info == nullptr) return kStatusInvalid;
    FillBoardInfo(info, kInfo);
    return kStatusSuccess;
}

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, &kFormat, 1);
}

// Every property is accepted and only traced.
u32 SetVideoProperty(void*, void*, u32 index, u32 value, u32) {
    Trace(kTraceSetVideoProperty, index, value);
    return kStatusSuccess;
}

// Answers the two decoder status queries with fixed values; any other index
// leaves the host's value as it was.
u32 GetVideoProperty(void*, void*, u32 index, u32* value) {
    if (value == nullptr) return kStatusInvalid;
    Trace(kTraceGetVideoProperty, index);
    if (index == kPropDecoderStatus0) {
        *value = 0;
    } else if (index == kPropDecoderStatus1) {
        *value = 1;
    }
    Trace(kTraceGetVideoPropertyReturn, *value);
    return kStatusSuccess;
}

constexpr BoardOps kBoardOps = {OpenBoard, ZeroStub};

constexpr VideoOps kVideoOps = {
    ZeroStub,                         // GetVideoSourceCaps: no capabilities
    NullStreamFormatTable,            // GetStreamFormatTable
    GetVideoFormats,                  // GetVideoFormats
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    ZeroStub,                         // InitVideoSource: nothing to set up
    ZeroStub,                         // 5
    ZeroStub,                         // OnStartCapture: nothing to set up
    ZeroStub,                         // 7
    SetVideoProperty,                 // SetVideoProperty
    GetVideoProperty,                 // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x176041>,       // GetAudioSourceCaps
    GetAudioChipconfigDataPump,  // GetAudioChipconfig
    ZeroStub,                    // InitAudio
    ZeroStub,                    // 3
};

}  // namespace

constexpr BoardDescriptor kPloverDescriptor = {
    sizeof(BoardDescriptor), 0x1F3B, 0x5100, kInfo.revision, &kBoardOps, &kVideoOps, &kAudioOps, nullptr, nullptr};

}  // namespace trel
