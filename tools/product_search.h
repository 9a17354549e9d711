#pragma once
// ZProductSearch: what zunit's product commands (scan, watch, connect) share: the finder's
// discovery core searching as the finder does, a second handler on its agent (ZProductTracker)
// for last-seen times and local interfaces, and rows of the core's products for printing.
//
//   ZProductSearch::Options options;           // the finder's search, every two seconds
//   options.intervalMs = 500;
//   ZProductSearch search(options);
//   std::string error;
//   if (!search.Start(&error)) { fputs(error.c_str(), stderr); return; }
//   while (...) search.WaitForProduct(200);    // OnProductAdded wakes it
//   search.Stop();
//   for (const ZProductRow& row : search.Rows()) ...;
//
// Threads: construct, Start, Stop, Rows, Products and destroy on one thread (the program's main
// thread, which plays the finder's UI thread: client checks and launches run there).
// OnProductAdded runs on the network receive thread and only counts and signals.
//
// Ownership: owns the core (which owns its agent, a ZCliUserAgent over a ZNDDUserAgent) and the
// tracker. Product pointers from GetCore()'s list stay valid until the search is destroyed.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/product_row_maker.h"
#include "catalogue/product_table.h"
#include "catalogue/product_tracker.h"
#include "catalogue/unitfinder_core.h"
#include "catalogue/unitfinder_core_handler.h"
#include "ndd/network_device_detection.h"
#include "net/cidr_block.h"
#include "net/send_pacer.h"
#include "platform/threading/event.h"

class ZCliUserAgent;

class ZProductSearch : public IUnitFinderCoreHandler {
public:
    struct Options {
        uint16_t searchPort = ZUnitFinderCore::kRemotePort;
        uint32_t intervalMs = ZUnitFinderCore::kSearchIntervalMs;
        std::optional<std::string> service;  // unset: the finder's "zelvane.*"
        std::optional<std::string> data;     // unset: the finder's identity document
        uint32_t countTarget = 0;            // note when this many products are listed
        std::vector<ZCIDRBlock> subnets;     // also swept each cycle (ZSubnetSweep)
        uint32_t sweepRate = ZSendPacer::kDefaultRate;
        uint32_t maxProducts = ZUnitFinderCore::kDefaultMaxProducts;  // the core's cap
    };

    explicit ZProductSearch(const Options& options);
    ~ZProductSearch();
    ZProductSearch(const ZProductSearch&) = delete;
    ZProductSearch& operator=(const ZProductSearch&) = delete;

    // Starts the core; false, with what went wrong in *error, when the network side cannot start.
    bool Start(std::string* error);
    // Ends the search; the products stay. Safe to call twice.
    void Stop();

    // True when a product was added since the last call, waiting at most timeoutMs for one.
    bool WaitForProduct(uint32_t timeoutMs);
    // WaitForProduct wakes only for a product that brings the count to at least count (0, the
    // default: for every product). A caller that only looks for a count says so, and the
    // answer path does not wake it for each of thousands of products.
    void SetWakeCount(size_t count) { wakeCount_.store(count); }
    size_t GetProductCount() const { return products_.load(); }

    // The core's products in list order, with details: whether the client is installed and the
    // local interface of the latest answer (these read the registry and the adapters).
    std::vector<ZProductRow> Rows(bool details = true);
    // The core's products in list order, for rows made one at a time (RowOf).
    std::vector<const ZProduct*> Products();
    // Whether the client is installed, by product kind and major version, for one table.
    using InstalledMemo = ZProductRowMaker::InstalledMemo;
    // One product's row (a product of GetCore()'s list), made by ZProductRowMaker with this
    // search's tracker.
    ZProductRow RowOf(const ZProduct& product, bool details = true,
                      InstalledMemo* installed = nullptr);
    // The row of the product with this key, when the core lists one.
    std::optional<ZProductRow> FindRow(const ZProductTracker::Key& key);

    ZUnitFinderCore& GetCore() { return *core_; }
    ZProductTracker& GetTracker() { return tracker_; }
    uint64_t GetCycleCount() const;
    // The text of a search that could not be sent ("" when all were).
    std::string GetSearchErrorText() const;
    // Answers dropped because they arrived while a search was being sent (none: they wait).
    uint64_t GetDroppedAnswerCount() const;
    // Requests sent to the --subnet blocks so far.
    uint64_t GetSweptCount() const;
    // The answer path's counters (zeros when the agent has no detection engine).
    ZNetworkDeviceDetection::Counters GetAnswerPathCounters() const;
    // When the product count first reached countTarget: milliseconds since Start and the search
    // cycle (1 = the first); -1 while not reached.
    int64_t GetTargetReachedMs() const { return targetMs_.load(); }
    int64_t GetTargetReachedCycle() const { return targetCycle_.load(); }

    // IUnitFinderCoreHandler (network receive thread).
    void OnProductAdded(ZProduct* product) override;

private:
    Options options_;
    ZProductTracker tracker_;  // outlives the core, which holds it as a handler of its agent
    ZProductRowMaker rowMaker_{&tracker_};
    ZCliUserAgent* agent_ = nullptr;  // owned by the core
    std::unique_ptr<ZUnitFinderCore> core_;
    bool started_ = false;
    int64_t startMs_ = 0;
    std::atomic<size_t> products_{0};
    std::atomic<int64_t> targetMs_{-1};
    std::atomic<int64_t> targetCycle_{-1};
    zplat::Event added_{/*manualReset=*/false, /*initialState=*/false};
    std::atomic<size_t> wakeCount_{0};
};
