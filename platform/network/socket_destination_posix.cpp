#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/network/socket_destination.h"

namespace zplat {

namespace {

int FailErrno() {
    WSASetLastError(WsaErrorFromErrno(errno));
    return SOCKET_ERROR;
}

}  // namespace

int EnableDestinationAddress(Socket s) {
    const int on = 1;
    if (::setsockopt(static_cast<int>(s), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        return FailErrno();
    }
    return 0;
}

int RecvFromTo(Socket s, void* buffer, int length, SockAddrIn* from, uint32_t* destination) {
    if (buffer == nullptr || length < 0) {
        WSASetLastError(WSAEFAULT);
        return SOCKET_ERROR;
    }
    sockaddr_in source{};
    iovec io{buffer, static_cast<size_t>(length)};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(static_cast<int>(s), &message, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) {
        return FailErrno();
    }
    if (from != nullptr) {
        from->family = WS_AF_INET;
        from->port = source.sin_port;
        from->address = source.sin_addr.s_addr;
    }
    if (destination != nullptr) {
        *destination = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                *destination = info.ipi_addr.s_addr;
            }
        }
    }
    if (n > length) {
        WSASetLastError(WSAEMSGSIZE);
        return SOCKET_ERROR;
    }
    return static_cast<int>(n);
}

}  // namespace zplat
