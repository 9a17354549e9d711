#pragma once
// ZScanCommand: `zunit scan`: searches as the finder does, with its discovery core, for a while
// (a cycle every --interval milliseconds) and prints the products found, one row each, with the
// finder's columns (Device Name, Type/Model, Version, Address:port, Description, Client and
// whether it is installed, Serial) and the local interface each answered through; as a table, or
// with --json, --ndjson or --csv (see ZProductTable), ordered by address, port and service.
//
//   zunit scan --time 5 --json
//   zunit scan --expect inventory.json          # exit 4 when an expected product is missing
//
// --expect FILE compares the products with an expected inventory (ZExpectedInventory, format in
// the command's help): the scan ends as soon as every expected product has answered, names each
// missing one on stderr and exits with 4 when one is. --until N ends the scan as soon as N products
// are listed (--count-target N only notes when); --stats prints what the scan took (cycles,
// answers, time and cycle when the N were listed, CPU time) as JSON on stderr, for benchmarks.
// When stderr is a terminal a live count of the devices found runs there while the scan searches
// (not with --quiet); piped output never carries it.
//
// Exit codes: 0 products found (with --expect: none missing), 1 none, 2 usage, 3 the network
// could not start, 4 an expected product is missing. Refuses to run in the machine's own network
// namespace without --allow-host-network.
//
// Ownership: the command owns its search while it runs.

#include <cstdint>
#include <string>

#include "tools/cli_command.h"
#include "tools/search_flags.h"
#include "tools/subnet_flags.h"

class ZScanCommand : public ICliCommand {
public:
    const char* GetName() const override { return "scan"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

    // The --expect file format, as the help shows it.
    static const char* ExpectHelp();

private:
    double seconds_ = 5;
    uint32_t intervalMs_ = 2000;
    bool json_ = false;
    bool ndjson_ = false;
    bool csv_ = false;
    ZSearchFlags search_;
    ZSubnetFlags subnets_;
    uint32_t until_ = 0;
    uint32_t countTarget_ = 0;
    std::string expectPath_;
    bool stats_ = false;
    bool quiet_ = false;
    bool allowHostNetwork_ = false;
};
