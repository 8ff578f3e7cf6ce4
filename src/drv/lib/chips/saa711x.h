// What the SAA7113 and SAA7115 video decoders share: the input and luminance
// registers a board's source selection writes (and the two sources of the
// two-input boards), the picture controls (registers 0x0A to 0x0D and their
// scalings) and the status byte 0x1F with its two status queries. Each chip's
// own header names its address and what is its alone.
#pragma once

#include "frame/decoder.h"

namespace trel::saa711x {

inline constexpr u16 kRegAnalogInput = 0x02;  // input mode: which pin feeds the decoder
inline constexpr u16 kRegLumaControl = 0x09;  // luminance control (set per input)
inline constexpr u16 kRegBrightness = 0x0A;
inline constexpr u16 kRegContrast = 0x0B;
inline constexpr u16 kRegSaturation = 0x0C;
inline constexpr u16 kRegHue = 0x0D;
inline constexpr u16 kRegStatus = 0x1F;  // decoder status byte

// The two video sources of the two-input SAA711x boards (Heron I, Bittern,
// Heron II Reprise): each reaches the decoder on its own input pin (0x02) and
// needs its own luminance setting (0x09), written in that order.
inline constexpr RegisterEntry kSource0Settings[] = {{kRegAnalogInput, 0xC9}, {kRegLumaControl, 0x80}};
inline constexpr RegisterEntry kSource1Settings[] = {{kRegAnalogInput, 0xC0}, {kRegLumaControl, 0x40}};
// Those sources on the decoder at this address.
constexpr DecoderSources TwoInputSources(u8 address) {
    return {address, {ListOf(kSource0Settings), ListOf(kSource1Settings)}};
}

// Picture controls: property indexes 1 (brightness, 0 to 100, onto 0..255),
// 3 (contrast, 0 to 100, onto 0..127), 5 (hue, -50 to 50) and 7 (saturation,
// 0 to 100, onto 0..127).
bool IsPictureControl(u32 index);
// Any other index gives kStatusNotSupported and a value out of range
// kStatusInvalid, both without a write; otherwise the host's I2cWrite result,
// unchanged.
[[nodiscard]] u32 SetPictureControl(void* device, u8 address, u32 index, u32 value, u32 flags);

// Status queries 0x1000 and 0x1001 read register 0x1F. 0x1000 reports its
// bit 1; 0x1001 reports 1 while bit 6 (loss of horizontal/vertical lock) is
// clear. The closing GetVideoProperty trace prints the status.
constexpr DecoderStatus StatusQueries(u8 address) {
    return {.address = address,
            .query = {{.reg = kRegStatus, .mask = 0x02, .shift = 1, .inverted = false},
                      {.reg = kRegStatus, .mask = 0x40, .shift = 6, .inverted = true}},
            .traceReturnsValue = false};
}

}  // namespace trel::saa711x
