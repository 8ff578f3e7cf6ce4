// Audio operations (see audio.h). Nothing here keeps state: every value comes
// from the call's arguments or the board context.
#include "audio/audio.h"

#include "chips/saa7115.h"
#include "frame/bus.h"

namespace trel {
namespace {

constexpr u32 kFormatMsAdpcm = 2;
constexpr u32 kFormatImaAdpcm = 17;

// What differs between the boards' encoder audio configurations.
struct ChipConfigVariant {
    bool tracesMissingConfig;  // the host-selected-rate boards
    bool accepts24k;           // 24000 counts as 48000 (Heron II Reprise, Egret)
    u16 words4And5;            // 0 on the SAA7115 boards, 1 on the others
    u16 adpcmWord25;           // 1010 with an ADPCM tag on the data pump, else 256
};

// The SAA7115 boards (Heron I, Bittern, Kestrel).
constexpr ChipConfigVariant kSaa7115Config = {false, false, 0, 256};
// Boards whose audio clock the host selects, with or without 24000.
constexpr ChipConfigVariant kRateSelect24kConfig = {true, true, 1, 256};
constexpr ChipConfigVariant kRateSelectConfig = {true, false, 1, 256};
// The data pump (Plover).
constexpr ChipConfigVariant kDataPumpConfig = {false, false, 1, 1010};

void FillChipConfig(const ChipConfigVariant& variant, AudioChipConfig* chip, const AudioConfig* audio) {
    if (audio == nullptr) {
        if (variant.tracesMissingConfig) Trace(kTraceNoAudioConfig);
        return;
    }
    if (chip == nullptr) return;
    u16* w = chip->word;
    const u32 rate = audio->sampleRate;
    if (rate == 48000 || (variant.accepts24k && rate == 24000)) {
        w[0] = 2;
        w[1] = 8;
    } else if (rate == 44100) {
        w[0] = 1;
        w[1] = 4;
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
// family, 0 for 44.1 kHz.
u32 RateSelect(void* device, const AudioConfig* audio, bool accepts24k) {
    if (audio == nullptr) return kStatusInvalid;
    u32 value;
    if (audio->sampleRate == 48000 || (accepts24k && audio->sampleRate == 24000)) {
        value = 1;
    } else if (audio->sampleRate == 44100) {
        value = 0;
    } else {
        return kStatusSuccess;
    }
    Unchecked(BusDeviceControl(device, 0, value));
    return kStatusSuccess;
}

}  // namespace

void GetAudioChipconfigSaa7115(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kSaa7115Config, chip, audio);
}
void GetAudioChipconfigRateSelect24k(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kRateSelect24kConfig, chip, audio);
}
void GetAudioChipconfigRateSelect(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kRateSelectConfig, chip, audio);
}
void GetAudioChipconfigDataPump(void*, void*, AudioChipConfig* chip, const AudioConfig* audio) {
    FillChipConfig(kDataPumpConfig, chip, audio);
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
    return RateSelect(device, audio, true);
}

u32 InitAudioRateSelect(void*, void* device, const AudioConfig* audio) {
    return RateSelect(device, audio, false);
}

}  // namespace trel
