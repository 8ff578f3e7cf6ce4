// Warnings: where the chip models, reading the bus, find that the hardware
// delivers something other than what the host asked for (a capture size, a
// tuned frequency, a sample rate). They change no exit status.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "chips/board_chips.h"
#include "session.h"

namespace trelhost {

struct Warning {
    std::string what;  // "capture size", "tuned frequency", "sample rate"
    nlohmann::ordered_json asked;      // a number, or {width, height}
    nlohmann::ordered_json delivered;  // the same shape
    std::string unit;                  // "pixels", "Hz"
    std::string text;                  // the line after "trelhost: warning: "

    nlohmann::ordered_json Json() const;
};

// Follows a session on a board's chip models, step by step.
class WarningWatch {
public:
    // The chip models, fed with each step's bus calls before Check.
    explicit WarningWatch(const trel::host::chips::BoardChips& chips) : chips_(chips) {}
    // What the step asked that the hardware, as the models now hold it,
    // delivers otherwise.
    std::vector<Warning> Check(const trel::host::SessionStep& step);

private:
    const trel::host::chips::BoardChips& chips_;
    std::optional<trel::u32> askedRate_;    // the sample rate of the last InitAudio
    std::optional<trel::u32> clockRate_;    // the audio clock's rate at the last check
};

}  // namespace trelhost
