// Audio operations of the boards with an audio path: capability masks, the
// TC5100 encoder's audio interface configuration, and the board audio clocks.
#pragma once

#include "frame/module.h"

namespace trel {

// GetAudioChipconfig: the encoder's audio interface configuration of each
// group of boards.
void GetAudioChipconfigSaa7115(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);
void GetAudioChipconfigRateSelect24k(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);
void GetAudioChipconfigRateSelect(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);
void GetAudioChipconfigDataPump(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);

// InitAudio variants.
u32 InitAudioSaa7115Clock(void* context, void* device, const AudioConfig* audio);   // Heron I, Bittern
u32 InitAudioRateSelect24k(void* context, void* device, const AudioConfig* audio);  // Heron II Reprise, Egret
u32 InitAudioRateSelect(void* context, void* device, const AudioConfig* audio);     // Heron Ascent

}  // namespace trel
