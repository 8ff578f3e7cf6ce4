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
};

// `board` is the catalogue index of the board the steps come from.
std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out, size_t board);
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out, size_t board);

}  // namespace trelhost
