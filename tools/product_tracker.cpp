#include "tools/product_tracker.h"

#include <chrono>

#include "ndd/network_device_interface.h"
#include "platform/network/inet.h"

int64_t ZProductTracker::SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* ZProductTracker::EventName(EventKind kind) {
    switch (kind) {
        case EventKind::kAppeared:
            return "appeared";
        case EventKind::kStale:
            return "stale";
        case EventKind::kBack:
            return "back";
    }
    return "";
}

ZProductTracker::ZProductTracker(uint32_t staleAfterMs, Clock clock)
    : staleAfterMs_(staleAfterMs), clock_(std::move(clock)) {}

ZProductTracker::Key ZProductTracker::KeyOf(INetworkDevice* device) {
    Key key;
    const char* service = device->GetServiceName();
    key.service = service != nullptr ? service : "";
    IIPAddress* first = device->GetAddress(0);
    key.address = zplat::InetNtoa(first != nullptr ? first->GetAddress() : 0);
    key.port = device->GetPort();
    return key;
}

int ZProductTracker::OnDeviceAnswer(INetworkDevice* device, INDDUserAgent* /*agent*/) {
    if (device == nullptr) {
        return 0;
    }
    IIPAddress* local = device->GetLocalAddress();
    const char* localText = local != nullptr ? local->GetAddressText() : nullptr;
    Seen(KeyOf(device), localText != nullptr ? localText : "");
    return 0;
}

int ZProductTracker::OnErrorAnswer(uint32_t /*address*/, uint16_t /*code*/,
                                   INDDUserAgent* /*agent*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++refusals_;
    return 0;
}

void ZProductTracker::Seen(const Key& key, const std::string& localAddress) {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    ++answers_;
    auto [it, added] = sightings_.try_emplace(key);
    Sighting& s = it->second;
    if (added) {
        s.firstSeenMs = now;
        events_.push_back({EventKind::kAppeared, key, now, now});
    } else if (s.stale) {
        s.stale = false;
        --staleCount_;
        events_.push_back({EventKind::kBack, key, now, s.lastSeenMs});
    }
    s.lastSeenMs = now;
    s.localAddress = localAddress;
    ++s.answers;
}

std::vector<ZProductTracker::Event> ZProductTracker::Sweep() {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [key, s] : sightings_) {
        if (!s.stale && now - s.lastSeenMs > static_cast<int64_t>(staleAfterMs_)) {
            s.stale = true;
            ++staleCount_;
            events_.push_back({EventKind::kStale, key, now, s.lastSeenMs});
        }
    }
    std::vector<Event> events;
    events.swap(events_);
    return events;
}

std::optional<ZProductTracker::Sighting> ZProductTracker::Find(const Key& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sightings_.find(key);
    if (it == sightings_.end()) {
        return std::nullopt;
    }
    return it->second;
}

size_t ZProductTracker::GetCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sightings_.size();
}

size_t ZProductTracker::GetStaleCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return staleCount_;
}

uint64_t ZProductTracker::GetAnswerCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_;
}

uint64_t ZProductTracker::GetRefusalCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return refusals_;
}
