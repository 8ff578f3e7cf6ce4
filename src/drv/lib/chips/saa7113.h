// SAA7113 video decoder (Heron II Reprise): its address, the registers its
// board programs, the picture controls, the status queries and the record
// that describes a board built round it. The decoder has no scaler; the
// colour standard is one register (0x0E) whose values per family are the
// board's.
#pragma once

#include "chips/saa711x.h"
#include "frame/formats.h"

namespace trel::saa7113 {

// I2C address byte (write form).
inline constexpr u8 kAddress = 0x4A;

using saa711x::kRegAnalogInput;
using saa711x::kRegLumaControl;
inline constexpr u16 kRegChromaControl = 0x0E;  // colour standard

// Brightness, contrast, hue and saturation (saa711x.h): kStatusNotSupported
// for any other index, kStatusInvalid for a value out of range, else the
// host's I2cWrite result.
[[nodiscard]] u32 SetPictureControl(void* device, u32 index, u32 value);

// Properties 0x1000 (bit 1 of 0x1F) and 0x1001 (1 while bit 6 is clear).
inline constexpr DecoderStatus kStatusQueries = saa711x::StatusQueries(kAddress);

// An SAA7113 board, as its handlers hand it to the shared decoder rules.
struct Board {
    BoardInfoValues info;
    DecoderFormats formats;
    RegisterList setup;          // written in order at InitVideoSource
    DecoderSources sources;      // sources 0 and 1
    StandardRegister standard;   // the colour standard register, per family
};

}  // namespace trel::saa7113
