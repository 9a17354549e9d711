#include "catalogue/product_tracker.h"

#include <algorithm>
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
    // The key's fields as KeyOf makes them, without the key's strings.
    const char* service = device->GetServiceName();
    IIPAddress* first = device->GetAddress(0);
    const std::string address = zplat::InetNtoa(first != nullptr ? first->GetAddress() : 0);
    const int64_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Note(KeyView{service != nullptr ? service : "", address, device->GetPort()},
         localText != nullptr ? localText : "", now);
    return 0;
}

int ZProductTracker::OnErrorAnswer(uint32_t /*address*/, uint16_t /*code*/,
                                   INDDUserAgent* /*agent*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++refusals_;
    return 0;
}

size_t ZProductTracker::KeyViewHash::operator()(const KeyView& key) const {
    std::hash<std::string_view> text;
    size_t h = text(key.address);
    h ^= text(key.service) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h ^ (static_cast<size_t>(key.port) << 32);
}

void ZProductTracker::Seen(const Key& key, const std::string& localAddress) {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    Note(KeyView{key.service, key.address, key.port}, localAddress, now);
}

void ZProductTracker::Unlink(Entry* entry) {
    Record& r = entry->second;
    (r.older != nullptr ? r.older->second.newer : oldest_) = r.newer;
    (r.newer != nullptr ? r.newer->second.older : newest_) = r.older;
    r.older = nullptr;
    r.newer = nullptr;
}

void ZProductTracker::Append(Entry* entry) {
    Record& r = entry->second;
    r.older = newest_;
    r.newer = nullptr;
    (newest_ != nullptr ? newest_->second.newer : oldest_) = entry;
    newest_ = entry;
}

void ZProductTracker::Note(const KeyView& view, std::string_view localAddress, int64_t now) {
    ++answers_;
    auto found = index_.find(view);
    if (found == index_.end()) {
        if (sightings_.size() >= maxKeys_) {
            ++overCap_;
            return;
        }
        Key key{std::string(view.service), std::string(view.address), view.port};
        const auto entry = sightings_.try_emplace(std::move(key)).first;
        const Key& kept = entry->first;
        found = index_.emplace(KeyView{kept.service, kept.address, kept.port}, entry).first;
        Sighting& s = entry->second.sighting;
        s.firstSeenMs = now;
        events_.push_back({EventKind::kAppeared, kept, now, now});
    } else if (Sighting& s = found->second->second.sighting; s.stale) {
        s.stale = false;
        --staleCount_;
        events_.push_back({EventKind::kBack, found->second->first, now, s.lastSeenMs});
    } else {
        Unlink(&*found->second);
    }
    Append(&*found->second);
    Sighting& s = found->second->second.sighting;
    s.lastSeenMs = now;
    s.localAddress.assign(localAddress.data(), localAddress.size());
    ++s.answers;
}

std::vector<ZProductTracker::Event> ZProductTracker::Sweep() {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    // The oldest answers first: the walk ends at the first product that answered recently.
    std::vector<Entry*> stale;
    while (oldest_ != nullptr &&
           now - oldest_->second.sighting.lastSeenMs > static_cast<int64_t>(staleAfterMs_)) {
        Entry* entry = oldest_;
        Unlink(entry);
        entry->second.sighting.stale = true;
        ++staleCount_;
        stale.push_back(entry);
    }
    // Reported in key order, as a walk of every product would find them.
    std::sort(stale.begin(), stale.end(),
              [](const Entry* a, const Entry* b) { return a->first < b->first; });
    for (const Entry* entry : stale) {
        events_.push_back(
            {EventKind::kStale, entry->first, now, entry->second.sighting.lastSeenMs});
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
    return it->second.sighting;
}

void ZProductTracker::SetMaxKeys(size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    maxKeys_ = count == 0 ? 1 : count;
}

uint64_t ZProductTracker::GetOverCapCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return overCap_;
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
