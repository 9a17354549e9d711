#include "net/udp_socket.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/double_list_iterator.h"
#include "net/ip_address.h"
#include "platform/network/host.h"
#include "platform/network/inet.h"
#include "platform/network/socket.h"
#include "platform/threading/event.h"

namespace {

// Every datagram is received into one block of this size unless the owner asks for another.
constexpr uint32_t kDefaultReceiveBufferSize = 4096;
// The system receive buffer asked for after the socket's other options: a burst of answers (every
// device answers twice per interface and cycle) waits there while the loop delivers.
constexpr int kSystemReceiveBuffer = 4 * 1024 * 1024;
// Room for the dotted source address handed to the handlers.
constexpr int kFromAddressRoom = 64;
// At most this much memory for the buffers of one batch read.
constexpr uint32_t kBatchBytes = 256 * 1024;

// Dotted text into a fixed field, cut to its size.
void CopyText(char* to, size_t room, const char* text) {
    std::snprintf(to, room, "%s", text != nullptr ? text : "");
}

}  // namespace

ZUDPSocket::ZUDPSocket()
    : ZThread(false, nullptr),
      handlers_(new LUDPSocketHandlerList(false)),
      receive_buffer_(new char[kDefaultReceiveBufferSize]),
      receive_buffer_size_(kDefaultReceiveBufferSize),
      socket_(zplat::INVALID_SOCKET),
      bound_address_(std::make_unique<zplat::SockAddrIn>()) {}

ZUDPSocket::~ZUDPSocket() {
    Teardown();
    // Teardown waits only while the stop flag is clear; a loop that ended by itself may still be
    // finishing, and it must be gone before the members it touches are.
    Wait(zplat::INFINITE);
    delivery_.Wait(zplat::INFINITE);
    receive_buffer_.reset();
    handlers_->Lock(LUDPSocketHandlerList::kLockReason);
    handlers_->RemoveAll();
    handlers_->Unlock(LUDPSocketHandlerList::kLockReason);
    delete handlers_;
    Cleanup();
}

void ZUDPSocket::StopReceiveThread(bool onlyWhenRunning) {
    // The delivery thread first, after the datagram in hand: what is still queued then is not
    // worked through while the owner waits to close.
    StopDeliveryThread();
    if (!onlyWhenRunning || !IsStopRequested()) {
        // The flag first, then the event: the loop checks the flag after every wait.
        Stop(false);
        if (stop_event_) {
            stop_event_->Set();
        }
        Wait(zplat::INFINITE);  // returns at once on the receive thread itself
    }
    // Read but not delivered, the receive loop's last batch included.
    discarded_.fetch_add(queue_.Clear());
}

void ZUDPSocket::StopDeliveryThread() {
    delivery_.Stop(false);
    queue_.Stop();
    delivery_.Wait(zplat::INFINITE);  // returns at once on the delivery thread itself
}

int ZUDPSocket::Run() {
    std::shared_ptr<zplat::Event> stop = stop_event_;
    if (!stop) {
        return 0;
    }
    stop->Reset();
    if (IsStopRequested()) {
        return 1;
    }
    if (zplat::SelectReadEvent(socket_, *stop) != 0) {
        zplat::WSASetLastError(0);
        Teardown();
        NotifyError(kSockAsyncSetupFailed);
        return 0;
    }
    // The batch's buffers, made once per opening: reading allocates nothing. Fewer slots for a
    // large receive buffer keep them within kBatchBytes.
    const int slotCount = static_cast<int>(std::clamp<uint32_t>(
        kBatchBytes / std::max<uint32_t>(receive_buffer_size_, 1), 1, zplat::kMaxRecvBatch));
    std::vector<char> storage(static_cast<size_t>(slotCount) * receive_buffer_size_);
    std::vector<zplat::RecvSlot> slots(static_cast<size_t>(slotCount));
    for (int i = 0; i < slotCount; ++i) {
        slots[static_cast<size_t>(i)].buffer =
            storage.data() + static_cast<size_t>(i) * receive_buffer_size_;
        slots[static_cast<size_t>(i)].capacity = static_cast<int>(receive_buffer_size_);
    }
    for (;;) {
        uint32_t result = zplat::WaitReadableOrStopped(socket_, *stop, zplat::INFINITE);
        if (IsStopRequested()) {
            return 1;
        }
        if (result == zplat::WAIT_OBJECT_0) {
            Drain(slots.data(), slotCount);
        } else if (result == zplat::WAIT_FAILED) {
            // A socket that cannot be waited on any more would turn this loop into a busy one.
            bool gone = zplat::WSAGetLastError() == zplat::WSAENOTSOCK;
            zplat::WSASetLastError(0);
            if (gone) {
                return 0;
            }
        }
        // A time-out, or the stop event without a stop request: wait again.
    }
}

