#pragma once
// ZInterfacesCommand: `zunit interfaces`: the detection engine's interface table (the local
// addresses a search goes out on, with mask, broadcast address and adapter name) and every
// adapter of the machine's adapter inventory.
//
//   zunit interfaces --json
//
// The engine opens its socket to read its table but sends nothing. Exit codes: 0, or 3 when the
// engine's socket could not be opened (the inventory is printed all the same).
//
// Ownership: the command owns its engine and inventory while it runs.

#include "tools/cli_command.h"

class ZInterfacesCommand : public ICliCommand {
public:
    const char* GetName() const override { return "interfaces"; }
    const char* GetDescription() const override;
    void Configure(CLI::App* command) override;
    int Run() override;

private:
    bool json_ = false;
};
