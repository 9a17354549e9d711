#pragma once
// ZScanCommand: `zunit scan`: searches with the user agent for a while (a cycle every
// --interval milliseconds, as the finder does) and prints every device that answered, one row
// each, with the local interface it answered through. --until N ends the scan as soon as N
// devices are stored (--count-target N only notes when); --stats prints what the scan took
// (cycles, answers, time and cycle when the N were stored, CPU time) as JSON on stderr, for
// benchmarks.
//
//   zunit scan --time 5 --json
//
// Exit codes: 0 devices found, 1 none, 2 usage, 3 the network could not start. Refuses to run in
// the machine's own network namespace without --allow-host-network.
//
// Ownership: the command owns its agent while it runs.

#include <cstdint>
#include <string>

#include "tools/cli_command.h"

class ZScanCommand : public ICliCommand {
public:
    const char* GetName() const override { return "scan"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

private:
    double seconds_ = 5;
    uint32_t intervalMs_ = 2000;
    bool json_ = false;
    bool csv_ = false;
    std::string service_ = "zelvane.*";
    std::string data_;
    uint16_t searchPort_ = 4258;
    uint32_t until_ = 0;
    uint32_t countTarget_ = 0;
    bool stats_ = false;
    bool allowHostNetwork_ = false;
};
