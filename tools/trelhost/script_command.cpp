// trelhost script: a scenario file run on the engine. One directive a line
// ("set-ctrl brightness=60"), the first "open BOARD"; '#' starts a comment.
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "commands.h"
#include "scenario.h"

namespace trelhost {
namespace {

struct ScriptOptions {
    std::string file;
    bool json = false;
    bool explain = false;
    WaveformOutput waveform;
};

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Reads the file into `scenario`; "" or "LINE: why".
std::string ReadScenario(std::istream& in, Scenario& scenario) {
    std::string text;
    bool opened = false;
    for (size_t number = 1; std::getline(in, text); ++number) {
        const std::string_view line = Trim(std::string_view(text).substr(0, text.find('#')));
        if (line.empty()) continue;
        const size_t space = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, space);
        const std::string_view value = space == std::string_view::npos ? std::string_view() : Trim(line.substr(space));
        const auto at = [number](const std::string& why) { return std::to_string(number) + ": " + why; };
        if (name == "open") {
            if (opened) return at("the session has opened its board already");
            const auto board = trel::host::FindBoard(value);
            if (!board) return at("unknown board '" + std::string(value) + "' (see 'trelhost list')");
            scenario.board = *board;
            opened = true;
            continue;
        }
        if (!opened) return at("expected 'open BOARD' first, got '" + std::string(name) + "'");
        const Directive* directive = FindDirective(name);
        if (directive == nullptr) return at("unknown directive '" + std::string(name) + "'");
        if ((directive->syntax == nullptr) != value.empty())
            return at(std::string(name) + (value.empty() ? " needs " + std::string(directive->syntax) : " takes no value"));
        if (std::string error = Apply(scenario, *directive, value); !error.empty()) return at(std::string(name) + ": " + error);
    }
    if (!opened) return "expected 'open BOARD'";
    return "";
}

}  // namespace

void AddScriptCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ScriptOptions>();
    CLI::App* script = app.add_subcommand("script", "Run a scenario file: 'open BOARD', then one run option a line");
    script->allow_windows_style_options(false);  // a path may start with '/'
    script->add_option("file", options->file, "The scenario file")->required();
    script->add_flag("--json", options->json, "One JSON object per step");
    script->add_flag("--explain", options->explain, "After each step, the chip state it changed");
    AddWaveformOptions(script, options->waveform);
    script->callback([options, &exitCode] {
        std::ifstream in(options->file);
        if (!in) {
            std::cerr << "trelhost: cannot read the scenario file '" << options->file << "'\n";
            exitCode = kExitUsage;
            return;
        }
        Scenario scenario;
        if (const std::string error = ReadScenario(in, scenario); !error.empty()) {
            std::cerr << "trelhost: " << options->file << ":" << error << '\n';
            exitCode = kExitUsage;
            return;
        }
        exitCode = RunScenario(scenario, options->json, options->explain, options->waveform);
    });
}

}  // namespace trelhost
