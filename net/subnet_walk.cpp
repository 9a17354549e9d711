#include "net/subnet_walk.h"

ZSubnetWalk::ZSubnetWalk(std::vector<ZCIDRBlock> blocks) : blocks_(std::move(blocks)) {}

void ZSubnetWalk::SetLocalSubnets(std::vector<LocalSubnet> subnets) {
    local_ = std::move(subnets);
}

bool ZSubnetWalk::Next(uint32_t* address, size_t* block) {
    while (block_ < blocks_.size()) {
        const ZCIDRBlock& current = blocks_[block_];
        if (host_ >= current.GetHostCount()) {
            ++block_;
            host_ = 0;
            continue;
        }
        const uint32_t candidate = current.GetHost(host_++);
        if (IsLocal(candidate) || InEarlierBlock(candidate)) {
            continue;
        }
        if (address != nullptr) {
            *address = candidate;
        }
        if (block != nullptr) {
            *block = block_;
        }
        return true;
    }
    return false;
}

void ZSubnetWalk::Restart() {
    block_ = 0;
    host_ = 0;
}

uint64_t ZSubnetWalk::GetHostCount() const {
    uint64_t count = 0;
    for (const ZCIDRBlock& b : blocks_) {
        count += b.GetHostCount();
    }
    return count;
}

bool ZSubnetWalk::IsLocal(uint32_t address) const {
    for (const LocalSubnet& s : local_) {
        if (s.mask != 0 && (address & s.mask) == (s.address & s.mask)) {
            return true;
        }
    }
    return false;
}

bool ZSubnetWalk::InEarlierBlock(uint32_t address) const {
    for (size_t b = 0; b < block_ && b < blocks_.size(); ++b) {
        if (blocks_[b].Contains(address)) {
            return true;
        }
    }
    return false;
}
