// trelhost run: one board driven through the host's usual sequence.
#include <charconv>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "board_readout.h"
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
    trel::u32 tune = 0;  // TV channel, Hz
    trel::u32 fm = 0;    // FM station, Hz
    trel::u32 audioMode = 0;
    bool setTune = false;
    bool setFm = false;
    bool setAudioMode = false;
    bool json = false;
    bool explain = false;
    bool signal50Hz = false;
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
        return kExitUsage;
    }
    trel::host::SessionOptions session;
    if (const auto size = ParseSize(options.size)) {
        session.captureWidth = size->first;
        session.captureHeight = size->second;
    }
    if (options.setStandard) session.standard = options.standard;
    if (options.setTune) session.tvFrequency = options.tune;
    if (options.setFm) session.fmFrequency = options.fm;
    if (options.setAudioMode) session.tvAudioMode = options.audioMode;

    std::optional<RegisterBit> signalBit;
    if (options.signal50Hz) {
        signalBit = Signal50HzBit(*index);
        if (!signalBit) {
            std::cerr << "trelhost: --signal-50hz: board '" << trel::host::BoardNames().at(*index)
                      << "' reads no 50-Hz signal status\n";
            return kExitUsage;
        }
    }

    trel::host::SimHost host;
    if (session.UsesTuner() && host.Board(*index).tunerOps == nullptr) {
        std::cerr << "trelhost: board '" << trel::host::BoardNames().at(*index)
                  << "' has no tuner (--tune, --fm and --audio-mode need one)\n";
        return kExitUsage;
    }
    if (options.set50Hz) host.SetParameter("50Hz", options.parameter50Hz);
    if (signalBit) host.SetReg(signalBit->address, signalBit->reg, host.Reg(signalBit->address, signalBit->reg) | signalBit->mask);
    trel::host::Kernel::Get().ClearTraces();  // the load banner is not part of the session

    const std::unique_ptr<StepReporter> reporter = options.json ? MakeJsonReporter(std::cout, *index, options.explain)
                                                                         : MakeTextReporter(std::cout, *index, options.explain);
    bool problems = false;
    const bool opened = trel::host::RunUsualSequence(host, *index, session, [&](const trel::host::SessionStep& step) {
        problems = problems || !step.problems.empty();
        reporter->Report(step);
    });
    reporter->Finish();
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
    run->add_flag("--signal-50hz", options->signal50Hz,
                  "The decoder reports a 50-Hz signal (Egret: bit 0 of TW9906 register 0x01)");
    CLI::Option* tune = run->add_option("--tune", options->tune, "Tune this TV channel (Hz) before capture start");
    CLI::Option* fm =
        run->add_option("--fm", options->fm, "Tune this FM station (Hz) before capture start")->excludes(tune);
    CLI::Option* audioMode = run->add_option("--audio-mode", options->audioMode,
                                             "TV-audio mode flags (0x01 mono, 0x02 stereo, 0x10 language A, 0x20 B)");
    run->add_flag("--json", options->json, "One JSON object per step");
    run->add_flag("--explain", options->explain,
                  "After each step, the chip state it changed: input, standard, picture controls, scaler sizes, "
                  "audio clock, VBI lines, tuned frequency, TV-audio routing");
    run->callback([options, hz, standard, tune, fm, audioMode, &exitCode] {
        options->setTune = tune->count() > 0;
        options->setFm = fm->count() > 0;
        options->setAudioMode = audioMode->count() > 0;
        options->set50Hz = hz->count() > 0;
        options->setStandard = standard->count() > 0;
        exitCode = RunBoard(*options);
    });
}

}  // namespace trelhost
