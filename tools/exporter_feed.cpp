#include "tools/exporter_feed.h"

#include "catalogue/product.h"
#include "tools/wall_clock.h"

namespace {

ZProductRow RowOfDevice(const ZExporterModel::Device& d) {
    ZProductRow row;
    row.name = d.name;
    row.service = d.service;
    row.typeModel = d.model;
    row.version = d.version;
    row.address = d.address;
    row.port = d.port;
    row.serial = d.serial;
    return row;
}

}  // namespace

ZExporterFeed::ZExporterFeed(ZProductSearch* search, ZExporterModel* model,
                             const ZExpectedInventory* expected)
    : search_(search), model_(model), expected_(expected) {
    wallMinusSteady_ = wall_clock::NowMs() - search_->GetTracker().Now();
    for (size_t e = 0; e < expected_->GetCount(); ++e) {
        const ZExpectedInventory::Entry& entry = expected_->GetEntry(e);
        ZExporterModel::Device d;
        d.name = entry.name.value_or("");
        d.service = entry.service.value_or("");
        d.model = entry.typeModel.value_or("");
        d.version = entry.version.value_or("");
        d.address = entry.address.value_or("");
        d.serial = entry.serial.value_or("");
        d.port = entry.port.value_or(0);
        d.expected = true;
        expectedIds_.push_back(ExpectedId(*expected_, e));
        if (!model_->Put(expectedIds_.back(), d)) {
            ++overCap_;
        }
    }
}

std::string ZExporterFeed::ExpectedId(const ZExpectedInventory& inventory, size_t index) {
    const ZExpectedInventory::Entry& e = inventory.GetEntry(index);
    ZExporterModel::Device d;
    if (e.service && e.serial && ZExporterModel::HasSerial(*e.serial)) {
        d.service = *e.service;
        d.serial = *e.serial;
        return ZExporterModel::DeviceId(d);
    }
    if (e.service && e.address && e.port) {
        d.service = *e.service;
        d.address = *e.address;
        d.port = *e.port;
        return ZExporterModel::DeviceId(d);
    }
    return "expected:" + inventory.Describe(index);
}

ZExporterModel::Device ZExporterFeed::FromRow(const ZProductRow& row) {
    ZExporterModel::Device d;
    d.name = row.name;
    d.service = row.service;
    d.model = row.typeModel;
    d.version = row.version;
    d.address = row.address;
    d.port = row.port;
    d.serial = row.serial;
    d.interface = row.localInterface;
    return d;
}

void ZExporterFeed::Remember(const std::vector<ZExporterState::Entry>& entries) {
    for (const ZExporterState::Entry& e : entries) {
        ZExporterModel::Device d = e.device;
        d.up = false;
        d.expected = false;
        if (!model_->Put(e.id, d)) {
            ++overCap_;
            continue;
        }
        const ZProductRow row = RowOfDevice(d);
        for (size_t i = 0; i < expected_->GetCount(); ++i) {
            if (expected_->GetEntry(i).Matches(row)) {
                candidates_[e.id] = row;
                candidatesChanged_ = true;
                break;
            }
        }
    }
    MatchExpected();
}

bool ZExporterFeed::PutProduct(const ZProductTracker::Key& key, KeyState* state) {
    ZProductRow row = search_->RowOf(*state->product, /*details=*/true, &installed_);
    ZExporterModel::Device d = FromRow(row);
    d.up = liveKeys_[state->id] > 0;
    if (auto seen = search_->GetTracker().Find(key)) {
        d.lastSeenMs = Wall(seen->lastSeenMs);
    }
    if (!model_->Put(state->id, d)) {
        ++overCap_;
        return false;
    }
    changed_ = true;
    for (size_t i = 0; i < expected_->GetCount(); ++i) {
        if (expected_->GetEntry(i).Matches(row)) {
            candidates_[state->id] = std::move(row);
            candidatesChanged_ = true;
            break;
        }
    }
    return true;
}

