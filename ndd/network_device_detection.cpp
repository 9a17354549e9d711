#include "ndd/network_device_detection.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/subnet_sweep.h"
#include "ndd/zg2p_codec.h"
#include "ndd/zg2p_message.h"
#include "net/network_adapter_manager.h"
#include "net/route_finder.h"
#include "net/udp_socket.h"
#include "platform/threading/clock.h"

namespace {

constexpr const char* kLimitedBroadcast = "255.255.255.255";

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

// Raises the engine's closing flag while the socket stops its threads (Open and Close both do):
// an answer waiting for the engine lock then gives up instead of holding up the stop.
class ClosingScope {
public:
    explicit ClosingScope(std::atomic<bool>* flag) : flag_(flag) { flag_->store(true); }
    ~ClosingScope() { flag_->store(false); }
    ClosingScope(const ClosingScope&) = delete;
    ClosingScope& operator=(const ClosingScope&) = delete;

private:
    std::atomic<bool>* flag_;
};

// The engine's codec: short form, no filter, no time-out.
std::unique_ptr<ZZG2PCodec> MakeCodec(IZG2PCodecHandler* handler) {
    return std::make_unique<ZZG2PCodec>(/*longForm=*/false, handler);
}

}  // namespace

ZNetworkDeviceDetection::ZNetworkDeviceDetection(INetworkDeviceDetectionHandler* handler)
    : processor_(std::make_unique<ZNDDProtocolProcessor>()),
      codec_(MakeCodec(this)),
      socket_(std::make_unique<ZUDPSocket>()),
      handler_(handler) {
    processor_->SetHandler(this);
    socket_->AddHandler(this);
    changeOverlapped_.event = &changeEvent_;
}

ZNetworkDeviceDetection::~ZNetworkDeviceDetection() {
    CancelAddressChange();
    sweep_.reset();  // its thread ends before the socket goes
    // Unregistering waits for a delivery in progress, so no answer runs into a half-destroyed
    // engine; deleting the socket then ends its receive thread.
    socket_->RemoveHandler(this);
    processor_->SetHandler(nullptr);
    socket_.reset();
    codec_.reset();
    processor_.reset();
    DeleteAnswers();
}

ZNetworkDeviceDetection::Counters ZNetworkDeviceDetection::GetCounters() const {
    Counters c;
    c.datagrams = socket_->GetReceivedCount();
    c.queueDropped = socket_->GetQueueDroppedCount();
    c.queuedAtClose = socket_->GetDiscardedAtCloseCount() + abandonedAnswers_.load();
    c.queuePeak = socket_->GetQueuePeakCount();
    c.answersWaited = waitedAnswers_.load();
    return c;
}

// ---------------------------------------------------------------------------------------------
// Receive path (the socket's receive thread)

int ZNetworkDeviceDetection::OnUDPData(const char* data, int length, const char*, uint16_t,
                                       ZUDPSocket*) {
    if (data == nullptr || length <= 0) {
        return 0;
    }
    codec_->Feed(reinterpret_cast<const uint8_t*>(data), static_cast<uint32_t>(length), 0);
    // A datagram is a whole message. Bytes it leaves behind (a truncated or lying datagram) must
    // not be joined to the next datagram, which may come from another device: they would spoil
    // it, and a header announcing a large length would swallow hundreds of answers.
    if (codec_->GetGatheredCount() != 0) {
        codec_ = MakeCodec(this);
    }
    return 0;
}

int ZNetworkDeviceDetection::OnUDPError(int, ZUDPSocket*) {
    return 0;
}

bool ZNetworkDeviceDetection::OnMessage(ZZG2PMessage* message, int) {
    ZZG2PMessage copy(*message);
    processor_->Process(&copy, this);
    return true;
}

bool ZNetworkDeviceDetection::OnError(int, int) {
    return true;
}

int ZNetworkDeviceDetection::OnOtherMessage(uint16_t, void*) {
    return 0;
}

int ZNetworkDeviceDetection::OnSearchRequest(uint32_t, uint32_t, uint16_t, const char*, uint32_t,
                                             const char*, const char*, void*) {
    return 0;  // the engine answers no requests
}

