// trelhost: loads the board module into the simulated host and drives it as
// the host driver does, printing what the module traces and puts on the bus.
// Every way it ends has its code in commands.h's table: the parser's own
// errors are usage errors, and output that could not be written fails the
// command whatever it did.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"

namespace trelhost {
namespace {

const CLI::App* FindCommand(const CLI::App& app, const std::string& name) {
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (command->get_name() == name) return command;
    }
    return nullptr;
}

int UnknownCommand(const std::string& name) {
    std::cerr << "trelhost: unknown command '" << name << "' (see 'trelhost help')\n";
    return kExitUsage;
}

// trelhost help [command]: the command's help, or the list of commands.
void AddHelpCommand(CLI::App& app, int& exitCode) {
    auto name = std::make_shared<std::string>();
    CLI::App* help = app.add_subcommand("help", "Show the commands, or one command's options");
    help->add_option("command", *name, "The command to describe");
    help->callback([&app, name, &exitCode] {
        if (name->empty()) {
            // Not app.help(): with a command chosen (this one) it describes that.
            std::cout << app.get_formatter()->make_help(&app, "trelhost", CLI::AppFormatMode::Normal);
        } else if (const CLI::App* command = FindCommand(app, *name)) {
            std::cout << command->help("trelhost");
        } else {
            exitCode = UnknownCommand(*name);
        }
    });
}

// The command line's mistakes, as the parser reports them, in the user's words.
int ParseFailure(CLI::App& app, const CLI::ParseError& error) {
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    const std::string command = parsed.empty() ? std::string() : parsed.front()->get_name();
    std::cerr << "trelhost: " << (command.empty() ? "" : command + ": ") << error.what() << " (see 'trelhost help"
              << (command.empty() ? "" : " " + command) << "')\n";
    return kExitUsage;
}

// Everything written to stdout reached it, or the command fails with
// kExitOutput (unless a load or usage failure already ranks above it).
int CheckOutput(int exitCode) {
    std::cout.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && std::cout.good() && std::ferror(stdout) == 0) return exitCode;
    std::cerr << "trelhost: the output could not be written" << (error != 0 ? std::string(" (") + std::strerror(error) + ")" : "")
              << '\n';
    return exitCode == kExitModuleNotLoaded || exitCode == kExitUsage ? exitCode : kExitOutput;
}

int Run(int argc, char** argv) {
    CLI::App app{"Drive the TrelBoard module through the simulated host", "trelhost"};
    app.require_subcommand(1);
    // Options start with '-' on Windows too: "/tmp/steps.h" is a file (set
    // before the commands are added, which take the setting from here).
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string(), "trelhost's version, and the module's path, size and SHA-256");
    int exitCode = kExitOk;
    AddListCommand(app, exitCode);
    AddRunCommand(app, exitCode);
    AddScriptCommand(app, exitCode);
    AddCostCommand(app, exitCode);
    AddTableCommand(app, exitCode);
    AddKernelCommands(app, exitCode);
    AddCompareCommand(app, exitCode);
    AddHelpCommand(app, exitCode);
    if (argc < 2) {
        std::cerr << "trelhost: a command is required (see 'trelhost help')\n";
        return kExitUsage;
    }
    if (argv[1][0] != '-' && FindCommand(app, argv[1]) == nullptr) return UnknownCommand(argv[1]);
    if (argv[1][0] == '-' && app.get_option_no_throw(argv[1]) == nullptr) {
        std::cerr << "trelhost: unknown option '" << argv[1] << "' before the command (see 'trelhost help')\n";
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion&) {
        return PrintVersion();
    } catch (const CLI::Success& help) {
        return app.exit(help);  // --help: 0
    } catch (const CLI::ParseError& error) {
        return ParseFailure(app, error);
    }
    return exitCode;
}

}  // namespace
}  // namespace trelhost

int main(int argc, char** argv) { return trelhost::CheckOutput(trelhost::Run(argc, argv)); }
