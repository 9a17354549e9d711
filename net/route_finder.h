#pragma once
// ZRouteFinder: which local interface address, with that interface's mask, the system's routing
// table sends through to reach the addresses of a subnet. A sweep's request to an address carries
// that address and mask as the requester, so the device answers to an address that really is ours
// and that routes back the way the request came.
//
//   ZRouteFinder routes;                      // reads the adapters and the routing table once
//   std::vector<ZRouteFinder::Span> spans;
//   std::string error;
//   if (!routes.Split(block, &spans, &error)) { ... error names the block ... }
//   for (const auto& s : spans) { s.first, s.last, s.routed, s.route.localAddress ... }
//
// One block may be reached through several interfaces (10.31.4.0/22 behind one router, with
// 10.31.6.0/24 inside it routed through another interface): Split cuts the block wherever a route
// of the table begins or ends inside it, asks the system for the route of each piece once (at its
// first host), and joins neighbouring pieces that carry the same requester. A block costs one
// question to the system when no route of the table lies inside it, and one more for each
// beginning or end of such a route. Asking sends nothing: the routing table answers
// (zplat::GetBestRoute), and the adapter inventory gives the mask of the source address.
//
// Ownership: owns its adapter snapshot and its copy of the routes' destinations, read at
// construction; make a new finder after the machine's addresses or routes change. No lock: use
// from one thread at a time.

#include <cstdint>
#include <string>
#include <vector>

#include "net/cidr_block.h"
#include "net/network_adapter_manager.h"
#include "platform/network/best_route.h"

class ZRouteFinder {
public:
    struct Route {
        uint32_t localAddress = 0;  // network order
        uint32_t localMask = 0;
        uint32_t nextHop = 0;  // 0 when the addresses are on a local link
    };

    // A run of a block's addresses that the system routes from one local address.
    struct Span {
        uint32_t first = 0;  // network order; the spans of a block are in ascending order, and
        uint32_t last = 0;   // together cover it from its network to its broadcast address
        bool routed = false;
        Route route;  // when routed; the next hop is that of the span's first piece
    };

    ZRouteFinder();
    ZRouteFinder(const ZRouteFinder&) = delete;
    ZRouteFinder& operator=(const ZRouteFinder&) = delete;

    // True with *spans set (spans may be null) when the system routes at least one address of
    // the block from an address a local adapter carries; false with *error naming the block when
    // it has no route to any, or routes them from an address that no local adapter carries
    // (error may be null).
    bool Split(const ZCIDRBlock& block, std::vector<Span>* spans, std::string* error);

    // Questions asked to the routing table so far.
    uint64_t GetLookupCount() const { return lookups_; }

private:
    // The route to one address; false with *error (never null) naming the block.
    bool Lookup(uint32_t address, const ZCIDRBlock& block, Route* route, std::string* error);

    ZNetworkAdapterManager adapters_;
    std::vector<zplat::ForwardRow> table_;
    uint64_t lookups_ = 0;
};
