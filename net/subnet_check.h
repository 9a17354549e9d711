#pragma once
// ZSubnetCheck: the rules for the routed subnets a search sweeps beside its broadcasts, and for
// the rate of the sweep, as both zunit (--subnet, --rate) and the finder's Preferences apply
// them: no more blocks than the sweep takes; each block one ZCIDRBlock::Parse accepts (four
// octets, /16 to /32, no host bits set, not where no device has its address) and one the routing
// table has a route to some address of; a block listed twice is swept once; the rate is 1 to
// ZSendPacer::kMaxRate requests per second.
//
//   std::vector<ZCIDRBlock> blocks;
//   std::vector<std::string> refused;
//   if (!ZSubnetCheck::CheckBlocks({"10.20.0.0/22", "10.31.2.0/24"}, ZSubnetSweep::kMaxBlocks,
//                                  &blocks, &refused)) {
//       for (const std::string& why : refused) puts(why.c_str());   // each names its block
//   }
//   std::string error;
//   if (!ZSubnetCheck::CheckRate(rate, &error)) puts(error.c_str());
//
// The routing table is read (ZRouteFinder), never a datagram sent. No state, no ownership.

#include <cstdint>
#include <string>
#include <vector>

#include "net/cidr_block.h"

class ZSubnetCheck {
public:
    // The accepted blocks of texts in their order, each once, into *blocks; false when any text
    // was refused, with one reason per refused text in *refused (in order: those that are no
    // block, then those without a route), each naming the text or block. More than maxBlocks
    // texts are refused as a whole, with one reason that says so.
    static bool CheckBlocks(const std::vector<std::string>& texts, size_t maxBlocks,
                            std::vector<ZCIDRBlock>* blocks, std::vector<std::string>* refused);
    // False, with "give 1 to N requests per second" in *error, for a rate out of range.
    static bool CheckRate(uint64_t rate, std::string* error);
};
