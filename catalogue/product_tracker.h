#pragma once
// ZProductTracker: a second handler on the discovery core's agent that keeps, beside the core's
// product list, when each product last answered and through which local address. The core never
// forgets a product; the tracker tells which ones still answer: a product that has not answered
// for staleAfterMs has gone stale, and one that answers again is back. zunit watch reports these
// events; the finder dims the rows of stale products.
//
//   ZProductTracker tracker(ZProductTracker::StaleAfterMs(2000));
//   agent->AddHandler(&tracker);            // after the core, so the core's product exists first
//   ...
//   for (const ZProductTracker::Event& e : tracker.Sweep()) { ... }   // appeared, stale, back
//
// A product is known by the core's identity: service name, dotted answering address (the
// device's first address, "0.0.0.0" when it has none) and port. Times are milliseconds from the
// tracker's clock, a steady clock unless a test gives its own.
//
// Threads: OnDeviceAnswer and OnErrorAnswer run on the network receive thread; Sweep, Find and
// the counters on any other. One mutex guards everything, and no call into other objects is made
// while it is held. A sweep looks only at the products that may have gone stale (they are kept
// in the order of their latest answers), not at every product: the finder sweeps once a second
// beside 100,000 products.
//
// Ownership: nothing is owned but the tracker's own records; the agent does not own its handlers.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "ndd/ndd_user_agent_handler.h"

class ZProductTracker : public INDDUserAgentHandler {
public:
    struct Key {
        std::string service;
        std::string address;
        uint16_t port = 0;
        bool operator<(const Key& other) const {
            return std::tie(service, address, port) <
                   std::tie(other.service, other.address, other.port);
        }
        bool operator==(const Key& other) const = default;
    };

    enum class EventKind { kAppeared, kStale, kBack };

    struct Event {
        EventKind kind;
        Key key;
        int64_t atMs;        // when it was seen (appeared, back) or found stale
        int64_t lastSeenMs;  // the answer before this event (appeared: atMs)
    };

    struct Sighting {
        int64_t firstSeenMs = 0;
        int64_t lastSeenMs = 0;
        std::string localAddress;  // of the latest answer
        uint64_t answers = 0;
        bool stale = false;
    };

    using Clock = std::function<int64_t()>;

    // Stale after two missed search cycles: two intervals without an answer, and half an
    // interval more for the answers' own travel and the time a search takes to send.
    static uint32_t StaleAfterMs(uint32_t searchIntervalMs) {
        return 2 * searchIntervalMs + searchIntervalMs / 2;
    }
    // Milliseconds of a steady clock.
    static int64_t SteadyNowMs();
    static const char* EventName(EventKind kind);  // "appeared", "stale", "back"

    explicit ZProductTracker(uint32_t staleAfterMs, Clock clock = SteadyNowMs);

    // INDDUserAgentHandler: notes the answer of the device (Seen); refusals are only counted.
    int OnDeviceAnswer(INetworkDevice* device, INDDUserAgent* agent) override;
    int OnErrorAnswer(uint32_t address, uint16_t code, INDDUserAgent* agent) override;

    // Records an answer at the clock's time: a new key appears, a stale one is back. A new key
    // past the cap (SetMaxKeys) is not kept, only counted (GetOverCapCount): answers of forged
    // devices cost no memory past it.
    void Seen(const Key& key, const std::string& localAddress);
    // At most this many keys (at least 1; unlimited unless set). The search sets the core's
    // product cap: both see the same answers in the same order, so they keep the same products.
    void SetMaxKeys(size_t count);
    uint64_t GetOverCapCount() const;
    // Marks the products that have not answered for longer than staleAfterMs as stale, then
    // returns every event since the previous Sweep in the order they happened.
    std::vector<Event> Sweep();
    std::optional<Sighting> Find(const Key& key) const;
    size_t GetCount() const;
    size_t GetStaleCount() const;
    uint64_t GetAnswerCount() const;
    uint64_t GetRefusalCount() const;
    uint32_t GetStaleAfterMs() const { return staleAfterMs_; }
    int64_t Now() const { return clock_(); }

    // The key of a device's answer, as the core identifies its product.
    static Key KeyOf(INetworkDevice* device);

private:
    // A key's fields as views: answers are looked up without making the key's strings, and the
    // index's views point into the keys of sightings_, whose nodes never move.
    struct KeyView {
        std::string_view service;
        std::string_view address;
        uint16_t port = 0;
        bool operator==(const KeyView& other) const = default;
    };
    struct KeyViewHash {
        size_t operator()(const KeyView& key) const;
    };
    struct Record;
    using Entry = std::pair<const Key, Record>;
    struct Record {
        Sighting sighting;
        // The products that are not stale, oldest answer first (null at the ends).
        Entry* older = nullptr;
        Entry* newer = nullptr;
    };
    using Sightings = std::map<Key, Record>;

    // Seen's work, on the mutex's hold.
    void Note(const KeyView& key, std::string_view localAddress, int64_t now);
    // The answering order: an entry taken out, and put at the newest end.
    void Unlink(Entry* entry);
    void Append(Entry* entry);

    const uint32_t staleAfterMs_;
    const Clock clock_;
    mutable std::mutex mutex_;
    // In key order, the order Sweep reports stale products in; index_ finds an entry by hash,
    // not by a walk of string comparisons down the tree (thousands of answers a second).
    Sightings sightings_;
    std::unordered_map<KeyView, Sightings::iterator, KeyViewHash> index_;
    Entry* oldest_ = nullptr;
    Entry* newest_ = nullptr;
    std::vector<Event> events_;
    size_t maxKeys_ = SIZE_MAX;
    uint64_t overCap_ = 0;
    size_t staleCount_ = 0;
    uint64_t answers_ = 0;
    uint64_t refusals_ = 0;
};
