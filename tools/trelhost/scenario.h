// A bench session as an engineer describes it: the board, the host's side
// (parameters, register answers, failed calls and allocations), the usual
// session's settings and the steps added to it. `trelhost run` builds one
// from its options, `trelhost script` from a scenario file with one directive
// a line; both go through the same directive table, so a line of a file and
// an option of the command read alike ("set-ctrl brightness=60" and
// "--set-ctrl brightness=60").
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session.h"

namespace trelhost {

struct Scenario {
    size_t board = 0;
    trel::host::SessionOptions session;
    // The host's side, set up before the board is opened.
    std::vector<std::pair<std::string, trel::u32>> parameters;
    std::vector<trel::host::HostAnswers::Register> answers;
    struct CountedFailure {
        size_t call;  // 1: the session's first host call
        trel::u32 result;
    };
    std::optional<CountedFailure> failCall;
    struct MatchedFailure {
        trel::host::Service service;
        int address;  // -1: any
        int reg;      // -1: any
        trel::u32 result;
    };
    std::vector<MatchedFailure> failMatching;
    size_t failAllocation = 0;  // the n-th allocation fails (1: the first); 0 none
    // Steps added after the video and audio set-up, before capture start.
    struct Added {
        trel::host::Step step;
        std::string standardName;  // set-standard by family name, resolved from the formats read
    };
    std::vector<Added> steps;
    bool captureStart = true;
    // The directives as a scenario file writes them, in canonical form.
    std::vector<std::string> lines;
};

// One directive: a `trelhost run` option (--NAME) and a scenario file line (NAME VALUE).
struct Directive {
    const char* name;
    const char* syntax;  // the value's form; nullptr: a flag, no value
    const char* help;
    // Adds the directive to the scenario; returns why the value is refused ("" when taken).
    std::string (*apply)(Scenario& scenario, std::string_view value);
};
std::span<const Directive> Directives();
const Directive* FindDirective(std::string_view name);

// Applies one directive and keeps its canonical line; "" or the error.
std::string Apply(Scenario& scenario, const Directive& directive, std::string_view value);

// The scenario as a file `trelhost script` runs: "open BOARD", then a line a directive.
void PrintScript(std::ostream& out, const Scenario& scenario);

// The session's waveform (--vcd FILE, --bus-clock 100k|400k; see vcd.h).
struct WaveformOutput {
    std::string file;  // "": none
    uint64_t kilohertz = 400;
};
// Adds --vcd and --bus-clock to a command that runs a scenario.
void AddWaveformOptions(CLI::App* command, WaveformOutput& waveform);

// Runs the scenario on a fresh host and engine, reporting each step (and
// drawing its waveform); returns the exit code: 5 when the waveform file
// cannot be written (the session is not run when it cannot be created), else
// 2 when the kit saw problems, else 1 when an operation whose result is a
// status returned an error, else 0.
int RunScenario(const Scenario& scenario, bool json, bool explain, const WaveformOutput& waveform = {});
// The session alone on `host` (its side set up from the scenario here), each
// step reported to `observer`; returns the exit code as RunScenario.
int PlayScenario(const Scenario& scenario, trel::host::SimHost& host, const trel::host::StepObserver& observer);

}  // namespace trelhost
