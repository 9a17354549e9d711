// zunit: the command-line companion of the finder. Each subcommand is a class of its own; add
// one here to offer it.

#include <cstdio>
#include <memory>
#include <string>

#include "app/module_version_info.h"
#include "platform/registry/registry.h"
#include "tools/command_line.h"
#include "tools/connect_command.h"
#include "tools/exporter_command.h"
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
    // The version of this program's own file, as the finder's caption shows the finder's.
    char version[128];
    const bool known = GetProgramVersionText(version, sizeof version);
    cli.Add(std::make_unique<ZExporterCommand>(known ? version : "unknown"));
    cli.Add(std::make_unique<ZSimulateCommand>());
    cli.SetVersion(std::string("zunit ") + (known ? version : "(version unknown)"));
    const int code = cli.Run(argc, argv);
    // A Wine registry file that could not be read: clients there were reported as not installed.
    for (const std::string& problem : zplat::RegistryProblems()) {
        std::fprintf(stderr, "zunit: warning: %s\n", problem.c_str());
    }
    return code;
}
