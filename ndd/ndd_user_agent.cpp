#include "ndd/ndd_user_agent.h"

#include <cstring>
#include <mutex>

#include "foundation/double_list_iterator.h"
#include "ndd/ndd_protocol_processor.h"
#include "ndd/network_device_detection.h"
#include "net/ip_address.h"

namespace {

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

// Copies at most size - 1 characters and always terminates; null gives the empty text.
void CopyBounded(char* out, size_t size, const char* text) {
    size_t n = 0;
    if (text != nullptr) {
        while (n + 1 < size && text[n] != '\0') {
            ++n;
        }
        std::memcpy(out, text, n);
    }
    out[n] = '\0';
}

// Holds a list's own lock for a scope.
template <class T>
class ListLock {
public:
    explicit ListLock(ZIDoubleList<T>& list) : list_(list) {
        list_.Lock(ZIDoubleList<T>::kLockReason);
    }
    ~ListLock() { list_.Unlock(ZIDoubleList<T>::kLockReason); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

private:
    ZIDoubleList<T>& list_;
};

}  // namespace

ZNDDUserAgent::ZNDDUserAgent(const char* groupAddress, uint16_t localPort, uint16_t remotePort)
    : localPort_(localPort),
      remotePort_(remotePort),
      engine_(std::make_unique<ZNetworkDeviceDetection>(this)) {
    if (groupAddress != nullptr) {
        const size_t size = std::strlen(groupAddress) + 1;
        groupAddress_.reset(new char[size]);
        std::memcpy(groupAddress_.get(), groupAddress, size);
    }
}

ZNDDUserAgent::~ZNDDUserAgent() {
    Stop();
    engine_.reset();  // ends the receive thread: nothing calls in any more
    {
        ListLock<ZNetworkDevice> lock(devices_);
        DeleteStored();
    }
    // Stop took every pending record out of the list; their Locates delete them.
    {
        ListLock<ZNDDReturnData> lock(pending_);
        pending_.RemoveAll();
    }
    ListLock<INDDUserAgentHandler> lock(handlers_);
    handlers_.RemoveAll();
}

// ---------------------------------------------------------------------------------------------
// Engine callbacks (the receive thread, engine lock held)

void ZNDDUserAgent::DeleteStored() {
    index_.Clear();
    devices_.DeleteAll();
}

int ZNDDUserAgent::OnDeviceAnswer(INetworkDevice* device, INetworkDeviceDetection* source) {
    if (device == nullptr) {
        return 1;
    }
    IIPAddress* address = device->GetAddress(0);
    IIPAddress* local = device->GetLocalAddress();
    // The numeric forms are parsed from the texts, so they are read only where they are needed:
    // for a new stored device and for pending lookups.
    auto numericAddress = [address] { return address != nullptr ? address->GetAddress() : 0; };

    {
        ListLock<ZNetworkDevice> devices(devices_);
        ZNetworkDevice* stored = index_.Find(device);
        if (stored != nullptr) {
            // Setting the same local address again would only format the same texts anew.
            IIPAddress* storedLocal = stored->GetLocalAddress();
            if (std::strcmp(storedLocal->GetAddressText(), local->GetAddressText()) != 0 ||
                std::strcmp(storedLocal->GetMaskText(), local->GetMaskText()) != 0) {
                stored->SetLocalAddress(local->GetAddress(), local->GetMask());
            }
        } else {
            const uint32_t mask = address != nullptr ? address->GetMask() : 0;
            const uint32_t index =
                address != nullptr ? static_cast<uint32_t>(address->GetIndex()) : 0;
            stored = new ZNetworkDevice(device->GetServiceName(), device->GetPort(),
                                        device->GetAuxValue(), device->GetDeviceName(),
                                        device->GetModel(), device->GetVersion(), device->GetInfo(),
                                        device->GetExtraText());
            stored->SetUserData(device->GetUserData());
            stored->AddAddress(numericAddress(), mask, index);
            stored->SetLocalAddress(local->GetAddress(), local->GetMask());
            devices_.AddTail(stored);
            // Every stored copy has an address 0, even of an answer without one (0.0.0.0);
            // of several copies of one identity the index keeps the oldest, as a walk finds it.
            index_.Add(stored);
        }

        // Completed while the stored copy is certainly alive: a ClearDevices on another thread
        // waits for the device lock.
        ListLock<ZNDDReturnData> pending(pending_);
        if (pending_.GetCount() > 0) {
            const uint32_t answerAddress = numericAddress();
            ZIDoubleListIterator<ZNDDReturnData> walk(&pending_);
            for (ZNDDReturnData* record = walk.First(); record != nullptr; record = walk.Next()) {
                // A lookup without a target looks for no one device; only Stop ends its waits.
                if (IsEmpty(record->GetTarget()) ||
                    !source->MatchServiceName(record->GetServiceType(), device->GetServiceName()) ||
                    answerAddress != ParseDottedAddress(record->GetTarget())) {
                    continue;
                }
                const uint16_t portFilter = static_cast<uint16_t>(record->GetPortFilter());
                if (portFilter != 0 && portFilter != device->GetPort()) {
                    continue;
                }
                record->SetResult(ZNDDProtocolProcessor::kNoError);
                record->SetDevice(stored);
                record->Signal();
            }
        }
    }

    ListLock<INDDUserAgentHandler> handlers(handlers_);
    ZIDoubleListIterator<INDDUserAgentHandler> walk(&handlers_);
    for (INDDUserAgentHandler* handler = walk.First(); handler != nullptr; handler = walk.Next()) {
        handler->OnDeviceAnswer(device, this);
    }
    return 1;
}

int ZNDDUserAgent::OnErrorAnswer(uint32_t address, const char* serviceName, uint16_t code,
                                 INetworkDeviceDetection* source) {
    {
        ListLock<ZNDDReturnData> pending(pending_);
        ZIDoubleListIterator<ZNDDReturnData> walk(&pending_);
        for (ZNDDReturnData* record = walk.First(); record != nullptr; record = walk.Next()) {
            if (record->GetPortFilter() != 0 || IsEmpty(record->GetTarget()) ||
                !source->MatchServiceName(record->GetServiceType(), serviceName) ||
                address != ParseDottedAddress(record->GetTarget())) {
                continue;
            }
            record->SetResult(static_cast<int16_t>(code));
            record->Signal();
        }
    }
    ListLock<INDDUserAgentHandler> handlers(handlers_);
    ZIDoubleListIterator<INDDUserAgentHandler> walk(&handlers_);
    for (INDDUserAgentHandler* handler = walk.First(); handler != nullptr; handler = walk.Next()) {
        handler->OnErrorAnswer(address, code, this);
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// INDDUserAgent

int16_t ZNDDUserAgent::Start() {
    std::lock_guard<zplat::CriticalSection> agent(agentLock_);
    const int16_t code = engine_->Start(groupAddress_.get(), localPort_, remotePort_);
    started_.store(code == 0);
    switch (code) {
        case ZNDDProtocolProcessor::kNoError:
            return kSuccess;
        case ZNDDProtocolProcessor::kInvalidParameter:
            return kBadArgument;
        case ZNDDProtocolProcessor::kTimeoutError:
            return kTimeout;
        case ZNetworkDeviceDetection::kNetworkError:
            return kNetworkError;
        default:
            return -1;
    }
}

void ZNDDUserAgent::Stop() {
    std::lock_guard<zplat::CriticalSection> agent(agentLock_);
    engine_->Stop();
    started_.store(false);
    // Each Locate owns its record: taking it out of the list tells the Locate that it was
    // stopped, and the Locate deletes it once it no longer waits on it.
    ListLock<ZNDDReturnData> pending(pending_);
    ZIDoubleListIterator<ZNDDReturnData> walk(&pending_);
    for (ZNDDReturnData* record = walk.First(); record != nullptr; record = walk.Next()) {
        record->Signal();
    }
    pending_.RemoveAll();
}

void ZNDDUserAgent::AddHandler(INDDUserAgentHandler* handler) {
    ListLock<INDDUserAgentHandler> lock(handlers_);
    if (handler != nullptr && handlers_.Find(handler) == nullptr) {
        handlers_.AddTail(handler);
    }
}

void ZNDDUserAgent::RemoveHandler(INDDUserAgentHandler* handler) {
    ListLock<INDDUserAgentHandler> lock(handlers_);
    handlers_.Remove(handler);
}

void ZNDDUserAgent::SetServiceType(const char* pattern) {
    std::lock_guard<zplat::CriticalSection> agent(agentLock_);
    if (serviceType_[0] != '\0') {
        ListLock<ZNetworkDevice> lock(devices_);
        DeleteStored();
    }
    CopyBounded(serviceType_, sizeof serviceType_, pattern);
}

const char* ZNDDUserAgent::GetServiceType() {
    return serviceType_;
}

void ZNDDUserAgent::SetRetryCount(uint16_t count) {
    std::lock_guard<zplat::CriticalSection> agent(agentLock_);
    retryCount_ = count > 1 ? count : 1;
}

uint16_t ZNDDUserAgent::GetRetryCount() {
    return retryCount_;
}

bool ZNDDUserAgent::Locate(const char* address, int16_t* result, uint32_t timeoutMs) {
    return Locate(address, 0, result, nullptr, timeoutMs);
}

bool ZNDDUserAgent::Locate(const char* address, uint16_t, int16_t* result, INetworkDevice** device,
                           uint32_t timeoutMs) {
    return Locate(address, 0, result, device, nullptr, timeoutMs);
}

bool ZNDDUserAgent::IsPending(ZNDDReturnData* record) {
    return pending_.Find(record) != nullptr;
}

bool ZNDDUserAgent::EndLookup(ZNDDReturnData* record) {
    bool wasPending;
    {
        ListLock<ZNDDReturnData> pending(pending_);
        wasPending = IsPending(record);  // not when Stop took it out already
        if (wasPending) {
            pending_.Remove(record);
        }
    }
    delete record;
    return wasPending;
}

bool ZNDDUserAgent::Locate(const char* address, uint16_t port, int16_t* result,
                           INetworkDevice** device, const char* data, uint32_t timeoutMs) {
    if (!started_.load()) {
        return false;
    }
    char serviceType[kServiceTypeSize];
    uint16_t retries;
    {
        std::lock_guard<zplat::CriticalSection> agent(agentLock_);
        if (serviceType_[0] == '\0') {
            if (result != nullptr) {
                *result = kServiceDoesntExist;
            }
            return false;
        }
        std::memcpy(serviceType, serviceType_, sizeof serviceType);
        retries = retryCount_;
    }
    if (result != nullptr) {
        *result = 0;
    }
    if (device != nullptr) {
        *device = nullptr;
    }

    // The record writes into code, which only this thread and, under the pending list's lock,
    // the receive thread touch. An answer can still arrive after this thread has decided, so the
    // decided result is copied into reported under the lock; the caller's result is written from
    // reported alone.
    int16_t code = 0;
    int16_t reported = 0;
    auto* record = new ZNDDReturnData(&code, address, serviceType, static_cast<int16_t>(port));
    {
        ListLock<ZNDDReturnData> pending(pending_);
        pending_.AddTail(record);
    }

    const bool endless = timeoutMs == kNoTimeLimit;
    uint32_t cycleMs = endless ? kEndlessCycleMs : timeoutMs / retries;
    if (cycleMs < kMinCycleMs) {
        cycleMs = kMinCycleMs;
    }
    const bool anyDevice = IsEmpty(address);
    bool outcome = false;
    for (uint32_t cycle = 0; (endless || cycle < retries) && started_.load(); ++cycle) {
        {
            ListLock<ZNDDReturnData> pending(pending_);
            if (!IsPending(record)) {
                break;  // stopped
            }
            record->Reset();
            code = 0;
        }
        int16_t sendResult = 0;
        bool sent;
        {
            std::lock_guard<zplat::CriticalSection> agent(agentLock_);
            sent = engine_->SendSearch(serviceType, address, data, &sendResult);
        }
        if (!sent) {
            const bool stopped = !EndLookup(record);
            if (result != nullptr) {
                *result = stopped ? ZNDDProtocolProcessor::kTimeoutError : sendResult;
            }
            return false;
        }
        if (anyDevice) {
            // Answers never complete a record without a target, so only Stop cuts this short.
            record->Wait(cycleMs);
            outcome = true;
            continue;
        }
        record->Wait(cycleMs);
        ListLock<ZNDDReturnData> pending(pending_);
        if (!IsPending(record)) {
            reported = ZNDDProtocolProcessor::kTimeoutError;  // stopped meanwhile
            outcome = false;
            break;
        }
        if (!record->IsSignalled()) {
            reported = ZNDDProtocolProcessor::kTimeoutError;
            outcome = false;
            continue;
        }
        reported = code;
        if (code == ZNDDProtocolProcessor::kNoError) {
            outcome = true;
            if (device != nullptr) {
                *device = record->GetDevice();
            }
            break;
        }
        outcome = false;  // a refusal: try again in the next cycle
    }
    EndLookup(record);
    if (!outcome && reported == 0) {
        reported = ZNDDProtocolProcessor::kTimeoutError;  // stopped before any wait
    }
    if (result != nullptr) {
        *result = reported;
    }
    return outcome;
}

bool ZNDDUserAgent::Search(const char* address, const char* data, int16_t* result) {
    char serviceType[kServiceTypeSize];
    {
        std::lock_guard<zplat::CriticalSection> agent(agentLock_);
        if (serviceType_[0] == '\0') {
            return false;
        }
        std::memcpy(serviceType, serviceType_, sizeof serviceType);
    }
    return engine_->SendSearch(serviceType, address, data, result);
}

const char* ZNDDUserAgent::GetErrorText(int16_t code) {
    switch (code) {
        case kSuccess:
            return "Success";
        case kBadArgument:
            return "Bad Argument";
        case kTimeout:
            return "Timeout";
        case kNetworkError:
            return "Network Error";
        case kServerCannotStart:
            return "Server Cannot Start";
        case kServerNotStarted:
            return "Server Not Started";
        case kServiceAlreadyExists:
            return "Service Already Exists";
        case kServiceDoesntExist:
            return "Service Doesn't Exist";
        default:
            return "Undefined Error";
    }
}

int ZNDDUserAgent::GetDeviceCount() {
    ListLock<ZNetworkDevice> lock(devices_);
    return devices_.GetCount();
}

INetworkDevice* ZNDDUserAgent::GetFirstDevice() {
    return devices_.First();
}

INetworkDevice* ZNDDUserAgent::GetNextDevice() {
    return devices_.Next();
}

void ZNDDUserAgent::ClearDevices() {
    ListLock<ZNetworkDevice> lock(devices_);
    DeleteStored();
}

uint32_t ZNDDUserAgent::GetInterfaceCount() {
    return engine_->GetInterfaceCount();
}

IIPAddress* ZNDDUserAgent::GetInterface(uint32_t index) {
    return engine_->GetInterface(index);
}

void ZNDDUserAgent::Release() {
    delete this;
}
