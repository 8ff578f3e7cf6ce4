// What trelhost knows of particular boards' simulated hardware: the decoder
// status bit that reports a 50-Hz signal (for --signal-50hz), and how to read
// back the scaler values a step programmed.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "session.h"

namespace trelhost {

struct RegisterBit {
    trel::u8 address;
    trel::u16 reg;
    trel::u8 mask;
};

// The status bit a board's capture start reads to tell a 50-Hz signal; none
// for boards that read no such bit.
std::optional<RegisterBit> Signal50HzBit(size_t board);

// Scale factors a step wrote (source size x 256 / output size; 256 is 1:1).
struct ScalerReadout {
    trel::u32 horizontal;
    trel::u32 vertical;
};
std::optional<ScalerReadout> ReadScaler(size_t board, const trel::host::SessionStep& step);

// "scaler: horizontal 0x105 (261), vertical 0x100 (256); 256 is 1:1"
std::string ScalerText(const ScalerReadout& scaler);
nlohmann::ordered_json ScalerJson(const ScalerReadout& scaler);

}  // namespace trelhost
