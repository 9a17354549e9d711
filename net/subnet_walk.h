#pragma once
// ZSubnetWalk: the order in which a subnet sweep visits addresses: every host address of each
// block (ZCIDRBlock) in turn, ascending, leaving out the addresses of the local subnets (those
// are searched by broadcast already). A walk keeps its place, so a sweep that must pause (its
// rate is spent) goes on later exactly where it stopped.
//
//   ZSubnetWalk walk({block22, block24});
//   walk.SetLocalSubnets({{InetAddr("10.31.1.2"), InetAddr("255.255.255.0")}});
//   uint32_t address; size_t block;
//   while (budget-- > 0 && walk.Next(&address, &block)) Send(address);   // resumes next time
//   if (walk.IsPassDone()) walk.Restart();                                 // a new pass
//
// An address that an earlier block of the list sweeps as one of its hosts is left out too, so a
// block given twice, or one inside another, is swept once. The network and broadcast addresses of
// an earlier block are not its hosts: a later block that holds them as hosts sends to them
// (10.31.2.0 and 10.31.2.255 with 10.31.2.0/24 listed before 10.31.0.0/22).
//
// Cost: the addresses earlier blocks cover are worked out once, at construction, as ranges per
// block (a sort of the blocks; a block of /16 to /32 lies inside at most 16 others), and a step
// of the walk jumps over a covered range at once.
//
// Values: addresses in network order. Plain value type, no lock: its owner guards it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/cidr_block.h"

class ZSubnetWalk {
public:
    // One local subnet: an interface address and its mask (network order).
    struct LocalSubnet {
        uint32_t address = 0;
        uint32_t mask = 0;
    };

    ZSubnetWalk() = default;
    explicit ZSubnetWalk(std::vector<ZCIDRBlock> blocks);

    // Replaces the subnets to leave out (a mask of 0 leaves out nothing); the place is kept.
    void SetLocalSubnets(std::vector<LocalSubnet> subnets);

    // The next address of the pass, and the index of its block; false when the pass is done.
    bool Next(uint32_t* address, size_t* block);
    bool IsPassDone() const { return block_ >= blocks_.size(); }
    // Starts a new pass at the first host of the first block.
    void Restart();

    // Whether address lies in one of the local subnets.
    bool IsLocal(uint32_t address) const;

    const std::vector<ZCIDRBlock>& GetBlocks() const { return blocks_; }
    // Host addresses per pass, local ones included.
    uint64_t GetHostCount() const;

private:
    // A run of addresses (host order, both ends included).
    struct Range {
        uint32_t first;
        uint32_t last;
    };

    // The hosts of earlier blocks inside each block, as sorted ranges that do not touch.
    static std::vector<std::vector<Range>> CoveredByEarlier(const std::vector<ZCIDRBlock>& blocks);
    // The covered range of block b that holds address (host order), or null.
    const Range* FindCovered(size_t b, uint32_t address) const;

    std::vector<ZCIDRBlock> blocks_;
    std::vector<std::vector<Range>> covered_;  // per block
    std::vector<LocalSubnet> local_;
    size_t block_ = 0;   // the block being walked; blocks_.size() when the pass is done
    uint32_t host_ = 0;  // the next host index inside it
};
