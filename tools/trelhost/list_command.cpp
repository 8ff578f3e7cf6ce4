// trelhost list: the catalogue as the module hands it to the host, with the
// names of the host's board table.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "board_table.h"
#include "commands.h"
#include "report.h"
#include "sim_host.h"

namespace trelhost {
namespace {

struct ListOptions {
    bool json = false;
};

// B V A I T for the operation tables present, '-' for those absent.
std::string TableLetters(const trel::BoardDescriptor& board) {
    std::string letters;
    letters += board.boardOps != nullptr ? 'B' : '-';
    letters += board.videoOps != nullptr ? 'V' : '-';
    letters += board.audioOps != nullptr ? 'A' : '-';
    letters += board.inputOps != nullptr ? 'I' : '-';
    letters += board.tunerOps != nullptr ? 'T' : '-';
    return letters;
}

int ListBoards(const ListOptions& options) {
    trel::host::SimHost host;
    // Every board's entry first: a board without one stops the listing before
    // its first line.
    std::vector<const trel::host::BoardEntry*> entries;
    for (size_t i = 0; i < host.CatalogueCount(); ++i) entries.push_back(&trel::host::BoardEntryOf(host.Board(i)));
    for (size_t i = 0; i < host.CatalogueCount(); ++i) {
        const trel::BoardDescriptor& board = host.Board(i);
        const char* name = entries[i]->name;
        if (options.json) {
            const nlohmann::ordered_json line = {{"type", "board"},
                                         {"version", kOutputVersion},
                                         {"index", i},
                                         {"name", name},
                                         {"vendorId", board.vendorId},
                                         {"productId", board.productId},
                                         {"revision", board.revision},
                                         {"size", board.size},
                                         {"tables", TableLetters(board)}};
            std::cout << line.dump() << '\n';
        } else {
            char line[96];
            std::snprintf(line, sizeof(line), "%2zu  %-16s  %04X:%04X  0x%04X  %s", i, name,
                          board.vendorId, board.productId, board.revision, TableLetters(board).c_str());
            std::cout << line << '\n';
        }
    }
    return kExitOk;
}

}  // namespace

void AddListCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ListOptions>();
    CLI::App* list = app.add_subcommand("list", "List the board catalogue: index, name, USB ids, revision, tables");
    list->add_flag("--json", options->json, "One JSON object per board");
    list->callback([options, &exitCode] { exitCode = ListBoards(*options); });
}

}  // namespace trelhost
