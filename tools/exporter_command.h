#pragma once
// ZExporterCommand: `zunit exporter`: searches as `zunit watch` does, until interrupted, and serves
// what it finds to Prometheus over HTTP (ZExporterServer): /metrics, a landing page at / and
// /-/healthy. Every device known is exported (ZExporterModel): up 1 while it answers, 0 once it
// is stale (two search cycles and a half without an answer), with its texts on an info series and
// its last answer's time. Known devices are kept in a state file (ZExporterState), so a device
// that stays silent across a restart is still exported with up 0; --forget-after drops one that
// has been silent that long; --expect exports every product of an inventory from the start.
//
//   zunit exporter                                   # http://127.0.0.1:10258/metrics
//   zunit exporter --listen :10258 --expect site.json --forget-after 30d
//
// SIGINT and SIGTERM end it cleanly (the state file is written once more).
//
// Exit codes: 0 ended, 2 usage (an option, the inventory), 3 the network or the port could not
// be opened. Refuses to run in the machine's own network namespace without
// --allow-host-network when built with the guard (ZNetworkNamespace).
//
// Ownership: the command owns its search, model and server while it runs.

#include <cstdint>
#include <string>
#include <utility>

#include "tools/cli_command.h"
#include "tools/search_flags.h"
#include "tools/subnet_flags.h"

class ZExporterCommand : public ICliCommand {
public:
    // version: the program's, for zunit_build_info and the landing page.
    explicit ZExporterCommand(std::string version) : version_(std::move(version)) {}

    const char* GetName() const override { return "exporter"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

    // The state file when --state is not given: <user state folder>/zunit/exporter.state; "" when
    // the system names no state folder.
    static std::string DefaultStatePath();

private:
    std::string version_;
    std::string listen_ = "127.0.0.1:10258";
    std::string statePath_;
    bool noState_ = false;
    std::string forgetAfter_ = "0";
    std::string expectPath_;
    double seconds_ = 0;
    uint32_t intervalMs_ = 2000;
    ZSearchFlags search_;
    ZSubnetFlags subnets_;
    bool allowHostNetwork_ = false;
};
