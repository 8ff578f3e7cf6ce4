// Kestrel, the TV-tuner board: its context and the values its files share.
//
// The board's files, by responsibility:
//   kestrel.cpp           the board: open, inputs, InitAudio, operation tables, descriptor
//   kestrel_decoder.cpp   the SAA7115 video decoder (0x40)
//   kestrel_tuner.cpp     the tuner module (0xC2) and IF demodulator (0x86): every
//                         reception set-up, tuning word and FM mono/stereo byte
//   kestrel_tv_audio.cpp  the TV-audio decoder (0x80): routing, sound modes, status
//   kestrel_control.cpp   the host operations that steer several devices at once
//                         (start-up, capture start, tuner properties, sound mode)
// Calls only go down that list's layers: the board file and the control file
// call the device files; a device file calls no other file, except that the
// tuner writes its per-standard sound settings through the TV-audio decoder's
// register write.
#pragma once

#include "frame/bus.h"
#include "frame/module.h"

namespace trel::kestrel {

// The board context (non-paged pool, tag Tc01), owned by the board between
// OpenBoard and CloseBoard. The host only keeps the pointer.
struct KestrelContext {
    u32 videoSource;    // decoder input 0, 1 or 2
    u32 audioSource;    // kAudioFromTuner or kAudioFromLine
    u32 tvStandard;     // decoder standard
    u32 tunerMode;      // kModeTv or kModeFm
    u32 tunerStandard;  // standard used by tuner, IF demodulator and TV audio
    u32 frequency;      // Hz
    u32 lastFrequency;
    u32 country;
    u32 channel;
    u32 tunerInput;
    u32 tunerBusy;
    u32 tvAudioMode;    // KS_TVAUDIO_MODE flags
    u32 tuningFlags;
};
static_assert(sizeof(KestrelContext) == 13 * 4);
static_assert(offsetof(KestrelContext, tvStandard) == 8);
static_assert(offsetof(KestrelContext, tuningFlags) == 48);

inline KestrelContext* AsContext(void* context) { return static_cast<KestrelContext*>(context); }

// Every host call of this board carries these flags.
inline constexpr u32 kFlags = 0x8000;

// KS_AnalogVideoStandard bits the tuner side tests one by one (NTSC-M, bit 0,
// is the frame's kStdNtscM).
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

// Host operations of kestrel_control.cpp, for the board's tables.
u32 InitVideoSource(void* context, void* device, u32 standard, u32 source,
                    const VideoPropertySet* properties);
u32 OnStartCapture(void* context, void* device, CaptureConfig* config);
u32 GetTunerProperty(void* context, void* device, u32 id, u32* value, u32* record);
u32 SetTunerProperty(void* context, void* device, u32 id, u32 value, u32* record);

}  // namespace trel::kestrel
