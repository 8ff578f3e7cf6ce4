// Camera boards' shared open, format selection, stream format table and
// status queries (see camera.h).
#include "frame/camera.h"

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
                                        MakeFrameRateEntry("15 fps", 15015, 1)}};
constexpr FrameRatePair k25FpsRates = {{MakeFrameRateEntry("25 fps", kRate25, 0),
                                        MakeFrameRateEntry("12.5 fps", 12512, 1)}};

constexpr StreamOptionEntry kStreamOptions[] = {
    {{1, 4, 2, 0, 0}},
    {{1, 4, 2, 1, 0}},
    {{1, 4, 2, -1, 1}},
};
constexpr u32 kStreamOptionCount = sizeof(kStreamOptions) / sizeof(kStreamOptions[0]);

}  // namespace

constexpr FrameSizePair kVgaFrameSizes = {{MakeFrameSizeEntry("VGA", 640, 480, 15000000, 300000),
                                           MakeFrameSizeEntry("QVGA", 320, 240, 4000000, 20000)}};

u32 OpenCameraBoard(BoardInfo* info, const BoardInfoValues& values, u32* flag50Hz) {
    if (info == nullptr) return kStatusInvalid;
    FillBoardInfo(info, values);
    *flag50Hz = Query50Hz();
    return kStatusSuccess;
}

u32 CopyCameraFormat(u32* count, VideoFormat* formats, const CameraFormats& records, u32 flag50Hz) {
    return CopyVideoFormats(count, formats, &records.record[flag50Hz != 0 ? 1 : 0], 1);
}

// Entries are copied with CopyBytes: a structure assignment this size may
// become a memcpy call, which the module cannot import.
StreamFormatTable* BuildStreamFormatTable(const StreamFormatRecipe& recipe) {
    StreamFormatTable* table = recipe.table;
    ZeroBytes(table, sizeof(StreamFormatTable));

    if (recipe.rates == FrameRateChoice::kBothPairs) {
        table->frameRateCount = 4;
        CopyBytes(&table->frameRates[0], &k25FpsRates, sizeof(FrameRatePair));
        CopyBytes(&table->frameRates[2], &k30FpsRates, sizeof(FrameRatePair));
    } else {
        table->frameRateCount = 2;
        CopyBytes(&table->frameRates[0], *recipe.flag50Hz != 0 ? &k25FpsRates : &k30FpsRates,
                  sizeof(FrameRatePair));
    }

    table->frameSizeCount = 2;
    CopyBytes(&table->frameSizes[0], recipe.frameSizes, sizeof(FrameSizePair));

    table->optionCount = kStreamOptionCount;
    CopyBytes(&table->options[0], kStreamOptions, sizeof(kStreamOptions));
    return table;
}

void ApplyVideoProperties(void* context, void* device, const VideoPropertySet& properties,
                          SetVideoPropertyFn setter) {
    for (u32 index = 1; index <= kVideoPropertyCount; ++index) {
        setter(context, device, index, properties.value[index - 1], 0);
    }
}

u32 CameraGetVideoProperty(void*, void*, u32 index, u32* value) {
    if (value == nullptr) return kStatusInvalid;
    Trace(kTraceGetVideoProperty, index);
    if (index == kPropDecoderStatus0) {
        *value = 0;
    } else if (index == kPropDecoderStatus1) {
        *value = 1;
    } else {
        return kStatusNotSupported;
    }
    Trace(kTraceGetVideoPropertyReturn, *value);
    return kStatusSuccess;
}

}  // namespace trel
