// Boards with an SAA7115 and two video sources (Heron I, Bittern): both keep
// the decoder context (videoSource, tvStandard), feed their two sources
// through the same decoder pins, take the standard from register lists and
// read the same status byte. Each board keeps its own tables and describes
// itself in one Board record; these functions are what its tables point to,
// or what its handlers call with that record.
#pragma once

#include "chips/saa7115.h"

namespace trel::saa7115_two_source {

// These boards pass no flags with their I2C transfers.
inline constexpr u32 kFlags = kNoI2cFlags;

// A two-source SAA7115 board, as its handlers hand it to the code below.
struct Board {
    BoardInfoValues info;
    saa7115::DecoderStart start;          // set-up differences, SetVideoProperty, flags
    saa7115::StandardLists standards;     // written by SetTVStandard
    bool slicesVbi;                       // false: property 0x1003 is unknown
    saa7115::VbiValues vbi;               // the VBI slicer values, when it slices
    bool scalesAtCaptureStart;            // false: the decoder delivers full frames
};

// Source 0 or 1 (recorded before the two writes, results ignored); any other
// source is traced as unknown and gives kStatusInvalid with nothing changed.
[[nodiscard]] u32 SelectVideoSource(DecoderContext* context, void* device, u32 source);

// InputOps slot 3: input 0 selects source 1, input 1 source 0.
u32 SetCurrentVideoInputId(void* context, void* device, u32 inputId);

// TV standard through the board's register lists: 0xFFFFFFFF keeps the
// recorded one, 0 is rejected, a mask of no family is recorded without a
// write; a failed write (all are still made) gives kStatusBusFailure and
// keeps the old standard.
[[nodiscard]] u32 SetTVStandard(const Board& board, DecoderContext* context, void* device, u32 standard);

// VideoOps slot 4 with the board's start-up: 0xFFFFFFFF for the standard or
// the source stands for the recorded one.
u32 InitVideoSource(const Board& board, void* context, void* device, u32 standard, u32 source,
                    const VideoPropertySet* properties);

// VideoOps slot 6: the scaler for the capture's size on boards that scale,
// then the NTSC offset rule.
u32 OnStartCapture(const Board& board, void* device, CaptureConfig* config);

// VideoOps slot 8: the trace, then source (0), standard (0x1002), the VBI
// service (0x1003, boards that slice) and the picture controls.
u32 SetVideoProperty(const Board& board, void* context, void* device, u32 index, u32 value, u32 extra);

// VideoOps slot 9: source, standard and the two decoder status queries
// (saa7115::kStatusQueries); the closing trace prints the status.
u32 GetVideoProperty(void* context, void* device, u32 index, u32* value);

}  // namespace trel::saa7115_two_source
