// Builders for the constant VideoFormat records each board keeps. Every board
// holds its own records; the naming rules of the decoder families live here.
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

// formatFlags patterns, as bytes from offset 344.
struct FormatFlags {
    u8 byte[16];
};
inline constexpr FormatFlags kFlagsDecoder3 = {{1, 0, 1, 1}};       // 344, 346, 347
inline constexpr FormatFlags kFlagsDecoder2 = {{1, 0, 1}};          // 344, 346
inline constexpr FormatFlags kFlagsOmniVision = {{0, 0, 0, 0, 0, 0, 1}};  // 350
inline constexpr FormatFlags kFlagsCcd = {{2, 0, 0, 0, 0, 0, 0, 0, 1}};  // 344, 352
inline constexpr FormatFlags kFlagsNone = {};

namespace detail {
template <size_t N>
constexpr void Compose(char (&to)[N], const char* first, const char* second) {
    size_t n = 0;
    for (const char* p = first; *p != '\0'; ++p) to[n++] = *p;
    for (const char* p = second; *p != '\0'; ++p) to[n++] = *p;
}
}  // namespace detail

constexpr VideoFormat MakeFormat(const char* formatName, const char* sourceName, u32 standardMask,
                                 u32 frameRate, FrameSize size, const FormatFlags& flags) {
    VideoFormat format{};
    detail::Compose(format.formatName, formatName, "");
    detail::Compose(format.sourceName, sourceName, "");
    format.recordSize = sizeof(VideoFormat);
    format.standardMask = standardMask;
    format.frameRate = frameRate;
    format.width = size.width;
    format.height = size.height;
    for (size_t i = 0; i < sizeof(flags.byte); ++i) format.formatFlags[i] = flags.byte[i];
    return format;
}

// A TV decoder's records: "<chip> NTSC | PAL60", "<chip> PAL" and, for decoders
// with SECAM, "<chip> SECAM" whose source name is "<chip> SECAM" as well.
struct DecoderFormats {
    VideoFormat record[kMaxVideoFormats];
    u32 count;
};

constexpr DecoderFormats MakeDecoderFormats(const char* chip, bool withSecam, const FormatFlags& flags) {
    DecoderFormats set{};
    char name[64] = {};
    detail::Compose(name, chip, " NTSC | PAL60");
    set.record[0] = MakeFormat(name, chip, kStdNtscFamily, kRate2997, kFrame525, flags);
    char pal[64] = {};
    detail::Compose(pal, chip, " PAL");
    set.record[1] = MakeFormat(pal, chip, kStdPalFamily, kRate25, kFrame625, flags);
    set.count = 2;
    if (withSecam) {
        char secam[64] = {};
        detail::Compose(secam, chip, " SECAM");
        set.record[2] = MakeFormat(secam, secam, kStdSecamFamily, kRate25, kFrame625, flags);
        set.count = 3;
    }
    return set;
}

// A camera board's two records: 30 fps (50 Hz flag clear) and 25 fps. An
// image sensor serves no TV standard.
struct CameraFormats {
    VideoFormat record[2];
};

constexpr CameraFormats MakeCameraFormats(const char* sensor, FrameSize size, const FormatFlags& flags) {
    return {{MakeFormat(sensor, sensor, 0, kRate30, size, flags), MakeFormat(sensor, sensor, 0, kRate25, size, flags)}};
}

}  // namespace trel
