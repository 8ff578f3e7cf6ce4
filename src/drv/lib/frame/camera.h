// What the camera boards (Wren, Wren II, Swift, Finch) share: opening with the
// host's "50Hz" parameter, handing out the format record it selects, building
// the board's stream format table, applying a property set through the board's
// own setter, and the status queries of GetVideoProperty.
#pragma once

#include "frame/formats.h"
#include "frame/module.h"

namespace trel {

// Fills BoardInfo, then stores the host's "50Hz" value in the board's flag.
// Camera boards keep no context: contextOut is never written.
u32 OpenCameraBoard(BoardInfo* info, const BoardInfoValues& values, u32* flag50Hz);

// Hands out one record: the 30 fps one while the flag is 0, else the 25 fps one.
u32 CopyCameraFormat(u32* count, VideoFormat* formats, const CameraFormats& records, u32 flag50Hz);

// ---------------------------------------------------------------------------
// Stream format table.

constexpr FrameSizeEntry MakeFrameSizeEntry(const char* name, u32 width, u32 height, u32 upperRateLimit,
                                            u32 lowerRateLimit) {
    FrameSizeEntry entry{};
    detail::Compose(entry.name, name, "");
    detail::Compose(entry.description, name, "");
    entry.kind = kFrameSizeEntryKind;
    entry.entrySize = sizeof(FrameSizeEntry);
    entry.width = width;
    entry.height = height;
    entry.sizeFlags = kFrameSizeFlags;
    entry.upperRateLimit = upperRateLimit;
    entry.lowerRateLimit = lowerRateLimit;
    return entry;
}

// The two frame sizes a camera offers, full size first.
struct FrameSizePair {
    FrameSizeEntry entry[2];
};

// VGA and QVGA, offered by the 640 x 480 cameras.
// Declaration only: defined constexpr in camera.cpp, so never initialised at run time.
extern const FrameSizePair kVgaFrameSizes;  // NOLINT(bugprone-dynamic-static-initializers)

// Which frame-rate entries a board lists.
enum class FrameRateChoice : u32 {
    kByFlag,     // the 30 fps pair while the 50 Hz flag is 0, else the 25 fps pair
    kBothPairs,  // the 25 fps pair, then the 30 fps pair, whatever the flag
};

// One camera board type's module-wide table and what goes into it.
struct StreamFormatRecipe {
    StreamFormatTable* table;
    const FrameSizePair* frameSizes;
    FrameRateChoice rates;
    const u32* flag50Hz;
};

// Zeroes the board's table, fills the frame-rate, frame-size and option
// sections and returns the table. Every call rebuilds it from constant data.
StreamFormatTable* BuildStreamFormatTable(const StreamFormatRecipe& recipe);

// ---------------------------------------------------------------------------
// Properties.

// Applies entry k of the set with index k + 1 through the board's own setter;
// the results are not looked at.
void ApplyVideoProperties(void* context, void* device, const VideoPropertySet& properties,
                          SetVideoPropertyFn setter);

// GetVideoProperty of every camera board: the two decoder status queries get
// fixed answers (0 and 1), anything else is not supported. No register is read.
u32 CameraGetVideoProperty(void* context, void* device, u32 index, u32* value);

}  // namespace trel
