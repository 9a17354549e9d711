#include "tools/watch_view.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "catalogue/table_text.h"

namespace {

using table_text::Printable;

// Seconds with one decimal: "5.2 s".
std::string Seconds(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms < 0 ? 0 : ms) / 1000.0);
    return text;
}

}  // namespace

std::string ZWatchView::UtcText(int64_t wallMs) {
    // Floor division, so times before 1970 would still read sensibly.
    int64_t seconds = wallMs / 1000;
    int64_t millis = wallMs % 1000;
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    // The civil date of the calendar library: the same on every system (no gmtime_r there).
    const std::chrono::sys_seconds at{std::chrono::seconds(seconds)};
    const auto day = std::chrono::floor<std::chrono::days>(at);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{at - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()),
                  static_cast<int>(millis));
    return text;
}

std::string ZWatchView::EventLine(ZProductTracker::EventKind kind, const ZProductRow& row,
                                  int64_t atMs, int64_t lastSeenMs) {
    char name[16];
    std::snprintf(name, sizeof name, "%-8s", ZProductTracker::EventName(kind));
    std::string line = UtcText(atMs) + " " + name + " " + Printable(row.name) + " (" +
                       Printable(row.typeModel) + ", " + Printable(row.service) + ") at " +
                       row.AddressAndPort();
    switch (kind) {
        case ZProductTracker::EventKind::kAppeared:
            break;
        case ZProductTracker::EventKind::kStale:
            line += ", last answer " + Seconds(atMs - lastSeenMs) + " before";
            break;
        case ZProductTracker::EventKind::kBack:
            line += ", after " + Seconds(atMs - lastSeenMs) + " without an answer";
            break;
    }
    return line;
}

nlohmann::json ZWatchView::EventJson(ZProductTracker::EventKind kind, const ZProductRow& row,
                                     int64_t atMs, int64_t lastSeenMs) {
    nlohmann::json event = {{"event", ZProductTracker::EventName(kind)}, {"time", UtcText(atMs)}};
    if (kind != ZProductTracker::EventKind::kAppeared) {
        event["last_seen"] = UtcText(lastSeenMs);
    }
    event["product"] = ZProductTable::RowJson(row);
    return event;
}

std::string ZWatchView::Screen(const std::vector<Entry>& entries, int64_t nowMs,
                               const std::vector<std::string>& recentEvents, uint64_t cycles) {
    size_t stale = 0;
    for (const Entry& e : entries) {
        stale += e.stale ? 1 : 0;
    }
    std::string text = "zunit watch: " + std::to_string(entries.size()) + " products, " +
                       std::to_string(stale) + " stale, search cycle " + std::to_string(cycles) +
                       ", " + UtcText(nowMs) + " (Ctrl-C ends)\n\n";

    std::vector<std::string> header = {"State", "Last Answer"};
    const std::vector<std::string> columns = ZProductTable::TextHeader();
    header.insert(header.end(), columns.begin(), columns.end());
    std::vector<std::vector<std::string>> cells = {header};
    for (const Entry& e : entries) {
        std::vector<std::string> row = {e.stale ? "stale" : "live",
                                        Seconds(nowMs - e.lastSeenMs) + " ago"};
        const std::vector<std::string> product = ZProductTable::TextCells(e.row);
        row.insert(row.end(), product.begin(), product.end());
        cells.push_back(std::move(row));
    }
    text += table_text::Align(cells);
    if (!recentEvents.empty()) {
        text += "\nLatest events\n";
        for (const std::string& line : recentEvents) {
            text += "  " + line + "\n";
        }
    }
    return text;
}