int ZNetworkDeviceDetection::OnAnswer(const char* serviceName, uint32_t deviceAddress,
                                      uint32_t deviceMask, uint32_t userData, uint16_t port,
                                      uint16_t auxValue, const char* deviceName, const char* model,
                                      const char* version, const char* info,
                                      uint32_t requesterAddress, uint32_t requesterMask,
                                      uint32_t indexValue, const char* extraText, void*) {
    std::unique_lock<zplat::CriticalSection> engine(lock_, std::defer_lock);
    if (!engine.try_lock()) {
        // A search is being sent, or the interfaces read: the answer waits and is handled right
        // after. Not when the holder is closing or reopening the socket: it waits for this very
        // thread to end, and the answer belongs to a socket that is going away.
        waitedAnswers_.fetch_add(1);
        // Polled, not waited on with a time limit: a search holds the lock for well under a
        // millisecond, and a timed lock would hide the lock from the thread checkers.
        while (!engine.try_lock()) {
            if (closing_.load()) {
                abandonedAnswers_.fetch_add(1);
                return 0;
            }
            zplat::Sleep(kLockPollMs);
        }
    }
    ZAnswerRecords::Answer answer;
    answer.serviceName = serviceName;
    answer.deviceAddress = deviceAddress;
    answer.deviceMask = deviceMask;
    answer.userData = userData;
    answer.port = port;
    answer.auxValue = auxValue;
    answer.deviceName = deviceName;
    answer.model = model;
    answer.version = version;
    answer.info = info;
    answer.requesterAddress = requesterAddress;
    answer.requesterMask = requesterMask;
    answer.indexValue = indexValue;
    answer.extraText = extraText;
    std::unique_ptr<ZNetworkDevice> transient;
    ZNetworkDevice* device = answers_.Obtain(answer, &transient);
    if (handler_ == nullptr) {
        return 1;
    }
    return handler_->OnDeviceAnswer(device, this) != 0 ? 1 : 0;
}

int ZNetworkDeviceDetection::OnErrorAnswer(uint32_t deviceAddress, const char* serviceName,
                                           uint16_t code, void*) {
    if (handler_ == nullptr) {
        return 1;
    }
    return handler_->OnErrorAnswer(deviceAddress, serviceName, code, this) != 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// INetworkDeviceDetection

bool ZNetworkDeviceDetection::MatchServiceName(const char* pattern, const char* name) {
    return MatchServiceNamePattern(pattern, name);
}

bool ZNetworkDeviceDetection::MatchServiceNamePattern(const char* pattern, const char* name) {
    if (IsEmpty(pattern) || IsEmpty(name)) {
        return false;
    }
    const size_t patternLength = std::strlen(pattern);
    if (pattern[0] == '*') {
        // The first occurrence of the rest must end exactly where the name ends.
        const char* rest = pattern + 1;
        if (rest[0] == '\0') {
            return false;  // a lone * matches nothing
        }
        const char* found = std::strstr(name, rest);
        return found != nullptr && found + std::strlen(rest) == name + std::strlen(name);
    }
    if (pattern[patternLength - 1] != '*') {
        return std::strcmp(pattern, name) == 0;
    }
    // The pattern without its last character must first occur at the start of the name.
    return std::strncmp(name, pattern, patternLength - 1) == 0;
}

const char* ZNetworkDeviceDetection::GetErrorText(int16_t code) {
    switch (code) {
        case kWrongMode:
            return "Wrong Mode";
        case kBadArgument:
            return "Bad Argument";
        case kNetworkError:
            return "Network Error";
        default:
            return processor_->GetErrorText(code);
    }
}

// ---------------------------------------------------------------------------------------------
// Owner's operations

int16_t ZNetworkDeviceDetection::Start(const char* groupAddress, uint16_t localPort,
                                       uint16_t remotePort) {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    if (searching_.load()) {
        return 0;
    }
    searching_.store(true);
    remotePort_ = remotePort;
    localPort_ = localPort;
    // Armed before the interfaces are read, so a change while opening is not missed.
    RegisterAddressChange();
    return OpenSocket(groupAddress, localPort);
}

void ZNetworkDeviceDetection::Stop() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    CancelAddressChange();
    CloseSocket();
    searching_.store(false);
    remotePort_ = 0;
    localPort_ = 0;
}

