#include "ndd/subnet_sweep.h"

#include <algorithm>
#include <mutex>

#include "ndd/ndd_protocol_processor.h"
#include "net/route_finder.h"
#include "platform/network/inet.h"

namespace {

// Waits of the sweep's thread: never shorter (a step that sent nothing must not spin), and with
// nothing to do, until woken.
constexpr uint32_t kMinWaitMs = 1;

}  // namespace

ZSubnetSweep::ZSubnetSweep(std::vector<ZCIDRBlock> blocks, uint32_t rate, ZSendPacer::Clock clock)
    : blocks_(std::move(blocks)),
      builder_(std::make_unique<ZNDDProtocolProcessor>()),
      walk_(blocks_),
      pacer_(rate, std::move(clock)),
      parts_(blocks_.size()) {}

ZSubnetSweep::~ZSubnetSweep() {
    StopThread();
}

void ZSubnetSweep::Prepare(std::vector<ZSubnetWalk::LocalSubnet> local, ZRouteFinder* routes) {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    walk_.SetLocalSubnets(std::move(local));
    requesters_.clear();
    std::vector<ZRouteFinder::Span> spans;
    for (size_t i = 0; i < blocks_.size(); ++i) {
        std::vector<Part>& parts = parts_[i];
        parts.clear();
        if (routes == nullptr || !routes->Split(blocks_[i], &spans, nullptr)) {
            continue;
        }
        for (const ZRouteFinder::Span& span : spans) {
            parts.push_back({zplat::NetToHost32(span.first),
                             span.routed
                                 ? RequesterFor(span.route.localAddress, span.route.localMask)
                                 : kNoRoute});
        }
        parts.shrink_to_fit();
    }
    armed_ = false;
}

int ZSubnetSweep::RequesterFor(uint32_t address, uint32_t mask) {
    for (size_t r = 0; r < requesters_.size(); ++r) {
        if (requesters_[r].address == address && requesters_[r].mask == mask) {
            return static_cast<int>(r);
        }
    }
    requesters_.push_back({address, mask, {}});
    return static_cast<int>(requesters_.size() - 1);
}

int ZSubnetSweep::RequesterOf(size_t b, uint32_t address) const {
    const std::vector<Part>& parts = parts_[b];
    const uint32_t host = zplat::NetToHost32(address);
    auto after = std::upper_bound(parts.begin(), parts.end(), host,
                                  [](uint32_t a, const Part& p) { return a < p.first; });
    return after == parts.begin() ? kNoRoute : (after - 1)->requester;
}

void ZSubnetSweep::BeginCycle(uint16_t requesterPort, const char* computerName, uint32_t target,
                              const char* serviceType, const char* data) {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    if (!armed_) {
        // Idle time earns nothing: a cycle after a pause starts at the rate, not with a burst.
        pacer_.Reset();
    }
    single_ = target != kEveryDevice;
    if (single_) {
        // One device is asked for: one request to it, when it lies in a swept block.
        armed_ = false;
        singleRequester_ = kNoRoute;
        for (size_t i = 0; i < blocks_.size() && !armed_; ++i) {
            if (blocks_[i].Contains(target) && !walk_.IsLocal(target)) {
                singleRequester_ = RequesterOf(i, target);
                singleAddress_ = target;
                armed_ = singleRequester_ != kNoRoute;
            }
        }
    } else {
        if (walk_.IsPassDone()) {
            walk_.Restart();
        }
        armed_ = true;
    }
    for (size_t r = 0; r < requesters_.size(); ++r) {
        Requester& requester = requesters_[r];
        requester.request.clear();
        if (single_ && (!armed_ || static_cast<int>(r) != singleRequester_)) {
            continue;
        }
        builder_->BuildRequest(requester.address, requester.mask, requesterPort, computerName,
                               target, serviceType, data);
        const auto* bytes = reinterpret_cast<const char*>(builder_->GetData());
        requester.request.assign(bytes, bytes + builder_->GetLength());
    }
    if (armed_) {
        wake_.Set();
    }
}

void ZSubnetSweep::Halt() {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    armed_ = false;
}

bool ZSubnetSweep::HasWork() const {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    return armed_;
}

bool ZSubnetSweep::HasRoute(size_t block) const {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    return block < parts_.size() && !parts_[block].empty();
}

uint32_t ZSubnetSweep::MsUntilNext() {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    return pacer_.MsUntilNext();
}

uint32_t ZSubnetSweep::SendDue(const Send& send) {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    return SendDueLocked(send);
}

uint32_t ZSubnetSweep::SendDueLocked(const Send& send) {
    if (!armed_) {
        return 0;
    }
    const uint32_t budget = pacer_.Available();
    uint32_t count = 0;
    if (single_) {
        if (budget > 0) {
            const std::vector<char>& request = requesters_[singleRequester_].request;
            send(request.data(), static_cast<int>(request.size()), singleAddress_);
            count = 1;
            armed_ = false;
        }
    } else {
        uint32_t address = 0;
        size_t block = 0;
        while (count < budget && walk_.Next(&address, &block)) {
            const int requester = RequesterOf(block, address);
            if (requester == kNoRoute) {
                continue;  // no route to this address: nothing to send, and no credit spent
            }
            const std::vector<char>& request = requesters_[requester].request;
            // The result is not looked at, as with the broadcasts: a host that cannot be reached
            // now is asked again in the next pass.
            send(request.data(), static_cast<int>(request.size()), address);
            ++count;
        }
        if (walk_.IsPassDone()) {
            armed_ = false;
            passes_.fetch_add(1);
        }
    }
    pacer_.Take(count);
    sent_.fetch_add(count);
    return count;
}

void ZSubnetSweep::StartThread(Send send) {
    if (thread_.joinable()) {
        return;
    }
    stopping_.store(false);
    thread_ = std::thread([this, send = std::move(send)] { Run(send); });
}

void ZSubnetSweep::StopThread() {
    if (!thread_.joinable()) {
        return;
    }
    stopping_.store(true);
    wake_.Set();
    thread_.join();
}

void ZSubnetSweep::Run(const Send& send) {
    while (!stopping_.load()) {
        uint32_t waitMs = zplat::INFINITE;
        {
            std::lock_guard<zplat::CriticalSection> held(lock_);
            SendDueLocked(send);
            if (armed_) {
                waitMs = std::max(kMinWaitMs, pacer_.MsUntilNext());
            }
        }
        wake_.Wait(waitMs);
    }
}
