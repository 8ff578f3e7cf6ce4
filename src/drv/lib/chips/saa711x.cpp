// What the SAA7113 and SAA7115 share (see saa711x.h).
#include "chips/saa711x.h"

namespace trel::saa711x {
namespace {

// Brightness spans the whole byte; contrast, hue and saturation 0..127.
constexpr u32 kBrightnessFullScale = 255;
constexpr u32 kControlFullScale = 127;

}  // namespace

bool IsPictureControl(u32 index) {
    return index == kPropBrightness || index == kPropContrast || index == kPropHue || index == kPropSaturation;
}

u32 SetPictureControl(void* device, u8 address, u32 index, u32 value, u32 flags) {
    u16 reg = kRegHue;
    u32 fullScale = kControlFullScale;
    switch (index) {
        case kPropBrightness: reg = kRegBrightness; fullScale = kBrightnessFullScale; break;
        case kPropContrast: reg = kRegContrast; break;
        case kPropHue: break;
        case kPropSaturation: reg = kRegSaturation; break;
        default: return kStatusNotSupported;
    }
    u8 byte = 0;
    if (index == kPropHue) {
        if (!IsHue(value)) return kStatusInvalid;
        byte = HueByte(value);
    } else {
        if (!IsPercent(value)) return kStatusInvalid;
        byte = ScalePercent(value, fullScale);
    }
    return BusWrite(device, address, reg, byte, flags);
}

}  // namespace trel::saa711x
