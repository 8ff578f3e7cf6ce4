// trelhost's commands. Each adds its subcommand, with its own options, to the
// application; its callback leaves the process exit code in `exitCode`.
#pragma once

#include <CLI/CLI.hpp>

namespace trelhost {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProblems = 1;  // the board did not open, or the kit saw misuse
inline constexpr int kExitUnknownBoard = 2;
inline constexpr int kExitNoTuner = 3;  // a tuner option for a board without TunerOps
// 4: the kit refused the board module and stopped (trel::host::Module::kExitModuleRefused).
// 5: the module serves a board the host's board table lacks (trel::host::kExitNoBoardEntry).

void AddListCommand(CLI::App& app, int& exitCode);
void AddRunCommand(CLI::App& app, int& exitCode);
void AddCostCommand(CLI::App& app, int& exitCode);
void AddTableCommand(CLI::App& app, int& exitCode);
void AddKernelCommands(CLI::App& app, int& exitCode);

}  // namespace trelhost
