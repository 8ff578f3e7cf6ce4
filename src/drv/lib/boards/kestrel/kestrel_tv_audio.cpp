// Kestrel TV audio: the TV-audio decoder (0x80), in the notation S:RRRR = VVVV
// of kestrel_tv_audio.h. Reads go through subaddress 0x11 and return two
// bytes, high byte first.
#include "boards/kestrel/kestrel_tv_audio.h"

namespace trel::kestrel {
namespace {

constexpr u8 kTvAudio = 0x80;
constexpr u8 kTvAudioRead = 0x11;

// Two read registers.
constexpr u16 kStandardResult = 0x007E;
constexpr u16 kAudioStatus = 0x0200;

// Audio routing.
constexpr TraceMessage<> kTraceAudioMute{"+_+_+_+_+_Set Audio Mute+_+_+_+_+_+_"};
constexpr TraceMessage<> kTraceAudioFromFmRadio{"Set Audio Source FM RADIO"};
constexpr TraceMessage<> kTraceAudioFromTvTuner{"Set Audio Source TV Tuner"};
constexpr TraceMessage<> kTraceAudioFromLine{"Set Audio Source LINE In"};
constexpr TraceMessage<s32> kTraceUnknownAudioSource{"Error:Unknown Audio Source %d!!!"};
// A read register's high and low byte.
constexpr TraceMessage<u32, u32> kTraceStandardResult{"Standard Result Reg : %x, %x!!!"};
constexpr TraceMessage<u32, u32> kTraceAudioStatus{"Audio Status Reg : %x, %x!!!"};

void WriteTvAudioList(void* device, const TvAudioWrite* writes, u32 count) {
    for (u32 i = 0; i < count; ++i) Unchecked(WriteTvAudio(device, writes[i]));
}
template <size_t N>
void WriteTvAudioList(void* device, const TvAudioWrite (&writes)[N]) {
    WriteTvAudioList(device, writes, static_cast<u32>(N));
}

// Reads 11:RRRR; bytes[0] is the high byte. A failure leaves bytes as they were.
u32 ReadTvAudio(void* device, u16 reg, u8 (&bytes)[2]) {
    const u8 header[4] = {kTvAudio, kTvAudioRead, static_cast<u8>(reg >> 8), static_cast<u8>(reg)};
    return BusReadSubaddress(device, header, 4, bytes, 2, kFlags);
}

// Reset, then the start values.
constexpr TvAudioWrite kStart[] = {
    {kTvAudioControl, 0, 0x8000},  // reset
    {kTvAudioControl, 0, 0x0000},
    {0x10, 0x0030, 0x2043},
    {0x10, 0x0040, 0x0001},
    {0x12, 0x000B, 0x0320},
    {0x12, 0x000E, 0x4800},
    {0x10, 0x0020, 0x0001},
    {0x12, 0x000D, 0x1900},
    {0x12, 0x0010, 0x5A00},
    {0x12, 0x0013, 0x0200},
};

// Output routing (12:000B) and the line-input switch (12:0013). FM radio's
// routing (its first write) is written again after each FM sound mode.
constexpr TvAudioWrite kRouteFmRadio[] = {{0x12, 0x000B, 0x0220}, {0x12, 0x0013, 0x0000}};
constexpr TvAudioWrite kRouteLineIn[] = {{0x12, 0x000B, 0x0220}, {0x12, 0x0013, 0x3E40}};

// TV sound modes. Under NTSC-M the demodulator gets its own two values; every
// other standard gets 10:0020 = 0001. The routing write comes last.
struct TvSoundMode {
    TraceMessage<> trace;
    TvAudioWrite ntscM[2];
    u16 route;  // 12:000B
};
constexpr TvAudioWrite kDemodNotNtscM = {0x10, 0x0020, 0x0001};
constexpr TvSoundMode kLanguageAStereo = {
    "Set TVAudio Language A & Stereo!!!", {{0x10, 0x0030, 0x2043}, {0x10, 0x0020, 0x0320}}, 0x0320};
constexpr TvSoundMode kLanguageAMono = {
    "Set TVAudio Language A & Mono!!!", {{0x10, 0x0030, 0x2042}, {0x10, 0x0020, 0x0021}}, 0x0330};
constexpr TvSoundMode kLanguageBMono = {
    "Set TVAudio Language B & Mono!!!", {{0x10, 0x0030, 0x2043}, {0x10, 0x0020, 0x0021}}, 0x0420};

// Only language A and stereo are tested: any other flags mean language B
// (mono and language B are never looked at).
const TvSoundMode& TvSoundModeOf(u32 flags) {
    if ((flags & kAudioLanguageA) == 0) return kLanguageBMono;
    return (flags & kAudioStereo) != 0 ? kLanguageAStereo : kLanguageAMono;
}

// The audio status register: a second language in bit 8 (bit 0 of the high
// byte), stereo in bit 6 (of the low byte). Mono and language A are always
// available.
constexpr u8 kHighLanguageB = 0x01;
constexpr u8 kLowStereo = 0x40;
constexpr u32 kAlwaysAvailable = kAudioMono | kAudioLanguageA;

}  // namespace

u32 WriteTvAudio(void* device, const TvAudioWrite& write) {
    const u8 value[2] = {static_cast<u8>(write.value >> 8), static_cast<u8>(write.value)};
    if (write.subaddress == kTvAudioControl) {
        const u8 header[2] = {kTvAudio, kTvAudioControl};
        return BusWriteSubaddress(device, header, 2, value, 2, kFlags);
    }
    const u8 header[4] = {kTvAudio, write.subaddress, static_cast<u8>(write.reg >> 8), static_cast<u8>(write.reg)};
    return BusWriteSubaddress(device, header, 4, value, 2, kFlags);
}

void StartTvAudio(void* device) { WriteTvAudioList(device, kStart); }

u32 SetAudioSource(KestrelContext* context, void* device, u32 source) {
    switch (source) {
        case kAudioMute:
            Trace(kTraceAudioMute);
            return kStatusSuccess;
        case kAudioFromTuner:
            context->audioSource = kAudioFromTuner;
            if (context->tunerMode == kModeFm) {
                Trace(kTraceAudioFromFmRadio);
                WriteTvAudioList(device, kRouteFmRadio);
                return kStatusSuccess;
            }
            // TV sound: the routing follows with the next sound mode; only
            // the decoder's standard detection is reported here.
            {
                Trace(kTraceAudioFromTvTuner);
                u8 result[2] = {};
                if (ReadTvAudio(device, kStandardResult, result) != 0) return kStatusBusFailure;
                Trace(kTraceStandardResult, result[0], result[1]);
            }
            return kStatusSuccess;
        case kAudioFromLine:
            Trace(kTraceAudioFromLine);
            context->audioSource = kAudioFromLine;
            WriteTvAudioList(device, kRouteLineIn);
            return kStatusSuccess;
        default:
            Trace(kTraceUnknownAudioSource, source);
            return kStatusInvalid;
    }
}

void SetTvSoundMode(void* device, u32 tunerStandard, u32 flags) {
    const TvSoundMode& mode = TvSoundModeOf(flags);
    Trace(mode.trace);
    if ((tunerStandard & kStdNtscM) != 0) {
        WriteTvAudioList(device, mode.ntscM);
    } else {
        Unchecked(WriteTvAudio(device, kDemodNotNtscM));
    }
    Unchecked(WriteTvAudio(device, {0x12, 0x000B, mode.route}));
}

void RouteFmSound(void* device) { Unchecked(WriteTvAudio(device, kRouteFmRadio[0])); }

u32 GetTVAudioModes(void* device, u32* value) {
    u8 status[2] = {};
    if (ReadTvAudio(device, kAudioStatus, status) != 0) return kStatusBusFailure;
    Trace(kTraceAudioStatus, status[0], status[1]);
    u32 modes = kAlwaysAvailable;
    if ((status[0] & kHighLanguageB) != 0) modes |= kAudioLanguageB;
    if ((status[1] & kLowStereo) != 0) modes |= kAudioStereo;
    *value = modes;
    return kStatusSuccess;
}

}  // namespace trel::kestrel
