// Kestrel's host operations that steer several of its devices at once:
// start-up (decoder, then the TV-audio decoder), capture start (the whole
// board brought back to the state in the context), the TV-audio mode (TV
// sound on the TV-audio decoder, FM sound on the tuner) and the tuner
// properties. They call down into the device files and keep the context.
#include "boards/kestrel/kestrel.h"
#include "boards/kestrel/kestrel_decoder.h"
#include "boards/kestrel/kestrel_tuner.h"
#include "boards/kestrel/kestrel_tv_audio.h"

namespace trel::kestrel {
namespace {

// Tuner property ids (kernel-streaming tuner property set; 8 to 10 TV audio).
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

// Fields of the frequency record the board stores.
constexpr u32 kFieldFrequency = 0;
constexpr u32 kFieldLastFrequency = 1;
constexpr u32 kFieldTuningFlags = 2;
constexpr u32 kFieldChannel = 5;
constexpr u32 kFieldCountry = 6;

constexpr u32 kOnlyTunerInput = 0;
constexpr u32 kSignalStrength = 100;
constexpr u32 kReportedTuningFlags = 3;

// Start-up: the video decoder is up, the TV-audio decoder comes next.
constexpr TraceMessage<> kTraceDecoderStarted{"*******@@@@@@@@@**************"};

// The TV-audio mode: TV sound on the TV-audio decoder; FM radio's mono or
// stereo bytes on the tuner, then its routing. Does not record the flags.
[[nodiscard]] u32 SetTVAudioMode(const KestrelContext& c, void* device, u32 flags) {
    switch (c.tunerMode) {
        case kModeTv:
            SetTvSoundMode(device, c.tunerStandard, flags);
            return kStatusSuccess;
        case kModeFm:
            SetFmSoundMode(device, flags);
            RouteFmSound(device);
            return kStatusSuccess;
        default: return kStatusNotSupported;
    }
}

// Property 2: the mode is recorded once the tuner took it, and the audio
// routing follows the mode (FM radio or TV sound) whatever happened.
u32 ChangeTunerMode(KestrelContext* c, void* device, u32 mode) {
    if (mode != kModeTv && mode != kModeFm) return kStatusNotSupported;
    if (SetTunerMode(*c, device, mode) == kStatusSuccess) c->tunerMode = mode;
    Unchecked(SetAudioSource(c, device, c->audioSource != kAudioFromTuner ? kAudioFromLine : kAudioFromTuner));
    return kStatusSuccess;
}

// Property 4: the record is kept once its frequency was tuned; TV sound takes
// its mode again while the tuner side is the source, even when the frequency
// was refused.
u32 Tune(KestrelContext* c, void* device, const u32* record) {
    if (record == nullptr) return kStatusInvalid;
    if (SetFrequency(*c, device, record[kFieldFrequency]) == kStatusSuccess) {
        c->frequency = record[kFieldFrequency];
        c->lastFrequency = record[kFieldLastFrequency];
        c->tuningFlags = record[kFieldTuningFlags];
        c->channel = record[kFieldChannel];
        c->country = record[kFieldCountry];
    }
    if (c->tunerMode == kModeTv && c->audioSource == kAudioFromTuner) {
        Unchecked(SetTVAudioMode(*c, device, c->tvAudioMode));
    }
    return kStatusSuccess;
}

// Property 10: the flags are recorded once the mode was set.
u32 ChangeTvAudioMode(KestrelContext* c, void* device, u32 flags) {
    if (SetTVAudioMode(*c, device, flags) == kStatusSuccess) c->tvAudioMode = flags;
    return kStatusSuccess;
}

// The single values read from the context.
struct ContextValue {
    u32 id;
    u32 KestrelContext::*field;
};
constexpr ContextValue kContextValues[] = {{kPropMode, &KestrelContext::tunerMode},
                                           {kPropStandard, &KestrelContext::tunerStandard},
                                           {kPropInput, &KestrelContext::tunerInput},
                                           {kPropAudioMode, &KestrelContext::tvAudioMode}};

// The frequency and status records (tuning flags always reported as 3).
void FillRecord(const KestrelContext& c, u32 id, u32* record) {
    if (id == kPropFrequency) {
        const u32 frequency[kTunerFrequencyFields] = {
            c.frequency, c.lastFrequency, kReportedTuningFlags, 0, 0, c.channel, c.country};
        CopyBytes(record, frequency, sizeof(frequency));
    } else {
        const u32 status[kTunerStatusFields] = {c.frequency, 0, kSignalStrength, c.tunerBusy};
        CopyBytes(record, status, sizeof(status));
    }
}

}  // namespace

u32 InitVideoSource(void* context, void* device, u32 standard, u32 source, const VideoPropertySet* properties) {
    if (context == nullptr) return kStatusInvalid;
    if (Host() == nullptr) return kStatusBusFailure;
    if (properties == nullptr) return kStatusInvalid;
    const KestrelContext& c = *AsContext(context);
    if (standard == kKeepCurrent) standard = c.tvStandard;
    if (source == kKeepCurrent) source = c.videoSource;
    const u32 status = StartDecoder(context, device, standard, source, *properties);
    if (status != kStatusSuccess) return status;
    Trace(kTraceDecoderStarted);
    StartTvAudio(device);
    return kStatusSuccess;
}

// Capture start: the decoder's scaler for the requested size, then source,
// standard and audio routing from the context and, while the tuner side is
// the audio source, tuner mode, frequency and TV-audio mode. The standard list
// rewrites the input windows (0x9E/0x9F and twins) after the scaler; the
// increments stay as computed.
u32 OnStartCapture(void* context, void* device, CaptureConfig* config) {
    if (config == nullptr) {
        Trace(kTraceNoCaptureConfig);
        return kStatusInvalid;
    }
    if (context == nullptr) return kStatusInvalid;
    const u32 scaler = ScaleCapture(device, config);
    if (scaler != kStatusSuccess) return scaler;
    ApplyNtscVOffset(config);

    KestrelContext* c = AsContext(context);
    Unchecked(SelectVideoSource(c, device, c->videoSource));
    Unchecked(SetTVStandard(c, device, c->tvStandard));
    Unchecked(SetAudioSource(c, device, c->audioSource));
    if (c->audioSource == kAudioFromTuner) {
        Unchecked(SetTunerMode(*c, device, c->tunerMode));
        Unchecked(SetFrequency(*c, device, c->frequency));
        Unchecked(SetTVAudioMode(*c, device, c->tvAudioMode));
    }
    return kStatusSuccess;
}

u32 GetTunerProperty(void* context, void* device, u32 id, u32* value, u32* record) {
    if (id == kPropCaps) {
        if (value == nullptr) return kStatusInvalid;
        *value = kTunerCaps;
        return kStatusSuccess;
    }
    if (id == kPropModeCaps) return GetModeCaps(record);
    if (id == kPropAudioModesA || id == kPropAudioModesB) {
        return value != nullptr ? GetTVAudioModes(device, value) : kStatusInvalid;
    }
    if (id == kPropFrequency || id == kPropStatus) {
        if (context == nullptr || record == nullptr) return kStatusInvalid;
        FillRecord(*AsContext(context), id, record);
        return kStatusSuccess;
    }
    for (const ContextValue& entry : kContextValues) {
        if (entry.id != id) continue;
        if (value == nullptr || context == nullptr) return kStatusInvalid;
        *value = AsContext(context)->*entry.field;
        return kStatusSuccess;
    }
    return kStatusNotSupported;
}

u32 SetTunerProperty(void* context, void* device, u32 id, u32 value, u32* record) {
    switch (id) {
        case kPropInput: return value == kOnlyTunerInput ? kStatusSuccess : kStatusNotSupported;
        case kPropMode:
        case kPropFrequency:
        case kPropAudioMode: break;
        default: return kStatusNotSupported;
    }
    if (context == nullptr) return kStatusInvalid;
    KestrelContext* c = AsContext(context);
    switch (id) {
        case kPropMode: return ChangeTunerMode(c, device, value);
        case kPropFrequency: return Tune(c, device, record);
        default: return ChangeTvAudioMode(c, device, value);  // kPropAudioMode
    }
}

}  // namespace trel::kestrel