void ZUDPSocket::Drain(zplat::RecvSlot* slots, int count) {
    // Until the system's buffer is empty: the fewer wake-ups per datagram, the fewer datagrams
    // the system drops in a burst.
    for (;;) {
        const int n = zplat::RecvBatch(socket_, slots, count);
        if (n <= 0) {
            // Nothing waiting, or a failed read: dropped without notice, as a failed read always
            // was; the loop waits again.
            zplat::WSASetLastError(0);
            return;
        }
        ZDatagramQueue::Incoming batch[zplat::kMaxRecvBatch];
        for (int i = 0; i < n; ++i) {
            const zplat::RecvSlot& slot = slots[i];
            batch[i] = {static_cast<const char*>(slot.buffer), static_cast<uint32_t>(slot.length),
                        slot.from.address, slot.from.port, slot.truncated};
        }
        // The whole batch under one lock and with one wake-up: the delivery thread then works
        // through it without contending for the queue datagram by datagram, and this thread makes
        // one system call for it, not one per datagram.
        queue_.PushBatch(batch, static_cast<uint32_t>(n));
        received_.fetch_add(static_cast<uint64_t>(n));
        if (n < count || IsStopRequested()) {
            return;
        }
    }
}

int ZUDPSocket::ThreadRun(ZThread* thread) {
    ZDatagramQueue::Datagram datagram;
    while (!thread->IsStopRequested()) {
        if (!queue_.Pop(receive_buffer_.get(), receive_buffer_size_, &datagram, zplat::INFINITE)) {
            break;  // stopped
        }
        if (datagram.truncated) {
            // Reported first, then delivered cut, as a datagram larger than the buffer always was.
            NotifyError(kSockBufferTooSmall);
        }
        // Formatted by hand into the thread's own buffer, then copied out of it: a handler may
        // format addresses too while it holds this text.
        char fromAddress[kFromAddressRoom];
        const char* dotted = FormatDottedAddress(datagram.fromAddress);
        std::memcpy(fromAddress, dotted, std::strlen(dotted) + 1);
        NotifyData(receive_buffer_.get(), static_cast<int>(datagram.length), fromAddress,
                   datagram.fromPort);
    }
    return 0;
}

void ZUDPSocket::AddHandler(IUDPSocketHandler* handler) {
    handlers_->Lock(LUDPSocketHandlerList::kLockReason);
    if (handlers_->Find(handler) == nullptr) {
        handlers_->AddTail(handler);
    }
    handlers_->Unlock(LUDPSocketHandlerList::kLockReason);
}

void ZUDPSocket::RemoveHandler(IUDPSocketHandler* handler) {
    handlers_->Lock(LUDPSocketHandlerList::kLockReason);
    if (handlers_->Find(handler) != nullptr) {
        handlers_->Remove(handler);
    }
    handlers_->Unlock(LUDPSocketHandlerList::kLockReason);
}

void ZUDPSocket::SetGroupAddress(const char* text) {
    CopyText(group_address_, sizeof group_address_, text);
}

const char* ZUDPSocket::GetGroupAddress() {
    return group_address_;
}

void ZUDPSocket::SetPort(uint16_t port) {
    port_ = port;
}

uint16_t ZUDPSocket::GetPort() {
    return port_;
}

