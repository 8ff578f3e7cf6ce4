// Kestrel's tuner module (0xC2) and IF demodulator (0x86): everything the
// board sends them, whoever asks (tuner properties, the FM sound mode,
// capture start), and what the tuner can do. Writes the per-standard sound
// settings of TV reception through the TV-audio decoder's register write;
// calls nothing else of the board. Nothing here changes the context.
#pragma once

#include "boards/kestrel/kestrel.h"

namespace trel::kestrel {

// What the tuner receives: TV and FM radio (tuner property 0).
inline constexpr u32 kTunerCaps = kModeTv | kModeFm;

// Reception set-up for a tuner mode: TV by the context's tunerStandard and
// country, FM radio by its recorded tvAudioMode. kStatusNotSupported for any
// other mode, with nothing sent.
[[nodiscard]] u32 SetTunerMode(const KestrelContext& context, void* device, u32 mode);

// The tuning word for a frequency (Hz) in the context's tunerMode.
[[nodiscard]] u32 SetFrequency(const KestrelContext& context, void* device, u32 frequency);

// The FM sound mode the host sets: the tuner's and the IF demodulator's
// mono or stereo bytes for these TV-audio flags.
void SetFmSoundMode(void* device, u32 flags);

// Fills the mode capabilities record for the mode in record[0].
u32 GetModeCaps(u32* record);

}  // namespace trel::kestrel
