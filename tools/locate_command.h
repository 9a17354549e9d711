#pragma once
// ZLocateCommand: `zunit locate ADDRESS`: the agent's blocking lookup of the one device at
// ADDRESS (and --port, when given) whose service matches --service; prints the device, or the
// text of the lookup's result code on stderr.
//
//   zunit locate 192.168.1.50 --timeout 3000
//
// Exit codes: 0 found, 1 not found (time-out, refusal), 2 usage, 3 the network could not start.
// Refuses to run in the machine's own network namespace without --allow-host-network.
//
// Ownership: the command owns its agent while it runs.

#include <cstdint>
#include <string>

#include "tools/cli_command.h"

class ZNDDUserAgent;

class ZLocateCommand : public ICliCommand {
public:
    const char* GetName() const override { return "locate"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

    // The text of a lookup result: the agent's for "no service type", else the engine's.
    static const char* ResultText(ZNDDUserAgent* agent, int16_t code);

private:
    std::string address_;
    uint16_t port_ = 0;
    uint32_t timeoutMs_ = 3000;
    uint16_t retries_ = 3;
    std::string service_ = "zelvane.*";
    std::string data_;
    uint16_t searchPort_ = 4258;
    bool json_ = false;
    bool allowHostNetwork_ = false;
};
