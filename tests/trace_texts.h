// The trace lines the tests expect from the module, each text written once:
// a fixed line as a constant, a line with values as its format, formatted by
// Line(kSetVideoProperty, 1, 60) -> "SetVideoProperty 1 60". These are the
// tests' own copy, kept apart from the module's sources.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace trel::test {

// The line a format gives for these values (up to 255 characters), as the
// module's trace prints them. The compiler checks the values against the
// format's conversions (the formats below are constants): %d for the module's
// signed values (an unsigned one prints the int of its bits), %x for a
// register byte.
[[gnu::format(printf, 1, 2)]] inline std::string Line(const char* format, ...) {
    char line[256];
    va_list values;
    va_start(values, format);
    std::vsnprintf(line, sizeof line, format, values);
    va_end(values);
    return line;
}

// Loading and unloading.
inline constexpr char kLoadBanner[] = "************ Load Board Module *************";
inline constexpr char kUnloadBanner[] = "*********** Unload Board Module ************";

// Video operations of every board.
inline constexpr char kSetVideoProperty[] = "SetVideoProperty %d %d";
inline constexpr char kGetVideoProperty[] = "GetVideoProperty %d";
inline constexpr char kGetVideoPropertyReturn[] = "GetVideoProperty return %d";
inline constexpr char kSetVideoInput[] = "Set_Current_Video_InputID %d";
inline constexpr char kUnknownVideoSource[] = "Error:Unknown Video Source %d!!!";
inline constexpr char kNoCaptureConfig[] = "OnStartCapture video_config == NULL";
// The SAA7115's VBI services: the service's name, "enable" or "disable".
inline constexpr char kVbi[] = "VBI: %s %s";

// Audio.
inline constexpr char kAdpcm[] = "ADPCM enable";
inline constexpr char kNoAudioConfig[] = "GetAudioChipconfig audio_config == NULL";

// Kestrel's tuner and TV audio.
inline constexpr char kSetTvStandard[] = "SetTVStandard %d";
inline constexpr char kSetAudioInput[] = "Set_Current_Audio_InputID %d";
inline constexpr char kTunerMode[] = "Set Tuner Mode %s";
inline constexpr char kFrequency[] = "Set Frequency %d, VIF = %d";
inline constexpr char kTvAudioLanguage[] = "Set TVAudio Language %s!!!";
inline constexpr char kFmRadioMono[] = "Set FM RADIO MONO";
inline constexpr char kFmRadioStereo[] = "Set FM RADIO STEREO";
inline constexpr char kAudioSourceLine[] = "Set Audio Source LINE In";
inline constexpr char kAudioSourceTuner[] = "Set Audio Source TV Tuner";
inline constexpr char kAudioSourceFm[] = "Set Audio Source FM RADIO";
inline constexpr char kStandardResult[] = "Standard Result Reg : %x, %x!!!";
inline constexpr char kAudioStatus[] = "Audio Status Reg : %x, %x!!!";

}  // namespace trel::test
