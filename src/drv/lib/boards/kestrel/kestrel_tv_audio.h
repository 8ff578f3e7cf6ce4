// Kestrel's TV-audio decoder (0x80): its register access, the audio routing
// (tuner side, FM radio or line input), the TV sound modes, the start values
// and the audio status. Calls no other file of the board.
#pragma once

#include "boards/kestrel/kestrel.h"

namespace trel::kestrel {

// 16-bit registers behind one-byte subaddresses. A write S:RRRR = VVVV goes
// out as address block [80 S RR RR] with data [VV VV]; the control register
// (subaddress 0) takes no register number: [80 00], [VV VV].
inline constexpr u8 kTvAudioControl = 0x00;

struct TvAudioWrite {
    u8 subaddress;  // kTvAudioControl, 0x10 or 0x12
    u16 reg;        // unused for the control register
    u16 value;
};

// One write; the host's result.
[[nodiscard]] u32 WriteTvAudio(void* device, const TvAudioWrite& write);

// Reset and start values, once the video decoder is up.
void StartTvAudio(void* device);

// Audio routing: kAudioFromTuner (FM radio or TV sound by the tuner mode),
// kAudioFromLine, or kAudioMute. Records the source it selects.
[[nodiscard]] u32 SetAudioSource(KestrelContext* context, void* device, u32 source);

// TV sound mode (language A or B, mono or stereo) under the tuner's standard,
// with the routing write last.
void SetTvSoundMode(void* device, u32 tunerStandard, u32 flags);

// The routing write that follows an FM sound mode.
void RouteFmSound(void* device);

// The available TV-audio modes from the audio status register.
u32 GetTVAudioModes(void* device, u32* value);

}  // namespace trel::kestrel
