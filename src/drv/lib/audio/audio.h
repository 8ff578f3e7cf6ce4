// Audio operations of the boards with an audio path: capability masks, the
// TC5100 encoder's audio interface configuration, and the board audio clocks.
#pragma once

#include "frame/module.h"

namespace trel {

// GetAudioSourceCaps, one constant per board group.
u32 AudioSourceCapsHeronI();          // 0x176007
u32 AudioSourceCapsRate24k();         // 0x17E047: Heron II Reprise, Egret
u32 AudioSourceCapsAscentBittern();   // 0x176001
u32 AudioSourceCapsKestrel();         // 0x174007
u32 AudioSourceCapsPlover();          // 0x176041

// GetAudioChipconfig variants.
void GetAudioChipconfigVariant1(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);
void GetAudioChipconfigVariant2(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);
void GetAudioChipconfigVariant3(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);
void GetAudioChipconfigVariant4(void* context, void* device, AudioChipConfig* chip, const AudioConfig* audio);

// InitAudio variants.
u32 InitAudioSaa7115Clock(void* context, void* device, const AudioConfig* audio);   // Heron I, Bittern
u32 InitAudioRateSelect24k(void* context, void* device, const AudioConfig* audio);  // Heron II Reprise, Egret
u32 InitAudioRateSelect(void* context, void* device, const AudioConfig* audio);     // Heron Ascent

}  // namespace trel
