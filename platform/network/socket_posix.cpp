#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/network/net_snapshot.h"
#include "platform/network/socket.h"

namespace zplat {

namespace {

std::atomic<int> g_startups{0};
thread_local int t_last_error = 0;

int Fail(int wsaError) {
    t_last_error = wsaError;
    return SOCKET_ERROR;
}

int FailErrno() {
    return Fail(WsaErrorFromErrno(errno));
}

bool Started() {
    if (g_startups.load() > 0) {
        return true;
    }
    t_last_error = WSANOTINITIALISED;
    return false;
}

int Fd(Socket s) {
    return static_cast<int>(s);
}

bool IsOpenFd(Socket s) {
    return s >= 0 && s <= 0x7FFFFFFF && ::fcntl(Fd(s), F_GETFD) != -1;
}

sockaddr_in ToPosix(const SockAddrIn& a) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = a.port;
    out.sin_addr.s_addr = a.address;
    return out;
}

SockAddrIn FromPosix(const sockaddr_in& a) {
    SockAddrIn out;
    out.family = WS_AF_INET;
    out.port = a.sin_port;
    out.address = a.sin_addr.s_addr;
    return out;
}

// The POSIX level and name of a Winsock option; false for one this layer does not carry.
bool PosixOption(int level, int name, int* posixLevel, int* posixName) {
    if (level == WS_SOL_SOCKET) {
        *posixLevel = SOL_SOCKET;
        switch (name) {
            case WS_SO_REUSEADDR:
                *posixName = SO_REUSEADDR;
                return true;
            case WS_SO_BROADCAST:
                *posixName = SO_BROADCAST;
                return true;
            case WS_SO_RCVBUF:
                *posixName = SO_RCVBUF;
                return true;
            default:
                return false;
        }
    }
    if (level == WS_IPPROTO_IP) {
        *posixLevel = IPPROTO_IP;
        switch (name) {
            case WS_IP_MULTICAST_LOOP:
                *posixName = IP_MULTICAST_LOOP;
                return true;
            case WS_IP_ADD_MEMBERSHIP:
                *posixName = IP_ADD_MEMBERSHIP;
                return true;
            default:
                return false;
        }
    }
    return false;
}

}  // namespace

int WSAStartup(uint16_t versionRequested, WSAData* data) {
    if (data == nullptr) {
        return WSAEFAULT;
    }
    uint8_t major = static_cast<uint8_t>(versionRequested & 0xFF);
    uint8_t minor = static_cast<uint8_t>(versionRequested >> 8);
    if (major < 1) {
        return WSAVERNOTSUPPORTED;
    }
    // This layer offers up to 2.2; a request for more gets 2.2, as Winsock answers.
    if (major > 2 || (major == 2 && minor > 2)) {
        major = 2;
        minor = 2;
    }
    *data = WSAData{};
    data->wVersion = static_cast<uint16_t>(major | (minor << 8));
    data->wHighVersion = 0x0202;
    std::snprintf(data->szDescription, sizeof data->szDescription, "WinSock %d.%d", major, minor);
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
    data->iMaxSockets = 0;  // Winsock 2 leaves the limits at 0
    data->iMaxUdpDg = 0;
    g_startups.fetch_add(1);
    return 0;
}

int WSACleanup() {
    int current = g_startups.load();
    while (current > 0) {
        if (g_startups.compare_exchange_weak(current, current - 1)) {
            return 0;
        }
    }
    return Fail(WSANOTINITIALISED);
}

bool IsWinsockStarted() {
    return g_startups.load() > 0;
}

int WSAGetLastError() {
    return t_last_error;
}

void WSASetLastError(int error) {
    t_last_error = error;
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
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailErrno();
        return INVALID_SOCKET;
    }
    return fd;
}

