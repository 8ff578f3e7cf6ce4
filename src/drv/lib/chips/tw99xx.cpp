// TW9903/5 and TW9906 picture and status handling (see tw99xx.h).
#include "chips/tw99xx.h"

namespace trel::tw99xx {
namespace {

constexpr u8 kSaturationUOffset = 37;
constexpr u8 kSharpnessKeep = 0xF0;

// Brightness is signed on these chips: 0 gives 0x81, 50 gives 0, 100 gives 0x7F.
constexpr u8 BrightnessByte(u32 percent) {
    return static_cast<u8>((static_cast<s32>(percent) - 50) * 127 / 50);
}

u32 SetSaturation(const Variant& variant, void* device, u32 value) {
    const u32 scaled = value * 218 / kPercentMax;
    // Only the second register's result is reported.
    Unchecked(BusWrite(device, kAddress, kRegSaturationU, static_cast<u8>(scaled + kSaturationUOffset), 0));
    return BusWrite(device, kAddress, kRegSaturationV, static_cast<u8>(scaled + variant.saturationVOffset), 0);
}

// Read-modify-write of the low four bits. The read is not checked: when it
// fails the high bits are written as 0.
u32 SetSharpness(const Variant& variant, void* device, u32 value) {
    u8 current = 0;
    if (BusRead(device, kAddress, kRegSharpness, &current, 0) != 0) current = 0;
    const u8 low = static_cast<u8>(value * 7 / variant.sharpnessDivisor);
    return BusWrite(device, kAddress, kRegSharpness, static_cast<u8>((current & kSharpnessKeep) | low), 0);
}

}  // namespace

u32 SetVideoProperty(const Variant& variant, void* context, void* device, u32 index, u32 value) {
    Trace("SetVideoProperty %d %d", static_cast<int>(index), static_cast<int>(value));
    auto* decoder = static_cast<DecoderContext*>(context);
    switch (index) {
        case kPropVideoSource: return SelectDecoderSource(variant.sources, decoder, device, value);
        case kPropTvStandard: return variant.setStandard(decoder, device, value);
        case kPropBrightness:
            if (!IsPercent(value)) return kStatusInvalid;
            return BusWrite(device, kAddress, kRegBrightness, BrightnessByte(value), 0);
        case kPropContrast:
            if (!IsPercent(value)) return kStatusInvalid;
            return BusWrite(device, kAddress, kRegContrast, ScalePercent(value, 255), 0);
        case kPropHue:
            if (!IsHue(value)) return kStatusInvalid;
            return BusWrite(device, kAddress, kRegHue, HueByte(value), 0);
        case kPropSaturation:
            if (!IsPercent(value)) return kStatusInvalid;
            return SetSaturation(variant, device, value);
        case kPropSharpness:
            if (!IsPercent(value)) return kStatusInvalid;
            return SetSharpness(variant, device, value);
        default: return kStatusNotSupported;
    }
}

}  // namespace trel::tw99xx
