#include "ndd/subnet_sweep.h"

#include <mutex>

#include "ndd/ndd_protocol_processor.h"
#include "net/route_finder.h"

namespace {

// Waits of the sweep's thread: never shorter (a step that sent nothing must not spin), and with
// nothing to do, until woken.
constexpr uint32_t kMinWaitMs = 1;

std::vector<ZCIDRBlock> Bounded(std::vector<ZCIDRBlock> blocks) {
    if (blocks.size() > ZSubnetSweep::kMaxBlocks) {
        blocks.resize(ZSubnetSweep::kMaxBlocks);
    }
    return blocks;
}

}  // namespace

ZSubnetSweep::ZSubnetSweep(std::vector<ZCIDRBlock> blocks, uint32_t rate, ZSendPacer::Clock clock)
    : blocks_(Bounded(std::move(blocks))),
      builder_(std::make_unique<ZNDDProtocolProcessor>()),
      walk_(blocks_),
      pacer_(rate, std::move(clock)),
      states_(blocks_.size()) {}

ZSubnetSweep::~ZSubnetSweep() {
    StopThread();
}

void ZSubnetSweep::Prepare(std::vector<ZSubnetWalk::LocalSubnet> local, ZRouteFinder* routes) {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    walk_.SetLocalSubnets(std::move(local));
    const std::vector<ZCIDRBlock>& blocks = blocks_;
    for (size_t i = 0; i < blocks.size(); ++i) {
        BlockState& state = states_[i];
        ZRouteFinder::Route route;
        state.routed = routes != nullptr && routes->Find(blocks[i], &route, nullptr);
        state.localAddress = state.routed ? route.localAddress : 0;
        state.localMask = state.routed ? route.localMask : 0;
        state.request.clear();
    }
    armed_ = false;
}

void ZSubnetSweep::BeginCycle(uint16_t requesterPort, const char* computerName, uint32_t target,
                              const char* serviceType, const char* data) {
    std::lock_guard<zplat::CriticalSection> held(lock_);
    const std::vector<ZCIDRBlock>& blocks = blocks_;
    if (!armed_) {
        // Idle time earns nothing: a cycle after a pause starts at the rate, not with a burst.
        pacer_.Reset();
    }
    single_ = target != kEveryDevice;
    if (single_) {
        // One device is asked for: one request to it, when it lies in a swept block.
        armed_ = false;
        for (size_t i = 0; i < blocks.size() && !armed_; ++i) {
            if (states_[i].routed && blocks[i].Contains(target) && !walk_.IsLocal(target)) {
                singleAddress_ = target;
                singleBlock_ = i;
                armed_ = true;
            }
        }
    } else {
        if (walk_.IsPassDone()) {
            walk_.Restart();
        }
        armed_ = true;
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        BlockState& state = states_[i];
        state.request.clear();
        if (!state.routed || (single_ && (!armed_ || i != singleBlock_))) {
            continue;
        }
        builder_->BuildRequest(state.localAddress, state.localMask, requesterPort, computerName,
                               target, serviceType, data);
        const auto* bytes = reinterpret_cast<const char*>(builder_->GetData());
        state.request.assign(bytes, bytes + builder_->GetLength());
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
    return block < states_.size() && states_[block].routed;
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
            const std::vector<char>& request = states_[singleBlock_].request;
            send(request.data(), static_cast<int>(request.size()), singleAddress_);
            count = 1;
            armed_ = false;
        }
    } else {
        uint32_t address = 0;
        size_t block = 0;
        while (count < budget && walk_.Next(&address, &block)) {
            const std::vector<char>& request = states_[block].request;
            if (request.empty()) {
                continue;  // no route to this block: nothing to send, and no credit spent
            }
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
