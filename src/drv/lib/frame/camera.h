// What the camera boards (Wren, Wren II, Swift, Finch) share: each board's
// configuration as one record, opening with the host's "50Hz" parameter,
// handing out the format record it selects, building the board's stream format
// table, applying a property set through the board's own setter, and the fixed
// answers to the decoder status queries (which the data pump gives too).
#pragma once

#include "frame/formats.h"
#include "frame/module.h"

namespace trel {

// ---------------------------------------------------------------------------
// Stream format table entries.

// A frame size with the rates (upper and lower limit) the host may ask at it.
constexpr FrameSizeEntry MakeFrameSizeEntry(const char* name, FrameSize size, u32 upperRateLimit,
                                            u32 lowerRateLimit) {
    FrameSizeEntry entry{};
    detail::Compose(entry.name, name, "");
    detail::Compose(entry.description, name, "");
    entry.kind = kFrameSizeEntryKind;
    entry.entrySize = sizeof(FrameSizeEntry);
    entry.width = size.width;
    entry.height = size.height;
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

// ---------------------------------------------------------------------------
// One camera board's configuration, constant, with the addresses of the board
// type's module-wide state: its 50 Hz flag and its stream format table, shared
// by all devices of the type.
struct CameraBoard {
    BoardInfoValues info;
    CameraFormats formats;
    u32* flag50Hz;                   // the host's "50Hz", read at open
    bool reads50HzAtCapture;         // and read again at every capture start
    StreamFormatTable* streamTable;  // rebuilt at every GetStreamFormatTable
    const FrameSizePair* frameSizes;
    FrameRateChoice frameRates;
};

// Fills BoardInfo, then stores the host's "50Hz" value in the board's flag.
// Camera boards keep no context: contextOut is never written.
u32 OpenCameraBoard(const CameraBoard& board, BoardInfo* info);

// Hands out one record: the 30 fps one while the flag is 0, else the 25 fps one.
u32 CopyCameraFormat(const CameraBoard& board, u32* count, VideoFormat* formats);

// Zeroes the board's table, fills the frame-rate, frame-size and option
// sections and returns the table. Every call rebuilds it from constant data.
StreamFormatTable* BuildStreamFormatTable(const CameraBoard& board);

// The 50 Hz flag a capture start goes by: asked of the host again on the
// boards that read it at every capture start, else the value read at open.
u32 Flag50HzAtCapture(const CameraBoard& board);

// ---------------------------------------------------------------------------
// Properties.

// Applies entry k of the set with index k + 1 through the board's own setter;
// the results are not looked at.
void ApplyVideoProperties(void* context, void* device, const VideoPropertySet& properties,
                          SetVideoPropertyFn setter);

// The decoder status queries on a board without a decoder: 0x1000 is answered
// 0 and 0x1001 is answered 1, with no register read, between the two traces of
// GetVideoProperty. What becomes of any other index is the board's choice.
enum class OtherPropertyIndex : u32 {
    kNotSupported,  // refused at once, the value untouched, no closing trace (camera boards)
    kValueKept,     // answered with the value as the host gave it (data pump)
};
u32 AnswerStatusQueries(u32 index, u32* value, OtherPropertyIndex others);

// GetVideoProperty of every camera board: the status queries, and nothing else.
u32 CameraGetVideoProperty(void* context, void* device, u32 index, u32* value);

}  // namespace trel