void ZUDPSocket::SetReceiveBufferSize(uint32_t size) {
    int maximum = 0;
    int length = sizeof maximum;
    if (socket_ == zplat::INVALID_SOCKET ||
        zplat::GetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_MAX_MSG_SIZE, &maximum,
                          &length) != 0) {
        zplat::WSASetLastError(0);
        maximum = 0;
    }
    if (maximum > 0 && static_cast<uint32_t>(maximum) < size) {
        size = static_cast<uint32_t>(maximum);
    }
    receive_buffer_.reset(new char[size > 0 ? size : 1]);
    receive_buffer_size_ = size;
}

void ZUDPSocket::SetQueueBounds(uint32_t maxDatagrams, uint32_t maxBytes) {
    discarded_.fetch_add(queue_.Resize(maxDatagrams, maxBytes));
}

uint32_t ZUDPSocket::GetReceiveBufferSize() {
    return receive_buffer_size_;
}

int ZUDPSocket::GetMaxMessageSize() {
    TemporaryStartup startup(this);
    int maximum = 0;
    int length = sizeof maximum;
    if (zplat::GetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_MAX_MSG_SIZE, &maximum,
                          &length) != 0) {
        zplat::WSASetLastError(0);
        return 0;
    }
    return maximum;
}

void ZUDPSocket::SetExclusiveAddress(bool on) {
    exclusive_address_ = on;
}

bool ZUDPSocket::IsExclusiveAddress() {
    return exclusive_address_;
}

void ZUDPSocket::SetMulticastLoopback(bool on) {
    multicast_loopback_ = on;
}

bool ZUDPSocket::GetMulticastLoopback() {
    return multicast_loopback_;
}

int ZUDPSocket::Open(int useInterfaces, const char** interfaces, uint32_t count) {
    StopReceiveThread(false);
    DropSocket();
    if (Startup() != kSockSuccess) {
        return kSockStartupError;
    }
    if (!CreateSocket()) {
        return kSockCreateFailed;
    }

    *bound_address_ = zplat::SockAddrIn{};
    bound_address_->port = zplat::HostToNet16(port_);
    if (useInterfaces == 1 && count == 1 && interfaces != nullptr) {
        if (interfaces[0] != nullptr) {
            uint32_t address = zplat::InetAddr(interfaces[0]);
            if (address == zplat::INADDR_NONE_VALUE) {
                return kSockInvalidParameter;
            }
            bound_address_->address = address;
        } else if (GetHostName()[0] != '\0') {
            std::vector<uint32_t> addresses;
            if (zplat::GetHostByName(host_name_, &addresses) && !addresses.empty()) {
                bound_address_->address = addresses[0];
            } else {
                zplat::WSASetLastError(0);
            }
        } else {
            bound_address_->address = zplat::InetAddr("127.0.0.1");
        }
    }

    if (!exclusive_address_) {
        int on = 1;
        if (zplat::SetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_REUSEADDR, &on,
                              sizeof on) != 0) {
            zplat::WSASetLastError(0);
        }
    }

    if (zplat::Bind(socket_, *bound_address_) != 0) {
        int error = zplat::WSAGetLastError();
        zplat::WSASetLastError(0);
        Teardown();
        switch (error) {
            case zplat::WSAEADDRNOTAVAIL:
                return kSockInvalidAddress;
            case zplat::WSAETIMEDOUT:
                return kSockConnectionTimeout;
            case zplat::WSAECONNREFUSED:
                return kSockConnectionRefused;
            case zplat::WSAEHOSTUNREACH:
                return kSockHostUnreachable;
            default:
                return kSockUnknownError;
        }
    }

    if (port_ == 0) {
        zplat::SockAddrIn bound;
        if (zplat::GetSockName(socket_, &bound) == 0) {
            port_ = zplat::NetToHost16(bound.port);
        } else {
            zplat::WSASetLastError(0);
        }
    }

    char loop = multicast_loopback_ ? 1 : 0;
    if (zplat::SetSockOpt(socket_, zplat::WS_IPPROTO_IP, zplat::WS_IP_MULTICAST_LOOP, &loop, 1) !=
        0) {
        zplat::WSASetLastError(0);
    }

    if (IsMulticastAddress(group_address_)) {
        if (useInterfaces == 1 && interfaces != nullptr) {
            for (uint32_t i = 0; i < count; ++i) {
                int rc = JoinGroup(group_address_, interfaces[i]);
                if (rc != kSockSuccess) {
                    Teardown();
                    return rc;
                }
            }
        } else {
            int rc = JoinGroup(group_address_, nullptr);
            if (rc != kSockSuccess) {
                Teardown();
                return rc;
            }
        }
    }

    int receiveBuffer = kSystemReceiveBuffer;
    if (zplat::SetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_RCVBUF, &receiveBuffer,
                          sizeof receiveBuffer) != 0) {
        zplat::WSASetLastError(0);
    }

    stop_event_ = std::make_shared<zplat::Event>(true, false);
    queue_.Restart();
    if (!delivery_.Start(true, zplat::INFINITE) || !Start(true, zplat::INFINITE)) {
        // Without its thread the socket would never deliver a datagram: say so.
        Teardown();
        return kSockAsyncSetupFailed;
    }
    return kSockSuccess;
}

