// Kestrel board internals shared by its source files: the four devices on the
// I2C bus, the bit groups of the TV standard the board tests, the TV-audio
// decoder's 16-bit register access, and the board-internal operations that
// several host operations call (source, standard, audio routing, tuner).
#pragma once

#include "frame/bus.h"
#include "frame/module.h"

namespace trel::kestrel {

// Every host call of this board carries these flags.
inline constexpr u32 kFlags = 0x8000;

// The SAA7115 (0x40) is reached through the shared chip code.
inline constexpr u8 kTuner = 0xC2;     // tuner module
inline constexpr u8 kIfDemod = 0x86;   // IF demodulator
inline constexpr u8 kTvAudio = 0x80;   // TV-audio decoder

// KS_AnalogVideoStandard bits the tuner side tests one by one.
inline constexpr u32 kNtscM = 0x00001;
inline constexpr u32 kNtscMJ = 0x00002;
inline constexpr u32 kPalB = 0x00010;
inline constexpr u32 kPalD = 0x00020;
inline constexpr u32 kPalG = 0x00040;
inline constexpr u32 kPalI = 0x00100;
inline constexpr u32 kPalM = 0x00200;
inline constexpr u32 kPalN = 0x00400;
inline constexpr u32 kSecamB = 0x01000;
inline constexpr u32 kSecamD = 0x02000;
inline constexpr u32 kSecamG = 0x04000;
inline constexpr u32 kSecamK = 0x10000;
inline constexpr u32 kSecamK1 = 0x20000;
inline constexpr u32 kSecamL = 0x40000;
inline constexpr u32 kSecamL1 = 0x80000;  // L'
inline constexpr u32 kSoundDK = kPalD | kSecamD | kSecamK | kSecamK1;
inline constexpr u32 kSecamLAny = kSecamL | kSecamL1;

// Tuner modes (kernel-streaming tuner mode values).
inline constexpr u32 kModeTv = 1;
inline constexpr u32 kModeFm = 2;

// TV-audio mode flags (KS_TVAUDIO_MODE bits).
inline constexpr u32 kAudioMono = 0x01;
inline constexpr u32 kAudioStereo = 0x02;
inline constexpr u32 kAudioLanguageA = 0x10;
inline constexpr u32 kAudioLanguageB = 0x20;

// Audio sources of SetAudioSource.
inline constexpr u32 kAudioFromTuner = 0;
inline constexpr u32 kAudioFromLine = 1;
inline constexpr u32 kAudioMute = 0xFFFFFFFF;

// ---------------------------------------------------------------------------
// TV-audio decoder: 16-bit registers behind one-byte subaddresses. A write
// S:RRRR = VVVV goes out as address block [80 S RR RR] with data [VV VV]; the
// control register (subaddress 0) takes no register number: [80 00], [VV VV].
// Reads go through subaddress 0x11 and return two bytes, high byte first.
inline constexpr u8 kTvAudioControl = 0x00;
inline constexpr u8 kTvAudioRead = 0x11;

struct TvAudioWrite {
    u8 subaddress;  // kTvAudioControl, 0x10 or 0x12
    u16 reg;        // unused for the control register
    u16 value;
};

u32 WriteTvAudio(void* device, const TvAudioWrite& write);
// Writes in order; the results are not examined.
void WriteTvAudioList(void* device, const TvAudioWrite* writes, u32 count);
template <size_t N>
void WriteTvAudioList(void* device, const TvAudioWrite (&writes)[N]) {
    WriteTvAudioList(device, writes, static_cast<u32>(N));
}
// Reads 11:RRRR; bytes[0] is the high byte. A failure leaves bytes as they were.
u32 ReadTvAudio(void* device, u16 reg, u8 (&bytes)[2]);

// Two named read registers.
inline constexpr u16 kTvAudioStandardResult = 0x007E;
inline constexpr u16 kTvAudioStatus = 0x0200;

// ---------------------------------------------------------------------------
// Tuner module and IF demodulator writes (results are never examined).
void WriteTunerControl(void* device, u8 control, u8 value);      // block [C2], 2 bytes
void WriteIfDemodulator(void* device, u8 first, u8 second, u8 third);  // block [86 00], 3 bytes
void WriteTuningWord(void* device, u8 control, u8 band, u16 divider);  // 4-byte buffer to C2

// FM reception bytes: the tuner's second control byte and the IF demodulator's
// second byte, for mono or stereo.
inline constexpr u8 kFmControl = 0x88;
constexpr u8 FmTunerByte(bool mono) { return mono ? 0x59 : 0x19; }
constexpr u8 FmIfByte(bool mono) { return mono ? 0x30 : 0x90; }

// ---------------------------------------------------------------------------
// Board-internal operations (context and device as the host passed them).
u32 SelectVideoSource(KestrelContext* context, void* device, u32 source);
u32 SetTVStandard(KestrelContext* context, void* device, u32 standard);
u32 SetAudioSource(KestrelContext* context, void* device, u32 source);
u32 SetTVAudioMode(KestrelContext* context, void* device, u32 flags);
u32 SetTunerMode(KestrelContext* context, void* device, u32 mode);
u32 SetFrequency(KestrelContext* context, void* device, u32 frequency);
// Value of the available TV-audio modes (tuner property ids 8 and 9).
u32 GetTVAudioModes(void* device, u32* value);

// Host operations living in the board's other files.
u32 InitVideoSource(void* context, void* device, u32 standard, u32 source,
                    const VideoPropertySet* properties);
u32 OnStartCapture(void* context, void* device, CaptureConfig* config);
u32 SetVideoProperty(void* context, void* device, u32 index, u32 value, u32 extra);
u32 GetVideoProperty(void* context, void* device, u32 index, u32* value);
u32 SetCurrentAudioInput(void* context, void* device, u32 inputId);
u32 GetTunerProperty(void* context, void* device, u32 id, u32* value, u32* record);
u32 SetTunerProperty(void* context, void* device, u32 id, u32 value, u32* record);

inline KestrelContext* AsContext(void* context) { return static_cast<KestrelContext*>(context); }

}  // namespace trel::kestrel
