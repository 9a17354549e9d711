#pragma once
// ZSimulateCommand: `zunit simulate`: plays devices on the search port until interrupted (or for
// --duration seconds). The devices come from a JSON device file (--devices, see
// ZSimulatedDeviceFile) or are generated (--count N, every product kind in turn). Answers can be
// delayed (--delay, --jitter), every request can be logged as JSON lines (--log), and a summary
// of what was received and sent, with the send rate and send failures by error number, is
// printed at the end (--stats). For trials of a searcher's bounds, --flood same|forged floods
// the first searcher it hears (--flood-rate, --flood-bytes, --flood-seconds; see ZAnswerFlood).
//
//   zunit simulate --count 100 --jitter 50 --log /tmp/requests.jsonl
//
// Refuses to run in the machine's own network namespace without --allow-host-network. A device
// file with an error names the entry and field and nothing starts (exit 2); a port that cannot
// be bound exits with 3.
//
// Ownership: the command owns the simulator while it runs.

#include <cstdint>
#include <string>

#include "tools/cli_command.h"

class ZSimulateCommand : public ICliCommand {
public:
    const char* GetName() const override { return "simulate"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

private:
    std::string devicesPath_;
    uint32_t count_ = 0;
    uint16_t port_ = 4258;
    uint32_t delayMs_ = 0;
    uint32_t jitterMs_ = 0;
    uint32_t seed_ = 0;
    std::string logPath_;
    std::string firstAddress_ = "10.200.0.1";
    std::string mask_ = "255.255.0.0";
    double durationSeconds_ = 0;
    std::string flood_;
    uint32_t floodRate_ = 0;
    uint32_t floodBytes_ = 0;
    double floodSeconds_ = 0;
    bool stats_ = false;
    bool allowHostNetwork_ = false;
};
