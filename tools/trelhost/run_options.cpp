#include "run_options.h"

#include <iostream>

#include "board_table.h"

namespace trelhost {

RunOptions::RunOptions(CLI::App* command) : command_(command) {
    command->add_option("board", board_, "Board name (any case) or catalogue index")->required();
    for (const Directive& directive : Directives()) {
        const std::string name = std::string("--") + directive.name;
        CLI::Option* option = directive.syntax == nullptr
                                  ? command->add_flag(name, directive.help)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                                  : command->add_option(name, directive.help)
                                        ->type_name(directive.syntax)
                                        ->expected(1)
                                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        directives_.emplace_back(option, &directive);
    }
}

std::optional<Scenario> RunOptions::Read() const {
    const auto board = trel::host::FindBoard(board_);
    if (!board) {
        std::cerr << "trelhost: unknown board '" << board_ << "' (see 'trelhost list')\n";
        return std::nullopt;
    }
    Scenario scenario;
    scenario.board = *board;
    // Each occurrence takes the next of its option's values.
    std::vector<size_t> taken(directives_.size(), 0);
    for (CLI::Option* option : command_->parse_order()) {
        for (size_t d = 0; d < directives_.size(); ++d) {
            if (directives_[d].first != option) continue;
            const Directive& directive = *directives_[d].second;
            const std::string value = directive.syntax == nullptr ? "" : option->results().at(taken[d]++);
            if (const std::string error = Apply(scenario, directive, value); !error.empty()) {
                std::cerr << "trelhost: --" << directive.name << ": " << error << '\n';
                return std::nullopt;
            }
        }
    }
    return scenario;
}

}  // namespace trelhost
