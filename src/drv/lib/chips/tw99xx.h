// TW9903/5 and TW9906 video decoders (I2C address byte 0x88): the register
// numbers the boards use and the picture and status handling the two chips
// share. Where the chips differ (sharpness scale, the second saturation
// register, the status bits, what the status query traces) the board passes
// its Variant; the rest is one code path. GetVideoProperty is the decoder
// boards' common one (frame/decoder.h) with the Variant's status queries.
#pragma once

#include "frame/decoder.h"

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

// What a board with one of the two chips does differently.
struct Variant {
    DecoderSources sources;  // register 0x02 for sources 0 and 1
    u32 (*setStandard)(DecoderContext* context, void* device, u32 standard);
    u32 sharpnessDivisor;    // low bits of 0x12 = value * 7 / divisor
    u8 saturationVOffset;    // 0x14 = value * 218 / 100 + offset (0x13 always + 37)
    DecoderStatus status;    // GetVideoProperty: 0x30 and 0x01 read differently
};

// SetVideoProperty of a TW99xx board: the trace, then source (0), brightness
// (1), contrast (3), hue (5), saturation (7), sharpness (9), TV standard (0x1002).
[[nodiscard]] u32 SetVideoProperty(const Variant& variant, void* context, void* device, u32 index, u32 value);

}  // namespace trel::tw99xx
