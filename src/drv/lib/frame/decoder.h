// Rules the TV-decoder boards share whatever their decoder chip: the picture
// value ranges and scalings, source selection and TV-standard selection as
// register data, the input-to-source mapping, the tail of InitVideoSource that
// applies source, standard and picture set. (The NTSC capture offset is
// ApplyNtscVOffset of frame/module.h.) Each board describes itself in one
// constant record of its chip's kind (chips/); the pieces of that record the
// rules below read are the types of this file.
#pragma once

#include "frame/bus.h"

namespace trel {

// The decoder boards other than Kestrel pass no flags with their I2C transfers.
inline constexpr u32 kNoI2cFlags = 0;

// A register table of a board: entries written in order, pointer and count.
struct RegisterList {
    const RegisterEntry* entries;
    u32 count;
};
template <size_t N>
constexpr RegisterList ListOf(const RegisterEntry (&table)[N]) {
    return {table, CountOf(table)};
}

// ---------------------------------------------------------------------------
// Picture values. Percentages are compared unsigned, so a negative value is out
// of range; hue is a signed value carried in a u32.
inline constexpr u32 kPercentMax = 100;
inline constexpr s32 kHueMin = -50;
inline constexpr s32 kHueMax = 50;

constexpr bool IsPercent(u32 value) { return value <= kPercentMax; }
constexpr bool IsHue(u32 value) {
    const s32 hue = static_cast<s32>(value);
    return hue >= kHueMin && hue <= kHueMax;
}

// A percentage spread over 0..fullScale of a register.
constexpr u8 ScalePercent(u32 percent, u32 fullScale) {
    return static_cast<u8>(percent * fullScale / kPercentMax);
}

// Hue -50..50 onto the decoders' signed hue byte, 127 steps each way. The
// negative side counts down from 255, not 256: -1 gives 0xFD and -50 gives
// 0x80, 50 gives 0x7F.
inline constexpr s32 kHueSteps = 127;
inline constexpr s32 kHueNegativeBase = 255;
constexpr u8 HueByte(u32 value) {
    const s32 hue = static_cast<s32>(value);
    const s32 scaled = hue * kHueSteps / kHueMax;
    return static_cast<u8>(hue >= 0 ? scaled : kHueNegativeBase + scaled);
}

// ---------------------------------------------------------------------------
// Source selection: the registers each of the two sources writes, in order.
struct DecoderSources {
    u8 address;
    RegisterList source[2];
};

// Records the source, then writes its settings (results not examined).
// Sources other than 0 and 1 are traced and refused; nothing changes.
[[nodiscard]] u32 SelectDecoderSource(const DecoderSources& sources, DecoderContext* context, void* device, u32 source);

// TV standard selection through one decoder register, one value per family,
// families tested NTSC, then PAL, then SECAM.
struct StandardRegister {
    u8 address;
    u16 reg;
    u8 ntsc;
    u8 pal;
    u8 secam;
};
// kKeepCurrent changes nothing; 0 is refused; a mask of no family is recorded
// without a write. A failed write keeps the old standard and answers
// kStatusBusFailure. A board whose decoder is not told the standard (no
// register: settings null) only records it.
[[nodiscard]] u32 SetDecoderStandard(const StandardRegister* settings, DecoderContext* context, void* device,
                                     u32 standard);

// GetVideoProperty of the decoder boards: the value is cleared and the index
// traced; source (0) and standard (0x1002) come from the context, the two
// status queries (0x1000, 0x1001) from one decoder register each, as
// ((byte AND mask) >> shift), inverted for a bit that is set while the
// condition does not hold. A failed read answers kStatusBusFailure with the
// value 0. The closing trace prints the status, or the value on boards that
// report it; an unknown index answers kStatusNotSupported without it.
struct StatusQuery {
    u16 reg;
    u8 mask;
    u8 shift;
    bool inverted;
};
struct DecoderStatus {
    u8 address;
    StatusQuery query[2];  // properties 0x1000 and 0x1001
    bool traceReturnsValue;
};
u32 GetDecoderProperty(const DecoderStatus& status, void* context, void* device, u32 index, u32* value);

// The status query alone (index 0x1000 or 0x1001): kStatusBusFailure when the
// read fails, *value then left as it was.
[[nodiscard]] u32 ReadDecoderStatus(const DecoderStatus& status, void* device, u32 index, u32* value, u32 flags);

// Set_Current_Video_InputID of the decoder boards: input 0 is source 1 and
// input 1 is source 0 (the inverse of CommonGetVideoInputType), selected as
// SelectDecoderSource does.
[[nodiscard]] u32 SelectVideoInput(const DecoderSources& sources, void* context, void* device, u32 inputId);

// The end of a decoder board's InitVideoSource: the source (index 0) and the
// standard (index 0x1002), either failure ending it with that status, then
// every entry of the property set with its index, results not examined.
[[nodiscard]] u32 ApplyVideoSettings(SetVideoPropertyFn set, void* context, void* device, u32 source, u32 standard,
                       const VideoPropertySet& properties);

}  // namespace trel
