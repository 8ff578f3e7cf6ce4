// trelhost's commands. Each adds its subcommand, with its own options, to the
// application; its callback leaves the process exit code in `exitCode`.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "board_table.h"
#include "input.h"
#include "sim_host.h"

namespace trelhost {

// trelhost's exit codes: one table for every command (the README lists it).
// When several apply, the first of 4, 3, 5, 2, 1 is the exit code.
inline constexpr int kExitOk = 0;
inline constexpr int kExitOperationFailed = 1;  // an operation whose result is a status returned an error
inline constexpr int kExitProblems = 2;         // the host kit saw the module misbehave (misuse, leaks)
inline constexpr int kExitUsage = 3;            // the command line: unknown command, option or board, a bad value
inline constexpr int kExitModuleNotLoaded = 4;  // the module file was refused, or serves a board the kit lacks
inline constexpr int kExitOutput = 5;           // output could not be written
inline constexpr int kExitCaptureDiffers = 6;     // compare: the capture diverges from what the module sends
inline constexpr int kExitCaptureUnreadable = 7;  // compare: the capture cannot be read, or lacks the channels
static_assert(kExitModuleNotLoaded == trel::host::Module::kExitModuleRefused);
static_assert(kExitModuleNotLoaded == trel::host::kExitNoBoardEntry);

// An option taking an unsigned number in [0, max] as input.h reads it; a bad
// value is a usage error naming the accepted form and range.
template <typename T>
CLI::Option* AddNumberOption(CLI::App* command, const std::string& name, T& value, const std::string& help,
                             uint64_t max = UINT32_MAX) {
    const CLI::Validator number(
        [max](std::string& text) {
            const Parsed<uint64_t> parsed = ParseUnsigned(text, max);
            if (!parsed) return parsed.error;
            text = std::to_string(*parsed.value);
            return std::string();
        },
        "NUMBER");
    return command->add_option(name, value, help)->transform(number);
}

// trelhost --version: prints trelhost's version and the module file's path,
// size and SHA-256; returns the exit code.
int PrintVersion();

void AddListCommand(CLI::App& app, int& exitCode);
void AddRunCommand(CLI::App& app, int& exitCode);
void AddScriptCommand(CLI::App& app, int& exitCode);
void AddCostCommand(CLI::App& app, int& exitCode);
void AddTableCommand(CLI::App& app, int& exitCode);
void AddKernelCommands(CLI::App& app, int& exitCode);
void AddCompareCommand(CLI::App& app, int& exitCode);

}  // namespace trelhost
