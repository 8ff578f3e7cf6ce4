// trelhost run: one board driven through the host's usual sequence, with the
// host's side and the added steps its options describe (scenario.h).
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "run_options.h"
#include "scenario.h"

namespace trelhost {
namespace {

struct RunFlags {
    bool json = false;
    bool explain = false;
    bool printScript = false;
    WaveformOutput waveform;
};

}  // namespace

void AddRunCommand(CLI::App& app, int& exitCode) {
    auto flags = std::make_shared<RunFlags>();
    CLI::App* run = app.add_subcommand(
        "run", "Open a board, query it, set up video and audio, run the added steps, start a capture and close it, "
               "showing every step");
    auto options = std::make_shared<RunOptions>(run);
    run->add_flag("--json", flags->json, "One JSON object per step");
    run->add_flag("--explain", flags->explain,
                  "After each step, the chip state it changed: input, standard, picture controls, scaler sizes, "
                  "audio clock, VBI lines, tuned frequency, TV-audio routing");
    run->add_flag("--print-script", flags->printScript,
                  "Print the session as a scenario file for 'trelhost script' instead of running it");
    AddWaveformOptions(run, flags->waveform);
    run->callback([flags, options, &exitCode] {
        const std::optional<Scenario> scenario = options->Read();
        if (!scenario) {
            exitCode = kExitUsage;
            return;
        }
        if (flags->printScript) {
            PrintScript(std::cout, *scenario);
            exitCode = kExitOk;
            return;
        }
        exitCode = RunScenario(*scenario, flags->json, flags->explain, flags->waveform);
    });
}

}  // namespace trelhost
