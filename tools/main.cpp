// zunit: the command-line companion of the finder. Each subcommand is a class of its own; add
// one here to offer it.

#include <memory>

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
    return cli.Run(argc, argv);
}
