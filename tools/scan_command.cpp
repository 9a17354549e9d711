#include "tools/scan_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "catalogue/product_table.h"
#include "catalogue/table_text.h"
#include "platform/process/console.h"
#include "platform/process/memory_usage.h"
#include "platform/threading/thread_cpu_time.h"
#include "tools/expected_inventory.h"
#include "tools/network_namespace.h"
#include "tools/option_check.h"
#include "tools/product_search.h"
#include "tools/status_line.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often the live count is brought up to date, at most.
constexpr uint32_t kRefreshMs = 200;
// The time between two --expect comparisons: each builds every product's row, so one per new
// product would make a scan among thousands of devices quadratic. A scan therefore ends at most
// this long after the last expected product answered.
constexpr uint32_t kCompareGapMs = 50;

int64_t MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

}  // namespace

const char* ZScanCommand::GetDescription() const {
    return "Searches for products for a while and prints those that answered";
}

const char* ZScanCommand::ExpectHelp() {
    return "Expected inventory (--expect FILE): a JSON array of products, or an object whose\n"
           "\"products\" member is that array. Each entry names one product by any of \"name\",\n"
           "\"service\", \"type_model\", \"version\", \"address\", \"serial\" (texts) and "
           "\"port\"\n"
           "(a number), compared exactly with the product's columns; the other members of\n"
           "`zunit scan --json` output are ignored, so a saved scan serves as an inventory. Each\n"
           "product fulfils one entry at most. Example:\n"
           "  {\"products\": [{\"name\": \"Booth 2\", \"address\": \"10.0.0.50\", \"port\": "
           "4300},\n"
           "                {\"service\": \"zelvane.vxp2\"}]}\n"
           "The scan ends once every entry is fulfilled; missing entries are named on stderr and\n"
           "the exit code is 4.";
}

void ZScanCommand::Configure(CLI::App* command) {
    command->footer(ExpectHelp());
    command->add_option("--time", seconds_, "Seconds to search")
        ->capture_default_str()
        ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/false));
    auto* json = command->add_flag("--json", json_, "Print a JSON array");
    auto* ndjson = command->add_flag("--ndjson", ndjson_, "Print one JSON object per line");
    auto* csv = command->add_flag("--csv", csv_, "Print CSV");
    json->excludes(ndjson, csv);
    ndjson->excludes(csv);
    command->add_option("--interval", intervalMs_, "Milliseconds between search cycles")
        ->capture_default_str()
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/false));
    search_.Configure(command);
    subnets_.Configure(command);
    command
        ->add_option("--expect", expectPath_,
                     "Compare with the expected inventory in FILE (format below)")
        ->type_name("FILE");
    auto* until = command->add_option("--until", until_, "Stop as soon as N products are listed");
    auto* target =
        command->add_option("--count-target", countTarget_,
                            "Note (in --stats) when N products are listed, and go on searching");
    until->excludes(target);
    command->add_flag("--stats", stats_, "Print cycles, answers and timings as JSON on stderr");
    command->add_flag("--quiet", quiet_, "No live count on the terminal");
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      ZNetworkNamespace::OverrideHelp());
}