int ShutdownSocket(Socket s, int how) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    int posixHow = how == SD_SEND ? SHUT_WR : (how == 0 ? SHUT_RD : SHUT_RDWR);
    if (::shutdown(Fd(s), posixHow) != 0) {
        // An unconnected datagram socket is not connected; Winsock lets shutdown pass there.
        if (errno == ENOTCONN) {
            return 0;
        }
        return FailErrno();
    }
    return 0;
}

int CloseSocket(Socket s) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (!IsOpenFd(s)) {
        return Fail(WSAENOTSOCK);
    }
    return ::close(Fd(s)) == 0 ? 0 : FailErrno();
}

int Bind(Socket s, const SockAddrIn& address) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    sockaddr_in a = ToPosix(address);
    if (::bind(Fd(s), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        return FailErrno();
    }
    return 0;
}

int GetSockName(Socket s, SockAddrIn* address) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (address == nullptr) {
        return Fail(WSAEFAULT);
    }
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        return FailErrno();
    }
    *address = FromPosix(a);
    return 0;
}

int SetSockOpt(Socket s, int level, int name, const void* value, int length) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (value == nullptr || length <= 0) {
        return Fail(WSAEFAULT);
    }
    int posixLevel, posixName;
    if (!PosixOption(level, name, &posixLevel, &posixName)) {
        return Fail(WSAENOPROTOOPT);
    }
    if (::setsockopt(Fd(s), posixLevel, posixName, value, static_cast<socklen_t>(length)) != 0) {
        return FailErrno();
    }
    if (posixName == SO_RCVBUF && posixLevel == SOL_SOCKET &&
        length >= static_cast<int>(sizeof(int))) {
        // The kernel caps an ordinary request at net.core.rmem_max; Winsock grants the size asked
        // for. A privileged caller can have it all; otherwise the capped size stays.
        int wanted;
        std::memcpy(&wanted, value, sizeof wanted);
        int granted = 0;
        socklen_t len = sizeof granted;
        if (::getsockopt(Fd(s), SOL_SOCKET, SO_RCVBUF, &granted, &len) == 0 &&
            granted / 2 < wanted) {
            ::setsockopt(Fd(s), SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted);
        }
    }
    return 0;
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
        socklen_t len = sizeof type;
        if (::getsockopt(Fd(s), SOL_SOCKET, SO_TYPE, &type, &len) != 0) {
            return FailErrno();
        }
        if (type != SOCK_DGRAM) {
            return Fail(WSAENOPROTOOPT);
        }
        if (*length < static_cast<int>(sizeof(int))) {
            return Fail(WSAEFAULT);
        }
        int size = kMaxUdpMessageSize;
        std::memcpy(value, &size, sizeof size);
        *length = sizeof size;
        return 0;
    }
    int posixLevel, posixName;
    if (!PosixOption(level, name, &posixLevel, &posixName)) {
        return Fail(WSAENOPROTOOPT);
    }
    socklen_t len = static_cast<socklen_t>(*length);
    if (::getsockopt(Fd(s), posixLevel, posixName, value, &len) != 0) {
        return FailErrno();
    }
    *length = static_cast<int>(len);
    return 0;
}

int SendTo(Socket s, const void* data, int length, const SockAddrIn& to) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (length < 0 || (data == nullptr && length > 0)) {
        return Fail(WSAEFAULT);
    }
    sockaddr_in a = ToPosix(to);
    ssize_t n = ::sendto(Fd(s), data, static_cast<size_t>(length), MSG_NOSIGNAL,
                         reinterpret_cast<sockaddr*>(&a), sizeof a);
    if (n < 0) {
        return FailErrno();
    }
    return static_cast<int>(n);
}

