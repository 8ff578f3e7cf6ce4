// Kestrel's SAA7115 video decoder (0x40): source and standard selection,
// start-up, picture and VBI properties, the capture scaler. Calls no other
// file of the board.
#pragma once

#include "boards/kestrel/kestrel.h"

namespace trel::kestrel {

// Decoder input 0, 1 or 2, recorded in videoSource.
[[nodiscard]] u32 SelectVideoSource(KestrelContext* context, void* device, u32 source);

// The decoder's standard list; records the standard in tvStandard and
// tunerStandard, which the tuner side picks up when it is next programmed.
[[nodiscard]] u32 SetTVStandard(KestrelContext* context, void* device, u32 standard);

// Start-up: the set-up table, then source, standard and the host's picture
// properties.
[[nodiscard]] u32 StartDecoder(void* context, void* device, u32 standard, u32 source,
                               const VideoPropertySet& properties);

// The scaler for the capture's size, and the offsets and flags it leaves in
// the configuration. A width the scaler cannot take leaves everything as it
// was and is refused.
u32 ScaleCapture(void* device, CaptureConfig* config);

// Host operations (VideoOps).
u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra);
u32 GetVideoProperty(void* context, void* device, u32 index, u32* value);

}  // namespace trel::kestrel
