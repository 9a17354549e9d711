// Winsock 2 behind the socket calls. The numbers of levels, options and errors are Winsock's own,
// so most calls pass straight through; what this face adds is what the POSIX face promises too:
// receives never block (every socket is non-blocking), a shutdown of an unconnected datagram
// socket passes, and the wait for readability also wakes for a stop event.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/network/socket.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

std::atomic<int> g_startups{0};

int Fail(int wsaError) {
    ::WSASetLastError(wsaError);
    return SOCKET_ERROR;
}

bool Started() {
    if (g_startups.load() > 0) {
        return true;
    }
    ::WSASetLastError(WSANOTINITIALISED);
    return false;
}

SOCKET Native(Socket s) {
    return static_cast<SOCKET>(s);
}

sockaddr_in ToNative(const SockAddrIn& a) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = a.port;
    out.sin_addr.s_addr = a.address;
    return out;
}

SockAddrIn FromNative(const sockaddr_in& a) {
    SockAddrIn out;
    out.family = WS_AF_INET;
    out.port = a.sin_port;
    out.address = a.sin_addr.s_addr;
    return out;
}

bool CarriedOption(int level, int name) {
    if (level == WS_SOL_SOCKET) {
        return name == WS_SO_REUSEADDR || name == WS_SO_BROADCAST || name == WS_SO_RCVBUF;
    }
    if (level == WS_IPPROTO_IP) {
        return name == WS_IP_MULTICAST_LOOP || name == WS_IP_ADD_MEMBERSHIP;
    }
    return false;
}

// The readability event of each socket that has been waited on (WSAEventSelect FD_READ), made
// when first needed and closed with the socket.
std::mutex g_events_mutex;
std::map<Socket, WSAEVENT> g_read_events;

WSAEVENT ReadEventOf(Socket s) {
    std::lock_guard<std::mutex> lock(g_events_mutex);
    auto it = g_read_events.find(s);
    if (it != g_read_events.end()) {
        return it->second;
    }
    WSAEVENT event = ::WSACreateEvent();
    if (event == WSA_INVALID_EVENT) {
        return WSA_INVALID_EVENT;
    }
    if (::WSAEventSelect(Native(s), event, FD_READ) != 0) {
        ::WSACloseEvent(event);
        return WSA_INVALID_EVENT;
    }
    g_read_events.emplace(s, event);
    return event;
}

void ForgetReadEvent(Socket s) {
    std::lock_guard<std::mutex> lock(g_events_mutex);
    auto it = g_read_events.find(s);
    if (it != g_read_events.end()) {
        ::WSACloseEvent(it->second);
        g_read_events.erase(it);
    }
}

// 1 when a datagram waits, 0 when none does, -1 on failure (last error set).
int Readable(Socket s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(s), &set);
    timeval zero{};
    int n = ::select(0, &set, nullptr, nullptr, &zero);
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

bool IsSocket(Socket s) {
    int type = 0;
    int length = sizeof type;
    return ::getsockopt(Native(s), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) ==
           0;
}

}  // namespace

int WSAStartup(uint16_t versionRequested, WSAData* data) {
    if (data == nullptr) {
        return WSAEFAULT;
    }
    if ((versionRequested & 0xFF) < 1) {
        return WSAVERNOTSUPPORTED;
    }
    WSADATA native{};
    int rc = ::WSAStartup(versionRequested, &native);
    if (rc != 0) {
        return rc;
    }
    *data = WSAData{};
    data->wVersion = native.wVersion;
    data->wHighVersion = native.wHighVersion;
    std::snprintf(data->szDescription, sizeof data->szDescription, "%s", native.szDescription);
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "%s", native.szSystemStatus);
    data->iMaxSockets = 0;  // Winsock 2 leaves the limits at 0
    data->iMaxUdpDg = 0;
    g_startups.fetch_add(1);
    return 0;
}

int WSACleanup() {
    int current = g_startups.load();
    while (current > 0) {
        if (g_startups.compare_exchange_weak(current, current - 1)) {
            ::WSACleanup();
            return 0;
        }
    }
    return Fail(WSANOTINITIALISED);
}

bool IsWinsockStarted() {
    return g_startups.load() > 0;
}

int WSAGetLastError() {
    return ::WSAGetLastError();
}

void WSASetLastError(int error) {
    ::WSASetLastError(error);
}