int ZUDPSocket::Close() {
    if (!started_) {
        return kSockStartupError;
    }
    StopReceiveThread(true);
    return Teardown();
}

int ZUDPSocket::Teardown() {
    int result = started_ ? kSockSuccess : kSockStartupError;
    // The thread first: closing a descriptor that another thread still waits on leaves that
    // thread reading whatever the system hands the number to next.
    StopReceiveThread(true);
    DropSocket();
    stop_event_.reset();
    Cleanup();
    broadcast_ = false;
    return result;
}

int ZUDPSocket::SendTo(const char* data, int length, const char* host, uint16_t port) {
    if (Startup() != kSockSuccess) {
        return kSockStartupError;
    }
    if (!CreateSocket()) {
        return kSockCreateFailed;
    }
    zplat::SockAddrIn to;
    to.port = zplat::HostToNet16(port);
    if (host == nullptr) {
        to.address = zplat::INADDR_NONE_VALUE;
    } else if (std::strcmp(host, "255.255.255.255") == 0) {
        SetBroadcast(true);
        to.address = zplat::INADDR_NONE_VALUE;
    } else {
        uint32_t address = zplat::InetAddr(host);
        if (address == zplat::INADDR_NONE_VALUE) {
            std::vector<uint32_t> addresses;
            if (!zplat::GetHostByName(host, &addresses) || addresses.empty()) {
                zplat::WSASetLastError(0);
                return kSockInvalidAddress;
            }
            address = addresses[0];
        }
        to.address = address;
    }
    if (zplat::SendTo(socket_, data, length, to) < 0) {
        // A directed broadcast address (192.168.1.255) needs broadcast permission just as
        // 255.255.255.255 does; the system refuses it with WSAEACCES until then.
        if (zplat::WSAGetLastError() == zplat::WSAEACCES && !broadcast_ && SetBroadcast(true) &&
            zplat::SendTo(socket_, data, length, to) >= 0) {
            return kSockSuccess;
        }
        zplat::WSASetLastError(0);
        return kSockSendDatagramFailed;
    }
    return kSockSuccess;
}

int ZUDPSocket::GetLocalInterfaces(IPADDRLIST* list) {
    if (list == nullptr) {
        return kSockInvalidParameter;
    }
    if (Startup() != kSockSuccess) {
        return kSockStartupError;
    }
    if (!CreateSocket()) {
        return kSockCreateFailed;
    }
    std::vector<uint32_t> addresses;
    if (zplat::QueryAddressList(socket_, &addresses) != 0) {
        zplat::WSASetLastError(0);
        return kSockOptionNotAllowed;
    }
    // The record has room for kIpAddrListCapacity entries whatever count claims.
    int32_t room = list->count;
    if (room > kIpAddrListCapacity) {
        room = kIpAddrListCapacity;
    }
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (static_cast<int32_t>(i) < room) {
            CopyText(list->address[i], sizeof list->address[i],
                     zplat::InetNtoa(addresses[i]).c_str());
        }
    }
    if (list->count > static_cast<int32_t>(addresses.size())) {
        list->count = static_cast<int32_t>(addresses.size());
    }
    if (list->count > room) {
        list->count = room < 0 ? 0 : room;
    }
    return kSockSuccess;
}

