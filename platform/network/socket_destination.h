#pragma once
// Receiving a datagram together with the address it was sent to (what WSARecvMsg with
// IP_PKTINFO gives): a device simulator needs to tell a directed broadcast from
// 255.255.255.255 and from its own unicast address.
//
//   zplat::EnableDestinationAddress(s);
//   char buffer[2048];
//   zplat::SockAddrIn from;
//   uint32_t destination = 0;
//   int n = zplat::RecvFromTo(s, buffer, sizeof buffer, &from, &destination);
//
// Ownership: plain calls over a socket the caller owns; errors as in platform/network/socket.h.

#include <cstdint>

#include "platform/network/socket.h"

namespace zplat {

// Asks the system to report the destination of every datagram received on s. 0 or SOCKET_ERROR.
int EnableDestinationAddress(Socket s);

// Bytes received or SOCKET_ERROR, without waiting (WSAEWOULDBLOCK when nothing is queued); a
// datagram larger than the buffer fills it and fails with WSAEMSGSIZE. *destination receives the
// destination address (network order), 0 when the system did not report one.
int RecvFromTo(Socket s, void* buffer, int length, SockAddrIn* from, uint32_t* destination);

}  // namespace zplat
