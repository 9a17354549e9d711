// zunit: the command-line companion of the finder. Each subcommand is a class of its own; add
// one here to offer it.

#include <cstdio>
#include <memory>

#include "platform/registry.h"
#include "tools/command_line.h"
#include "tools/connect_command.h"
#include "tools/interfaces_command.h"
#include "tools/locate_command.h"
#include "tools/scan_command.h"
#include "tools/simulate_command.h"
#include "tools/watch_command.h"

int main(int argc, char** argv) {
    ZCommandLine cli("zunit", "zunit: finds Zelvane devices on the local network, and plays them");
    cli.Add(std::make_unique<ZScanCommand>());
    cli.Add(std::make_unique<ZWatchCommand>());
    cli.Add(std::make_unique<ZConnectCommand>());
    cli.Add(std::make_unique<ZLocateCommand>());
    cli.Add(std::make_unique<ZInterfacesCommand>());
    cli.Add(std::make_unique<ZSimulateCommand>());
    const int code = cli.Run(argc, argv);
    // A Wine registry file that could not be read: clients there were reported as not installed.
    for (const std::string& problem : zplat::RegistryProblems()) {
        std::fprintf(stderr, "zunit: warning: %s\n", problem.c_str());
    }
    return code;
}
