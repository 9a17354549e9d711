#pragma once
// ZCommandLine: the zunit command line: a CLI11 application with one subcommand per registered
// ICliCommand. Parses the arguments, runs the chosen command and turns parse errors into the
// usage exit code. --help lists the commands, --help-all every command with its options (the
// manual page is made from it), COMMAND --help one command's.
//
//   ZCommandLine cli("zunit", "Finds and plays Zelvane devices on the local network");
//   cli.Add(std::make_unique<ZScanCommand>());
//   return cli.Run(argc, argv);
//
// Ownership: the command line owns its commands. No exception leaves Run.

#include <memory>
#include <string>
#include <vector>

#include "tools/cli_command.h"

class ZCommandLine {
public:
    ZCommandLine(std::string name, std::string description);
    ~ZCommandLine();
    ZCommandLine(const ZCommandLine&) = delete;
    ZCommandLine& operator=(const ZCommandLine&) = delete;

    void Add(std::unique_ptr<ICliCommand> command);
    // What --version prints (e.g. "zunit 1.0.0"); without it there is no --version.
    void SetVersion(std::string text);
    // The chosen command's exit code; kExitUsage for bad arguments or no command; 0 for --help,
    // --help-all and --version.
    int Run(int argc, const char* const* argv);

private:
    std::string name_;
    std::string description_;
    std::string version_;
    std::vector<std::unique_ptr<ICliCommand>> commands_;
};
