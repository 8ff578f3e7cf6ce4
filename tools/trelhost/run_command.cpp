// trelhost run: one board driven through the host's usual sequence.
#include <charconv>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "commands.h"
#include "report.h"
#include "session.h"

namespace trelhost {
namespace {

using trel::u32;

struct RunOptions {
    std::string board;
    u32 parameter50Hz = 0;
    bool set50Hz = false;
    std::string size;  // WxH
    u32 standard = 0;
    bool setStandard = false;
    bool json = false;
};

std::optional<u32> ParseNumber(std::string_view text) {
    u32 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// "720x480" (or "720X480") as width and height.
std::optional<std::pair<u32, u32>> ParseSize(const std::string& text) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return std::nullopt;
    const auto width = ParseNumber(std::string_view(text).substr(0, x));
    const auto height = ParseNumber(std::string_view(text).substr(x + 1));
    if (!width || !height) return std::nullopt;
    return std::make_pair(*width, *height);
}

const CLI::Validator kSizeValidator(
    [](std::string& text) { return ParseSize(text) ? std::string() : "expected WIDTHxHEIGHT, e.g. 720x480"; }, "WxH",
    "Size");

int RunBoard(const RunOptions& options) {
    const auto index = trel::host::FindBoard(options.board);
    if (!index) {
        std::cerr << "trelhost: unknown board '" << options.board << "' (see 'trelhost list')\n";
        return kExitUnknownBoard;
    }
    trel::host::SessionOptions session;
    if (const auto size = ParseSize(options.size)) {
        session.captureWidth = size->first;
        session.captureHeight = size->second;
    }
    if (options.setStandard) session.standard = options.standard;

    trel::host::SimHost host;
    if (options.set50Hz) host.SetParameter("50Hz", options.parameter50Hz);
    trel::host::Kernel::Get().ClearTraces();  // the load banner is not part of the session

    const std::unique_ptr<StepReporter> reporter = options.json ? MakeJsonReporter(std::cout) : MakeTextReporter(std::cout);
    bool problems = false;
    const bool opened = trel::host::RunUsualSequence(host, *index, session, [&](const trel::host::SessionStep& step) {
        problems = problems || !step.problems.empty();
        reporter->Report(step);
    });
    return opened && !problems ? kExitOk : kExitProblems;
}

}  // namespace

void AddRunCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* run = app.add_subcommand(
        "run", "Open a board, query it, set up video and audio, start a capture and close it, showing every step");
    run->add_option("board", options->board, "Board name (any case) or catalogue index")->required();
    CLI::Option* hz = run->add_option("--50hz", options->parameter50Hz, "Value of the host parameter \"50Hz\"");
    run->add_option("--size", options->size, "Capture size asked at capture start")->check(kSizeValidator);
    CLI::Option* standard =
        run->add_option("--standard", options->standard, "TV standard mask (e.g. 0xA07): programmed by InitVideoSource and asked at capture start");
    run->add_flag("--json", options->json, "One JSON object per step");
    run->callback([options, hz, standard, &exitCode] {
        options->set50Hz = hz->count() > 0;
        options->setStandard = standard->count() > 0;
        exitCode = RunBoard(*options);
    });
}

}  // namespace trelhost