int RecvFrom(Socket s, void* buffer, int length, SockAddrIn* from) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (buffer == nullptr || length < 0) {
        return Fail(WSAEFAULT);
    }
    sockaddr_in a{};
    socklen_t len = sizeof a;
    // MSG_TRUNC makes the kernel report the datagram's real size; MSG_DONTWAIT keeps a wake-up
    // whose datagram was dropped (bad checksum) from blocking the caller.
    ssize_t n = ::recvfrom(Fd(s), buffer, static_cast<size_t>(length), MSG_TRUNC | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&a), &len);
    if (n < 0) {
        return FailErrno();
    }
    if (from != nullptr) {
        *from = FromPosix(a);
    }
    if (n > length) {
        return Fail(WSAEMSGSIZE);
    }
    return static_cast<int>(n);
}

int RecvBatch(Socket s, RecvSlot* slots, int count) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (slots == nullptr || count < 0) {
        return Fail(WSAEFAULT);
    }
    constexpr int kMaxBatch = kMaxRecvBatch;
    count = std::min(count, kMaxBatch);
    if (count == 0) {
        return 0;
    }
    mmsghdr messages[kMaxBatch];
    iovec vectors[kMaxBatch];
    sockaddr_in sources[kMaxBatch];
    for (int i = 0; i < count; ++i) {
        if (slots[i].buffer == nullptr || slots[i].capacity < 0) {
            return Fail(WSAEFAULT);
        }
        vectors[i] = iovec{slots[i].buffer, static_cast<size_t>(slots[i].capacity)};
        sources[i] = sockaddr_in{};
        messages[i] = mmsghdr{};
        messages[i].msg_hdr.msg_name = &sources[i];
        messages[i].msg_hdr.msg_namelen = sizeof sources[i];
        messages[i].msg_hdr.msg_iov = &vectors[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    int n;
    do {
        n = ::recvmmsg(Fd(s), messages, static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        return FailErrno();
    }
    for (int i = 0; i < n; ++i) {
        // msg_len is what was placed in the buffer; MSG_TRUNC says the datagram was longer.
        slots[i].length = static_cast<int>(
            std::min<unsigned>(messages[i].msg_len, static_cast<unsigned>(slots[i].capacity)));
        slots[i].truncated = (messages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
        slots[i].from = FromPosix(sources[i]);
    }
    return n;
}

int SelectReadEvent(Socket s, const Event& stop) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (!IsOpenFd(s)) {
        return Fail(WSAENOTSOCK);
    }
    if (stop.PollFd() < 0) {
        return Fail(WSAEINVAL);
    }
    return 0;
}

uint32_t WaitReadableOrStopped(Socket s, const Event& stop, uint32_t timeoutMs) {
    pollfd fds[2] = {{Fd(s), POLLIN, 0}, {stop.PollFd(), POLLIN, 0}};
    int timeout =
        timeoutMs == INFINITE ? -1 : static_cast<int>(std::min<uint32_t>(timeoutMs, 0x7FFFFFFF));
    for (;;) {
        int n = ::poll(fds, 2, timeout);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            FailErrno();
            return WAIT_FAILED;
        }
        if (n == 0) {
            return WAIT_TIMEOUT;
        }
        if (fds[0].revents & POLLNVAL) {
            Fail(WSAENOTSOCK);
            return WAIT_FAILED;
        }
        if (fds[0].revents & (POLLIN | POLLERR)) {
            return WAIT_OBJECT_0;
        }
        if (fds[1].revents & POLLIN) {
            return WAIT_OBJECT_0 + 1;
        }
        if (fds[1].revents & (POLLNVAL | POLLERR)) {
            Fail(WSAEINVAL);
            return WAIT_FAILED;
        }
    }
}

int QueryAddressList(Socket s, std::vector<uint32_t>* addresses) {
    if (!Started()) {
        return SOCKET_ERROR;
    }
    if (addresses == nullptr) {
        return Fail(WSAEFAULT);
    }
    if (!IsOpenFd(s)) {
        return Fail(WSAENOTSOCK);
    }
    NetworkSnapshot snapshot;
    if (!ReadNetworkSnapshot(&snapshot)) {
        return Fail(WSAENETDOWN);
    }
    *addresses = AddressListFromSnapshot(snapshot);
    return 0;
}

}  // namespace zplat
