#include "catalogue/unitfinder_core.h"

#include <cstdio>

#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_interface.h"
#include "platform/threading/wait.h"

namespace {

// What the finder tells every device about itself when it searches.
constexpr const char kIdentityFormat[] =
    "<quillondata><ident name=\"cuedeckeditor\" edition=\"%s\" version=\"%s\" /></quillondata>";
constexpr const char kIdentityEdition[] = "prime";
constexpr const char kIdentityVersion[] = "2.1.0";

constexpr const char kServicePattern[] = "zelvane.*";
constexpr uint16_t kRetryCount = 3;

}  // namespace

size_t ZUnitFinderCore::KeyHash::operator()(const KeyView& k) const {
    size_t h = std::hash<std::string_view>()(k.service);
    h ^= (static_cast<size_t>(k.address) << 16 | k.port) + 0x9E3779B97F4A7C15ull + (h << 6) +
         (h >> 2);
    return h;
}

ZUnitFinderCore::ZUnitFinderCore(IUnitFinderCoreHandler* handler)
    : ZUnitFinderCore(
          handler,
          [](const char* groupAddress, uint16_t localPort, uint16_t remotePort) -> INDDUserAgent* {
              return new ZNDDUserAgent(groupAddress, localPort, remotePort);
          }) {}

ZUnitFinderCore::ZUnitFinderCore(IUnitFinderCoreHandler* handler, ZUserAgentFactory makeAgent)
    : ZThread(nullptr),
      agent_(makeAgent ? makeAgent(nullptr, 0, kRemotePort) : nullptr),
      wake_(/*manualReset=*/true, /*initialState=*/false),
      products_(new LProductList(/*threadSafe=*/false)),
      handler_(handler) {
    identityXml_[0] = '\0';
    if (agent_ != nullptr) {
        agent_->AddHandler(this);
    }
}

ZUnitFinderCore::~ZUnitFinderCore() {
    // Owners call Stop first; a search thread still running here would use the agent and the
    // list while they are destroyed, so end it the same way.
    if (IsRunning()) {
        ZThread::Stop(false);
        wake_.Set();
        Wait(zplat::INFINITE);
    }
    if (agent_ != nullptr) {
        agent_->RemoveHandler(this);
        agent_->Stop();
        agent_->Release();
        agent_ = nullptr;
    }
    products_->Lock(LProductList::kLockReason);
    DeleteProductsLocked();
    products_->Unlock(LProductList::kLockReason);
    delete products_;
}

void ZUnitFinderCore::DeleteProductsLocked() {
    index_.clear();
    products_->DeleteAll();
}

bool ZUnitFinderCore::Start() {
    products_->Lock(LProductList::kLockReason);
    DeleteProductsLocked();
    products_->Unlock(LProductList::kLockReason);
    overCap_.store(0);

    if (agent_ == nullptr || agent_->Start() != 0) {
        return false;
    }
    agent_->SetServiceType(kServicePattern);
    agent_->SetRetryCount(kRetryCount);
    wake_.Reset();
    ZThread::Start(/*waitUntilStarted=*/true, zplat::INFINITE);
    return true;
}

void ZUnitFinderCore::Stop() {
    // The stop flag goes up before the wake event: woken first, the search thread would find the
    // flag still clear and search again without waiting (the event stays signalled) for as long
    // as this thread takes to raise it, a burst of broadcasts.
    ZThread::Stop(/*terminate=*/false);
    wake_.Set();
    Wait(zplat::INFINITE);
    if (agent_ != nullptr) {
        agent_->Stop();
    }
}

LProductList* ZUnitFinderCore::GetProductList() {
    return products_;
}

void ZUnitFinderCore::SetSearchInterval(uint32_t milliseconds) {
    searchIntervalMs_.store(milliseconds == 0 ? 1 : milliseconds);
}

void ZUnitFinderCore::SetMaxProducts(uint32_t count) {
    maxProducts_.store(count == 0 ? 1 : count);
}

int ZUnitFinderCore::Run() {
    std::snprintf(identityXml_, sizeof identityXml_, kIdentityFormat, kIdentityEdition,
                  kIdentityVersion);
    while (!IsStopRequested()) {
        // Every answer reaches OnDeviceAnswer whether or not the agent knew the device; the
        // agent's own list is not needed.
        agent_->ClearDevices();
        int16_t result = 0;
        agent_->Search("", identityXml_, &result);
        wake_.Wait(searchIntervalMs_.load());
    }
    return 0;
}

int ZUnitFinderCore::OnDeviceAnswer(INetworkDevice* device, INDDUserAgent* /*agent*/) {
    if (device == nullptr) {
        return 1;
    }
    IIPAddress* first = device->GetAddress(0);
    const char* service = device->GetServiceName();
    const KeyView key{service != nullptr ? service : "", first != nullptr ? first->GetAddress() : 0,
                      device->GetPort()};

    ZProduct* added = nullptr;
    products_->Lock(LProductList::kLockReason);
    if (index_.find(key) != index_.end()) {
        // Known: nothing changes.
    } else if (index_.size() >= maxProducts_.load()) {
        overCap_.fetch_add(1);
    } else {
        added = new ZProduct(device);
        products_->AddTail(added);
        index_.emplace(Key{std::string(key.service), key.address, key.port}, added);
    }
    products_->Unlock(LProductList::kLockReason);

    // After the lock is released: the handler may take it (or post to a thread that does).
    if (added != nullptr && handler_ != nullptr) {
        handler_->OnProductAdded(added);
    }
    return 1;
}

int ZUnitFinderCore::OnErrorAnswer(uint32_t /*address*/, uint16_t /*code*/,
                                   INDDUserAgent* /*agent*/) {
    return 1;
}
