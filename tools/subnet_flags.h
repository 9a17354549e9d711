#pragma once
// ZSubnetFlags: the options of zunit's product commands (scan, watch, connect) that search
// subnets beyond the local ones: --subnet CIDR (repeatable) and --rate N, checked once and handed
// to ZProductSearch in one step.
//
//   ZSubnetFlags subnets_;                             // a member of the command
//   subnets_.Configure(command);                       // in ICliCommand::Configure
//   if (!subnets_.Check("scan")) return kExitUsage;    // in Run: the error is on stderr
//   subnets_.Apply(&options);
//
// Check applies ZSubnetCheck, the finder's rules too: it refuses a malformed block, a prefix
// outside 16 to 32, a block with host bits set, a block where no device has its address
// (loopback, multicast...), a block the routing table has no route to any address of (the error
// names the first such block), more than ZSubnetSweep::kMaxBlocks blocks and a rate outside 1 to
// ZSendPacer::kMaxRate. A block given twice is swept once.
//
// Ownership: plain values; CLI11 writes them while parsing, so the object must outlive the parse.

#include <cstdint>
#include <string>
#include <vector>

#include "net/cidr_block.h"
#include "net/send_pacer.h"
#include "tools/product_search.h"

namespace CLI {
class App;
}

class ZSubnetFlags {
public:
    // Declares --subnet and --rate on the command.
    void Configure(CLI::App* command);
    // False, with "zunit <command>: ..." on stderr, when a value is refused.
    bool Check(const char* command);
    // The same without printing: false with the text in *error.
    bool Check(std::string* error);
    // Sets the checked blocks and the rate.
    void Apply(ZProductSearch::Options* options) const;

private:
    std::vector<std::string> texts_;
    uint32_t rate_ = ZSendPacer::kDefaultRate;
    std::vector<ZCIDRBlock> blocks_;
};
