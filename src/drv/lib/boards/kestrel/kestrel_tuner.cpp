// Kestrel tuner: the tuner module (0xC2) and IF demodulator (0x86). TV
// reception per standard group, FM reception and sound mode, the tuning word
// with its bands and IF figures, and the tuner's mode capabilities. No result
// of these writes is examined.
#include "boards/kestrel/kestrel_tuner.h"

#include "boards/kestrel/kestrel_tv_audio.h"

namespace trel::kestrel {
namespace {

constexpr u8 kTuner = 0xC2;    // tuner module
constexpr u8 kIfDemod = 0x86;  // IF demodulator

// Control write: address block [C2], a control byte and one further byte.
void WriteTunerControl(void* device, u8 control, u8 value) {
    const u8 header[1] = {kTuner};
    const u8 data[2] = {control, value};
    Unchecked(BusWriteSubaddress(device, header, 1, data, 2, kFlags));
}

// IF demodulator write: address block [86 00], three bytes.
void WriteIfDemodulator(void* device, u8 first, u8 second, u8 third) {
    const u8 header[2] = {kIfDemod, 0x00};
    const u8 data[3] = {first, second, third};
    Unchecked(BusWriteSubaddress(device, header, 2, data, 3, kFlags));
}

// Tuning word: a four-byte buffer to C2, control byte, band or mode byte,
// divider high and low byte.
void WriteTuningWord(void* device, u8 control, u8 band, u16 divider) {
    const u8 word[4] = {control, band, static_cast<u8>(divider >> 8), static_cast<u8>(divider)};
    Unchecked(BusWriteBuffer(device, kTuner, word, 4, kFlags));
}

// A byte chosen by the first row whose bits the standard has.
struct StandardByte {
    u32 bits;
    u8 byte;
};
template <size_t N>
u8 FirstMatch(const StandardByte (&rows)[N], u32 standard, u8 otherwise) {
    for (const StandardByte& row : rows) {
        if ((standard & row.bits) != 0) return row.byte;
    }
    return otherwise;
}

// ---------------------------------------------------------------------------
// FM radio: mono or stereo. The host drives three entry points with the same
// TV-audio flags, and each decides by its own rule; they disagree when the
// flags have both bits or neither (0x03: a mono sound mode and tuning word
// but a stereo reception set-up; 0x10: the reverse). The host's FM sessions
// rely on exactly these answers, so the rules stay three, never one.

// The sound mode (tuner property 10 with the flags the host passes; capture
// start with the recorded ones): mono when the flags have the mono bit.
constexpr bool SoundModeIsMono(u32 flags) { return (flags & kAudioMono) != 0; }

// Reception set-up (tuner mode FM, also at capture start): mono unless the
// recorded flags have the stereo bit.
constexpr bool ReceptionIsMono(u32 recordedFlags) { return (recordedFlags & kAudioStereo) == 0; }

// The tuning word (frequency property, capture start): mono when the recorded
// flags have the mono bit.
constexpr bool TuningWordIsMono(u32 recordedFlags) { return (recordedFlags & kAudioMono) != 0; }

// The mono or stereo bytes: the tuner's FM control pair [88 x] (also the first
// two bytes of the FM tuning word) and the IF demodulator's [0A x 20], with
// the trace of the sound mode.
constexpr u8 kFmControl = 0x88;
struct FmBytes {
    u8 tuner;
    u8 ifDemod;
    TraceMessage<> soundTrace;
};
constexpr FmBytes kFmMono = {0x59, 0x30, "Set FM RADIO MONO"};
constexpr FmBytes kFmStereo = {0x19, 0x90, "Set FM RADIO STEREO"};
constexpr const FmBytes& FmBytesFor(bool mono) { return mono ? kFmMono : kFmStereo; }

constexpr TraceMessage<> kTraceTunerModeFm{"Set Tuner Mode FM Radio"};

void WriteFmIfDemodulator(void* device, const FmBytes& fm) { WriteIfDemodulator(device, 0x0A, fm.ifDemod, 0x20); }

u32 SetFmReception(const KestrelContext& context, void* device) {
    const FmBytes& fm = FmBytesFor(ReceptionIsMono(context.tvAudioMode));
    Trace(kTraceTunerModeFm);
    WriteTunerControl(device, 0x98, 0x40);
    WriteTunerControl(device, kFmControl, fm.tuner);
    WriteFmIfDemodulator(device, fm);
    return kStatusSuccess;
}

// ---------------------------------------------------------------------------
// TV reception per standard. Each byte has its own test of the standard bits.
constexpr u32 kSoundDK = kPalD | kSecamD | kSecamK | kSecamK1;
constexpr u32 kSecamLAny = kSecamL | kSecamL1;

// Tuner control [DE x]: 0x40 when no row matches.
constexpr u8 kTvControl = 0xDE;
constexpr StandardByte kTvControlBytes[] = {{kSecamLAny, 0x50}, {kStdNtscM, 0x30}};

// The IF demodulator's three bytes; the first group with a bit of the standard
// wins, and a standard in no group gets none.
struct IfGroup {
    u32 bits;
    TraceMessage<> trace;
    u8 bytes[3];
};
constexpr IfGroup kIfGroups[] = {
    {kPalB | kPalG | kSecamB | kSecamG, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}},
    {kPalI, "Set Tuner Mode PAL/I", {0x16, 0x74, 0x4A}},
    {kSoundDK, "Set Tuner Mode D/K", {0x16, 0x74, 0x4B}},
    {kSecamL, "Set Tuner Mode SECAM L", {0x06, 0x50, 0x4B}},
    {kSecamL1, "Set Tuner Mode SECAM L'", {0x86, 0x50, 0x53}},
    {kStdNtscM | kPalM | kPalN, "Set Tuner Mode M/N", {0x16, 0x30, 0x44}},
    {kNtscMJ, "Set Tuner Mode NTSC_MJ", {0x12, 0x30, 0x40}},
};

// The TV-audio decoder's sound system 10:0030: high byte by the standard
// (0x00 when no row matches), low byte 0x43.
constexpr StandardByte kSoundSystems[] = {
    {kStdNtscM, 0x20}, {kNtscMJ, 0x40}, {kSecamLAny, 0x60}, {kSoundDK, 0x70}};

// The TV-audio decoder's 12:000E high byte: the country of the last tuned
// frequency record decides first, then SECAM-L; 0x24 otherwise.
constexpr u32 kCountryWith000E20 = 86;
constexpr StandardByte kCarrierBytes[] = {{kSecamL, 0x7C}};
u8 CarrierByte(u32 country, u32 standard) {
    return country == kCountryWith000E20 ? 0x20 : FirstMatch(kCarrierBytes, standard, 0x24);
}

u32 SetTvReception(const KestrelContext& context, void* device) {
    const u32 standard = context.tunerStandard;
    WriteTunerControl(device, kTvControl, FirstMatch(kTvControlBytes, standard, 0x40));
    for (const IfGroup& group : kIfGroups) {
        if ((standard & group.bits) == 0) continue;
        Trace(group.trace);
        WriteIfDemodulator(device, group.bytes[0], group.bytes[1], group.bytes[2]);
        break;
    }
    const u8 soundSystem = FirstMatch(kSoundSystems, standard, 0x00);
    Unchecked(WriteTvAudio(device, {0x10, 0x0030, static_cast<u16>(soundSystem << 8 | 0x43)}));
    Unchecked(WriteTvAudio(device, {0x12, 0x000E, static_cast<u16>(CarrierByte(context.country, standard) << 8)}));
    return kStatusSuccess;
}

// ---------------------------------------------------------------------------
// Tuning. TV: the divider counts 62.5 kHz steps of the picture carrier plus
// the IF; the band byte selects the tuner's VHF-low, VHF-high or UHF section.
struct Band {
    u8 byte;
    u32 low;   // Hz, inclusive
    u32 high;  // Hz, inclusive
};
struct TvTuning {
    u32 bits;
    u32 ifFigure;  // 10 kHz units
    Band bands[3];
};
constexpr TvTuning kTvTunings[] = {
    {kStdPalFamily | kSecamB | kSecamD | kSecamG | kSecamK | kSecamK1 | kSecamL,
     3890,
     {{0x01, 45'750'000, 157'999'999}, {0x02, 160'000'000, 441'999'999}, {0x04, 442'000'000, 863'250'000}}},
    {kSecamL1,
     3395,
     {{0x01, 48'250'000, 157'999'999}, {0x02, 160'000'000, 441'999'999}, {0x04, 442'000'000, 863'250'000}}},
    {kStdNtscM,
     4575,
     {{0x01, 55'250'000, 159'999'999}, {0x02, 160'000'000, 441'999'999}, {0x04, 442'000'000, 801'250'000}}},
    {kNtscMJ,
     5875,
     {{0x01, 91'250'000, 159'999'999}, {0x02, 160'000'000, 441'999'999}, {0x04, 442'000'000, 765'250'000}}},
};
constexpr u8 kTvTuningControl = 0xCE;
constexpr u32 kFmIfFigure = 1070;  // 10.7 MHz
constexpr u32 kKeepFrequency = 0xFFFFFFFF;

// The frequency in Hz and the IF figure in 10 kHz units.
constexpr TraceMessage<s32, s32> kTraceSetFrequency{"Set Frequency %d, VIF = %d"};

// The row of the standard (null: no IF figure and no bands), then the band
// holding the frequency (null: outside every band).
const Band* FindTvBand(u32 standard, u32 frequency, u32* ifFigure) {
    for (const TvTuning& tuning : kTvTunings) {
        if ((standard & tuning.bits) == 0) continue;
        *ifFigure = tuning.ifFigure;
        for (const Band& band : tuning.bands) {
            if (frequency >= band.low && frequency <= band.high) return &band;
        }
        return nullptr;
    }
    return nullptr;
}

// Mode capabilities after the mode field: standards (TV only), minimum and
// maximum frequency, granularity, inputs, settling time (ms), strategy.
constexpr u32 kStrategyDriverTunes = 4;
constexpr u32 kTvModeCaps[7] = {0xFFFF7, 55'250'000, 997'250'000, 62'500, 1, 300, kStrategyDriverTunes};
constexpr u32 kFmModeCaps[6] = {88'100'000, 107'900'000, 200'000, 1, 500, kStrategyDriverTunes};

}  // namespace

u32 SetTunerMode(const KestrelContext& context, void* device, u32 mode) {
    switch (mode) {
        case kModeTv: return SetTvReception(context, device);
        case kModeFm: return SetFmReception(context, device);
        default: return kStatusNotSupported;
    }
}

u32 SetFrequency(const KestrelContext& context, void* device, u32 frequency) {
    u32 ifFigure = 0;
    if (context.tunerMode == kModeTv) {
        if (frequency == kKeepFrequency) return kStatusSuccess;
        const Band* band = FindTvBand(context.tunerStandard, frequency, &ifFigure);
        if (band == nullptr) return kStatusNotSupported;
        const u32 divider = ((frequency / 10000 + ifFigure) * 16) / 100;
        WriteTuningWord(device, kTvTuningControl, band->byte, static_cast<u16>(divider));
    } else if (context.tunerMode == kModeFm) {
        // FM: 50 kHz steps above the IF; any frequency is sent.
        ifFigure = kFmIfFigure;
        const u32 divider = ((frequency / 10000 + ifFigure) * 20) / 100;
        WriteTuningWord(device, kFmControl, FmBytesFor(TuningWordIsMono(context.tvAudioMode)).tuner,
                        static_cast<u16>(divider));
    } else {
        return kStatusNotSupported;
    }
    Trace(kTraceSetFrequency, frequency, ifFigure);
    return kStatusSuccess;
}

void SetFmSoundMode(void* device, u32 flags) {
    const FmBytes& fm = FmBytesFor(SoundModeIsMono(flags));
    WriteTunerControl(device, kFmControl, fm.tuner);
    Trace(fm.soundTrace);
    WriteFmIfDemodulator(device, fm);
}

u32 GetModeCaps(u32* record) {
    if (record == nullptr) return kStatusInvalid;
    if (record[0] == kModeTv) {
        CopyBytes(&record[1], kTvModeCaps, sizeof(kTvModeCaps));
    } else if (record[0] == kModeFm) {
        CopyBytes(&record[2], kFmModeCaps, sizeof(kFmModeCaps));  // the standards field stays
    } else {
        return kStatusNotSupported;
    }
    return kStatusSuccess;
}

}  // namespace trel::kestrel
