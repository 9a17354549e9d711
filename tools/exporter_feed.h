#pragma once
// ZExporterFeed: brings what a ZProductSearch finds into a ZExporterModel for `zunit exporter`:
// each new product as a device (its id, texts, local interface), each product that goes stale or
// comes back (the tracker's events, the rule of `zunit watch`), the last-seen times of the
// products that answer, the search's counters, the devices remembered from the state file and
// those an expected inventory names.
//
//   ZExporterFeed feed(&search, &model, &expected);   // expected may be empty
//   feed.Remember(entriesFromTheStateFile);
//   for (;;) { feed.Update(WallNowMs(), refreshTimes); feed.Forget(now, afterMs); ... }
//
// Devices are merged by id: a device with a serial that moves to another address is one device,
// up while any of its addresses answers, with the texts of its newest product. An expected entry
// is exported under a stand-in id (ExpectedId) until a device fulfils it (the inventory's
// matching, ZExpectedInventory::Compare), which is then never forgotten.
//
// Threads: one thread (the command's); the model may be read meanwhile from any.
//
// Ownership: the search, the model and the inventory are not owned and must outlive the feed.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "tools/expected_inventory.h"
#include "tools/exporter_model.h"
#include "tools/exporter_state.h"
#include "tools/product_search.h"

class ZExporterFeed {
public:
    ZExporterFeed(ZProductSearch* search, ZExporterModel* model,
                  const ZExpectedInventory* expected);

    // The id an expected entry is exported under until a device fulfils it: the device's own id
    // when the entry names service and serial, or service, address and port; otherwise
    // "expected:" and the entry's members (ZExpectedInventory::Describe).
    static std::string ExpectedId(const ZExpectedInventory& inventory, size_t entry);
    static ZExporterModel::Device FromRow(const ZProductRow& row);

    // Puts the remembered devices into the model, down, as far as the cap allows.
    void Remember(const std::vector<ZExporterState::Entry>& entries);
    // Takes in what the search found since the last call; with refreshTimes also the last-seen
    // time of every product that answers. True when a device was added or went up or down.
    bool Update(int64_t wallNowMs, bool refreshTimes);
    // Drops devices silent for longer than afterMs (ZExporterModel::Forget); how many.
    size_t Forget(int64_t wallNowMs, int64_t afterMs);
    // Devices that found the model full.
    uint64_t GetOverCapCount() const { return overCap_; }

private:
    struct KeyState {
        std::string id;
        const ZProduct* product = nullptr;
        bool live = false;
    };

    void TakeNewProducts();
    // Puts the product's device into the model (again); false past the cap.
    bool PutProduct(const ZProductTracker::Key& key, KeyState* state);
    void SetLive(KeyState* state, bool live, int64_t lastSeenSteadyMs);
    void MatchExpected();
    int64_t Wall(int64_t steadyMs) const { return steadyMs + wallMinusSteady_; }

    ZProductSearch* search_;
    ZExporterModel* model_;
    const ZExpectedInventory* expected_;
    int64_t wallMinusSteady_ = 0;
    size_t productsTaken_ = 0;
    std::unordered_set<const ZProduct*> taken_;
    std::map<ZProductTracker::Key, KeyState> keys_;
    std::map<std::string, int> liveKeys_;  // by device id: how many of its products answer
    ZProductSearch::InstalledMemo installed_;
    // Devices that fit an expected entry, for the inventory's matching.
    std::map<std::string, ZProductRow> candidates_;
    bool candidatesChanged_ = false;
    std::vector<std::string> expectedIds_;  // by entry: the stand-in or the fulfilling device
    uint64_t overCap_ = 0;
    bool changed_ = false;
};
