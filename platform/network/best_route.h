#pragma once
// Which local interface, source address and next hop the system would use to send to one IPv4
// address, and the destinations of the routing table's routes. On Windows GetBestRoute answers
// with the route, and the interface's address table gives the source address (ChooseSourceAddress
// below); GetIpForwardTable lists the routes. On Linux the kernel's routing table is asked with
// one RTM_GETROUTE netlink request (nothing is sent on the network); the request is built and the
// answer read by the pure functions below, so both are tested without a kernel.
//
//   zplat::BestRoute route;
//   uint32_t code = zplat::GetBestRoute(zplat::InetAddr("10.31.2.7"), &route);
//   if (code == zplat::NO_ERROR) { ... route.sourceAddress, route.interfaceIndex ... }
//   else if (code == zplat::ERROR_NETWORK_UNREACHABLE) { ... no route ... }
//
//   std::vector<zplat::ForwardRow> rows;
//   zplat::GetIpForwardTable(&rows);   // where the route to an address may change
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

// One route of the IPv4 routing table, as far as its destination goes (what MIB_IPFORWARDROW's
// dwForwardDest and dwForwardMask hold).
struct ForwardRow {
    uint32_t destination = 0;  // network order
    uint32_t mask = 0;         // network order
};

// One IPv4 address of an interface (a row of the system's address table, MIB_IPADDRROW).
struct InterfaceAddress {
    uint32_t interfaceIndex = 0;
    uint32_t address = 0;  // network order
    uint32_t mask = 0;     // network order
};

// NO_ERROR with *route filled, ERROR_NETWORK_UNREACHABLE when the system has no usable route,
// ERROR_INVALID_PARAMETER for a null route, ERROR_GEN_FAILURE when the table cannot be asked.
// Goes to the current IP Helper backend (platform/network/ip_helper.h), so a fake answers in tests.
uint32_t GetBestRoute(uint32_t destination, BestRoute* route);
// The system's own answer, as the POSIX backend gives it (same results as GetBestRoute).
uint32_t ReadSystemRoute(uint32_t destination, BestRoute* route);

// NO_ERROR with *rows holding every route of the main routing table (on Linux its unicast routes,
// one row per next hop), ERROR_INVALID_PARAMETER for null rows, another error number when the
// table cannot be read. Goes to the current IP Helper backend, like GetBestRoute.
uint32_t GetIpForwardTable(std::vector<ForwardRow>* rows);

// The address a datagram leaves with through interface interfaceIndex towards an address (the
// next hop, or the destination itself on the link): the interface's first address whose subnet
// holds it, else the interface's first address; 0 when the interface has none. What the system
// chooses for IPv4 when a route names only the interface.
uint32_t ChooseSourceAddress(const std::vector<InterfaceAddress>& addresses,
                             uint32_t interfaceIndex, uint32_t towards);

// The netlink request for the route to destination (network order), with sequence number seq.
std::vector<char> BuildRouteRequest(uint32_t destination, uint32_t seq);
// Reads the kernel's answer to that request: NO_ERROR with *route filled from the first
// RTM_NEWROUTE of sequence seq; ERROR_NETWORK_UNREACHABLE for an error answer, a route that is
// not a unicast or local one (unreachable, blackhole, prohibit), or one without an output
// interface or a source address; ERROR_MORE_DATA when the bytes hold no answer of that sequence.
// Every length is checked against the bytes received.
uint32_t ParseRouteAnswer(const char* bytes, size_t size, uint32_t seq, BestRoute* route);

}  // namespace zplat
