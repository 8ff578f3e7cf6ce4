// Camera boards' shared open, format selection, stream format table and
// status queries (see camera.h).
#include "frame/camera.h"

#include "frame/bus.h"

namespace trel {
namespace {

struct FrameRatePair {
    FrameRateEntry entry[2];
};

constexpr FrameRateEntry MakeFrameRateEntry(const char* name, u32 frameRate, u32 halfRate) {
    FrameRateEntry entry{};
    detail::Compose(entry.name, name, "");
    detail::Compose(entry.description, name, "");
    entry.kind = kFrameRateEntryKind;
    entry.entrySize = sizeof(FrameRateEntry);
    entry.frameRate = frameRate;
    entry.halfRate = halfRate;
    return entry;
}

// The sensor's full rate, then half of it.
constexpr FrameRatePair k30FpsRates = {{MakeFrameRateEntry("30 fps", kRate30, 0),
                                        MakeFrameRateEntry("15 fps", kRate15, 1)}};
constexpr FrameRatePair k25FpsRates = {{MakeFrameRateEntry("25 fps", kRate25, 0),
                                        MakeFrameRateEntry("12.5 fps", kRate12_5, 1)}};
constexpr u32 kEntriesPerPair = sizeof(FrameRatePair::entry) / sizeof(FrameRateEntry);
static_assert(sizeof(FrameSizePair::entry) / sizeof(FrameSizeEntry) == kEntriesPerPair);

constexpr StreamOptionEntry kStreamOptions[] = {
    {{1, 4, 2, 0, 0}},
    {{1, 4, 2, 1, 0}},
    {{1, 4, 2, -1, 1}},
};
constexpr u32 kStreamOptionCount = sizeof(kStreamOptions) / sizeof(kStreamOptions[0]);

}  // namespace

constexpr FrameSizePair kVgaFrameSizes = {{MakeFrameSizeEntry("VGA", kVga, 15000000, 300000),
                                           MakeFrameSizeEntry("QVGA", kQvga, 4000000, 20000)}};

u32 OpenCameraBoard(const CameraBoard& board, BoardInfo* info) {
    if (info == nullptr) return kStatusInvalid;
    FillBoardInfo(info, board.info);
    *board.flag50Hz = Query50Hz();
    return kStatusSuccess;
}

u32 CopyCameraFormat(const CameraBoard& board, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, &board.formats.record[*board.flag50Hz != 0 ? 1 : 0], 1);
}

// Entries are copied with CopyBytes: a structure assignment this size may
// become a memcpy call, which the module cannot import.
StreamFormatTable* BuildStreamFormatTable(const CameraBoard& board) {
    StreamFormatTable* table = board.streamTable;
    ZeroBytes(table, sizeof(StreamFormatTable));

    if (board.frameRates == FrameRateChoice::kBothPairs) {
        table->frameRateCount = 2 * kEntriesPerPair;
        CopyBytes(&table->frameRates[0], &k25FpsRates, sizeof(FrameRatePair));
        CopyBytes(&table->frameRates[kEntriesPerPair], &k30FpsRates, sizeof(FrameRatePair));
    } else {
        table->frameRateCount = kEntriesPerPair;
        CopyBytes(&table->frameRates[0], *board.flag50Hz != 0 ? &k25FpsRates : &k30FpsRates, sizeof(FrameRatePair));
    }

    table->frameSizeCount = kEntriesPerPair;
    CopyBytes(&table->frameSizes[0], board.frameSizes, sizeof(FrameSizePair));

    table->optionCount = kStreamOptionCount;
    CopyBytes(&table->options[0], kStreamOptions, sizeof(kStreamOptions));
    return table;
}

u32 Flag50HzAtCapture(const CameraBoard& board) {
    if (board.reads50HzAtCapture) *board.flag50Hz = Query50Hz();
    return *board.flag50Hz;
}

void ApplyVideoProperties(void* context, void* device, const VideoPropertySet& properties,
                          SetVideoPropertyFn setter) {
    for (u32 index = 1; index <= kVideoPropertyCount; ++index) {
        Unchecked(setter(context, device, index, properties.value[index - 1], 0));
    }
}

u32 AnswerStatusQueries(u32 index, u32* value, OtherPropertyIndex others) {
    if (value == nullptr) return kStatusInvalid;
    Trace(kTraceGetVideoProperty, index);
    if (index == kPropDecoderStatus0) {
        *value = 0;
    } else if (index == kPropDecoderStatus1) {
        *value = 1;
    } else if (others == OtherPropertyIndex::kNotSupported) {
        return kStatusNotSupported;
    }
    Trace(kTraceGetVideoPropertyReturn, *value);
    return kStatusSuccess;
}

u32 CameraGetVideoProperty(void*, void*, u32 index, u32* value) {
    return AnswerStatusQueries(index, value, OtherPropertyIndex::kNotSupported);
}

}  // namespace trel
