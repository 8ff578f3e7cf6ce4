// trelhost run: one board driven through the host's usual sequence, with the
// host's side and the added steps its options describe (scenario.h).
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "scenario.h"

namespace trelhost {
namespace {

struct RunOptions {
    std::string board;
    bool json = false;
    bool explain = false;
    bool printScript = false;
    WaveformOutput waveform;
};

}  // namespace

void AddRunCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* run = app.add_subcommand(
        "run", "Open a board, query it, set up video and audio, run the added steps, start a capture and close it, "
               "showing every step");
    run->add_option("board", options->board, "Board name (any case) or catalogue index")->required();
    auto directives = std::make_shared<std::vector<std::pair<CLI::Option*, const Directive*>>>();
    for (const Directive& directive : Directives()) {
        const std::string name = std::string("--") + directive.name;
        CLI::Option* option = directive.syntax == nullptr
                                  ? run->add_flag(name, directive.help)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                                  : run->add_option(name, directive.help)
                                        ->type_name(directive.syntax)
                                        ->expected(1)
                                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        directives->emplace_back(option, &directive);
    }
    run->add_flag("--json", options->json, "One JSON object per step");
    run->add_flag("--explain", options->explain,
                  "After each step, the chip state it changed: input, standard, picture controls, scaler sizes, "
                  "audio clock, VBI lines, tuned frequency, TV-audio routing");
    run->add_flag("--print-script", options->printScript,
                  "Print the session as a scenario file for 'trelhost script' instead of running it");
    AddWaveformOptions(run, options->waveform);
    run->callback([options, directives, run, &exitCode] {
        const auto board = trel::host::FindBoard(options->board);
        if (!board) {
            std::cerr << "trelhost: unknown board '" << options->board << "' (see 'trelhost list')\n";
            exitCode = kExitUsage;
            return;
        }
        Scenario scenario;
        scenario.board = *board;
        // The options in the order given: each occurrence takes the next of its option's values.
        std::vector<size_t> taken(directives->size(), 0);
        for (CLI::Option* option : run->parse_order()) {
            for (size_t d = 0; d < directives->size(); ++d) {
                if ((*directives)[d].first != option) continue;
                const Directive& directive = *(*directives)[d].second;
                const std::string value = directive.syntax == nullptr ? "" : option->results().at(taken[d]++);
                if (const std::string error = Apply(scenario, directive, value); !error.empty()) {
                    std::cerr << "trelhost: --" << directive.name << ": " << error << '\n';
                    exitCode = kExitUsage;
                    return;
                }
            }
        }
        if (options->printScript) {
            PrintScript(std::cout, scenario);
            exitCode = kExitOk;
            return;
        }
        exitCode = RunScenario(scenario, options->json, options->explain, options->waveform);
    });
}

}  // namespace trelhost
