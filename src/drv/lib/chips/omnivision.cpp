// OmniVision 7640 / 6650 sensor operations shared by Wren, Wren II and Finch.
#include "chips/omnivision.h"

#include "frame/decoder.h"

namespace trel {

u32 OmniVisionInitVideoSource(const OmniVisionBoard& board, void* context, void* device,
                              const VideoPropertySet* properties) {
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    const u32 status = WriteRegistersUntilFailure(device, board.address, board.setup, board.setupCount, board.flags);
    if (status != kStatusSuccess) return status;
    ApplyVideoProperties(context, device, *properties, board.setVideoProperty);
    return kStatusSuccess;
}

u32 OmniVisionStartCapture(const OmniVisionBoard& board, void* device) {
    if (device == nullptr) return kStatusInvalid;
    // The host watches this word of its device record; a new capture starts it at 0.
    // Four byte stores: the word need not be aligned.
    volatile u8* word = static_cast<u8*>(device) + kDeviceRecordClearOffset;
    word[0] = 0;
    word[1] = 0;
    word[2] = 0;
    word[3] = 0;
    const RegisterEntry* timing = Flag50HzAtCapture(board.camera) != 0 ? board.timing25 : board.timing30;
    Unchecked(WriteRegistersOrResults(device, board.address, timing, board.timingCount, board.flags));
    return kStatusSuccess;
}

u32 OmniVisionSetVideoProperty(u8 address, void* device, u32 index, u32 value) {
    Trace(kTraceSetVideoProperty, index, value);
    switch (index) {
        case kPropBrightness:
            if (IsPercent(value)) {
                Unchecked(BusWrite(device, address, kOmniVisionBrightness, ScalePercent(value, 255),
                                   kOmniVisionPropertyFlags));
            }
            return kStatusSuccess;
        case kPropHue:
            // -50..50 maps onto 0x20..0x3F.
            if (IsHue(value)) {
                const s32 hue = static_cast<s32>(value);
                const u8 byte = static_cast<u8>(((hue - kHueMin) * 31 / (kHueMax - kHueMin)) | 0x20);
                Unchecked(BusWrite(device, address, kOmniVisionHue, byte, kOmniVisionPropertyFlags));
            }
            return kStatusSuccess;
        case kPropSaturation:
            if (IsPercent(value)) {
                Unchecked(BusWrite(device, address, kOmniVisionSaturation, ScalePercent(value, 255),
                                   kOmniVisionPropertyFlags));
            }
            return kStatusSuccess;
        default:
            return kStatusNotSupported;
    }
}

}  // namespace trel
