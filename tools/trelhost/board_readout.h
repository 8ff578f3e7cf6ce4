// Readouts of a board's simulated hardware, as its entry in the host's board
// table names them: the decoder status bit that reports a 50-Hz signal (for
// --signal-50hz), and the scaler values a step programmed.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "board_table.h"
#include "session.h"

namespace trelhost {

using trel::host::RegisterBit;

// The status bit a board's capture start reads to tell a 50-Hz signal; none
// for boards that read no such bit.
std::optional<RegisterBit> Signal50HzBit(const trel::host::BoardEntry& board);
// The same for catalogue entry `board` (for callers that hold an index).
std::optional<RegisterBit> Signal50HzBit(size_t board);

// Scale factors a step wrote (source size x 256 / output size; 256 is 1:1).
struct ScalerReadout {
    trel::u32 horizontal;
    trel::u32 vertical;
};
// As the board's scale-factor registers were last written, successfully, in
// `step`; none for boards without a scaler readout or a step that did not
// write all of them.
std::optional<ScalerReadout> ReadScaler(const trel::host::BoardEntry& board, const trel::host::SessionStep& step);

// "scaler: horizontal 0x105 (261), vertical 0x100 (256); 256 is 1:1"
std::string ScalerText(const ScalerReadout& scaler);
nlohmann::ordered_json ScalerJson(const ScalerReadout& scaler);

}  // namespace trelhost
