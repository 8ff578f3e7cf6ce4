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

std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out);
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out);

}  // namespace trelhost
