#include "platform/network/addr_change.h"

namespace zplat {

namespace {

std::mutex g_mutex;
std::shared_ptr<AddrChangeBackend> g_backend;

std::shared_ptr<AddrChangeBackend> Backend() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_backend) {
        g_backend = MakeSystemAddrChange();
    }
    return g_backend;
}

}  // namespace

void SetAddrChangeBackend(std::shared_ptr<AddrChangeBackend> backend) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_backend = std::move(backend);
}

uint32_t NotifyAddrChange(Overlapped* overlapped) {
    if (overlapped == nullptr || overlapped->event == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (overlapped->watch) {
        overlapped->watch->Cancel();
        overlapped->watch.reset();
    }
    uint32_t error = ERROR_GEN_FAILURE;
    overlapped->watch = Backend()->Arm(overlapped->event, &error);
    return overlapped->watch ? ERROR_IO_PENDING : error;
}

bool CancelIPChangeNotify(Overlapped* overlapped) {
    if (overlapped == nullptr || !overlapped->watch) {
        return false;
    }
    overlapped->watch->Cancel();
    overlapped->watch.reset();
    return true;
}

class FakeAddrChange::Watch : public AddrChangeWatch {
public:
    explicit Watch(Event* event) : event_(event) {}
    void Cancel() override {
        std::lock_guard<std::mutex> lock(mutex_);
        event_ = nullptr;
    }
    bool Signal() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (event_ == nullptr) {
            return false;
        }
        event_->Set();
        event_ = nullptr;
        return true;
    }
    bool Armed() {
        std::lock_guard<std::mutex> lock(mutex_);
        return event_ != nullptr;
    }

private:
    std::mutex mutex_;
    Event* event_;
};

std::shared_ptr<AddrChangeWatch> FakeAddrChange::Arm(Event* event, uint32_t*) {
    auto watch = std::make_shared<Watch>(event);
    std::lock_guard<std::mutex> lock(mutex_);
    ++armCalls;
    watches_.push_back(watch);
    return watch;
}

int FakeAddrChange::Fire() {
    std::vector<std::shared_ptr<Watch>> live;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& w : watches_) {
            if (auto s = w.lock()) {
                live.push_back(std::move(s));
            }
        }
        watches_.clear();
    }
    int fired = 0;
    for (auto& w : live) {
        fired += w->Signal() ? 1 : 0;
    }
    return fired;
}

int FakeAddrChange::ArmedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (auto& w : watches_) {
        auto s = w.lock();
        n += (s && s->Armed()) ? 1 : 0;
    }
    return n;
}

}  // namespace zplat
