// Reporting session steps: readable text, or one JSON object per line.
#pragma once

#include <iostream>
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

// The version of trelhost's JSON output (docs/trelhost-output.schema.json):
// every JSON line carries it as "version", beside its "type".
inline constexpr int kOutputVersion = 1;

// `board` is the catalogue index of the board the steps come from. With
// `explain`, each step is followed by the chip state it changed, as the chip
// models of the board read the step's bus calls. Where the models find that
// the hardware delivers something other than what a step asked, a warning
// goes to `err` ("trelhost: warning: ...") after the step (and, in JSON, into
// the step's "warnings").
std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out, size_t board, bool explain = false,
                                               std::ostream& err = std::cerr);
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out, size_t board, bool explain = false,
                                               std::ostream& err = std::cerr);

}  // namespace trelhost
