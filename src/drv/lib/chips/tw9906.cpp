// TW9906 video decoder (see tw9906.h).
#include "chips/tw9906.h"

namespace trel::tw9906 {
namespace {

using tw99xx::kAddress;

// A scale is source size x 256 / output size (256 is 1:1).
constexpr u32 kScaleOne = 256;
constexpr u32 kSourceWidth = 720;
constexpr u32 kLines60Hz = 480;
constexpr u32 kLines50Hz = 576;
// A 50-Hz signal on an NTSC-family format: 566 lines when the output divides
// 576 evenly, and the picture starts 10 lines down.
constexpr u32 kLines50HzOnNtscEven = 566;
constexpr u32 kVOffset50HzOnNtsc = 10;
// A 288-line output of a 60-Hz NTSC signal takes this fixed scale (288 + 124)
// instead of 480 x 256 / 288.
constexpr u32 kVScale60HzTo288 = 412;
constexpr u32 kLines288 = 288;
// A shrink to a third or less needs 2 more on the horizontal scale.
constexpr u32 kHScaleThirdExtra = 2;

// Bits 8 to 11 of a scale, as register 0x0E holds them.
constexpr u32 ScaleHighNibble(u32 scale) { return (scale >> 8) & 0xF; }

}  // namespace

void ProgramScaler(void* device, CaptureConfig* config) {
    config->hOffset = 0;
    config->vOffset = 0;
    config->widthDoubled = 0;
    config->heightDoubled = 0;
    config->sizeFlag3 = 0;
    const u32 mask = config->standardMask;
    const bool ntsc = (mask & kStdNtscFamily) != 0;
    const bool lines625 = (mask & (kStdPalFamily | kStdSecamFamily)) != 0;
    u32 width = config->captureWidth;
    u32 height = config->captureHeight;
    if (width == 0 || height == 0 || (!ntsc && !lines625)) return;

    u32 sourceHeight = kLines60Hz;
    bool signal50Hz = false;
    if (ntsc) {
        // A failed read counts as a 60-Hz signal.
        u8 status = 0;
        signal50Hz = BusRead(device, kAddress, tw99xx::kRegStatus1, &status, kNoI2cFlags) == 0 &&
                     (status & tw99xx::kStatus1Bit50Hz) != 0;
        if (signal50Hz) {
            config->vOffset = kVOffset50HzOnNtsc;
            sourceHeight = kLines50Hz % height == 0 ? kLines50HzOnNtscEven : kLines50Hz;
        }
    }
    if (lines625) sourceHeight = kLines50Hz;

    const u32 ratio = kSourceWidth / width;
    if (ratio >= 2) {
        width *= 2;
        config->widthDoubled = 1;
    }
    if (sourceHeight / height >= 2) {
        height *= 2;
        config->heightDoubled = 1;
    }
    const u32 hScale = kSourceWidth * kScaleOne / width + (ratio >= 3 ? kHScaleThirdExtra : 0);
    const u32 vScale = ntsc && !signal50Hz && height == kLines288 ? kVScale60HzTo288 : sourceHeight * kScaleOne / height;

    // Results not examined: the capture starts whatever the bus says.
    Unchecked(BusWrite(device, kAddress, kRegVScaleLow, static_cast<u8>(vScale), kNoI2cFlags));
    const u8 high = static_cast<u8>(ScaleHighNibble(vScale) << 4 | ScaleHighNibble(hScale));
    Unchecked(BusWrite(device, kAddress, kRegScaleHigh, high, kNoI2cFlags));
    Unchecked(BusWrite(device, kAddress, kRegHScaleLow, static_cast<u8>(hScale), kNoI2cFlags));
}

}  // namespace trel::tw9906
