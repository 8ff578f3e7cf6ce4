// Audio operations (see audio.h). Nothing here keeps state: every value comes
// from the call's arguments or the board context.
#include "audio/audio.h"

#include "chips/saa7115.h"
#include "frame/bus.h"

namespace trel {
namespace {

// Wave-format tags that select ADPCM.
constexpr u32 kFormatMsAdpcm = 2;
constexpr u32 kFormatImaAdpcm = 17;

// Sample rates, and the two audio clocks that serve them.
constexpr u32 kRate48000 = 48000;
constexpr u32 kRate44100 = 44100;
constexpr u32 kRate24000 = 24000;
enum class AudioClock { k48k, k44k1, kNone };

// What differs between the boards' audio configurations.
struct AudioVariant {
    bool tracesMissingConfig;  // the host-selected-rate boards
    bool accepts24k;           // 24000 is served by the 48 kHz clock (Heron II Reprise, Egret)
    u16 words4And5;            // 0 on the SAA7115 boards, 1 on the others
    u16 adpcmWord25;           // 1010 with an ADPCM tag on the data pump, else 256
};

// The SAA7115 boards (Heron I, Bittern, Kestrel).
constexpr AudioVariant kSaa7115Audio = {
    .tracesMissingConfig = false, .accepts24k = false, .words4And5 = 0, .adpcmWord25 = 256};
// Boards whose audio clock the host selects, with or without 24000.
constexpr AudioVariant kRateSelect24kAudio = {
    .tracesMissingConfig = true, .accepts24k = true, .words4And5 = 1, .adpcmWord25 = 256};
constexpr AudioVariant kRateSelectAudio = {
    .tracesMissingConfig = true, .accepts24k = false, .words4And5 = 1, .adpcmWord25 = 256};
// The data pump (Plover).
constexpr AudioVariant kDataPumpAudio = {
    .tracesMissingConfig = false, .accepts24k = false, .words4And5 = 1, .adpcmWord25 = 1010};

// 48000 and 44100 on every board; 24000 where the board takes it.
constexpr AudioClock ClockFor(const AudioVariant& variant, u32 sampleRate) {
    if (sampleRate == kRate48000 || (variant.accepts24k && sampleRate == kRate24000)) return AudioClock::k48k;
    if (sampleRate == kRate44100) return AudioClock::k44k1;
    return AudioClock::kNone;
}

void FillChipConfig(const AudioVariant& variant, AudioChipConfig* chip, const AudioConfig* audio) {
    if (audio == nullptr) {
        if (variant.tracesMissingConfig) Trace(kTraceNoAudioConfig);
        return;
    }
    if (chip == nullptr) return;
    u16* w = chip->word;
    switch (ClockFor(variant, audio->sampleRate)) {
        case AudioClock::k48k:
            w[0] = 2;
            w[1] = 8;
            break;
        case AudioClock::k44k1:
            w[0] = 1;
            w[1] = 4;
            break;
        case AudioClock::kNone: break;  // words 0 and 1 stay as the host gave them
    }
    w[2] = 0;
    w[3] = 0;
    w[4] = variant.words4And5;
    w[5] = variant.words4And5;
    w[6] = 1;
    w[7] = 0;
    w[8] = 0;
    w[9] = static_cast<u16>(audio->sampleParameter);
    w[10] = 1;
    w[11] = audio->modeSelect == 1 ? 1 : 0;
    for (u32 i = 12; i <= 22; ++i) w[i] = 0;
    const u32 tag = audio->formatTag;
    if (tag == kFormatMsAdpcm || tag == kFormatImaAdpcm) {
        Trace(kTraceAdpcm);
        w[23] = 1;
        w[24] = 0;
        w[25] = variant.adpcmWord25;
        if (tag == kFormatMsAdpcm) w[24] = 1;
    } else {
        w[23] = 0;
        w[24] = 0;
        w[25] = 256;
    }
    w[26] = 0;
    w[27] = 16;
    w[28] = 16;
    w[29] = 256;
    w[30] = 256;
    w[31] = 0;
    w[32] = 0;
}

// DeviceControl selector 0 picks the board's audio clock: 1 for the 48 kHz
// clock, 0 for 44.1 kHz.
constexpr u32 kSelectAudioClock = 0;
constexpr u32 kAudioClock48k = 1;
constexpr u32 kAudioClock44k1 = 0;

u32 RateSelect(const AudioVariant& variant, void* device, const AudioConfig* audio) {
    if (audio == nullptr) return kStatusInvalid;
    const AudioClock clock = ClockFor(variant, audio->sampleRate);
    if (clock == AudioClock::kNone) return kStatusSuccess;
    const u32 value = clock == AudioClock::k48k ? kAudioClock48k : kAudioClock44k1;
    Unchecked(BusDeviceControl(device, kSelectAudioClock, value));
    return kStatusSuccess;
}

}  // namespace

void GetAudioChipconfigSaa7115(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kSaa7115Audio, chip, audio);
}
void GetAudioChipconfigRateSelect24k(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kRateSelect24kAudio, chip, audio);
}
void GetAudioChipconfigRateSelect(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kRateSelectAudio, chip, audio);
}
void GetAudioChipconfigDataPump(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kDataPumpAudio, chip, audio);
}

// The decoder's audio clock follows the board's current standard; write
// results are not examined.
u32 InitAudioSaa7115Clock(void* context, void* device, const AudioConfig* audio) {
    if (context == nullptr) return kStatusInvalid;
    const u32 standard = static_cast<const DecoderContext*>(context)->tvStandard;
    if (standard == 0) return kStatusBusFailure;
    if (!saa7115::HasAudioClock(standard)) return kStatusSuccess;
    if (audio == nullptr) return kStatusInvalid;
    saa7115::WriteAudioClock(device, standard, audio->sampleRate, 0);
    return kStatusSuccess;
}

u32 InitAudioRateSelect24k(void*, void* device, const AudioConfig* audio) {
    return RateSelect(kRateSelect24kAudio, device, audio);
}

u32 InitAudioRateSelect(void*, void* device, const AudioConfig* audio) {
    return RateSelect(kRateSelectAudio, device, audio);
}

}  // namespace trel
