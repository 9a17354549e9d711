#pragma once
// IPv4 datagram sockets in the shape of the Winsock 2 calls the network layer is written against.
// Errors keep the Winsock numbers (EADDRINUSE is reported as WSAEADDRINUSE, 10048, ...), option
// levels and names are the Winsock ones, and a start-up count guards the calls as WSAStartup does.
//
//   zplat::WSAData data;
//   zplat::WSAStartup(2, &data);
//   zplat::Socket s = zplat::WSASocket(zplat::WS_AF_INET, zplat::WS_SOCK_DGRAM, 0, 0);
//   zplat::SockAddrIn any;                       // 0.0.0.0, port 0
//   if (zplat::Bind(s, any) == zplat::SOCKET_ERROR) { int e = zplat::WSAGetLastError(); ... }
//   ...
//   zplat::CloseSocket(s);
//   zplat::WSACleanup();
//
// Ownership: a Socket is a plain handle owned by whoever created it; CloseSocket releases it. The
// last error is kept per thread, as Winsock keeps it.

#include <cstdint>
#include <vector>

#include "platform/threading/event.h"

namespace zplat {

using Socket = intptr_t;
inline constexpr Socket INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

// Winsock error numbers (winerror.h).
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAELOOP = 10062;
inline constexpr int WSAENAMETOOLONG = 10063;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

inline constexpr int WSASYSCALLFAILURE = 10107;

// The Winsock error number of a POSIX errno value (pure). 0 stays 0; a value without a Winsock
// counterpart gives WSASYSCALLFAILURE.
int WsaErrorFromErrno(int posixErrno);

// Address family, socket type and option numbers as Winsock defines them.
inline constexpr int WS_AF_INET = 2;
inline constexpr int WS_SOCK_DGRAM = 2;
inline constexpr int WS_SOL_SOCKET = 0xFFFF;
inline constexpr int WS_SO_REUSEADDR = 0x0004;
inline constexpr int WS_SO_BROADCAST = 0x0020;
inline constexpr int WS_SO_RCVBUF = 0x1002;
inline constexpr int WS_SO_MAX_MSG_SIZE = 0x2003;
inline constexpr int WS_IPPROTO_IP = 0;
inline constexpr int WS_IP_MULTICAST_LOOP = 11;  // Winsock 2 numbering
inline constexpr int WS_IP_ADD_MEMBERSHIP = 12;  // Winsock 2 numbering
inline constexpr int SD_SEND = 1;
// WSASocket flags; they change nothing for datagram sockets here.
inline constexpr uint32_t WSA_FLAG_MULTIPOINT_C_LEAF = 0x04;
inline constexpr uint32_t WSA_FLAG_MULTIPOINT_D_LEAF = 0x10;

// The largest UDP payload over IPv4 (65535 - 20 byte IP header - 8 byte UDP header); what
// SO_MAX_MSG_SIZE reports for a datagram socket.
inline constexpr int kMaxUdpMessageSize = 65507;

// The start-up record. The texts stay readable after WSACleanup: they belong to the caller.
struct WSAData {
    uint16_t wVersion = 0;      // low byte major, high byte minor
    uint16_t wHighVersion = 0;  // highest version the layer offers
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
    uint16_t iMaxSockets = 0;
    uint16_t iMaxUdpDg = 0;
};

// An IPv4 socket address: port and address in network byte order.
struct SockAddrIn {
    uint16_t family = WS_AF_INET;
    uint16_t port = 0;
    uint32_t address = 0;
};

// The structure IP_ADD_MEMBERSHIP takes: group and interface, network order.
struct IpMreq {
    uint32_t multiaddr = 0;
    uint32_t interfaceAddress = 0;
};

// 0 on success, else a Winsock error number (WSAVERNOTSUPPORTED when the major version asked for
// is below 2). Each successful call must be matched by one WSACleanup.
int WSAStartup(uint16_t versionRequested, WSAData* data);
// 0, or SOCKET_ERROR with WSANOTINITIALISED when there was no start-up left to end.
int WSACleanup();
// True while some WSAStartup is not yet matched by a WSACleanup.
bool IsWinsockStarted();
int WSAGetLastError();
void WSASetLastError(int error);

Socket WSASocket(int family, int type, int protocol, uint32_t flags);
int ShutdownSocket(Socket s, int how);
int CloseSocket(Socket s);
int Bind(Socket s, const SockAddrIn& address);
int GetSockName(Socket s, SockAddrIn* address);
// Winsock levels and names (see above); the value layouts are those of Winsock.
int SetSockOpt(Socket s, int level, int name, const void* value, int length);
int GetSockOpt(Socket s, int level, int name, void* value, int* length);
// Bytes sent, or SOCKET_ERROR.
int SendTo(Socket s, const void* data, int length, const SockAddrIn& to);
// Bytes received, or SOCKET_ERROR. A datagram larger than the buffer fills the buffer, is
// consumed, and fails with WSAEMSGSIZE, as Winsock does.
int RecvFrom(Socket s, void* buffer, int length, SockAddrIn* from);

// One slot of a batch read: the caller's buffer, and what the read put there.
struct RecvSlot {
    void* buffer = nullptr;  // capacity bytes, owned by the caller
    int capacity = 0;
    int length = 0;          // bytes of the datagram placed in buffer
    bool truncated = false;  // the datagram was longer than capacity; its rest is gone
    SockAddrIn from;
};

// Reads the datagrams waiting on the socket now, one per slot and at most count of them (and at
// most kMaxRecvBatch per call), and never waits: the number read (0 when none was waiting), or
// SOCKET_ERROR with the last error set when the first read fails for another reason than an empty
// socket. A failure after the first datagram ends the batch and is not reported (the next call
// meets it again). A datagram larger than its slot fills the slot, is consumed and is marked
// truncated, where RecvFrom would fail with WSAEMSGSIZE.
//
// Linux reads the whole batch with one recvmmsg call. A system without such a call meets the same
// contract with a loop of non-blocking recvfrom calls, one per slot, until one reports that
// nothing is waiting (EWOULDBLOCK, WSAEWOULDBLOCK) or the slots are full; WSAEMSGSIZE there marks
// the slot truncated instead of ending the loop. The caller cannot tell the two apart.
inline constexpr int kMaxRecvBatch = 64;
int RecvBatch(Socket s, RecvSlot* slots, int count);

// Stands in for associating an event with the socket's readability (WSAEventSelect FD_READ):
// checks that the socket and the stop event can be waited on. 0 or SOCKET_ERROR.
int SelectReadEvent(Socket s, const Event& stop);

// Waits until the socket is readable (WAIT_OBJECT_0) or the stop event is signalled
// (WAIT_OBJECT_0 + 1), in that order of preference, at most timeoutMs (INFINITE allowed):
// WAIT_TIMEOUT, or WAIT_FAILED with the last error set. The stop event keeps its signal.
uint32_t WaitReadableOrStopped(Socket s, const Event& stop, uint32_t timeoutMs);

// The local IPv4 interface addresses (network order) in the order the system reports them, as the
// address list query of a socket gives them: every address of an interface that is up, loopback
// interfaces left out. 0 or SOCKET_ERROR (WSAENOTSOCK for a socket that is not open).
int QueryAddressList(Socket s, std::vector<uint32_t>* addresses);

}  // namespace zplat
