// Address-change notification through the system's NotifyAddrChange with an overlapped event and
// CancelIPChangeNotify. The system signals its own event; a small thread passes that signal on to
// the caller's event, so the watch keeps the shape the other systems give it.

#include <mutex>
#include <thread>

#include "platform/network/addr_change.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

class SystemWatch : public AddrChangeWatch {
public:
    SystemWatch(Event* event, HANDLE signalled, HANDLE cancel, OVERLAPPED* overlapped)
        : event_(event), signalled_(signalled), cancel_(cancel), overlapped_(overlapped) {
        thread_ = std::thread([this] { Watch(); });
    }
    ~SystemWatch() override {
        Cancel();
        ::CloseHandle(signalled_);
        ::CloseHandle(cancel_);
        delete overlapped_;
    }

    void Cancel() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            return;
        }
        ::SetEvent(cancel_);
        thread_.join();
        if (!fired_) {
            ::CancelIPChangeNotify(overlapped_);
        }
    }

private:
    void Watch() {
        HANDLE handles[2] = {signalled_, cancel_};
        if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) {
            fired_ = true;
            event_->Set();
        }
    }

    std::mutex mutex_;
    Event* event_;
    HANDLE signalled_;
    HANDLE cancel_;
    OVERLAPPED* overlapped_;
    bool fired_ = false;
    std::thread thread_;
};

class SystemAddrChange : public AddrChangeBackend {
public:
    std::shared_ptr<AddrChangeWatch> Arm(Event* event, uint32_t* error) override {
        HANDLE signalled = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE cancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        auto* overlapped = new OVERLAPPED{};
        overlapped->hEvent = signalled;
        HANDLE handle = nullptr;
        DWORD rc = signalled != nullptr && cancel != nullptr
                       ? ::NotifyAddrChange(&handle, overlapped)
                       : ERROR_NOT_ENOUGH_MEMORY;
        if (rc != ERROR_IO_PENDING) {
            if (signalled != nullptr) {
                ::CloseHandle(signalled);
            }
            if (cancel != nullptr) {
                ::CloseHandle(cancel);
            }
            delete overlapped;
            *error = rc == NO_ERROR ? ERROR_NOT_SUPPORTED : rc;
            return nullptr;
        }
        return std::make_shared<SystemWatch>(event, signalled, cancel, overlapped);
    }
};

}  // namespace

std::shared_ptr<AddrChangeBackend> MakeSystemAddrChange() {
    return std::make_shared<SystemAddrChange>();
}

}  // namespace zplat
