// The format records each board keeps, in a compact form: names as pieces of
// text, the flag bytes as a pattern. CopyVideoFormats lays each one out as the
// host's 360-byte VideoFormat when it is handed out. Every board holds its own
// records; the naming rules of the decoder families live here.
#pragma once

#include "frame/host_interface.h"

namespace trel {

// Frame rates, in frames per 1001 s.
inline constexpr u32 kRate2997 = 30000;
inline constexpr u32 kRate25 = 25025;
inline constexpr u32 kRate30 = 30030;
inline constexpr u32 kRate15 = 15015;
inline constexpr u32 kRate12_5 = 12512;  // 12.5 frames per second, rounded down

// Picture sizes: the TV frames of the decoders and the data pump, and the
// sizes the cameras deliver and offer.
struct FrameSize {
    u32 width;
    u32 height;
};
inline constexpr FrameSize kFrame525 = {720, 480};
inline constexpr FrameSize kFrame625 = {720, 576};
inline constexpr FrameSize kVga = {640, 480};
inline constexpr FrameSize kQvga = {320, 240};
inline constexpr FrameSize kCif = {352, 288};
inline constexpr FrameSize kQcif = {176, 144};

// formatFlags patterns; kFormatFlags holds each one's bytes from offset 344.
enum class FlagPattern : u8 {
    kNone,
    kDecoder3,    // 344, 346, 347
    kDecoder2,    // 344, 346
    kOmniVision,  // 350
    kCcd,         // 344 (2), 352
};
struct FormatFlags {
    u8 byte[16];
};
inline constexpr FormatFlags kFormatFlags[] = {
    {},                             // kNone
    {{1, 0, 1, 1}},                 // kDecoder3
    {{1, 0, 1}},                    // kDecoder2
    {{0, 0, 0, 0, 0, 0, 1}},        // kOmniVision
    {{2, 0, 0, 0, 0, 0, 0, 0, 1}},  // kCcd
};
static_assert(sizeof(kFormatFlags) / sizeof(kFormatFlags[0]) == static_cast<size_t>(FlagPattern::kCcd) + 1);
static_assert(sizeof(FormatFlags) == sizeof(VideoFormat::formatFlags));

// A record's text: head, then tail; the rest of the field is NUL.
struct FormatText {
    const char* head;
    const char* tail = "";
};

// One format record as the module keeps it. reserved0 is 0 and recordSize is
// 360 in every record the host gets.
struct FormatRecord {
    FormatText formatName;
    FormatText sourceName;
    u32 standardMask;
    u32 frameRate;
    FrameSize size;
    FlagPattern flags;
};

namespace detail {
template <size_t N>
constexpr void Compose(char (&to)[N], const char* first, const char* second) {
    size_t n = 0;
    for (const char* p = first; *p != '\0'; ++p) to[n++] = *p;
    for (const char* p = second; *p != '\0'; ++p) to[n++] = *p;
}
constexpr size_t TextLength(const FormatText& text) {
    size_t n = 0;
    for (const char* p = text.head; *p != '\0'; ++p) ++n;
    for (const char* p = text.tail; *p != '\0'; ++p) ++n;
    return n;
}
// Never defined: reaching it while a record is built stops the compilation.
void FormatTextDoesNotFitItsField();
}  // namespace detail

// Every name leaves room for at least one NUL in its field.
constexpr FormatRecord MakeFormat(FormatText formatName, FormatText sourceName, u32 standardMask, u32 frameRate,
                                  FrameSize size, FlagPattern flags) {
    if (detail::TextLength(formatName) >= sizeof(VideoFormat::formatName) ||
        detail::TextLength(sourceName) >= sizeof(VideoFormat::sourceName)) {
        detail::FormatTextDoesNotFitItsField();
    }
    return {formatName, sourceName, standardMask, frameRate, size, flags};
}

// A TV decoder's records: "<chip> NTSC | PAL60", "<chip> PAL" and, for decoders
// with SECAM, "<chip> SECAM" whose source name is "<chip> SECAM" as well.
struct DecoderFormats {
    FormatRecord record[kMaxVideoFormats];
    u32 count;
};

constexpr DecoderFormats MakeDecoderFormats(const char* chip, bool withSecam, FlagPattern flags) {
    DecoderFormats set = {{MakeFormat({chip, " NTSC | PAL60"}, {chip}, kStdNtscFamily, kRate2997, kFrame525, flags),
                           MakeFormat({chip, " PAL"}, {chip}, kStdPalFamily, kRate25, kFrame625, flags)},
                          2};
    if (withSecam) {
        set.record[2] = MakeFormat({chip, " SECAM"}, {chip, " SECAM"}, kStdSecamFamily, kRate25, kFrame625, flags);
        set.count = 3;
    }
    return set;
}

// A camera board's two records: 30 fps (50 Hz flag clear) and 25 fps. An
// image sensor serves no TV standard.
struct CameraFormats {
    FormatRecord record[2];
};

constexpr CameraFormats MakeCameraFormats(const char* sensor, FrameSize size, FlagPattern flags) {
    return {{MakeFormat({sensor}, {sensor}, 0, kRate30, size, flags), MakeFormat({sensor}, {sensor}, 0, kRate25, size, flags)}};
}

// Writes each record in full (every one of its 360 bytes) and sets the count;
// nothing past the last record is written.
u32 CopyVideoFormats(u32* count, VideoFormat* formats, const FormatRecord* records, u32 recordCount);

}  // namespace trel
