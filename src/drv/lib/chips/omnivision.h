// OmniVision image sensors (7640 on Wren and Wren II, 6650 on Finch): one
// algorithm for set-up, capture-start timing and picture properties, with each
// board's configuration, sensor tables and 50 Hz handling as one record.
#pragma once

#include "frame/bus.h"
#include "frame/camera.h"

namespace trel {

// I2C address bytes (write form).
inline constexpr u8 kOv7640Address = 0x42;
inline constexpr u8 kOv6650Address = 0xC0;

// Picture registers, alike on both sensors.
inline constexpr u16 kOmniVisionSaturation = 0x03;
inline constexpr u16 kOmniVisionHue = 0x04;
inline constexpr u16 kOmniVisionBrightness = 0x06;
// Property writes carry flags 1 on every OmniVision board.
inline constexpr u32 kOmniVisionPropertyFlags = 1;

// One OmniVision board: its camera configuration and its sensor.
struct OmniVisionBoard {
    CameraBoard camera;
    u8 address;                           // I2C address byte of the sensor
    u32 flags;                            // flags of the set-up and capture-start writes
    const RegisterEntry* setup;           // written in order at InitVideoSource
    u32 setupCount;
    const RegisterEntry* timing30;        // capture start, 50 Hz flag clear
    const RegisterEntry* timing25;        // capture start, 50 Hz flag set
    u32 timingCount;
    SetVideoPropertyFn setVideoProperty;  // the board's own slot, used by InitVideoSource
};

// Writes the set-up table (stopping at the first failed write with
// kStatusBusFailure), then applies the property set through the board's setter.
u32 OmniVisionInitVideoSource(const OmniVisionBoard& board, void* context, void* device,
                              const VideoPropertySet* properties);

// Clears the host's device-record word, takes the board's 50 Hz flag for the
// capture and writes the frame timing for it. Write results are not looked at.
u32 OmniVisionStartCapture(const OmniVisionBoard& board, void* device);

// Brightness, hue and saturation; out-of-range values are ignored with status
// 0, other indexes are not supported.
u32 OmniVisionSetVideoProperty(u8 address, void* device, u32 index, u32 value);

}  // namespace trel
