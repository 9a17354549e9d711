#pragma once
// ZSubnetSweep: searches subnets beyond the local ones, which broadcasts do not reach, by sending
// the cycle's search request by unicast to every host address of a list of blocks (ZCIDRBlock),
// paced by a rate limit. The detection engine owns one when it is given blocks, hands it each
// cycle's request after its broadcasts, and lets the sweep's thread send through the engine's
// socket, so answers come back to the same port and take the same path as broadcast answers.
//
//   ZSubnetSweep sweep(blocks, 2000);                       // 2,000 requests per second
//   sweep.Prepare(localSubnets, &routes);                   // after the interfaces are read
//   sweep.BeginCycle(port, "STUDIO-PC", kEveryDevice, "zelvane.*", identity);
//   sweep.StartThread([&](const char* d, int n, uint32_t to) { ... send ... });
//
// Each request carries as requester the address and mask of the local interface that routes to
// its target address (ZRouteFinder: a block reached through two interfaces is split where the
// routing table splits it); addresses without a route are left out until the next Prepare. The
// addresses of the local subnets are left out (they are searched by broadcast). A pass that the
// rate does not let finish before the next cycle begins goes on where it stopped; a new pass
// starts with the first cycle after a pass ends. A cycle for one target address sends one request
// to that address when a block holds it, and nothing otherwise.
//
// Every block given is swept. Memory grows with the blocks (each keeps its pieces of route, a few
// bytes unless the routing table cuts it often) and with the local addresses that requests leave
// from (one request each), not with the addresses swept; the pacing bounds the traffic whatever
// the blocks. Those who take blocks from outside hold them to kMaxBlocks.
//
// Threads and locks: the sweep has a lock of its own, which every operation takes; the owner may
// call them holding its own lock (lock order: owner's lock, then the sweep's). Each step of the
// sweep's thread sends, under the sweep's lock only, what the rate allows at that moment (at most
// a few milliseconds' worth), so a sweep never holds up the owner's answer path. Once Halt or
// Prepare has returned, no send is under way and none starts before the next BeginCycle: the
// owner closes or reopens its socket after either. The destructor ends the thread.
//
// Ownership: the sweep owns its blocks, walk, pacer, routes, request bytes and thread; the send
// function belongs to the owner and is called only between BeginCycle and the next Halt or
// Prepare.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/cidr_block.h"
#include "net/send_pacer.h"
#include "net/subnet_walk.h"
#include "platform/threading/critical_section.h"
#include "platform/threading/event.h"

class ZNDDProtocolProcessor;
class ZRouteFinder;

class ZSubnetSweep {
public:
    // Sends one datagram to address (network order) on the devices' port; 0 when it went out.
    using Send = std::function<int(const char* data, int length, uint32_t address)>;
    // The most blocks a list from outside may give (the command line refuses more): a block costs
    // at least one question to the routing table at every Prepare, which the engine makes
    // holding its lock (4,096 blocks: about 0.1 s), and a pass over that many /32 blocks alone
    // takes two seconds at the default rate. The finder's Subnets value cannot hold as many.
    static constexpr size_t kMaxBlocks = 4096;
    // The target of a search that asks every device.
    static constexpr uint32_t kEveryDevice = 0xFFFFFFFFu;

    ZSubnetSweep(std::vector<ZCIDRBlock> blocks, uint32_t rate,
                 ZSendPacer::Clock clock = ZSendPacer::Clock());
    ~ZSubnetSweep();
    ZSubnetSweep(const ZSubnetSweep&) = delete;
    ZSubnetSweep& operator=(const ZSubnetSweep&) = delete;

    // Takes the local subnets to leave out and the routes to each block's addresses. Drops the
    // cycle's requests: nothing is sent until the next BeginCycle.
    void Prepare(std::vector<ZSubnetWalk::LocalSubnet> local, ZRouteFinder* routes);
    // The request of a new cycle (the fields of a search request but the requester address and
    // mask, which come from the route to each address).
    void BeginCycle(uint16_t requesterPort, const char* computerName, uint32_t target,
                    const char* serviceType, const char* data);
    // Nothing more is sent until the next BeginCycle (the socket is closing); the pass keeps its
    // place.
    void Halt();

    // Sends what the rate allows now; the number sent.
    uint32_t SendDue(const Send& send);
    // True while a cycle's requests are still to be sent.
    bool HasWork() const;
    // Milliseconds until SendDue may send again (0: now).
    uint32_t MsUntilNext();

    // Runs SendDue on a thread of its own until StopThread (a second start does nothing).
    void StartThread(Send send);
    void StopThread();

    // The blocks, fixed at construction.
    const std::vector<ZCIDRBlock>& GetBlocks() const { return blocks_; }
    // Whether Prepare found a route to an address of block i.
    bool HasRoute(size_t block) const;
    uint64_t GetSentCount() const { return sent_.load(); }
    uint64_t GetPassCount() const { return passes_.load(); }

private:
    // A local address that requests leave from, with its mask.
    struct Requester {
        uint32_t address = 0;
        uint32_t mask = 0;
        std::vector<char> request;  // this cycle's request, empty when none
    };
    // Where the route of a block changes: from first (host order) up to the next part's first,
    // requests carry requester (an index into requesters_), or none is sent (kNoRoute).
    struct Part {
        uint32_t first = 0;
        int requester = -1;
    };
    static constexpr int kNoRoute = -1;

    void Run(const Send& send);
    uint32_t SendDueLocked(const Send& send);
    // The requester of address (network order) in block b, or kNoRoute.
    int RequesterOf(size_t b, uint32_t address) const;
    // The index of the requester with this address and mask, added when new.
    int RequesterFor(uint32_t address, uint32_t mask);

    const std::vector<ZCIDRBlock> blocks_;
    mutable zplat::CriticalSection lock_;  // everything below
    std::unique_ptr<ZNDDProtocolProcessor> builder_;
    ZSubnetWalk walk_;
    ZSendPacer pacer_;
    std::vector<std::vector<Part>> parts_;  // per block, ascending; empty without a route
    std::vector<Requester> requesters_;
    bool armed_ = false;          // a cycle's requests are to be sent
    bool single_ = false;         // this cycle asks for one target only
    uint32_t singleAddress_ = 0;  // that target, while its request is still to be sent
    int singleRequester_ = kNoRoute;
    std::atomic<uint64_t> sent_{0};
    std::atomic<uint64_t> passes_{0};

    std::thread thread_;
    std::atomic<bool> stopping_{false};
    zplat::Event wake_{/*manualReset=*/false, /*initialState=*/false};
};