Socket WSASocket(int family, int type, int protocol, uint32_t) {
    if (!Started()) {
        return INVALID_SOCKET;
    }
    if (family != WS_AF_INET) {
        Fail(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    if (type != WS_SOCK_DGRAM) {
        Fail(WSAESOCKTNOSUPPORT);
        return INVALID_SOCKET;
    }
    // The multipoint flags change nothing for a datagram socket; not every Winsock takes them.
    SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, protocol, nullptr, 0,
                            WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == ~SOCKET{0}) {
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        int error = ::WSAGetLastError();
        ::closesocket(s);
        Fail(error);
        return INVALID_SOCKET;
    }
    return static_cast<Socket>(s);
}

int ShutdownSocket(Socket s, int how) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (::shutdown(Native(s), how) != 0) {
        // An unconnected datagram socket is not connected; let shutdown pass there.
        if (::WSAGetLastError() == WSAENOTCONN) {
            return 0;
        }
        return SOCKET_ERROR;
    }
    return 0;
}

int CloseSocket(Socket s) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    ForgetReadEvent(s);
    return ::closesocket(Native(s)) == 0 ? 0 : SOCKET_ERROR;
}

int Bind(Socket s, const SockAddrIn& address) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    sockaddr_in a = ToNative(address);
    return ::bind(Native(s), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : SOCKET_ERROR;
}

int GetSockName(Socket s, SockAddrIn* address) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (address == nullptr) {
        return Fail(WSAEFAULT);
    }
    sockaddr_in a{};
    int len = sizeof a;
    if (::getsockname(Native(s), reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        return SOCKET_ERROR;
    }
    *address = FromNative(a);
    return 0;
}

int SetSockOpt(Socket s, int level, int name, const void* value, int length) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (value == nullptr || length <= 0) {
        return Fail(WSAEFAULT);
    }
    if (!CarriedOption(level, name)) {
        return Fail(WSAENOPROTOOPT);
    }
    return ::setsockopt(Native(s), level, name, static_cast<const char*>(value), length) == 0
               ? 0
               : SOCKET_ERROR;
}

int GetSockOpt(Socket s, int level, int name, void* value, int* length) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (value == nullptr || length == nullptr || *length <= 0) {
        return Fail(WSAEFAULT);
    }
    if (level == WS_SOL_SOCKET && name == WS_SO_MAX_MSG_SIZE) {
        int type = 0;
        int len = sizeof type;
        if (::getsockopt(Native(s), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &len) !=
            0) {
            return SOCKET_ERROR;
        }
        if (type != SOCK_DGRAM) {
            return Fail(WSAENOPROTOOPT);
        }
        if (*length < static_cast<int>(sizeof(int))) {
            return Fail(WSAEFAULT);
        }
        // The UDP limit over IPv4, whatever the system's own answer (Wine's differs).
        int size = kMaxUdpMessageSize;
        std::memcpy(value, &size, sizeof size);
        *length = sizeof size;
        return 0;
    }
    if (!CarriedOption(level, name)) {
        return Fail(WSAENOPROTOOPT);
    }
    return ::getsockopt(Native(s), level, name, static_cast<char*>(value), length) == 0
               ? 0
               : SOCKET_ERROR;
}

int SendTo(Socket s, const void* data, int length, const SockAddrIn& to) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (length < 0 || (data == nullptr && length > 0)) {
        return Fail(WSAEFAULT);
    }
    sockaddr_in a = ToNative(to);
    int n = ::sendto(Native(s), static_cast<const char*>(data), length, 0,
                     reinterpret_cast<sockaddr*>(&a), sizeof a);
    return n < 0 ? SOCKET_ERROR : n;
}

int RecvFrom(Socket s, void* buffer, int length, SockAddrIn* from) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (buffer == nullptr || length < 0) {
        return Fail(WSAEFAULT);
    }
    sockaddr_in a{};
    int len = sizeof a;
    int n = ::recvfrom(Native(s), static_cast<char*>(buffer), length, 0,
                       reinterpret_cast<sockaddr*>(&a), &len);
    if (n < 0) {
        // A datagram larger than the buffer: the buffer is filled and the datagram consumed.
        if (::WSAGetLastError() == WSAEMSGSIZE && from != nullptr) {
            *from = FromNative(a);
        }
        return SOCKET_ERROR;
    }
    if (from != nullptr) {
        *from = FromNative(a);
    }
    return n;
}

