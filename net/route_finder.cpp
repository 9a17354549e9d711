#include "net/route_finder.h"

#include <algorithm>

#include "net/ip_address.h"
#include "platform/network/inet.h"
#include "platform/network/net_snapshot_scope.h"

ZRouteFinder::ZRouteFinder() {
    // One reading of the system for both.
    zplat::NetSnapshotScope scope;
    adapters_.Refresh();
    // Without the table every block is one piece: the route of its first host.
    if (zplat::GetIpForwardTable(&table_) != zplat::NO_ERROR) {
        table_.clear();
    }
}

bool ZRouteFinder::Lookup(uint32_t address, const ZCIDRBlock& block, Route* route,
                          std::string* error) {
    ++lookups_;
    zplat::BestRoute best;
    const uint32_t code = zplat::GetBestRoute(address, &best);
    if (code != zplat::NO_ERROR) {
        *error = "subnet " + block.GetText() +
                 (code == zplat::ERROR_NETWORK_UNREACHABLE
                      ? ": no route to it"
                      : ": the routing table could not be read (" + std::to_string(code) + ")");
        return false;
    }
    // The text of the source address is what the inventory is keyed on.
    const std::string source = FormatDottedAddress(best.sourceAddress);
    const char* mask = adapters_.GetMaskOfAddress(source.c_str());
    if (mask == nullptr || mask[0] == '\0') {
        *error = "subnet " + block.GetText() + ": routed from " + source +
                 ", which no local adapter carries";
        return false;
    }
    route->localAddress = best.sourceAddress;
    route->localMask = ParseDottedAddress(mask);
    route->nextHop = best.nextHop;
    return true;
}

bool ZRouteFinder::Split(const ZCIDRBlock& block, std::vector<Span>* spans, std::string* error) {
    // Host order from here on: the block's addresses run from `from` to `to`.
    const uint32_t from = zplat::NetToHost32(block.GetNetwork());
    const uint32_t to = from | ~zplat::NetToHost32(block.GetMask());
    // Where the route may change: the beginnings of the pieces.
    std::vector<uint32_t> starts{from};
    for (const zplat::ForwardRow& row : table_) {
        const uint32_t mask = zplat::NetToHost32(row.mask);
        const uint32_t first = zplat::NetToHost32(row.destination) & mask;
        const uint64_t afterLast = static_cast<uint64_t>(first | ~mask) + 1;
        if (first > from && first <= to) {
            starts.push_back(first);
        }
        if (afterLast > from && afterLast <= to) {
            starts.push_back(static_cast<uint32_t>(afterLast));
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());

    const uint32_t firstHost = zplat::NetToHost32(block.GetHost(0));
    std::vector<Span> found;
    std::string firstError;
    bool anyRouted = false;
    for (size_t i = 0; i < starts.size(); ++i) {
        const uint32_t last = i + 1 < starts.size() ? starts[i + 1] - 1 : to;
        // A piece is asked for at its first host: the block's network address is none.
        const uint32_t asked = starts[i] < firstHost && firstHost <= last ? firstHost : starts[i];
        Span span;
        std::string why;
        span.routed = Lookup(zplat::HostToNet32(asked), block, &span.route, &why);
        if (!span.routed && firstError.empty()) {
            firstError = why;
        }
        anyRouted = anyRouted || span.routed;
        const bool sameAsBefore =
            !found.empty() && found.back().routed == span.routed &&
            (!span.routed || (found.back().route.localAddress == span.route.localAddress &&
                              found.back().route.localMask == span.route.localMask));
        if (sameAsBefore) {
            found.back().last = zplat::HostToNet32(last);
            continue;
        }
        span.first = zplat::HostToNet32(starts[i]);
        span.last = zplat::HostToNet32(last);
        found.push_back(span);
    }
    if (!anyRouted) {
        if (error != nullptr) {
            *error = firstError;
        }
        return false;
    }
    if (spans != nullptr) {
        *spans = std::move(found);
    }
    return true;
}