bool ZUDPSocket::IsMulticastAddress(const char* text) {
    if (text == nullptr) {
        return false;
    }
    uint32_t address = zplat::InetAddr(text);
    uint8_t first = static_cast<uint8_t>(zplat::NetToHost32(address) >> 24);
    return first >= 224 && first <= 239;
}

bool ZUDPSocket::CreateSocket() {
    if (socket_ != zplat::INVALID_SOCKET) {
        return true;
    }
    socket_ =
        zplat::WSASocket(zplat::WS_AF_INET, zplat::WS_SOCK_DGRAM, 0,
                         zplat::WSA_FLAG_MULTIPOINT_C_LEAF | zplat::WSA_FLAG_MULTIPOINT_D_LEAF);
    return socket_ != zplat::INVALID_SOCKET;
}

void ZUDPSocket::DropSocket() {
    if (socket_ == zplat::INVALID_SOCKET) {
        return;
    }
    zplat::ShutdownSocket(socket_, zplat::SD_SEND);
    zplat::CloseSocket(socket_);
    zplat::WSASetLastError(0);
    socket_ = zplat::INVALID_SOCKET;
}

bool ZUDPSocket::SetBroadcast(bool on) {
    if (socket_ == zplat::INVALID_SOCKET) {
        return false;
    }
    if (on == broadcast_) {
        return true;
    }
    int value = on ? 1 : 0;
    if (zplat::SetSockOpt(socket_, zplat::WS_SOL_SOCKET, zplat::WS_SO_BROADCAST, &value,
                          sizeof value) != 0) {
        zplat::WSASetLastError(0);
        return false;
    }
    broadcast_ = on;
    return true;
}

int ZUDPSocket::JoinGroup(const char* group, const char* interfaceAddress) {
    zplat::IpMreq request;
    request.multiaddr = zplat::InetAddr(group);
    request.interfaceAddress = interfaceAddress != nullptr ? zplat::InetAddr(interfaceAddress) : 0;
    if (zplat::SetSockOpt(socket_, zplat::WS_IPPROTO_IP, zplat::WS_IP_ADD_MEMBERSHIP, &request,
                          sizeof request) != 0) {
        zplat::WSASetLastError(0);
        return kSockMulticastFailed;
    }
    return kSockSuccess;
}

void ZUDPSocket::NotifyData(const char* data, int length, const char* fromAddress,
                            uint16_t fromPort) {
    if (handlers_->GetCount() == 0) {
        return;
    }
    handlers_->Lock(LUDPSocketHandlerList::kLockReason);
    for (IUDPSocketHandler* h : CurrentHandlers()) {
        // A handler may remove itself or another one while the fan-out runs (on this thread,
        // which holds the lock): a removed handler is not called any more.
        if (handlers_->Find(h) != nullptr) {
            h->OnUDPData(data, length, fromAddress, fromPort, this);
        }
    }
    handlers_->Unlock(LUDPSocketHandlerList::kLockReason);
}

void ZUDPSocket::NotifyError(int code) {
    if (handlers_->GetCount() == 0) {
        return;
    }
    handlers_->Lock(LUDPSocketHandlerList::kLockReason);
    for (IUDPSocketHandler* h : CurrentHandlers()) {
        if (handlers_->Find(h) != nullptr) {
            h->OnUDPError(code, this);
        }
    }
    handlers_->Unlock(LUDPSocketHandlerList::kLockReason);
}

const std::vector<IUDPSocketHandler*>& ZUDPSocket::CurrentHandlers() {
    // Kept between calls so that delivering a datagram allocates nothing once it has grown.
    notify_snapshot_.clear();
    ZIDoubleListIterator<IUDPSocketHandler> it(handlers_);
    for (IUDPSocketHandler* h = it.First(); h != nullptr; h = it.Next()) {
        notify_snapshot_.push_back(h);
    }
    return notify_snapshot_;
}
