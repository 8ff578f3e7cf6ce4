// Boards with an SAA7115 and two video sources (Heron I, Bittern): both keep
// the decoder context (videoSource, tvStandard), feed their two sources
// through the same decoder pins, take the standard from register lists and
// read the same status byte. Each board keeps its own tables; these functions
// are what they point to or call, with the board's own data passed in.
#pragma once

#include "chips/saa7115.h"

namespace trel::saa7115_two_source {

// These boards pass no flags with their I2C transfers.
inline constexpr u32 kFlags = 0;

// Source 0 or 1 (recorded before the two writes, results ignored); any other
// source is traced as unknown and gives kStatusInvalid with nothing changed.
[[nodiscard]] u32 SelectVideoSource(DecoderContext* context, void* device, u32 source);

// InputOps slot 3: input 0 selects source 1, input 1 source 0.
u32 SetCurrentVideoInputId(void* context, void* device, u32 inputId);

// TV standard through the board's register lists: 0xFFFFFFFF keeps the
// recorded one, 0 is rejected, a mask of no family is recorded without a
// write; a failed write (all are still made) gives kStatusBusFailure and
// keeps the old standard.
[[nodiscard]] u32 SetStandard(DecoderContext* context, void* device, u32 standard, const saa7115::StandardLists& lists);

// VideoOps slot 4 with the board's set-up differences and SetVideoProperty:
// 0xFFFFFFFF for the standard or the source stands for the recorded one.
u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties,
                    const saa7115::DecoderStart& start);

// VideoOps slot 9: source, standard and the two decoder status queries
// (saa7115::kStatusQueries); the closing trace prints the status.
u32 GetVideoProperty(void* context, void* device, u32 index, u32* value);

}  // namespace trel::saa7115_two_source
