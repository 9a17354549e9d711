#include "tools/product_search.h"

#include "catalogue/product.h"
#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "tools/cli_user_agent.h"

namespace {

ZNetworkDeviceDetection* EngineOf(ZCliUserAgent* agent) {
    auto* real = agent != nullptr ? dynamic_cast<ZNDDUserAgent*>(agent->GetWrapped()) : nullptr;
    return real != nullptr ? real->GetEngine() : nullptr;
}

}  // namespace

ZProductSearch::ZProductSearch(const Options& options)
    : options_(options),
      tracker_(ZProductTracker::StaleAfterMs(options.intervalMs == 0 ? 1 : options.intervalMs)) {
    core_ = std::make_unique<ZUnitFinderCore>(
        this, [this](const char* groupAddress, uint16_t localPort, uint16_t /*remotePort*/) {
            // The devices' port is the command line's (4258 unless told otherwise).
            agent_ =
                new ZCliUserAgent(new ZNDDUserAgent(groupAddress, localPort, options_.searchPort));
            if (options_.service) {
                agent_->OverrideServiceType(*options_.service);
            }
            if (options_.data) {
                agent_->OverrideSearchData(*options_.data);
            }
            return agent_;
        });
    core_->SetSearchInterval(options.intervalMs);
    core_->SetMaxProducts(options.maxProducts);
    tracker_.SetMaxKeys(options.maxProducts);
    agent_->AddHandler(&tracker_);  // after the core: its product exists when the tracker hears
}

ZProductSearch::~ZProductSearch() {
    Stop();
    agent_->RemoveHandler(&tracker_);
    core_.reset();
}

bool ZProductSearch::Start(std::string* error) {
    startMs_ = ZProductTracker::SteadyNowMs();
    if (ZNetworkDeviceDetection* engine = EngineOf(agent_); engine != nullptr) {
        engine->SetSubnets(options_.subnets, options_.sweepRate);
    }
    if (!core_->Start()) {
        const int16_t code = agent_->GetStartResult();
        *error = std::string("the network could not start: ") + agent_->GetErrorText(code) + " (" +
                 std::to_string(code) + ")";
        core_->Stop();  // closes whatever the agent opened
        return false;
    }
    started_ = true;
    return true;
}

void ZProductSearch::Stop() {
    if (started_) {
        core_->Stop();
        started_ = false;
    }
}

bool ZProductSearch::WaitForProduct(uint32_t timeoutMs) {
    return added_.Wait(timeoutMs) == zplat::WAIT_OBJECT_0;
}

void ZProductSearch::OnProductAdded(ZProduct* /*product*/) {
    const size_t count = products_.fetch_add(1) + 1;
    if (options_.countTarget > 0 && count == options_.countTarget) {
        targetMs_.store(ZProductTracker::SteadyNowMs() - startMs_);
        targetCycle_.store(static_cast<int64_t>(agent_->GetSearchCount()));
    }
    if (count >= wakeCount_.load()) {
        added_.Set();
    }
}

uint64_t ZProductSearch::GetCycleCount() const {
    return agent_->GetSearchCount();
}

std::string ZProductSearch::GetSearchErrorText() const {
    const int16_t code = agent_->GetLastSearchError();
    if (code == 0) {
        return "";
    }
    ZNetworkDeviceDetection* engine = EngineOf(agent_);
    const char* text = engine != nullptr ? engine->GetErrorText(code) : agent_->GetErrorText(code);
    return std::string(text != nullptr ? text : "") + " (" + std::to_string(code) + ")";
}

uint64_t ZProductSearch::GetDroppedAnswerCount() const {
    ZNetworkDeviceDetection* engine = EngineOf(agent_);
    return engine != nullptr ? engine->GetDroppedAnswerCount() : 0;
}

uint64_t ZProductSearch::GetSweptCount() const {
    ZNetworkDeviceDetection* engine = EngineOf(agent_);
    return engine != nullptr ? engine->GetSweptCount() : 0;
}

ZNetworkDeviceDetection::Counters ZProductSearch::GetAnswerPathCounters() const {
    ZNetworkDeviceDetection* engine = EngineOf(agent_);
    return engine != nullptr ? engine->GetCounters() : ZNetworkDeviceDetection::Counters{};
}

ZProductRow ZProductSearch::RowOf(const ZProduct& product, bool details, InstalledMemo* installed) {
    return rowMaker_.Make(product, details, installed);
}

std::vector<const ZProduct*> ZProductSearch::Products() {
    // Pointers only under the list's lock: the client checks of RowOf read the registry, which is
    // no work to do while the receive thread may wait for the lock. Products are never deleted
    // while the search exists, so the pointers stay good.
    std::vector<const ZProduct*> products;
    LProductList* list = core_->GetProductList();
    list->Lock(LProductList::kLockReason);
    products.reserve(static_cast<size_t>(list->GetCount()));
    for (ZProduct* p = list->First(); p != nullptr; p = list->Next()) {
        products.push_back(p);
    }
    list->Unlock(LProductList::kLockReason);
    return products;
}

std::vector<ZProductRow> ZProductSearch::Rows(bool details) {
    const std::vector<const ZProduct*> products = Products();
    std::vector<ZProductRow> rows;
    rows.reserve(products.size());
    InstalledMemo installed;
    for (const ZProduct* p : products) {
        rows.push_back(RowOf(*p, details, &installed));
    }
    return rows;
}

std::optional<ZProductRow> ZProductSearch::FindRow(const ZProductTracker::Key& key) {
    ZProduct* found = nullptr;
    LProductList* list = core_->GetProductList();
    list->Lock(LProductList::kLockReason);
    for (ZProduct* p = list->First(); p != nullptr && found == nullptr; p = list->Next()) {
        if (p->GetPort() == key.port && key.service == p->GetServiceName().GetString() &&
            key.address == p->GetAddressText().GetString()) {
            found = p;
        }
    }
    list->Unlock(LProductList::kLockReason);
    if (found == nullptr) {
        return std::nullopt;
    }
    return RowOf(*found);
}
