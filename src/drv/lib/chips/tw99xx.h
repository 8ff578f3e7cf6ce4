// TW9903/5 and TW9906 video decoders (I2C address byte 0x88): the register
// numbers the boards use, the picture handling the two chips share and the
// record that describes a board built round one of them. Where the chips
// differ (sharpness scale, the second saturation register, the status bits,
// what the status query traces, whether the decoder is told the standard) the
// board's record says so; the rest is one code path. GetVideoProperty is the
// decoder boards' common one (frame/decoder.h) with the record's status
// queries.
#pragma once

#include "frame/decoder.h"
#include "frame/formats.h"

namespace trel::tw99xx {

inline constexpr u8 kAddress = 0x88;

inline constexpr u16 kRegIdentity = 0x00;  // chip identity in the top five bits
inline constexpr u16 kRegStatus1 = 0x01;   // video status; bit 0 set: 50-Hz signal
inline constexpr u16 kRegInputFormat = 0x02;
inline constexpr u16 kRegBrightness = 0x10;
inline constexpr u16 kRegContrast = 0x11;
inline constexpr u16 kRegSharpness = 0x12;  // low four bits: sharpness; high four kept
inline constexpr u16 kRegSaturationU = 0x13;
inline constexpr u16 kRegSaturationV = 0x14;
inline constexpr u16 kRegHue = 0x15;
inline constexpr u16 kRegStatus2 = 0x30;

inline constexpr u8 kIdentityShift = 3;
inline constexpr u8 kStatus1Bit50Hz = 0x01;

// A set-up table kept for one chip identity (register 0x00 >> 3).
struct IdentitySetup {
    u8 identity;
    RegisterList table;
};

// A TW99xx board, as its handlers hand it to the shared decoder rules.
struct Board {
    BoardInfoValues info;
    DecoderFormats formats;
    VideoPropertySet defaultProperties;  // GetDefaultVideoProperties
    RegisterList setup;                  // written in order at InitVideoSource
    IdentitySetup identitySetup;         // written instead for that identity (boards that read it)
    DecoderSources sources;              // register 0x02 for sources 0 and 1
    const StandardRegister* standard;    // null: the decoder is not told the standard
    u32 sharpnessDivisor;                // low bits of 0x12 = value * 7 / divisor
    u8 saturationVOffset;                // 0x14 = value * 218 / 100 + offset (0x13 always + 37)
    DecoderStatus status;                // GetVideoProperty: 0x30 and 0x01 read differently
};

// Source 0 or 1 through the board's register 0x02 settings; any other source
// is traced as unknown and refused.
[[nodiscard]] inline u32 SelectVideoSource(const Board& board, DecoderContext* context, void* device, u32 source) {
    return SelectDecoderSource(board.sources, context, device, source);
}

// The standard through the board's standard register, or only recorded on a
// board whose decoder is not told it.
[[nodiscard]] inline u32 SetTVStandard(const Board& board, DecoderContext* context, void* device, u32 standard) {
    return SetDecoderStandard(board.standard, context, device, standard);
}

// SetVideoProperty of a TW99xx board: the trace, then source (0), brightness
// (1), contrast (3), hue (5), saturation (7), sharpness (9), TV standard (0x1002).
[[nodiscard]] u32 SetVideoProperty(const Board& board, void* context, void* device, u32 index, u32 value);

}  // namespace trel::tw99xx
