#include "platform/network/datagram_batch.h"

namespace zplat {

// Winsock has no batch send for datagrams: one SendTo each, stopping at the first failure.
int SendDatagramBatch(Socket s, const OutgoingDatagram* datagrams, int count) {
    int done = 0;
    for (; done < count; ++done) {
        const OutgoingDatagram& d = datagrams[done];
        if (d.length < 0 || (d.data == nullptr && d.length > 0)) {
            WSASetLastError(WSAEFAULT);
            return done;
        }
        if (SendTo(s, d.data, d.length, d.to) == SOCKET_ERROR) {
            return done;
        }
    }
    return done;
}

}  // namespace zplat
