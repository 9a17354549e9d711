#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/network/datagram_batch.h"

namespace zplat {

int SendDatagramBatch(Socket s, const OutgoingDatagram* datagrams, int count) {
    if (count <= 0) {
        return 0;
    }
    if (!IsWinsockStarted()) {
        WSASetLastError(WSANOTINITIALISED);
        return 0;
    }
    sockaddr_in addresses[kMaxDatagramsPerCall];
    iovec io[kMaxDatagramsPerCall];
    mmsghdr messages[kMaxDatagramsPerCall];
    int done = 0;
    while (done < count) {
        // A bad datagram ends the batch before it, so the call below never sees it.
        int n = 0;
        while (n < kMaxDatagramsPerCall && done + n < count) {
            const OutgoingDatagram& d = datagrams[done + n];
            if (d.length < 0 || (d.data == nullptr && d.length > 0)) {
                break;
            }
            addresses[n] = sockaddr_in{};
            addresses[n].sin_family = AF_INET;
            addresses[n].sin_port = d.to.port;
            addresses[n].sin_addr.s_addr = d.to.address;
            io[n].iov_base = const_cast<void*>(d.data);
            io[n].iov_len = static_cast<size_t>(d.length);
            messages[n] = mmsghdr{};
            messages[n].msg_hdr.msg_name = &addresses[n];
            messages[n].msg_hdr.msg_namelen = sizeof addresses[n];
            messages[n].msg_hdr.msg_iov = &io[n];
            messages[n].msg_hdr.msg_iovlen = 1;
            ++n;
        }
        if (n == 0) {
            WSASetLastError(WSAEFAULT);
            return done;
        }
        int sent;
        do {
            sent =
                ::sendmmsg(static_cast<int>(s), messages, static_cast<unsigned>(n), MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0) {
            // sendmmsg reports an error only when its first datagram failed.
            WSASetLastError(WsaErrorFromErrno(errno));
            return done;
        }
        done += sent;
        if (sent < n) {
            // The call stopped early: send the next datagram alone to learn why (or to send it,
            // when the stop was only the system's limit on one call).
            const int rest = SendDatagramBatch(s, datagrams + done, 1);
            if (rest == 0) {
                return done;
            }
            done += rest;
        }
    }
    return done;
}

}  // namespace zplat
