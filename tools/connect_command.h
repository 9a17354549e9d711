#pragma once
// ZConnectCommand: `zunit connect ADDRESS[:PORT]`: finds the product at that address (and port)
// with the finder's discovery core and starts its client application as the finder's Connect
// button does: the client found in the registry (on Linux the Wine prefix's, started through
// `wine`), the device's web page for a VXP, never through a shell.
//
//   zunit connect 10.0.0.50            # the one product at 10.0.0.50
//   zunit connect 10.0.0.50:4300 --dry-run
//
// It searches until a product at the address answers (at most --time seconds), then half a search
// cycle more (at most half a second) so that every product at that address can answer, and stops
// searching before it starts the client. More than one product there: they are listed, and a port
// (or an exact
// --service) chooses.
//
// Exit codes: 0 started (with --dry-run: could start), 1 no product answered there, 2 usage
// (also: more than one product matches), 3 the network could not start, 5 the client is not
// installed or is not started by this program, 6 the client did not start. Refuses to run in the
// machine's own network namespace without --allow-host-network.
//
// Ownership: the command owns its search while it runs; the started client runs on its own.

#include <cstdint>
#include <string>

#include "tools/cli_command.h"
#include "tools/subnet_flags.h"

class ZConnectCommand : public ICliCommand {
public:
    const char* GetName() const override { return "connect"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

    // Splits "a.b.c.d" or "a.b.c.d:port" (port 1 to 65535); false when it is neither.
    static bool ParseTarget(const std::string& text, std::string* address, uint16_t* port);

private:
    std::string target_;
    double seconds_ = 5;
    uint32_t intervalMs_ = 2000;
    std::string service_ = "zelvane.*";
    uint16_t searchPort_ = 4258;
    bool dryRun_ = false;
    bool allowHostNetwork_ = false;
    ZSubnetFlags subnets_;
};