bool ZNetworkDeviceDetection::SendSearch(const char* serviceType, const char* target,
                                         const char* data, int16_t* result) {
    if (!searching_.load()) {
        if (result != nullptr) {
            *result = kWrongMode;
        }
        return false;
    }
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    DeleteAnswers();
    CheckAddressChange();
    if (result != nullptr) {
        *result = 0;
    }
    // An empty text does not parse, which gives 255.255.255.255: every device.
    const uint32_t targetAddress = ParseDottedAddress(target == nullptr ? "" : target);
    const uint16_t requesterPort = socket_->GetPort();
    int sent = -1;
    if (interfaceCount_ > 0) {
        for (uint32_t i = 0; i < interfaceCount_; ++i) {
            ZIPAddress& address = interfaces_[i].address;
            processor_->BuildRequest(address.GetAddress(), address.GetMask(), requesterPort,
                                     config_.GetComputerName(), targetAddress, serviceType, data);
            const char* bytes = reinterpret_cast<const char*>(processor_->GetData());
            const int length = static_cast<int>(processor_->GetLength());
            socket_->SendTo(bytes, length, address.GetBroadcastText(), remotePort_);
            sent = socket_->SendTo(bytes, length, kLimitedBroadcast, remotePort_);
        }
    } else {
        processor_->BuildRequest(config_.GetPrimaryAddress(), config_.GetPrimaryMask(),
                                 requesterPort, config_.GetComputerName(), targetAddress,
                                 serviceType, data);
        sent = socket_->SendTo(reinterpret_cast<const char*>(processor_->GetData()),
                               static_cast<int>(processor_->GetLength()),
                               socket_->GetGroupAddress(), remotePort_);
    }
    if (sent != 0 && result != nullptr) {
        // Reported as a failure with a code of its own, not as "No Error".
        *result = kNetworkError;
    }
    if (sweep_ != nullptr) {
        sweep_->BeginCycle(requesterPort, config_.GetComputerName(), targetAddress, serviceType,
                           data);
    }
    return sent == 0;
}

uint32_t ZNetworkDeviceDetection::GetInterfaceCount() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    CheckAddressChange();
    return interfaceCount_;
}

ZIPAddress* ZNetworkDeviceDetection::GetInterface(uint32_t index) {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    CheckAddressChange();
    return index < interfaceCount_ ? &interfaces_[index].address : nullptr;
}

const char* ZNetworkDeviceDetection::GetInterfaceName(uint32_t index) {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    CheckAddressChange();
    return index < interfaceCount_ ? interfaces_[index].name.GetString() : nullptr;
}

void ZNetworkDeviceDetection::SetSubnets(std::vector<ZCIDRBlock> blocks, uint32_t rate) {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    // The sweep's thread never waits for the engine lock, so it may end while this holds it.
    sweep_.reset();
    if (blocks.empty()) {
        return;
    }
    sweep_ = std::make_unique<ZSubnetSweep>(std::move(blocks), rate);
    if (searching_.load()) {
        PrepareSweep();
    }
    sweep_->StartThread([this](const char* data, int length, uint32_t address) {
        return socket_->SendTo(data, length, FormatDottedAddress(address), remotePort_);
    });
}

uint64_t ZNetworkDeviceDetection::GetSweptCount() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    return sweep_ != nullptr ? sweep_->GetSentCount() : 0;
}

uint16_t ZNetworkDeviceDetection::GetLocalPort() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    return socket_->GetPort();
}

// ---------------------------------------------------------------------------------------------
// Internal steps (all under the engine lock)

int16_t ZNetworkDeviceDetection::OpenSocket(const char* groupAddress, uint16_t localPort) {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    config_.Load();
    socket_->SetPort(localPort);
    socket_->SetGroupAddress(groupAddress);
    socket_->SetExclusiveAddress(false);
    RefreshInterfaces(groupAddress);

    const char* list[kMaxInterfaces];
    for (uint32_t i = 0; i < interfaceCount_; ++i) {
        list[i] = interfaces_[i].address.GetAddressText();
    }
    int opened;
    {
        ClosingScope closing(&closing_);
        opened = interfaceCount_ > 0 ? socket_->Open(1, list, interfaceCount_)
                                     : socket_->Open(0, nullptr, 0);
    }
    if (opened != 0) {
        return kNetworkError;
    }
    DeleteAnswers();
    PrepareSweep();
    return 0;
}

