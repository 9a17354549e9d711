#pragma once
// ZWatchView: what `zunit watch` prints: one line or one JSON object per product event
// (appeared, stale, back), and the live list it redraws on a terminal. Pure formatting over plain
// values, so it is tested without a network or a clock.
//
//   std::string line = ZWatchView::EventLine(event, row, wallNowMs, wallLastSeenMs);
//   // "2024-05-01T10:00:02.000Z stale    Booth 2 (Cuedeck, zelvane.cuedeck) at 10.0.0.50:4300,
//   //  last answer 5.2 s before"
//   nlohmann::json j = ZWatchView::EventJson(event, row, wallNowMs, wallLastSeenMs);
//   std::string screen = ZWatchView::Screen(entries, wallNowMs, recentLines, cycles);
//
// Times are wall-clock milliseconds since the Unix epoch, written as UTC ("...Z").
//
// No state, no ownership.

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "catalogue/product_table.h"
#include "catalogue/product_tracker.h"

class ZWatchView {
public:
    // One product of the live list.
    struct Entry {
        ZProductRow row;
        bool stale = false;
        int64_t lastSeenMs = 0;  // wall clock
    };

    // "2024-05-01T10:00:02.345Z"
    static std::string UtcText(int64_t wallMs);
    static std::string EventLine(ZProductTracker::EventKind kind, const ZProductRow& row,
                                 int64_t atMs, int64_t lastSeenMs);
    // {"event": "stale", "time": ..., "last_seen": ..., "product": {...as scan --json...}}
    static nlohmann::json EventJson(ZProductTracker::EventKind kind, const ZProductRow& row,
                                    int64_t atMs, int64_t lastSeenMs);
    // The whole live screen: a title with the counts, the products (state, seconds since the last
    // answer, and the finder's columns), then the latest event lines. Ends with a newline; has no
    // terminal control codes of its own.
    static std::string Screen(const std::vector<Entry>& entries, int64_t nowMs,
                              const std::vector<std::string>& recentEvents, uint64_t cycles);
};
