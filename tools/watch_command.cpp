#include "tools/watch_command.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <nlohmann/json.hpp>

#include "foundation/device_text.h"
#include "platform/process/console.h"
#include "tools/network_namespace.h"
#include "tools/option_check.h"
#include "tools/product_search.h"
#include "tools/stop_signal.h"
#include "tools/wall_clock.h"
#include "tools/watch_view.h"

namespace {

// How often the tracker is swept (so a stale product is reported within this much of its
// deadline), the live list redrawn at the latest, and how many events it keeps below the list.
constexpr uint32_t kTickMs = 100;
constexpr int64_t kRedrawMs = 1000;
constexpr size_t kRecentEvents = 10;

// Cursor home, then erase the whole display (ECMA-48 CUP and ED).
constexpr const char kClearScreen[] = "\033[H\033[2J";

}  // namespace

const char* ZWatchCommand::GetDescription() const {
    return "Searches until interrupted and reports products that appear, go stale and come back";
}

void ZWatchCommand::Configure(CLI::App* command) {
    command->add_option("--time", seconds_, "Seconds to watch (0: until interrupted)")
        ->capture_default_str()
        ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/true));
    auto* json = command->add_flag("--json", json_, "Print each event as a JSON object per line");
    auto* events =
        command->add_flag("--events", events_, "Print each event as a line, also on a terminal");
    json->excludes(events);
    command
        ->add_option("--interval", intervalMs_,
                     "Milliseconds between search cycles (stale after two and a half)")
        ->capture_default_str()
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/false));
    search_.Configure(command);
    subnets_.Configure(command);
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      ZNetworkNamespace::OverrideHelp());
}

int ZWatchCommand::Run() {
    if (seconds_ < 0 || intervalMs_ == 0) {
        std::fprintf(stderr, "zunit watch: --time must not be negative, --interval positive\n");
        return kExitUsage;
    }
    if (!subnets_.Check("watch")) {
        return kExitUsage;
    }
    if (!ZNetworkNamespace::MayUseNetwork("watch", allowHostNetwork_)) {
        return kExitNetwork;
    }
    ZProductSearch::Options options;
    search_.Apply(&options);
    subnets_.Apply(&options);
    options.intervalMs = intervalMs_;
    ZProductSearch search(options);
    std::string error;
    if (!search.Start(&error)) {
        std::fprintf(stderr, "zunit watch: %s\n", error.c_str());
        return kExitNetwork;
    }
    const ZStopSignal stop;

    const bool live = !json_ && !events_ && zplat::IsTerminal(stdout);
    ZProductTracker& tracker = search.GetTracker();
    // The tracker's times are steady-clock milliseconds; events show wall-clock times.
    const int64_t wallMinusSteady = wall_clock::NowMs() - tracker.Now();
    const auto start = std::chrono::steady_clock::now();

    std::map<ZProductTracker::Key, ZProductRow> rows;
    std::vector<ZProductTracker::Key> order;  // of appearance
    std::deque<std::string> recent;
    int64_t drawnAt = -kRedrawMs;
    for (;;) {
        const bool ending =
            stop.IsRequested() || (seconds_ > 0 && std::chrono::steady_clock::now() - start >=
                                                       std::chrono::duration<double>(seconds_));
        if (!ending) {
            search.WaitForProduct(kTickMs);
        }
        bool changed = false;
        for (const ZProductTracker::Event& e : tracker.Sweep()) {
            auto it = rows.find(e.key);
            if (it == rows.end() || e.kind == ZProductTracker::EventKind::kBack) {
                // A product that is back may answer through another interface now.
                std::optional<ZProductRow> found = search.FindRow(e.key);
                ZProductRow row;
                if (found) {
                    row = *found;
                } else {
                    row.service = ZDeviceText::ToUtf8(e.key.service);
                    row.address = e.key.address;
                    row.port = e.key.port;
                }
                if (it == rows.end()) {
                    order.push_back(e.key);
                    it = rows.emplace(e.key, row).first;
                } else {
                    it->second = row;
                }
            }
            const int64_t at = e.atMs + wallMinusSteady;
            const int64_t lastSeen = e.lastSeenMs + wallMinusSteady;
            if (live) {
                recent.push_back(ZWatchView::EventLine(e.kind, it->second, at, lastSeen));
                if (recent.size() > kRecentEvents) {
                    recent.pop_front();
                }
                changed = true;
            } else if (json_) {
                const std::string line = ZProductTable::Dump(
                    ZWatchView::EventJson(e.kind, it->second, at, lastSeen), -1);
                std::fprintf(stdout, "%s\n", line.c_str());
            } else {
                std::fprintf(stdout, "%s\n",
                             ZWatchView::EventLine(e.kind, it->second, at, lastSeen).c_str());
            }
        }
        std::fflush(stdout);

        const int64_t now = tracker.Now();
        if (live && (changed || ending || now - drawnAt >= kRedrawMs)) {
            std::vector<ZWatchView::Entry> entries;
            for (const ZProductTracker::Key& key : order) {
                ZWatchView::Entry entry;
                entry.row = rows[key];
                if (auto seen = tracker.Find(key)) {
                    entry.stale = seen->stale;
                    entry.lastSeenMs = seen->lastSeenMs + wallMinusSteady;
                }
                entries.push_back(std::move(entry));
            }
            const std::string screen = ZWatchView::Screen(
                entries, now + wallMinusSteady,
                std::vector<std::string>(recent.begin(), recent.end()), search.GetCycleCount());
            std::fprintf(stdout, "%s%s", kClearScreen, screen.c_str());
            std::fflush(stdout);
            drawnAt = now;
        }
        if (ending) {
            break;
        }
    }
    search.Stop();

    const std::string searchError = search.GetSearchErrorText();
    if (!searchError.empty()) {
        std::fprintf(stderr, "zunit watch: a search was not sent: %s\n", searchError.c_str());
    }
    return kExitSuccess;
}