void ZNetworkDeviceDetection::PrepareSweep() {
    if (sweep_ == nullptr) {
        return;
    }
    // The local subnets are searched by broadcast; the routes are read again with every opening,
    // which follows every address change.
    std::vector<ZSubnetWalk::LocalSubnet> local;
    for (uint32_t i = 0; i < interfaceCount_; ++i) {
        local.push_back({interfaces_[i].address.GetAddress(), interfaces_[i].address.GetMask()});
    }
    ZRouteFinder routes;
    sweep_->Prepare(std::move(local), &routes);
}

void ZNetworkDeviceDetection::RefreshInterfaces(const char* groupAddress) {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    ClearInterfaces();
    if (IsEmpty(groupAddress)) {
        IPADDRLIST list;
        list.count = static_cast<int32_t>(kMaxInterfaces);
        if (socket_->GetLocalInterfaces(&list) != 0) {
            return;
        }
        ZNetworkAdapterManager adapters;
        adapters.Refresh();
        const uint32_t count =
            list.count < 0 ? 0 : std::min(static_cast<uint32_t>(list.count), kMaxInterfaces);
        for (uint32_t i = 0; i < count; ++i) {
            ADAPTERDEF& entry = interfaces_[i];
            entry.address.Set(list.address[i], adapters.GetMaskOfAddress(list.address[i]), 0);
            INetworkAdapter* adapter =
                adapters.FindAdapter(entry.address.GetAddressText(), entry.address.GetMaskText());
            if (adapter != nullptr) {
                entry.name = adapter->GetName();
            }
        }
        interfaceCount_ = count;
    } else if (!socket_->IsMulticastAddress(groupAddress)) {
        ZNetworkAdapterManager adapters;
        adapters.Refresh();
        interfaces_[0].address.Set(groupAddress, adapters.GetMaskOfAddress(groupAddress), 0);
        interfaceCount_ = 1;
    }
    // A multicast group: no entries; requests go to the group.
}

void ZNetworkDeviceDetection::ClearInterfaces() {
    for (uint32_t i = 0; i < interfaceCount_; ++i) {
        interfaces_[i].address.Clear();
        interfaces_[i].name.Empty();
    }
    interfaceCount_ = 0;
}

void ZNetworkDeviceDetection::CloseSocket() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    if (sweep_ != nullptr) {
        sweep_->Halt();  // no sweep send is under way once it returns
    }
    {
        ClosingScope closing(&closing_);
        socket_->Close();
    }
    ClearInterfaces();
}

bool ZNetworkDeviceDetection::CheckAddressChange() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    if (!changeRegistered_ || !changeEvent_.IsSet()) {
        return false;
    }
    const ZString group(socket_->GetGroupAddress());
    // Re-armed before the interfaces are read again: a change during the reopening then shows
    // at the next check instead of being lost with the old signal.
    changeEvent_.Reset();
    RegisterAddressChange();
    CloseSocket();
    zplat::Sleep(kAddressChangeSettleMs);
    if (searching_.load()) {
        OpenSocket(group.IsEmpty() ? nullptr : group.GetString(), localPort_);
    }
    return true;
}

void ZNetworkDeviceDetection::DeleteAnswers() {
    std::lock_guard<zplat::CriticalSection> engine(lock_);
    answers_.Clear();
}

void ZNetworkDeviceDetection::RegisterAddressChange() {
    changeRegistered_ = zplat::NotifyAddrChange(&changeOverlapped_) == zplat::ERROR_IO_PENDING;
}

void ZNetworkDeviceDetection::CancelAddressChange() {
    if (changeRegistered_) {
        zplat::CancelIPChangeNotify(&changeOverlapped_);
        changeRegistered_ = false;
    }
    changeEvent_.Reset();
}
