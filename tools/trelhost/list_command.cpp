// trelhost list: the catalogue as the module hands it to the host.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "commands.h"
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

std::string BoardName(size_t index) {
    const auto& names = trel::host::BoardNames();
    return index < names.size() ? names[index] : "?";
}

int ListBoards(const ListOptions& options) {
    trel::host::SimHost host;
    for (size_t i = 0; i < host.CatalogueCount(); ++i) {
        const trel::BoardDescriptor& board = host.Board(i);
        if (options.json) {
            const nlohmann::ordered_json line = {{"index", i},
                                         {"name", BoardName(i)},
                                         {"vendorId", board.vendorId},
                                         {"productId", board.productId},
                                         {"revision", board.revision},
                                         {"size", board.size},
                                         {"tables", TableLetters(board)}};
            std::cout << line.dump() << '\n';
        } else {
            char line[96];
            std::snprintf(line, sizeof(line), "%2zu  %-16s  %04X:%04X  0x%04X  %s", i, BoardName(i).c_str(),
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
