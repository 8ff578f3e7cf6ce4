// Kestrel TV audio: the TV-audio decoder's register access, audio routing
// (tuner side, FM radio or line input), the TV and FM sound modes and the
// audio status the host reads as the available TV-audio modes.
#include "boards/kestrel/kestrel.h"

namespace trel::kestrel {

u32 WriteTvAudio(void* device, const TvAudioWrite& write) {
    const u8 value[2] = {static_cast<u8>(write.value >> 8), static_cast<u8>(write.value)};
    if (write.subaddress == kTvAudioControl) {
        const u8 header[2] = {kTvAudio, kTvAudioControl};
        return BusWriteSubaddress(device, header, 2, value, 2, kFlags);
    }
    const u8 header[4] = {kTvAudio, write.subaddress, static_cast<u8>(write.reg >> 8), static_cast<u8>(write.reg)};
    return BusWriteSubaddress(device, header, 4, value, 2, kFlags);
}

void WriteTvAudioList(void* device, const TvAudioWrite* writes, u32 count) {
    for (u32 i = 0; i < count; ++i) WriteTvAudio(device, writes[i]);
}

u32 ReadTvAudio(void* device, u16 reg, u8 (&bytes)[2]) {
    const u8 header[4] = {kTvAudio, kTvAudioRead, static_cast<u8>(reg >> 8), static_cast<u8>(reg)};
    return BusReadSubaddress(device, header, 4, bytes, 2, kFlags);
}

namespace {

// Output routing (12:000B) and the line-input switch (12:0013).
constexpr TvAudioWrite kRouteFmRadio[] = {{0x12, 0x000B, 0x0220}, {0x12, 0x0013, 0x0000}};
constexpr TvAudioWrite kRouteLineIn[] = {{0x12, 0x000B, 0x0220}, {0x12, 0x0013, 0x3E40}};

// TV sound modes. Under NTSC-M the demodulator gets its own two values; every
// other standard gets 10:0020 = 0001. The routing write comes last.
struct TvSoundMode {
    const char* trace;
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

}  // namespace

u32 SetAudioSource(KestrelContext* context, void* device, u32 source) {
    switch (source) {
        case kAudioMute:
            Trace("+_+_+_+_+_Set Audio Mute+_+_+_+_+_+_");
            return kStatusSuccess;
        case kAudioFromTuner:
            context->audioSource = kAudioFromTuner;
            if (context->tunerMode == kModeFm) {
                Trace("Set Audio Source FM RADIO");
                WriteTvAudioList(device, kRouteFmRadio);
                return kStatusSuccess;
            }
            // TV sound: the routing follows with the next SetTVAudioMode; only
            // the decoder's standard detection is reported here.
            {
                Trace("Set Audio Source TV Tuner");
                u8 result[2] = {};
                if (ReadTvAudio(device, kTvAudioStandardResult, result) != 0) return kStatusBusFailure;
                Trace("Standard Result Reg : %x, %x!!!", static_cast<u32>(result[0]), static_cast<u32>(result[1]));
            }
            return kStatusSuccess;
        case kAudioFromLine:
            Trace("Set Audio Source LINE In");
            context->audioSource = kAudioFromLine;
            WriteTvAudioList(device, kRouteLineIn);
            return kStatusSuccess;
        default:
            Trace("Error:Unknown Audio Source %d!!!", static_cast<s32>(source));
            return kStatusInvalid;
    }
}

u32 SetTVAudioMode(KestrelContext* context, void* device, u32 flags) {
    if (context->tunerMode == kModeTv) {
        // Only language A and stereo are tested: any other flags mean language B.
        const TvSoundMode& mode = (flags & kAudioLanguageA) == 0 ? kLanguageBMono
                                  : (flags & kAudioStereo) != 0  ? kLanguageAStereo
                                                                 : kLanguageAMono;
        Trace(mode.trace);
        if ((context->tunerStandard & kNtscM) != 0) {
            WriteTvAudioList(device, mode.ntscM);
        } else {
            WriteTvAudio(device, kDemodNotNtscM);
        }
        WriteTvAudio(device, {0x12, 0x000B, mode.route});
        return kStatusSuccess;
    }
    if (context->tunerMode == kModeFm) {
        const bool mono = (flags & kAudioMono) != 0;
        WriteTunerControl(device, kFmControl, FmTunerByte(mono));
        Trace(mono ? "Set FM RADIO MONO" : "Set FM RADIO STEREO");
        WriteIfDemodulator(device, 0x0A, FmIfByte(mono), 0x20);
        WriteTvAudio(device, {0x12, 0x000B, 0x0220});
        return kStatusSuccess;
    }
    return kStatusNotSupported;
}

// The audio status register: bit 8 reports a second language, bit 6 stereo.
// Mono and language A are always available.
u32 GetTVAudioModes(void* device, u32* value) {
    u8 status[2] = {};
    if (ReadTvAudio(device, kTvAudioStatus, status) != 0) return kStatusBusFailure;
    Trace("Audio Status Reg : %x, %x!!!", static_cast<u32>(status[0]), static_cast<u32>(status[1]));
    u32 modes = kAudioMono | kAudioLanguageA;
    if ((status[0] & 0x01) != 0) modes |= kAudioLanguageB;
    if ((status[1] & 0x40) != 0) modes |= kAudioStereo;
    *value = modes;
    return kStatusSuccess;
}

// Input id 3 is the tuner side, 4 the line input.
u32 SetCurrentAudioInput(void* context, void* device, u32 inputId) {
    if (context == nullptr) return kStatusInvalid;
    Trace("Set_Current_Audio_InputID %d", static_cast<s32>(inputId));
    switch (inputId) {
        case 3: SetAudioSource(AsContext(context), device, kAudioFromTuner); return kStatusSuccess;
        case 4: SetAudioSource(AsContext(context), device, kAudioFromLine); return kStatusSuccess;
        default: return kStatusInvalid;
    }
}

}  // namespace trel::kestrel
