// The destination of each datagram through WSARecvMsg with IP_PKTINFO. WSARecvMsg is an
// extension function: its address is asked of the socket's provider once.

#include <cstring>

#include "platform/network/socket_destination.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

LPFN_WSARECVMSG RecvMsgOf(SOCKET s) {
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD returned = 0;
    if (::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function,
                   sizeof function, &returned, nullptr, nullptr) != 0) {
        return nullptr;
    }
    return function;
}

}  // namespace

int EnableDestinationAddress(Socket s) {
    const DWORD on = 1;
    if (::setsockopt(static_cast<SOCKET>(s), IPPROTO_IP, IP_PKTINFO,
                     reinterpret_cast<const char*>(&on), sizeof on) != 0) {
        return SOCKET_ERROR;
    }
    return 0;
}

int RecvFromTo(Socket s, void* buffer, int length, SockAddrIn* from, uint32_t* destination) {
    if (buffer == nullptr || length < 0) {
        ::WSASetLastError(WSAEFAULT);
        return SOCKET_ERROR;
    }
    const SOCKET native = static_cast<SOCKET>(s);
    LPFN_WSARECVMSG recvMsg = RecvMsgOf(native);
    if (recvMsg == nullptr) {
        return SOCKET_ERROR;
    }
    sockaddr_in source{};
    WSABUF data{static_cast<ULONG>(length), static_cast<CHAR*>(buffer)};
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
    WSAMSG message{};
    message.name = reinterpret_cast<sockaddr*>(&source);
    message.namelen = sizeof source;
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control = {sizeof control, control};
    DWORD received = 0;
    // The socket is non-blocking: nothing queued gives WSAEWOULDBLOCK, as the other faces do.
    if (recvMsg(native, &message, &received, nullptr, nullptr) != 0) {
        return SOCKET_ERROR;
    }
    if (from != nullptr) {
        from->family = WS_AF_INET;
        from->port = source.sin_port;
        from->address = source.sin_addr.s_addr;
    }
    if (destination != nullptr) {
        *destination = 0;
        for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c != nullptr;
             c = WSA_CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                IN_PKTINFO info;
                std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
                *destination = info.ipi_addr.s_addr;
            }
        }
    }
    if ((message.dwFlags & MSG_TRUNC) != 0) {
        ::WSASetLastError(WSAEMSGSIZE);
        return SOCKET_ERROR;
    }
    return static_cast<int>(received);
}

}  // namespace zplat
