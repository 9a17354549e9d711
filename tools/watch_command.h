#pragma once
// ZWatchCommand: `zunit watch`: searches as the finder does, with its discovery core, until
// interrupted (or for --time seconds) and reports each product that appears, goes stale (missed
// two search cycles: no answer for two and a half intervals) and comes back. The core keeps every
// product it has seen; the command keeps its own last-seen times beside that list through a
// second handler on the core's agent (ZProductTracker).
//
//   zunit watch                      # on a terminal: a live list, redrawn, with the latest events
//   zunit watch --json | jq .        # one JSON event per line
//   zunit watch --events             # one text line per event, also on a terminal
//
// On a terminal stdout shows the live list unless --json or --events is given; otherwise every
// event is one line (text, or a JSON object with --json, see ZWatchView). SIGINT and SIGTERM end
// the watch cleanly.
//
// Exit codes: 0 ended, 2 usage, 3 the network could not start. Refuses to run in the machine's own
// network namespace without --allow-host-network.
//
// Ownership: the command owns its search while it runs.

#include <cstdint>
#include <string>

#include "tools/cli_command.h"
#include "tools/search_flags.h"
#include "tools/subnet_flags.h"

class ZWatchCommand : public ICliCommand {
public:
    const char* GetName() const override { return "watch"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

private:
    double seconds_ = 0;
    uint32_t intervalMs_ = 2000;
    bool json_ = false;
    bool events_ = false;
    ZSearchFlags search_;
    ZSubnetFlags subnets_;
    bool allowHostNetwork_ = false;
};
