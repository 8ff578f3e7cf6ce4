// A session as text: the golden transcript format of the tests, trelhost's
// kernel-host commands and whoever else prints steps the same way.
#pragma once

#include <string>
#include <vector>

#include "engine.h"

namespace trel::host {

// One step as text: the operation with its status, its trace lines ("> ")
// and bus calls in the order they happened, any misuse the host saw ("! "),
// and the records the host reads back at capture start and from the tuner.
// Runs of plain writes to one chip and of serial words (up to 12) and of
// traces (up to 4, " | " between) share a line.
std::vector<std::string> TranscriptLines(const SessionStep& step);

}  // namespace trel::host