// Winsock has no batch receive: non-blocking recvfrom calls, one per slot, until the socket is
// empty or the slots are full.
int RecvBatch(Socket s, RecvSlot* slots, int count) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (slots == nullptr && count > 0) {
        return Fail(WSAEFAULT);
    }
    count = std::min(count, kMaxRecvBatch);
    int done = 0;
    for (; done < count; ++done) {
        RecvSlot& slot = slots[done];
        if (slot.buffer == nullptr || slot.capacity < 0) {
            if (done == 0) {
                return Fail(WSAEFAULT);
            }
            break;
        }
        sockaddr_in a{};
        int len = sizeof a;
        int n = ::recvfrom(Native(s), static_cast<char*>(slot.buffer), slot.capacity, 0,
                           reinterpret_cast<sockaddr*>(&a), &len);
        if (n < 0) {
            const int error = ::WSAGetLastError();
            if (error == WSAEMSGSIZE) {
                // The buffer holds the datagram's start; the rest is gone.
                slot.length = slot.capacity;
                slot.truncated = true;
                slot.from = FromNative(a);
                continue;
            }
            if (error == WSAEWOULDBLOCK || done > 0) {
                // An empty socket ends the batch; a later failure is met again by the next call.
                ::WSASetLastError(error);
                break;
            }
            return SOCKET_ERROR;
        }
        slot.length = n;
        slot.truncated = false;
        slot.from = FromNative(a);
    }
    return done;
}

int SelectReadEvent(Socket s, const Event& stop) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (!IsSocket(s)) {
        return Fail(WSAENOTSOCK);
    }
    if (stop.NativeHandle() == nullptr) {
        return Fail(WSAEINVAL);
    }
    return ReadEventOf(s) == WSA_INVALID_EVENT ? SOCKET_ERROR : 0;
}

uint32_t WaitReadableOrStopped(Socket s, const Event& stop, uint32_t timeoutMs) {
    WSAEVENT readEvent = ReadEventOf(s);
    if (readEvent == WSA_INVALID_EVENT || stop.NativeHandle() == nullptr) {
        if (readEvent != WSA_INVALID_EVENT || ::WSAGetLastError() == 0) {
            Fail(WSAEINVAL);
        }
        if (!IsSocket(s)) {
            Fail(WSAENOTSOCK);
        }
        return WAIT_FAILED;
    }
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        // FD_READ is signalled once per burst and re-armed by the next receive: ask the socket
        // itself before sleeping.
        int readable = Readable(s);
        if (readable < 0) {
            return WAIT_FAILED;
        }
        if (readable > 0) {
            return WAIT_OBJECT_0;
        }
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            ULONGLONG spent = ::GetTickCount64() - start;
            if (spent >= timeoutMs) {
                return WAIT_TIMEOUT;
            }
            wait = static_cast<DWORD>(timeoutMs - spent);
        }
        HANDLE handles[2] = {readEvent, stop.NativeHandle()};
        DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, wait);
        if (r == WAIT_OBJECT_0) {
            ::WSAResetEvent(readEvent);
            continue;
        }
        if (r == WAIT_OBJECT_0 + 1) {
            if (Readable(s) > 0) {
                if (!stop.IsManualReset()) {
                    ::SetEvent(stop.NativeHandle());
                }
                return WAIT_OBJECT_0;
            }
            // The stop event keeps its signal: the wait above took an auto-reset one's.
            if (!stop.IsManualReset()) {
                ::SetEvent(stop.NativeHandle());
            }
            return WAIT_OBJECT_0 + 1;
        }
        if (r == WAIT_TIMEOUT) {
            continue;  // the loop's own clock decides
        }
        Fail(static_cast<int>(::GetLastError()));
        return WAIT_FAILED;
    }
}

int QueryAddressList(Socket s, std::vector<uint32_t>* addresses) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (addresses == nullptr) {
        return Fail(WSAEFAULT);
    }
    if (!IsSocket(s)) {
        return Fail(WSAENOTSOCK);
    }
    std::vector<char> buffer(4096);
    DWORD returned = 0;
    for (int tries = 0;; ++tries) {
        if (::WSAIoctl(Native(s), SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &returned, nullptr, nullptr) == 0) {
            break;
        }
        if (::WSAGetLastError() != WSAEFAULT || tries > 4) {
            return SOCKET_ERROR;
        }
        buffer.resize(buffer.size() * 4);
    }
    const auto* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(buffer.data());
    addresses->clear();
    for (INT i = 0; i < list->iAddressCount; ++i) {
        const SOCKET_ADDRESS& entry = list->Address[i];
        if (entry.lpSockaddr == nullptr || entry.lpSockaddr->sa_family != AF_INET) {
            continue;
        }
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry.lpSockaddr);
        // Loopback stays out, as on the other systems.
        if ((::ntohl(in->sin_addr.s_addr) >> 24) == 127) {
            continue;
        }
        addresses->push_back(in->sin_addr.s_addr);
    }
    return 0;
}

}  // namespace zplat
