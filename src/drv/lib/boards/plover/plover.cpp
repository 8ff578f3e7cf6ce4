// Plover: the data-pump board. No video chip to program: its operations
// describe the single "Data Pump" format and answer property requests without
// touching hardware; the audio path is the encoder's own.
#include "audio/audio.h"
#include "frame/camera.h"
#include "frame/catalogue.h"

namespace trel {
namespace {

// The data pump's configuration: what OpenBoard and GetVideoFormats hand out.
struct DataPumpBoard {
    BoardInfoValues info;
    FormatRecord format;
};

constexpr DataPumpBoard kPlover = {
    .info = {.name = "Plover", .revision = 0x0206, .valueA = 0, .flagsB = 0x03},
    .format = MakeFormat({"Data Pump"}, {"Data Pump"}, kStdNtscFamily, kRate2997, kFrame525, FlagPattern::kNone),
};

// No context: nothing is allocated and contextOut is left alone.
u32 OpenBoard(void*, void**, BoardInfo* info) {
    if (info == nullptr) return kStatusInvalid;
    FillBoardInfo(info, kPlover.info);
    return kStatusSuccess;
}

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, &kPlover.format, 1);
}

// Every property is accepted and only traced.
u32 SetVideoProperty(void*, void*, u32 index, u32 value, u32) {
    Trace(kTraceSetVideoProperty, index, value);
    return kStatusSuccess;
}

// The two decoder status queries get their fixed answers; any other index
// leaves the host's value as it was, and is answered too.
u32 GetVideoProperty(void*, void*, u32 index, u32* value) {
    return AnswerStatusQueries(index, value, OtherPropertyIndex::kValueKept);
}

constexpr BoardOps kBoardOps = {
    OpenBoard,  // OpenBoard
    ZeroStub,   // CloseBoard: no context
};

constexpr VideoOps kVideoOps = {
    ZeroStub,                         // GetVideoSourceCaps: no capabilities
    NullStreamFormatTable,            // GetStreamFormatTable
    GetVideoFormats,                  // GetVideoFormats
    CommonGetDefaultVideoProperties,  // GetDefaultVideoProperties
    ZeroStub,                         // InitVideoSource: nothing to set up
    ZeroStub,                         // Reserved5
    ZeroStub,                         // OnStartCapture: nothing to set up
    ZeroStub,                         // Reserved7
    SetVideoProperty,                 // SetVideoProperty
    GetVideoProperty,                 // GetVideoProperty
};

constexpr AudioOps kAudioOps = {
    CapabilityMask<0x176041>,    // GetAudioSourceCaps
    GetAudioChipconfigDataPump,  // GetAudioChipconfig
    ZeroStub,                    // InitAudio
    ZeroStub,                    // Reserved3
};

}  // namespace

constexpr BoardDescriptor kPloverDescriptor = {sizeof(BoardDescriptor), 0x1F3B, 0x5100, kPlover.info.revision,
                                               &kBoardOps, &kVideoOps, &kAudioOps, nullptr, nullptr};

}  // namespace trel
