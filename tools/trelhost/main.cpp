// trelhost: loads the board module into the simulated host and drives it as
// the host driver does, printing what the module traces and puts on the bus.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"Drive the TrelBoard module through the simulated host"};
    app.require_subcommand(1);
    int exitCode = trelhost::kExitOk;
    trelhost::AddListCommand(app, exitCode);
    trelhost::AddRunCommand(app, exitCode);
    trelhost::AddScriptCommand(app, exitCode);
    trelhost::AddCostCommand(app, exitCode);
    trelhost::AddTableCommand(app, exitCode);
    trelhost::AddKernelCommands(app, exitCode);
    CLI11_PARSE(app, argc, argv);
    return exitCode;
}
