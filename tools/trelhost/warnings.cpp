// Warnings (see warnings.h).
#include "warnings.h"

#include <cstring>

namespace trelhost {
namespace {

using trel::host::Op;
using trel::host::SessionStep;

constexpr trel::u32 kTunerPropFrequency = 4;

std::string SizeText(trel::u32 width, trel::u32 height) { return std::to_string(width) + "x" + std::to_string(height); }

nlohmann::ordered_json SizeJson(trel::u32 width, trel::u32 height) { return {{"width", width}, {"height", height}}; }

// OnStartCapture: the size asked in CaptureConfig against the scaler's. A
// scaler that delivers fields (lines per field) serves a height above its
// field from two fields, and may deliver a few lines more than asked.
std::optional<Warning> CaptureSize(const trel::host::chips::BoardChips& chips, const SessionStep& step) {
    if (step.op != Op::OnStartCapture || !step.captureConfig) return std::nullopt;
    const auto delivered = chips.DeliveredFrame();
    if (!delivered) return std::nullopt;
    const trel::u32 width = step.captureConfig->captureWidth;
    const trel::u32 height = step.captureConfig->captureHeight;
    trel::u32 lines = delivered->height;
    bool differs = delivered->width != width;
    if (delivered->perField) {
        if (height > lines) lines *= 2;
        differs = differs || lines < height;
    } else {
        differs = differs || lines != height;
    }
    if (!differs) return std::nullopt;
    return Warning{"capture size", SizeJson(width, height), SizeJson(delivered->width, lines), "pixels",
                   "capture size: asked " + SizeText(width, height) + ", the scaler delivers " +
                       SizeText(delivered->width, lines)};
}

// SetTunerProperty frequency: the station asked against the one the tuner
// chain receives, when that lies outside every band or a step or more away.
std::optional<Warning> TunedFrequency(const trel::host::chips::BoardChips& chips, const SessionStep& step) {
    if (step.op != Op::SetTunerProperty || step.args[0] != kTunerPropFrequency || step.records[0].size() < 4 ||
        chips.Tuner() == nullptr) {
        return std::nullopt;
    }
    bool sent = false;
    for (const trel::host::BusCall& call : step.bus) sent = sent || (call.service == trel::host::Service::I2cWriteBuffer && call.result == 0);
    const auto tuned = chips.Tuner()->Tuned();
    if (!sent || !tuned || !tuned->hertz) return std::nullopt;
    trel::u32 asked = 0;
    std::memcpy(&asked, step.records[0].data(), sizeof(asked));
    const trel::u32 hertz = *tuned->hertz;
    const bool inBand = trel::host::chips::InBand(*tuned, hertz);
    const trel::u32 distance = hertz > asked ? hertz - asked : asked - hertz;
    if (inBand && distance < tuned->stepHertz) return std::nullopt;
    return Warning{"tuned frequency", asked, hertz, "Hz",
                   "tuned frequency: asked " + std::to_string(asked) + " Hz, the tuner receives " +
                       std::to_string(hertz) + " Hz" + (inBand ? "" : ", outside every band")};
}

}  // namespace

nlohmann::ordered_json Warning::Json() const {
    return {{"what", what}, {"asked", asked}, {"delivered", delivered}, {"unit", unit}, {"text", text}};
}

std::vector<Warning> WarningWatch::Check(const SessionStep& step) {
    std::vector<Warning> warnings;
    if (auto w = CaptureSize(chips_, step)) warnings.push_back(std::move(*w));
    if (auto w = TunedFrequency(chips_, step)) warnings.push_back(std::move(*w));
    // The sample rate: at InitAudio, and whenever the audio clock changes
    // after it.
    bool asking = false;
    if (step.op == Op::InitAudio && step.records[0].size() == sizeof(trel::AudioConfig)) {
        trel::AudioConfig audio{};
        std::memcpy(&audio, step.records[0].data(), sizeof(audio));
        askedRate_ = audio.sampleRate;
        asking = true;
    }
    const std::optional<trel::u32> rate = chips_.SampleRate();
    if (askedRate_ && rate && (asking || rate != clockRate_) && *rate != *askedRate_) {
        warnings.push_back({"sample rate", *askedRate_, *rate, "Hz",
                            "sample rate: asked " + std::to_string(*askedRate_) + " Hz, the audio clock runs at " +
                                std::to_string(*rate) + " Hz"});
    }
    clockRate_ = rate;
    return warnings;
}

}  // namespace trelhost
