#include "net/subnet_walk.h"

#include <algorithm>

#include "platform/network/inet.h"

namespace {

uint32_t FirstAddressOf(const ZCIDRBlock& block) {
    return zplat::NetToHost32(block.GetNetwork());
}

uint32_t LastAddressOf(const ZCIDRBlock& block) {
    return FirstAddressOf(block) | ~zplat::NetToHost32(block.GetMask());
}

}  // namespace

ZSubnetWalk::ZSubnetWalk(std::vector<ZCIDRBlock> blocks)
    : blocks_(std::move(blocks)), covered_(CoveredByEarlier(blocks_)) {}

std::vector<std::vector<ZSubnetWalk::Range>> ZSubnetWalk::CoveredByEarlier(
    const std::vector<ZCIDRBlock>& blocks) {
    // Two blocks overlap only when one holds the other. In the order of their first address
    // (the larger first), the blocks that hold a block are the chain still open when it comes.
    struct Item {
        Range whole;  // every address
        Range hosts;
        size_t index;
    };
    std::vector<Item> items;
    items.reserve(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        const ZCIDRBlock& b = blocks[i];
        items.push_back({{FirstAddressOf(b), LastAddressOf(b)},
                         {zplat::NetToHost32(b.GetHost(0)),
                          zplat::NetToHost32(b.GetHost(b.GetHostCount() - 1))},
                         i});
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.whole.first != b.whole.first) {
            return a.whole.first < b.whole.first;
        }
        return a.whole.last != b.whole.last ? a.whole.last > b.whole.last : a.index < b.index;
    });
    std::vector<std::vector<Range>> covered(blocks.size());
    std::vector<const Item*> open;  // each holds the next
    for (const Item& item : items) {
        if (!open.empty() && open.back()->whole.first == item.whole.first &&
            open.back()->whole.last == item.whole.last) {
            // The same block again, listed later: all of it was swept.
            covered[item.index].push_back(item.hosts);
            continue;
        }
        while (!open.empty() && open.back()->whole.last < item.whole.first) {
            open.pop_back();
        }
        for (const Item* holder : open) {
            if (holder->index < item.index) {
                const uint32_t first = std::max(holder->hosts.first, item.whole.first);
                const uint32_t last = std::min(holder->hosts.last, item.whole.last);
                if (first <= last) {
                    covered[item.index].push_back({first, last});
                }
            } else {
                covered[holder->index].push_back(item.hosts);
            }
        }
        open.push_back(&item);
    }
    for (std::vector<Range>& ranges : covered) {
        std::sort(ranges.begin(), ranges.end(),
                  [](const Range& a, const Range& b) { return a.first < b.first; });
        // Ranges that overlap or touch become one.
        size_t kept = 0;
        for (size_t k = 0; k < ranges.size(); ++k) {
            if (kept > 0 && static_cast<uint64_t>(ranges[kept - 1].last) + 1 >= ranges[k].first) {
                ranges[kept - 1].last = std::max(ranges[kept - 1].last, ranges[k].last);
            } else {
                ranges[kept++] = ranges[k];
            }
        }
        ranges.resize(kept);
        ranges.shrink_to_fit();
    }
    return covered;
}

const ZSubnetWalk::Range* ZSubnetWalk::FindCovered(size_t b, uint32_t address) const {
    const std::vector<Range>& ranges = covered_[b];
    auto after = std::upper_bound(ranges.begin(), ranges.end(), address,
                                  [](uint32_t a, const Range& r) { return a < r.first; });
    if (after == ranges.begin()) {
        return nullptr;
    }
    const Range& range = *(after - 1);
    return address <= range.last ? &range : nullptr;
}

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
        const uint32_t candidate = current.GetHost(host_);
        if (const Range* covered = FindCovered(block_, zplat::NetToHost32(candidate))) {
            // An earlier block swept the whole range: go on after it.
            host_ = covered->last - zplat::NetToHost32(current.GetHost(0)) + 1;
            continue;
        }
        ++host_;
        if (IsLocal(candidate)) {
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
