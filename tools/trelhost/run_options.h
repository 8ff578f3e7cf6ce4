// The board and the run options (scenario.h's directives) as `trelhost run`
// takes them on its command line; `trelhost compare` takes the same.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scenario.h"

namespace trelhost {

class RunOptions {
public:
    // Adds the board argument and an option per directive to `command`.
    explicit RunOptions(CLI::App* command);
    // The scenario the command line describes, the options in the order
    // given; nullopt when the board or a value is refused (said on stderr).
    std::optional<Scenario> Read() const;

private:
    CLI::App* command_;
    std::string board_;
    std::vector<std::pair<CLI::Option*, const Directive*>> directives_;
};

}  // namespace trelhost
