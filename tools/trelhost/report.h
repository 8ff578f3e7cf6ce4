// Reporting session steps: readable text, or one JSON object per line.
#pragma once

#include <memory>
#include <ostream>

#include "session.h"

namespace trelhost {

class StepReporter {
public:
    virtual ~StepReporter() = default;
    virtual void Report(const trel::host::SessionStep& step) = 0;
    // After the last step: the session's totals (its wire time).
    virtual void Finish() {}
};

// `board` is the catalogue index of the board the steps come from. With
// `explain`, each step is followed by the chip state it changed, as the chip
// models of the board read the step's bus calls.
std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out, size_t board, bool explain = false);
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out, size_t board, bool explain = false);

}  // namespace trelhost
