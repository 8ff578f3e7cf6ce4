// trelhost table: a camera board's stream format table, decoded.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "decode.h"
#include "engine.h"
#include "report.h"

namespace trelhost {
namespace {

using trel::u32;

struct TableOptions {
    std::string board;
    u32 parameter50Hz = 0;
    bool set50Hz = false;
    bool json = false;
};

// Opens the board (which reads "50Hz"), asks for its table, decodes it, closes
// the board. Boards without a table say so.
int ShowTable(const TableOptions& options) {
    const auto index = trel::host::FindBoard(options.board);
    if (!index) {
        std::cerr << "trelhost: unknown board '" << options.board << "' (see 'trelhost list')\n";
        return kExitUsage;
    }
    trel::host::SimHost host;
    if (options.set50Hz) host.SetParameter("50Hz", options.parameter50Hz);
    std::vector<std::string> problemLines;
    trel::host::Engine engine(host, [&](const trel::host::SessionStep& step) {
        for (const std::string& problem : step.problems) problemLines.push_back(step.operation + ": " + problem);
    });
    trel::host::Step step{};
    step.board = *index;
    step.op = trel::host::Op::OpenBoard;
    if (engine.Run(step).status != trel::kStatusSuccess) {
        std::cerr << "trelhost: " << trel::host::BoardNames().at(*index) << " did not open\n";
        return problemLines.empty() ? kExitOperationFailed : kExitProblems;
    }
    step.op = trel::host::Op::GetStreamFormatTable;
    const trel::host::SessionStep table = engine.Run(step);
    step.op = trel::host::Op::CloseBoard;
    engine.Run(step);

    const std::string name = trel::host::BoardNames().at(*index);
    const u32 flag = options.parameter50Hz;
    if (options.json) {
        nlohmann::ordered_json line = {{"type", "table"},
                                       {"version", kOutputVersion},
                                       {"board", name},
                                       {"50Hz", flag},
                                       {"streamFormatTable", table.streamTable ? StreamFormatTableJson(*table.streamTable)
                                                                              : nlohmann::ordered_json()},
                                       {"problems", problemLines}};
        std::cout << line.dump() << '\n';
    } else {
        std::cout << name << ", \"50Hz\" = " << flag << ": ";
        if (!table.streamTable) {
            std::cout << "no stream format table\n";
        } else {
            std::cout << "stream format table\n";
            for (const std::string& text : DescribeStreamFormatTable(*table.streamTable)) std::cout << "  " << text << '\n';
        }
        for (const std::string& problem : problemLines) std::cout << "PROBLEM: " << problem << '\n';
    }
    return problemLines.empty() ? kExitOk : kExitProblems;
}

}  // namespace

void AddTableCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<TableOptions>();
    CLI::App* table = app.add_subcommand(
        "table", "Open a camera board and print its stream format table decoded (sizes, rates, options)");
    table->add_option("board", options->board, "Board name (any case) or catalogue index")->required();
    CLI::Option* hz = AddNumberOption(table, "--50hz", options->parameter50Hz, "Value of the host parameter \"50Hz\"");
    table->add_flag("--json", options->json, "The table as one JSON object");
    table->callback([options, hz, &exitCode] {
        options->set50Hz = hz->count() > 0;
        exitCode = ShowTable(*options);
    });
}

}  // namespace trelhost
