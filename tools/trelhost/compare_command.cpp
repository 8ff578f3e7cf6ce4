// trelhost compare: a board's session run with a logic analyzer's capture of
// its I2C bus as the chips' side, the module's transactions compared with the
// capture's (compare.h, capture.h).
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "compare.h"
#include "run_options.h"
#include "scenario.h"

namespace trelhost {
namespace {

struct CompareFlags {
    CaptureFile file;
    std::vector<std::string> ignored;
};

// Drops the transactions to an ignored chip.
template <typename T, typename Wire>
void DropIgnored(std::vector<T>& list, const std::vector<uint8_t>& ignored, Wire wire) {
    std::erase_if(list, [&](const T& item) {
        return std::find(ignored.begin(), ignored.end(), wire(item).Chip()) != ignored.end();
    });
}

int RunCompare(const Scenario& scenario, const CompareFlags& flags) {
    std::vector<uint8_t> ignored;
    for (const std::string& text : flags.ignored) {
        const Parsed<uint64_t> address = ParseUnsigned(text, 0xFF);
        if (!address) {
            std::cerr << "trelhost: --ignore-address: " << address.error << '\n';
            return kExitUsage;
        }
        ignored.push_back(static_cast<uint8_t>(*address.value & 0xFE));
    }
    CaptureRead read = ReadCapture(flags.file);
    if (!read.capture) {
        std::cerr << "trelhost: compare: " << read.error << '\n';
        return kExitCaptureUnreadable;
    }
    Capture& capture = *read.capture;
    DropIgnored(capture.transactions, ignored, [](const WireTransaction& t) -> const WireTransaction& { return t; });

    trel::host::SimHost host;
    CaptureAnswers answers(host, capture.transactions, scenario.parameters);
    host.SetScript(&answers);
    std::vector<Expected> expected;
    size_t stepNumber = 0;
    PlayScenario(scenario, host, [&](const trel::host::SessionStep& step) {
        ++stepNumber;
        size_t call = 0;
        for (const trel::host::BusCall& bus : step.bus) {
            std::optional<WireTransaction> wire = WireOf(bus);
            if (!wire) continue;
            const std::string operation = step.label.empty() ? step.operation : step.operation + " " + step.label;
            const bool refused = answers.Refused().count(bus.sequence) != 0;
            expected.push_back({std::move(*wire), stepNumber, operation, ++call, refused});
        }
    });
    host.SetScript(nullptr);
    DropIgnored(expected, ignored, [](const Expected& e) -> const WireTransaction& { return e.wire; });

    const Comparison comparison = Compare(expected, capture.transactions);
    PrintComparison(std::cout, comparison, expected, capture.transactions, capture.samplerate);
    return comparison.Identical() ? kExitOk : kExitCaptureDiffers;
}

}  // namespace

void AddCompareCommand(CLI::App& app, int& exitCode) {
    auto flags = std::make_shared<CompareFlags>();
    CLI::App* compare = app.add_subcommand(
        "compare",
        "Run a board's session with a logic analyzer's capture of its I2C bus (VCD, or a sigrok session file) as "
        "the chips' side, and compare the transactions the module sends with the capture's, decoded by sigrok-cli");
    auto options = std::make_shared<RunOptions>(compare);
    compare->add_option("capture", flags->file.path, "The capture: a VCD file, or a sigrok session file (.sr)")
        ->required();
    compare->add_option("--scl", flags->file.scl, "The capture's channel for the I2C clock")->default_str(flags->file.scl);
    compare->add_option("--sda", flags->file.sda, "The capture's channel for the I2C data")->default_str(flags->file.sda);
    compare->add_option("--ignore-address", flags->ignored,
                        "Leave out the traffic to this I2C address byte (write form; repeatable)")
        ->type_name("ADDR");
    compare->callback([flags, options, &exitCode] {
        const std::optional<Scenario> scenario = options->Read();
        exitCode = scenario ? RunCompare(*scenario, *flags) : kExitUsage;
    });
}

}  // namespace trelhost
