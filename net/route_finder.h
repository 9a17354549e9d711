#pragma once
// ZRouteFinder: which local interface address, with that interface's mask, the system's routing
// table sends through to reach a subnet. A sweep's requests to a block carry that address and
// mask as the requester, so the devices answer to an address that really is ours and that routes
// back the way the request came.
//
//   ZRouteFinder routes;                      // reads the adapters once
//   ZRouteFinder::Route route;
//   std::string error;
//   if (!routes.Find(block, &route, &error)) { ... error names the block ... }
//   route.localAddress, route.localMask;      // network order
//
// The route of a block is the route to its first host address (a block is one subnet behind one
// router in the installations this serves). Asking sends nothing: the routing table answers
// (zplat::GetBestRoute), and the adapter inventory gives the mask of the source address.
//
// Ownership: owns its adapter snapshot, read at construction; make a new finder after the
// machine's addresses change. No lock: use from one thread at a time.

#include <cstdint>
#include <string>

#include "net/cidr_block.h"
#include "net/network_adapter_manager.h"

class ZRouteFinder {
public:
    struct Route {
        uint32_t localAddress = 0;  // network order
        uint32_t localMask = 0;
        uint32_t nextHop = 0;  // 0 when the block is on a local link
    };

    ZRouteFinder();
    ZRouteFinder(const ZRouteFinder&) = delete;
    ZRouteFinder& operator=(const ZRouteFinder&) = delete;

    // True with *route set; false with *error naming the block when the system has no route to
    // it, or routes it from an address that no local adapter carries (error may be null).
    bool Find(const ZCIDRBlock& block, Route* route, std::string* error);

private:
    ZNetworkAdapterManager adapters_;
};
