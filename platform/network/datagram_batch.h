#pragma once
// Sending many datagrams with few system calls: a device simulator answers thousands of
// searches in one burst, and one call per datagram makes the sender, not the receiver, the
// limit. On Linux the batch goes out through sendmmsg, up to kMaxDatagramsPerCall per call; the
// Windows face meets the same contract with a loop of sendto (Winsock has no batch send for
// datagrams), so callers need no system test of their own.
//
//   std::vector<zplat::OutgoingDatagram> batch;
//   batch.push_back({answer.data(), static_cast<int>(answer.size()), requester});
//   int sent = zplat::SendDatagramBatch(s, batch.data(), static_cast<int>(batch.size()));
//   if (sent < static_cast<int>(batch.size())) {
//       int error = zplat::WSAGetLastError();   // why batch[sent] failed; skip it, send the rest
//   }
//
// Ownership: the caller owns the socket and every datagram's bytes; nothing is kept after the
// call returns. Errors keep the Winsock numbers of platform/network/socket.h.

#include "platform/network/socket.h"

namespace zplat {

// One datagram to send: length bytes at data, to an address and port in network order.
struct OutgoingDatagram {
    const void* data = nullptr;
    int length = 0;
    SockAddrIn to;
};

// The most datagrams one system call is handed; longer batches take several calls.
inline constexpr int kMaxDatagramsPerCall = 256;

// Sends datagrams[0 .. count) in order, blocking as SendTo does while the system's send buffer
// is full. Returns how many were sent from the start of the array. When that is less than count,
// datagrams[result] failed, WSAGetLastError tells why (WSAEMSGSIZE, WSAENOBUFS, WSAENOTSOCK, ...)
// and the ones after it were not tried. A count of 0 or less sends nothing and returns 0; a
// datagram with a negative length or no bytes fails with WSAEFAULT.
int SendDatagramBatch(Socket s, const OutgoingDatagram* datagrams, int count);

}  // namespace zplat