int ZScanCommand::Run() {
    if (seconds_ <= 0 || intervalMs_ == 0) {
        std::fprintf(stderr, "zunit scan: --time and --interval must be positive\n");
        return kExitUsage;
    }
    if (!subnets_.Check("scan")) {
        return kExitUsage;
    }
    ZExpectedInventory expected;
    if (!expectPath_.empty()) {
        std::string error;
        if (!ZExpectedInventory::Load(expectPath_, &expected, &error)) {
            std::fprintf(stderr, "zunit scan: --expect %s\n", error.c_str());
            return kExitUsage;
        }
    }
    if (!ZNetworkNamespace::MayUseNetwork("scan", allowHostNetwork_)) {
        return kExitNetwork;
    }

    const uint64_t cpuStart = zplat::ProcessCpuTimeNs();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(seconds_));
    ZProductSearch::Options options;
    search_.Apply(&options);
    subnets_.Apply(&options);
    options.intervalMs = intervalMs_;
    options.countTarget = until_ > 0 ? until_ : countTarget_;
    ZProductSearch search(options);
    std::string error;
    if (!search.Start(&error)) {
        std::fprintf(stderr, "zunit scan: %s\n", error.c_str());
        return kExitNetwork;
    }

    ZStatusLine status(stderr, !quiet_ && zplat::IsTerminal(stderr));
    size_t compared = 0;  // the product count at the last --expect comparison
    Clock::time_point lastCompare = start - std::chrono::milliseconds(kCompareGapMs);
    // Each product fulfils one entry at most, so a comparison cannot succeed before there are as
    // many products as entries.
    const auto compareDue = [&](size_t count) {
        return expected.GetCount() > 0 && count != compared && count >= expected.GetCount();
    };
    if (!status.IsEnabled()) {
        // Nothing to show per product: only --until's count ends the wait early (an --expect
        // comparison is made on a timer, not for every product).
        search.SetWakeCount(until_ > 0 ? until_ : std::numeric_limits<size_t>::max());
    }
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            break;
        }
        // Rounded up, so the last wait reaches the end instead of spinning just short of it.
        int64_t waitMs = std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
        if (status.IsEnabled()) {
            waitMs = std::min<int64_t>(waitMs, kRefreshMs);
        }
        if (expected.GetCount() > 0) {
            // Looked at once per gap: at once when a comparison is due and the gap is over.
            const int64_t since = MsBetween(lastCompare, now);
            const int64_t untilNext =
                since >= kCompareGapMs ? (compareDue(search.GetProductCount()) ? 0 : kCompareGapMs)
                                       : kCompareGapMs - since;
            waitMs = std::min<int64_t>(waitMs, untilNext);
        }
        search.WaitForProduct(static_cast<uint32_t>(waitMs));
        const size_t count = search.GetProductCount();
        status.Show("zunit scan: " + std::to_string(count) +
                    (count == 1 ? " device found" : " devices found") + ", search cycle " +
                    std::to_string(search.GetCycleCount()));
        if (until_ > 0 && count >= until_) {
            break;
        }
        if (compareDue(count) && MsBetween(lastCompare, Clock::now()) >= kCompareGapMs) {
            compared = count;
            lastCompare = Clock::now();
            if (expected.Compare(search.Rows(/*details=*/false)).missing.empty()) {
                break;
            }
        }
    }
    status.Clear();
    search.Stop();  // no answers arrive any more
    const uint64_t searchPeakKiB = zplat::PeakResidentKiB();

    // Printed from the search's products, each row made as it is printed: rows of tens of
    // thousands of products held at once would cost more memory than the search itself.
    const ZProductTable::Format format = json_     ? ZProductTable::Format::kJson
                                         : ndjson_ ? ZProductTable::Format::kNdjson
                                         : csv_    ? ZProductTable::Format::kCsv
                                                   : ZProductTable::Format::kText;
    std::vector<const ZProduct*> products = search.Products();
    ZProductTable::SortProducts(&products);
    ZProductSearch::InstalledMemo installed;
    ZProductTable::Print(
        format, products.size(),
        [&](size_t i) { return search.RowOf(*products[i], /*details=*/true, &installed); }, stdout);
    std::fflush(stdout);

    const std::string searchError = search.GetSearchErrorText();
    if (!searchError.empty()) {
        std::fprintf(stderr, "zunit scan: a search was not sent: %s\n", searchError.c_str());
    }
    int exitCode = !products.empty() ? kExitSuccess : kExitNothingFound;
    if (!expectPath_.empty()) {
        // The compared columns only (no client check, no interface), in the printed order.
        std::vector<ZProductRow> rows;
        rows.reserve(products.size());
        for (const ZProduct* p : products) {
            rows.push_back(search.RowOf(*p, /*details=*/false));
        }
        const ZExpectedInventory::Result result = expected.Compare(rows);
        for (size_t e : result.missing) {
            std::fprintf(stderr, "zunit scan: missing: %s\n", expected.Describe(e).c_str());
        }
        for (size_t r : result.unexpected) {
            const ZProductRow& row = rows[r];
            std::fprintf(stderr, "zunit scan: not in the inventory: %s (%s) at %s\n",
                         ZProductTable::Quote(row.name).c_str(),
                         table_text::Printable(row.service).c_str(), row.AddressAndPort().c_str());
        }
        std::fprintf(stderr, "zunit scan: %zu of %zu expected products found\n",
                     expected.GetCount() - result.missing.size(), expected.GetCount());
        exitCode = result.missing.empty() ? kExitSuccess : kExitMissing;
    }
    if (stats_) {
        const double cpuMs = static_cast<double>(zplat::ProcessCpuTimeNs() - cpuStart) / 1e6;
        const ZNetworkDeviceDetection::Counters path = search.GetAnswerPathCounters();
        const nlohmann::json summary = {{"cycles", search.GetCycleCount()},
                                        {"answers", search.GetTracker().GetAnswerCount()},
                                        {"refusals", search.GetTracker().GetRefusalCount()},
                                        {"dropped_while_sending", search.GetDroppedAnswerCount()},
                                        {"swept", search.GetSweptCount()},
                                        {"queue_dropped", path.queueDropped},
                                        {"queued_at_end", path.queuedAtClose},
                                        {"answers_waited", path.answersWaited},
                                        {"queue_peak", path.queuePeak},
                                        {"products_over_cap", search.GetCore().GetOverCapCount()},
                                        {"peak_rss_kib", zplat::PeakResidentKiB()},
                                        {"search_peak_rss_kib", searchPeakKiB},
                                        {"devices", products.size()},
                                        {"target", options.countTarget},
                                        {"all_stored_ms", search.GetTargetReachedMs()},
                                        {"all_stored_cycle", search.GetTargetReachedCycle()},
                                        {"elapsed_ms", MsBetween(start, Clock::now())},
                                        {"cpu_ms", cpuMs}};
        std::fprintf(stderr, "%s\n", summary.dump().c_str());
    }
    return exitCode;
}
