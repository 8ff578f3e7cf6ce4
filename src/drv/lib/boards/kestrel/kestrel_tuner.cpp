// Kestrel tuner: tuner module (0xC2) and IF demodulator (0x86) per TV standard
// group or FM radio, the tuning word with its bands and IF figures, and the
// kernel-streaming tuner properties the host reads and sets.
#include "boards/kestrel/kestrel.h"

namespace trel::kestrel {

void WriteTunerControl(void* device, u8 control, u8 value) {
    const u8 header[1] = {kTuner};
    const u8 data[2] = {control, value};
    BusWriteSubaddress(device, header, 1, data, 2, kFlags);
}

void WriteIfDemodulator(void* device, u8 first, u8 second, u8 third) {
    const u8 header[2] = {kIfDemod, 0x00};
    const u8 data[3] = {first, second, third};
    BusWriteSubaddress(device, header, 2, data, 3, kFlags);
}

void WriteTuningWord(void* device, u8 control, u8 band, u16 divider) {
    const u8 word[4] = {control, band, static_cast<u8>(divider >> 8), static_cast<u8>(divider)};
    BusWriteBuffer(device, kTuner, word, 4, kFlags);
}

namespace {

// ---------------------------------------------------------------------------
// TV reception per standard group: the IF demodulator's three bytes. The first
// group with a bit of the standard wins.
struct IfGroup {
    u32 bits;
    const char* trace;
    u8 bytes[3];
};
constexpr IfGroup kIfGroups[] = {
    {kPalB | kPalG | kSecamB | kSecamG, "Set Tuner Mode B/G", {0x16, 0x74, 0x49}},
    {kPalI, "Set Tuner Mode PAL/I", {0x16, 0x74, 0x4A}},
    {kSoundDK, "Set Tuner Mode D/K", {0x16, 0x74, 0x4B}},
    {kSecamL, "Set Tuner Mode SECAM L", {0x06, 0x50, 0x4B}},
    {kSecamL1, "Set Tuner Mode SECAM L'", {0x86, 0x50, 0x53}},
    {kNtscM | kPalM | kPalN, "Set Tuner Mode M/N", {0x16, 0x30, 0x44}},
    {kNtscMJ, "Set Tuner Mode NTSC_MJ", {0x12, 0x30, 0x40}},
};

// High byte of the TV-audio demodulator setting 10:0030 (low byte 0x43);
// first match wins, 0x00 when none matches.
struct SoundSystem {
    u32 bits;
    u8 high;
};
constexpr SoundSystem kSoundSystems[] = {
    {kNtscM, 0x20}, {kNtscMJ, 0x40}, {kSecamLAny, 0x60}, {kSoundDK, 0x70}};

// Country code whose 12:000E setting differs from the standard's.
constexpr u32 kCountryWith000E20 = 86;

u32 SetTvReception(KestrelContext* context, void* device) {
    const u32 standard = context->tunerStandard;
    const u8 control = (standard & kSecamLAny) != 0 ? 0x50 : (standard & kNtscM) != 0 ? 0x30 : 0x40;
    WriteTunerControl(device, 0xDE, control);

    // A standard in no group (NTSC-4.43, PAL-H, PAL-60, SECAM-H) gets no IF
    // demodulator setting; the TV-audio settings still follow.
    for (const IfGroup& group : kIfGroups) {
        if ((standard & group.bits) == 0) continue;
        Trace(group.trace);
        WriteIfDemodulator(device, group.bytes[0], group.bytes[1], group.bytes[2]);
        break;
    }

    u8 sound = 0x00;
    for (const SoundSystem& system : kSoundSystems) {
        if ((standard & system.bits) != 0) {
            sound = system.high;
            break;
        }
    }
    WriteTvAudio(device, {0x10, 0x0030, static_cast<u16>(sound << 8 | 0x43)});

    const u8 carrier = context->country == kCountryWith000E20 ? 0x20 : (standard & kSecamL) != 0 ? 0x7C : 0x24;
    WriteTvAudio(device, {0x12, 0x000E, static_cast<u16>(carrier << 8)});
    return kStatusSuccess;
}

u32 SetFmReception(KestrelContext* context, void* device) {
    const bool mono = (context->tvAudioMode & kAudioStereo) == 0;
    Trace("Set Tuner Mode FM Radio");
    WriteTunerControl(device, 0x98, 0x40);
    WriteTunerControl(device, kFmControl, FmTunerByte(mono));
    WriteIfDemodulator(device, 0x0A, FmIfByte(mono), 0x20);
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
    {kNtscM,
     4575,
     {{0x01, 55'250'000, 159'999'999}, {0x02, 160'000'000, 441'999'999}, {0x04, 442'000'000, 801'250'000}}},
    {kNtscMJ,
     5875,
     {{0x01, 91'250'000, 159'999'999}, {0x02, 160'000'000, 441'999'999}, {0x04, 442'000'000, 765'250'000}}},
};
constexpr u8 kTvTuningControl = 0xCE;
constexpr u32 kFmIfFigure = 1070;
constexpr u32 kKeepFrequency = 0xFFFFFFFF;

const TvTuning* FindTvTuning(u32 standard) {
    for (const TvTuning& tuning : kTvTunings) {
        if ((standard & tuning.bits) != 0) return &tuning;
    }
    return nullptr;
}

}  // namespace

u32 SetTunerMode(KestrelContext* context, void* device, u32 mode) {
    switch (mode) {
        case kModeTv: return SetTvReception(context, device);
        case kModeFm: return SetFmReception(context, device);
        default: return kStatusNotSupported;
    }
}

u32 SetFrequency(KestrelContext* context, void* device, u32 frequency) {
    u32 ifFigure = 0;
    if (context->tunerMode == kModeTv) {
        if (frequency == kKeepFrequency) return kStatusSuccess;
        // A standard without IF figure and bands cannot be tuned.
        const TvTuning* tuning = FindTvTuning(context->tunerStandard);
        if (tuning == nullptr) return kStatusNotSupported;
        const Band* band = nullptr;
        for (const Band& candidate : tuning->bands) {
            if (frequency >= candidate.low && frequency <= candidate.high) {
                band = &candidate;
                break;
            }
        }
        if (band == nullptr) return kStatusNotSupported;
        ifFigure = tuning->ifFigure;
        const u32 divider = ((frequency / 10000 + ifFigure) * 16) / 100;
        WriteTuningWord(device, kTvTuningControl, band->byte, static_cast<u16>(divider));
    } else if (context->tunerMode == kModeFm) {
        // FM: 50 kHz steps above the 10.7 MHz IF; any frequency is sent.
        ifFigure = kFmIfFigure;
        const u32 divider = ((frequency / 10000 + ifFigure) * 20) / 100;
        WriteTuningWord(device, kFmControl, FmTunerByte((context->tvAudioMode & kAudioMono) != 0),
                        static_cast<u16>(divider));
    } else {
        return kStatusNotSupported;
    }
    Trace("Set Frequency %d, VIF = %d", static_cast<s32>(frequency), static_cast<s32>(ifFigure));
    return kStatusSuccess;
}

// ---------------------------------------------------------------------------
// Tuner properties (ids of the kernel-streaming tuner property set).
namespace {

constexpr u32 kPropCaps = 0;
constexpr u32 kPropModeCaps = 1;
constexpr u32 kPropMode = 2;
constexpr u32 kPropStandard = 3;
constexpr u32 kPropFrequency = 4;
constexpr u32 kPropInput = 5;
constexpr u32 kPropStatus = 6;
constexpr u32 kPropAudioModesA = 8;
constexpr u32 kPropAudioModesB = 9;
constexpr u32 kPropAudioMode = 10;

constexpr u32 kTunerCaps = kModeTv | kModeFm;
constexpr u32 kStrategyDriverTunes = 4;
constexpr u32 kSignalStrength = 100;
constexpr u32 kReportedTuningFlags = 3;

// Mode capabilities after the mode field: standards (TV only), minimum and
// maximum frequency, granularity, inputs, settling time (ms), strategy.
constexpr u32 kTvModeCaps[7] = {0xFFFF7, 55'250'000, 997'250'000, 62'500, 1, 300, kStrategyDriverTunes};
constexpr u32 kFmModeCaps[6] = {88'100'000, 107'900'000, 200'000, 1, 500, kStrategyDriverTunes};

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

// What each id reads or writes through, checked before anything happens.
bool UsesValue(u32 id) {
    return id == kPropCaps || id == kPropMode || id == kPropStandard || id == kPropInput ||
           id == kPropAudioModesA || id == kPropAudioModesB || id == kPropAudioMode;
}

}  // namespace

u32 GetTunerProperty(void* context, void* device, u32 id, u32* value, u32* record) {
    if (id == 7 || id > kPropAudioMode) return kStatusNotSupported;
    if (UsesValue(id) && value == nullptr) return kStatusInvalid;
    if (id == kPropCaps) {
        *value = kTunerCaps;
        return kStatusSuccess;
    }
    if (id == kPropModeCaps) return GetModeCaps(record);
    if (id == kPropAudioModesA || id == kPropAudioModesB) return GetTVAudioModes(device, value);
    if (context == nullptr) return kStatusInvalid;
    const KestrelContext& c = *AsContext(context);
    switch (id) {
        case kPropMode: *value = c.tunerMode; break;
        case kPropStandard: *value = c.tunerStandard; break;
        case kPropInput: *value = c.tunerInput; break;
        case kPropAudioMode: *value = c.tvAudioMode; break;
        case kPropFrequency: {
            if (record == nullptr) return kStatusInvalid;
            const u32 frequency[kTunerFrequencyFields] = {
                c.frequency, c.lastFrequency, kReportedTuningFlags, 0, 0, c.channel, c.country};
            CopyBytes(record, frequency, sizeof(frequency));
            break;
        }
        case kPropStatus: {
            if (record == nullptr) return kStatusInvalid;
            const u32 status[kTunerStatusFields] = {c.frequency, 0, kSignalStrength, c.tunerBusy};
            CopyBytes(record, status, sizeof(status));
            break;
        }
        default: break;
    }
    return kStatusSuccess;
}

u32 SetTunerProperty(void* context, void* device, u32 id, u32 value, u32* record) {
    if (id != kPropMode && id != kPropFrequency && id != kPropInput && id != kPropAudioMode) {
        return kStatusNotSupported;
    }
    if (id == kPropInput) return value == 0 ? kStatusSuccess : kStatusNotSupported;
    if (context == nullptr) return kStatusInvalid;
    KestrelContext* c = AsContext(context);
    switch (id) {
        case kPropMode:
            if (value != kModeTv && value != kModeFm) return kStatusNotSupported;
            if (SetTunerMode(c, device, value) == kStatusSuccess) c->tunerMode = value;
            // The routing follows the new mode (FM radio or TV sound).
            SetAudioSource(c, device, c->audioSource != 0 ? kAudioFromLine : kAudioFromTuner);
            return kStatusSuccess;
        case kPropFrequency:
            if (record == nullptr) return kStatusInvalid;
            if (SetFrequency(c, device, record[0]) == kStatusSuccess) {
                c->frequency = record[0];
                c->lastFrequency = record[1];
                c->tuningFlags = record[2];
                c->channel = record[5];
                c->country = record[6];
            }
            if (c->tunerMode == kModeTv && c->audioSource == kAudioFromTuner) {
                SetTVAudioMode(c, device, c->tvAudioMode);
            }
            return kStatusSuccess;
        default:  // kPropAudioMode
            if (SetTVAudioMode(c, device, value) == kStatusSuccess) c->tvAudioMode = value;
            return kStatusSuccess;
    }
}

}  // namespace trel::kestrel
