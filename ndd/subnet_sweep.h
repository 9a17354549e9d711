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
// its block (ZRouteFinder); a block without a route is left out until the next Prepare. The
// addresses of the local subnets are left out (they are searched by broadcast). A pass that the
// rate does not let finish before the next cycle begins goes on where it stopped; a new pass
// starts with the first cycle after a pass ends. A cycle for one target address sends one request
// to that address when a block holds it, and nothing otherwise.
//
// Threads and locks: the sweep has a lock of its own, which every operation takes; the owner may
// call them holding its own lock (lock order: owner's lock, then the sweep's). Each step of the
// sweep's thread sends, under the sweep's lock only, what the rate allows at that moment (at most
// a few milliseconds' worth), so a sweep never holds up the owner's answer path. Once Halt or
// Prepare has returned, no send is under way and none starts before the next BeginCycle: the
// owner closes or reopens its socket after either. The destructor ends the thread.
//
// Ownership: the sweep owns its blocks, walk, pacer, request bytes and thread; the send function
// belongs to the owner and is called only between BeginCycle and the next Halt or Prepare.

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
    // The most blocks a sweep takes; more are left out (each keeps a request of its own).
    static constexpr size_t kMaxBlocks = 256;
    // The target of a search that asks every device.
    static constexpr uint32_t kEveryDevice = 0xFFFFFFFFu;

    ZSubnetSweep(std::vector<ZCIDRBlock> blocks, uint32_t rate,
                 ZSendPacer::Clock clock = ZSendPacer::Clock());
    ~ZSubnetSweep();
    ZSubnetSweep(const ZSubnetSweep&) = delete;
    ZSubnetSweep& operator=(const ZSubnetSweep&) = delete;

    // Takes the local subnets to leave out and the route of each block. Drops the cycle's
    // request: nothing is sent until the next BeginCycle.
    void Prepare(std::vector<ZSubnetWalk::LocalSubnet> local, ZRouteFinder* routes);
    // The request of a new cycle (the fields of a search request but the requester address and
    // mask, which come from each block's route).
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
    // Whether Prepare found a route to block i.
    bool HasRoute(size_t block) const;
    uint64_t GetSentCount() const { return sent_.load(); }
    uint64_t GetPassCount() const { return passes_.load(); }

private:
    struct BlockState {
        bool routed = false;
        uint32_t localAddress = 0;
        uint32_t localMask = 0;
        std::vector<char> request;  // this cycle's request, empty when none
    };

    void Run(const Send& send);
    uint32_t SendDueLocked(const Send& send);

    const std::vector<ZCIDRBlock> blocks_;
    mutable zplat::CriticalSection lock_;  // everything below
    std::unique_ptr<ZNDDProtocolProcessor> builder_;
    ZSubnetWalk walk_;
    ZSendPacer pacer_;
    std::vector<BlockState> states_;
    bool armed_ = false;          // a cycle's requests are to be sent
    bool single_ = false;         // this cycle asks for one target only
    uint32_t singleAddress_ = 0;  // that target, while its request is still to be sent
    size_t singleBlock_ = 0;
    std::atomic<uint64_t> sent_{0};
    std::atomic<uint64_t> passes_{0};

    std::thread thread_;
    std::atomic<bool> stopping_{false};
    zplat::Event wake_{/*manualReset=*/false, /*initialState=*/false};
};
