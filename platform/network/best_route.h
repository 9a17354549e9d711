#pragma once
// Which local interface, source address and next hop the system would use to send to one IPv4
// address: the question GetBestRoute2 answers on Windows. On Linux the kernel's routing table is
// asked with one RTM_GETROUTE netlink request (nothing is sent on the network); the request is
// built and the answer read by the pure functions below, so both are tested without a kernel.
//
//   zplat::BestRoute route;
//   uint32_t code = zplat::GetBestRoute(zplat::InetAddr("10.31.2.7"), &route);
//   if (code == zplat::NO_ERROR) { ... route.sourceAddress, route.interfaceIndex ... }
//   else if (code == zplat::ERROR_NETWORK_UNREACHABLE) { ... no route ... }
//
// Ownership: plain values; nothing is kept between calls. The answer is that of the calling
// thread's network namespace.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zplat {

// winerror.h: the destination cannot be reached (no route, or an unreachable or prohibit route).
inline constexpr uint32_t ERROR_NETWORK_UNREACHABLE = 1231;

struct BestRoute {
    uint32_t interfaceIndex = 0;
    uint32_t sourceAddress = 0;  // network order; the address a datagram would leave with
    uint32_t nextHop = 0;        // network order; 0 when the destination is on the link itself
};

// NO_ERROR with *route filled, ERROR_NETWORK_UNREACHABLE when the system has no usable route,
// ERROR_INVALID_PARAMETER for a null route, ERROR_GEN_FAILURE when the table cannot be asked.
// Goes to the current IP Helper backend (platform/network/ip_helper.h), so a fake answers in tests.
uint32_t GetBestRoute(uint32_t destination, BestRoute* route);
// The system's own answer, as the POSIX backend gives it (same results as GetBestRoute).
uint32_t ReadSystemRoute(uint32_t destination, BestRoute* route);

// The netlink request for the route to destination (network order), with sequence number seq.
std::vector<char> BuildRouteRequest(uint32_t destination, uint32_t seq);
// Reads the kernel's answer to that request: NO_ERROR with *route filled from the first
// RTM_NEWROUTE of sequence seq; ERROR_NETWORK_UNREACHABLE for an error answer, a route that is
// not a unicast or local one (unreachable, blackhole, prohibit), or one without an output
// interface or a source address; ERROR_MORE_DATA when the bytes hold no answer of that sequence.
// Every length is checked against the bytes received.
uint32_t ParseRouteAnswer(const char* bytes, size_t size, uint32_t seq, BestRoute* route);

}  // namespace zplat
