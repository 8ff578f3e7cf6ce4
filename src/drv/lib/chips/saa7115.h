// SAA7115 video decoder: what every board built round it shares (Heron I,
// Bittern, Kestrel). Register names, the set-up table (one table, boards give
// their few differing entries as data), the TV-standard register lists, the
// picture controls and status queries of the SAA711x family (saa711x.h), the
// VBI line services, the capture scaler, the audio clock and the three format
// records. Every function that reaches the decoder takes the I2C flags of the
// board (0 on most boards, 0x8000 on Kestrel) and passes them on every
// transfer.
#pragma once

#include "chips/saa711x.h"
#include "frame/formats.h"

namespace trel::saa7115 {

// I2C address byte (write form).
inline constexpr u8 kAddress = 0x40;

// ---------------------------------------------------------------------------
// Registers.
using saa711x::kRegAnalogInput;
using saa711x::kRegLumaControl;
// VBI slicer line control: the register for line n is kRegLineControlBase + n,
// for lines 2 to 24 (0x41 to 0x57).
inline constexpr u16 kRegLineControlBase = 0x3F;
inline constexpr u16 kRegCgmsNtscLine = 0x53;    // line 20
inline constexpr u16 kRegCaptionLine = 0x54;     // line 21
inline constexpr u16 kRegCgmsPalLine = 0x56;     // line 23

// The scaler has two register banks that capture programs alike: the first at
// 0x90 to 0xBF and its twin 0x30 higher (0xC0 to 0xEF).
inline constexpr u16 kScalerBankOffset = 0x30;
inline constexpr u16 kRegOutputWidthLow = 0x9C;     // pixels per line delivered
inline constexpr u16 kRegOutputWidthHigh = 0x9D;
inline constexpr u16 kRegOutputWindowLow = 0x9E;    // lines per field delivered (window)
inline constexpr u16 kRegOutputWindowHigh = 0x9F;
inline constexpr u16 kRegPrescaler = 0xA0;          // horizontal prescale ratio
inline constexpr u16 kRegAccumulation = 0xA1;
inline constexpr u16 kRegPrescaleDcGain = 0xA2;
inline constexpr u16 kRegLumaHIncLow = 0xA8;        // horizontal increments, 1024 = 1:1
inline constexpr u16 kRegLumaHIncHigh = 0xA9;
inline constexpr u16 kRegChromaHIncLow = 0xAC;
inline constexpr u16 kRegChromaHIncHigh = 0xAD;
inline constexpr u16 kRegLumaVIncLow = 0xB0;        // vertical increments, 1024 = 1:1
inline constexpr u16 kRegLumaVIncHigh = 0xB1;
inline constexpr u16 kRegChromaVIncLow = 0xB2;
inline constexpr u16 kRegChromaVIncHigh = 0xB3;

// Widest line the scaler takes in: capture widths run from 1 to this.
inline constexpr u32 kMaxWidth = 720;

// ---------------------------------------------------------------------------
// Set-up table. The boards share one 145-entry table; a board lists the
// entries where its value differs (each register in such a delta occurs once
// in the table). The table programs both scaler banks for a full-size frame.
inline constexpr u32 kSetupEntries = 145;
inline constexpr RegisterEntry kSetupTable[kSetupEntries] = {
    {0x01, 0x08}, {0x02, 0xC9}, {0x03, 0x20}, {0x04, 0x80}, {0x05, 0x80}, {0x06, 0xEB}, {0x07, 0xE0},
    {0x08, 0xF0}, {0x09, 0x80}, {0x0A, 0x80}, {0x0B, 0x40}, {0x0C, 0x40}, {0x0D, 0x00}, {0x0E, 0x03},
    {0x0F, 0x2A}, {0x10, 0x0E}, {0x11, 0x00}, {0x12, 0x8D}, {0x13, 0x00}, {0x14, 0x00}, {0x15, 0x11},
    {0x16, 0x01}, {0x17, 0xDA}, {0x18, 0x40}, {0x19, 0x80}, {0x1A, 0x00}, {0x1B, 0x42}, {0x1C, 0xA9},
    // Audio clock: cycles per field and nominal increment for 48 kHz at 59.94 Hz.
    {0x30, 0x66}, {0x31, 0x90}, {0x32, 0x01}, {0x34, 0x00}, {0x35, 0x00}, {0x36, 0x20},
    {0x38, 0x03}, {0x39, 0x20}, {0x3A, 0x88},
    // VBI slicer: every line 2 to 24 off.
    {0x40, 0x00}, {0x41, 0xFF}, {0x42, 0xFF}, {0x43, 0xFF}, {0x44, 0xFF}, {0x45, 0xFF}, {0x46, 0xFF},
    {0x47, 0xFF}, {0x48, 0xFF}, {0x49, 0xFF}, {0x4A, 0xFF}, {0x4B, 0xFF}, {0x4C, 0xFF}, {0x4D, 0xFF},
    {0x4E, 0xFF}, {0x4F, 0xFF}, {0x50, 0xFF}, {0x51, 0xFF}, {0x52, 0xFF}, {0x53, 0xFF}, {0x54, 0xFF},
    {0x55, 0xFF}, {0x56, 0xFF}, {0x57, 0xFF}, {0x58, 0x40}, {0x59, 0x47}, {0x5A, 0x06}, {0x5B, 0x83},
    {0x5D, 0x06}, {0x5E, 0x00},
    {0x80, 0x30}, {0x81, 0x03}, {0x83, 0x00}, {0x84, 0x00}, {0x85, 0x00}, {0x86, 0x45}, {0x87, 0x31},
    // 0x88 is written twice: 0xC0 here, before the scaler banks, 0xF0 as the last entry.
    {0x88, 0xC0},
    // Scaler, first bank.
    {0x90, 0x02}, {0x91, 0x08}, {0x92, 0x09}, {0x93, 0x80}, {0x94, 0x02}, {0x95, 0x00}, {0x96, 0xD0},
    {0x97, 0x02}, {0x98, 0x10}, {0x99, 0x00}, {0x9A, 0xF2}, {0x9B, 0x00}, {0x9C, 0xD0}, {0x9D, 0x02},
    {0x9E, 0xF2}, {0x9F, 0x00}, {0xA0, 0x01}, {0xA1, 0x00}, {0xA2, 0x00}, {0xA4, 0x80}, {0xA5, 0x40},
    {0xA6, 0x40}, {0xA8, 0x00}, {0xA9, 0x04}, {0xAA, 0x00}, {0xAC, 0x00}, {0xAD, 0x02}, {0xAE, 0x00},
    {0xB0, 0x00}, {0xB1, 0x04}, {0xB2, 0x00}, {0xB3, 0x04}, {0xB4, 0x00}, {0xB8, 0x00},
    {0xBC, 0x00},  // no twin at 0xEC
    // Second bank: the same values, but 0xC0 = 03 against 0x90 = 02.
    {0xC0, 0x03}, {0xC1, 0x08}, {0xC2, 0x09}, {0xC3, 0x80}, {0xC4, 0x02}, {0xC5, 0x00}, {0xC6, 0xD0},
    {0xC7, 0x02}, {0xC8, 0x10}, {0xC9, 0x00}, {0xCA, 0xF2}, {0xCB, 0x00}, {0xCC, 0xD0}, {0xCD, 0x02},
    {0xCE, 0xF2}, {0xCF, 0x00}, {0xD0, 0x01}, {0xD1, 0x00}, {0xD2, 0x00}, {0xD4, 0x80}, {0xD5, 0x40},
    {0xD6, 0x40}, {0xD8, 0x00}, {0xD9, 0x04}, {0xDA, 0x00}, {0xDC, 0x00}, {0xDD, 0x02}, {0xDE, 0x00},
    {0xE0, 0x00}, {0xE1, 0x04}, {0xE2, 0x00}, {0xE3, 0x04}, {0xE4, 0x00}, {0xE8, 0x00},
    {0x88, 0xF0},
};

using SetupDelta = RegisterList;

// True when every register of the delta occurs exactly once in the table (for
// the boards' static_asserts).
constexpr bool IsValidDelta(const RegisterEntry* entries, u32 count);

// Writes the set-up table in order with the board's values; the first failed
// write ends it with kStatusBusFailure (later entries are not written).
[[nodiscard]] u32 WriteSetupTable(void* device, const SetupDelta& delta, u32 flags);

// ---------------------------------------------------------------------------
// TV standards. A mask with a bit of the NTSC family (0xA07) selects the
// 525-line settings, tested first; else one with a PAL (0x5F0) or SECAM
// (0xFF000) bit the 625-line settings; else none.
enum class LineSystem { k525, k625, kNone };
LineSystem StandardLines(u32 standard);

// One register list per line system, written whole whatever each write
// returns. The SAA7115 boards' standard list is 13 writes; a board may keep
// lists of its own (Bittern).
struct StandardLists {
    const RegisterEntry* lines525;
    const RegisterEntry* lines625;
    u32 count;
};
// Written top to bottom: the input windows give 242 (525) or 288 (625) lines
// per field, low byte first, in both banks; 0x88 brackets the scaler writes.
inline constexpr RegisterEntry kStandard525[] = {
    {0x88, 0xC0}, {0x98, 0x10}, {0x9A, 0xF2}, {0x9B, 0x00}, {0x9E, 0xF2}, {0x9F, 0x00}, {0xC8, 0x10},
    {0xCA, 0xF2}, {0xCB, 0x00}, {0xCE, 0xF2}, {0xCF, 0x00}, {0x88, 0xF0}, {0x5A, 0x06},
};
inline constexpr RegisterEntry kStandard625[] = {
    {0x88, 0xC0}, {0x98, 0x16}, {0x9A, 0x20}, {0x9B, 0x01}, {0x9E, 0x20}, {0x9F, 0x01}, {0xC8, 0x16},
    {0xCA, 0x20}, {0xCB, 0x01}, {0xCE, 0x20}, {0xCF, 0x01}, {0x88, 0xF0}, {0x5A, 0x03},
};
static_assert(CountOf(kStandard525) == CountOf(kStandard625));
inline constexpr StandardLists kStandardLists = {kStandard525, kStandard625, CountOf(kStandard525)};

// Writes the list for the standard's line system (nothing for kNone) and
// returns the OR of the write results.
[[nodiscard]] u32 WriteStandardList(void* device, const StandardLists& lists, LineSystem lines, u32 flags);

// ---------------------------------------------------------------------------
// Picture controls of the SAA711x family (saa711x.h): brightness, contrast,
// hue and saturation. Any other index gives kStatusNotSupported and a value
// out of range kStatusInvalid, both without a write; otherwise the host's
// I2cWrite result, unchanged.
using saa711x::IsPictureControl;
[[nodiscard]] inline u32 SetPictureControl(void* device, u32 index, u32 value, u32 flags) {
    return saa711x::SetPictureControl(device, kAddress, index, value, flags);
}

// ---------------------------------------------------------------------------
// VBI line services (property 0x1003): 1 CGMS NTSC, 2 CGMS PAL, 3 closed
// caption, 5 and 6 WST625 (lines 6 to 22); 4, 7, 8 and 9 are accepted and do
// nothing; 0 and above 9 give kStatusNotSupported. Write results are not
// reported. The WST625 slicer value differs between boards.
struct VbiValues {
    u8 wst625On;
};
[[nodiscard]] u32 SetVbiService(void* device, u32 service, u32 enable, const VbiValues& values, u32 flags);

// ---------------------------------------------------------------------------
// Status queries 0x1000 and 0x1001 of the SAA711x family (saa711x.h). A
// failed read gives kStatusBusFailure and leaves *value alone.
inline constexpr DecoderStatus kStatusQueries = saa711x::StatusQueries(kAddress);
bool IsStatusQuery(u32 index);
[[nodiscard]] u32 ReadStatusQuery(void* device, u32 index, u32* value, u32 flags);

// ---------------------------------------------------------------------------
// Capture start: programs the scaler for the configuration's size and writes
// the CaptureConfig fields that go with each step (hOffset, vOffset,
// widthDoubled, heightDoubled, sizeFlag3). Horizontal scaling always; vertical
// frame scaling when more lines than one field holds are asked for; otherwise
// the fixed single-field settings of 144 and 240 (525 lines) or 144 and 288
// (625 lines) lines. A mask of no family writes nothing and returns 0. A
// family mask with a width of 0 or above 720 (no prescale ratio exists) gives
// kStatusInvalid with nothing written and the configuration untouched. Write
// results are not reported.
[[nodiscard]] u32 ProgramScaler(void* device, CaptureConfig* config, u32 flags);

// ---------------------------------------------------------------------------
// Audio clock: registers 0x30 to 0x32 hold, least significant byte first, the
// audio master clock cycles per video field, 0x34 to 0x36 the clock's nominal
// increment, for a master clock of 128 times the sample rate. Two groups of
// standards have a clock: 525 lines (0xA07), tested first, and the 625-line
// PAL standards (0x5F0); a SECAM standard has none.
bool HasAudioClock(u32 standard);
// Writes the six registers (0x30, 0x31, 0x32, 0x34, 0x35, 0x36) for the
// standard's group at 48000 or 44100 samples per second; any other rate, or a
// standard of neither group, writes nothing. Results are not examined.
void WriteAudioClock(void* device, u32 standard, u32 sampleRate, u32 flags);

// ---------------------------------------------------------------------------
// The format records of every SAA7115 board, kept once in the module:
// "SAA7115 NTSC | PAL60", "SAA7115 PAL" and "SAA7115 SECAM", formatFlags bytes
// 344, 346 and 347.
// NOLINTNEXTLINE(bugprone-dynamic-static-initializers)
extern const DecoderFormats kFormats;
// GetVideoFormats of these boards: the three records; context and device are
// not used.
u32 GetVideoFormats(void* context, void* device, u32* count, VideoFormat* formats);

// ---------------------------------------------------------------------------
// Start-up of an SAA7115 board once the recorded source and standard have
// replaced 0xFFFFFFFF: the set-up table (kStatusBusFailure at its first failed
// write), the source through property 0 and the standard through property
// 0x1002 (a non-zero status of either ends it), then entries 1 to 17 of the
// property set through the board's SetVideoProperty, statuses ignored (only
// 1, 3, 5 and 7 reach the decoder; the others are only traced). The steps
// after the table are the decoder boards' ApplyVideoSettings.
// What a board brings to the start-up: its set-up differences, its
// SetVideoProperty and its bus flags (part of the board's constant record, so
// that the start-up takes its arguments in registers and hands over to the
// property steps without a frame of its own).
struct DecoderStart {
    SetupDelta delta;
    SetVideoPropertyFn setVideoProperty;
    u32 flags;
};
[[nodiscard]] u32 StartDecoder(void* context, void* device, u32 standard, u32 source,
                 const VideoPropertySet& properties, const DecoderStart& start);

// ---------------------------------------------------------------------------
constexpr bool IsValidDelta(const RegisterEntry* entries, u32 count) {
    for (u32 i = 0; i < count; ++i) {
        u32 found = 0;
        for (u32 j = 0; j < kSetupEntries; ++j) {
            if (kSetupTable[j].reg == entries[i].reg) ++found;
        }
        if (found != 1) return false;
    }
    return true;
}

}  // namespace trel::saa7115
