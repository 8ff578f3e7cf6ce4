// TW9906 video decoder (Egret): what the chip has beyond what it shares with
// the TW9903/5 (tw99xx.h): its standard register and its scaler, which takes
// the output size asked for at each capture start.
#pragma once

#include "chips/tw99xx.h"

namespace trel::tw9906 {

inline constexpr u16 kRegStandard = 0x08;
inline constexpr u16 kRegVScaleLow = 0x0D;
inline constexpr u16 kRegScaleHigh = 0x0E;  // bits 8..11 of the vertical scale, then of the horizontal
inline constexpr u16 kRegHScaleLow = 0x0F;

// The colour standard, one value per family: PAL and SECAM share one setting.
inline constexpr StandardRegister kStandardSettings = {
    .address = tw99xx::kAddress, .reg = kRegStandard, .ntsc = 0x14, .pal = 0x19, .secam = 0x19};

// Capture start: clears hOffset, vOffset, widthDoubled, heightDoubled and
// sizeFlag3 of the configuration, then programs the scaler for the requested
// size and sets the fields that go with it. The source is 720 pixels wide and
// 480 lines high (NTSC family; 576 or 566 when register 0x01 reports a 50-Hz
// signal, which also sets vOffset 10) or 576 lines (PAL or SECAM family). An
// output of half the source or less is scaled to twice its size and the
// doubled flag tells the host so. A zero size or a mask of no family is
// nothing the host sends for this chip's formats: no scaler is derived from
// it. Write results are not examined.
void ProgramScaler(void* device, CaptureConfig* config);

}  // namespace trel::tw9906