void ZExporterFeed::TakeNewProducts() {
    const size_t count = search_->GetProductCount();
    if (count == productsTaken_) {
        return;
    }
    productsTaken_ = count;
    std::vector<const ZProduct*> fresh;
    LProductList* list = search_->GetCore().GetProductList();
    list->Lock(LProductList::kLockReason);
    for (ZProduct* p = list->First(); p != nullptr; p = list->Next()) {
        if (taken_.insert(p).second) {
            fresh.push_back(p);
        }
    }
    list->Unlock(LProductList::kLockReason);
    // Products are never deleted while the search exists, so the pointers stay good.
    for (const ZProduct* p : fresh) {
        const ZProductTracker::Key key{p->GetServiceName().GetString(),
                                       p->GetAddressText().GetString(), p->GetPort()};
        KeyState& state = keys_[key];
        state.product = p;
        ZProductRow row = ZProductRow::FromProduct(*p);
        state.id = ZExporterModel::DeviceId(FromRow(row));
        const auto seen = search_->GetTracker().Find(key);
        if (seen && !seen->stale) {
            state.live = true;
            ++liveKeys_[state.id];
        }
        PutProduct(key, &state);
    }
}

void ZExporterFeed::SetLive(KeyState* state, bool live, int64_t lastSeenSteadyMs) {
    if (state->live != live) {
        state->live = live;
        liveKeys_[state->id] += live ? 1 : -1;
        changed_ = true;
    }
    model_->SetUp(state->id, liveKeys_[state->id] > 0, Wall(lastSeenSteadyMs));
}

bool ZExporterFeed::Update(int64_t /*wallNowMs*/, bool refreshTimes) {
    changed_ = false;
    TakeNewProducts();
    ZProductTracker& tracker = search_->GetTracker();
    for (const ZProductTracker::Event& e : tracker.Sweep()) {
        auto it = keys_.find(e.key);
        if (it == keys_.end()) {
            continue;  // past the core's cap: the core lists no product for it
        }
        KeyState& state = it->second;
        const bool live = e.kind != ZProductTracker::EventKind::kStale;
        ZExporterModel::Device known;
        if (live && !model_->Find(state.id, &known)) {
            // Forgotten while silent, and back now.
            if (state.live) {
                state.live = false;
                --liveKeys_[state.id];
            }
            SetLive(&state, true, e.atMs);
            PutProduct(e.key, &state);
            continue;
        }
        SetLive(&state, live, live ? e.atMs : e.lastSeenMs);
    }
    if (refreshTimes) {
        std::vector<std::pair<std::string, int64_t>> times;
        for (const auto& [key, state] : keys_) {
            if (state.live) {
                if (auto seen = tracker.Find(key)) {
                    times.emplace_back(state.id, Wall(seen->lastSeenMs));
                }
            }
        }
        model_->SetLastSeen(times);
    }
    MatchExpected();

    ZExporterModel::Counters counters;
    counters.cycles = search_->GetCycleCount();
    counters.answers = tracker.GetAnswerCount();
    counters.refusals = tracker.GetRefusalCount();
    counters.queueDropped = search_->GetAnswerPathCounters().queueDropped;
    counters.droppedWhileSending = search_->GetDroppedAnswerCount();
    counters.products = search_->GetProductCount();
    counters.overCap = search_->GetCore().GetOverCapCount();
    model_->SetCounters(counters);
    return changed_;
}

void ZExporterFeed::MatchExpected() {
    if (!candidatesChanged_ || expected_->GetCount() == 0) {
        return;
    }
    candidatesChanged_ = false;
    std::vector<std::string> ids;
    std::vector<ZProductRow> rows;
    for (const auto& [id, row] : candidates_) {
        ids.push_back(id);
        rows.push_back(row);
    }
    for (const auto& [entry, row] : expected_->Compare(rows).matched) {
        const std::string& id = ids[row];
        if (expectedIds_[entry] == id) {
            continue;
        }
        // The stand-in goes unless another entry still stands on it.
        const std::string old = expectedIds_[entry];
        expectedIds_[entry] = id;
        model_->SetExpected(id, true);
        bool used = false;
        for (const std::string& other : expectedIds_) {
            used = used || other == old;
        }
        if (!used && candidates_.count(old) == 0) {
            model_->Remove(old);
        }
        changed_ = true;
    }
}

size_t ZExporterFeed::Forget(int64_t wallNowMs, int64_t afterMs) {
    const std::vector<std::string> forgotten = model_->Forget(wallNowMs, afterMs);
    for (const std::string& id : forgotten) {
        candidates_.erase(id);
    }
    return forgotten.size();
}
