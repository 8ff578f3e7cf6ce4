// TW9903/5 and TW9906 picture and status handling (see tw99xx.h).
#include "chips/tw99xx.h"

namespace trel::tw99xx {
namespace {

// Brightness is signed on these chips, 127 steps each way of 50: 0 gives
// 0x81, 50 gives 0, 100 gives 0x7F.
constexpr s32 kBrightnessCentre = 50;
constexpr s32 kBrightnessSteps = 127;
constexpr u32 kContrastFullScale = 255;
// Saturation spreads 0..100 over 0..218; 0x13 sits 37 above that.
constexpr u32 kSaturationFullScale = 218;
constexpr u8 kSaturationUOffset = 37;
// Sharpness: value * 7 / the board's divisor into the low four bits.
constexpr u32 kSharpnessSteps = 7;
constexpr u8 kSharpnessKeep = 0xF0;

constexpr u8 BrightnessByte(u32 percent) {
    return static_cast<u8>((static_cast<s32>(percent) - kBrightnessCentre) * kBrightnessSteps / kBrightnessCentre);
}

u32 SetSaturation(const Board& board, void* device, u32 value) {
    const u32 scaled = value * kSaturationFullScale / kPercentMax;
    // Only the second register's result is reported.
    Unchecked(BusWrite(device, kAddress, kRegSaturationU, static_cast<u8>(scaled + kSaturationUOffset), kNoI2cFlags));
    return BusWrite(device, kAddress, kRegSaturationV, static_cast<u8>(scaled + board.saturationVOffset), kNoI2cFlags);
}

// Read-modify-write of the low four bits. The read is not checked: when it
// fails the high bits are written as 0.
u32 SetSharpness(const Board& board, void* device, u32 value) {
    u8 current = 0;
    if (BusRead(device, kAddress, kRegSharpness, &current, kNoI2cFlags) != 0) current = 0;
    const u8 low = static_cast<u8>(value * kSharpnessSteps / board.sharpnessDivisor);
    return BusWrite(device, kAddress, kRegSharpness, static_cast<u8>((current & kSharpnessKeep) | low), kNoI2cFlags);
}

}  // namespace

u32 SetVideoProperty(const Board& board, void* context, void* device, u32 index, u32 value) {
    Trace(kTraceSetVideoProperty, index, value);
    auto* decoder = static_cast<DecoderContext*>(context);
    switch (index) {
        case kPropVideoSource: return SelectVideoSource(board, decoder, device, value);
        case kPropTvStandard: return SetTVStandard(board, decoder, device, value);
        case kPropBrightness:
            if (!IsPercent(value)) return kStatusInvalid;
            return BusWrite(device, kAddress, kRegBrightness, BrightnessByte(value), kNoI2cFlags);
        case kPropContrast:
            if (!IsPercent(value)) return kStatusInvalid;
            return BusWrite(device, kAddress, kRegContrast, ScalePercent(value, kContrastFullScale), kNoI2cFlags);
        case kPropHue:
            if (!IsHue(value)) return kStatusInvalid;
            return BusWrite(device, kAddress, kRegHue, HueByte(value), kNoI2cFlags);
        case kPropSaturation:
            if (!IsPercent(value)) return kStatusInvalid;
            return SetSaturation(board, device, value);
        case kPropSharpness:
            if (!IsPercent(value)) return kStatusInvalid;
            return SetSharpness(board, device, value);
        default: return kStatusNotSupported;
    }
}

}  // namespace trel::tw99xx
