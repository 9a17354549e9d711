#pragma once
// What the system says about its network at one moment, as plain records (links, IPv4 addresses,
// routes, resolvers, DHCP leases), and the pure translations from those records into the IP Helper
// shapes (adapter records, per-adapter DNS, interface entries) and the local address list.
// ReadNetworkSnapshot fills one from the OS (netlink and files); tests build them by hand.
//
//   zplat::NetworkSnapshot snap;
//   snap.links.push_back({.index = 2, .name = "eth0", .arpType = zplat::kArpEther, ...});
//   std::vector<zplat::AdapterInfo> adapters = zplat::AdaptersFromSnapshot(snap);
//
// Ownership: plain values throughout; nothing here keeps state.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/network/ip_helper.h"

namespace zplat {

// Link flags, hardware types, operational states and address flags with the values the kernel
// uses (linux/if.h, linux/if_arp.h, linux/if_addr.h), so the reader copies them unchanged.
inline constexpr uint32_t kLinkUp = 0x1;
inline constexpr uint32_t kLinkLoopback = 0x8;
inline constexpr uint32_t kLinkRunning = 0x40;
inline constexpr uint16_t kArpEther = 1;
inline constexpr uint16_t kArpPpp = 512;
inline constexpr uint16_t kArpLoopback = 772;
inline constexpr uint16_t kArpIeee80211 = 801;
inline constexpr uint16_t kArpIeee80211Radiotap = 803;
inline constexpr uint8_t kOperUnknown = 0;
inline constexpr uint8_t kOperNotPresent = 1;
inline constexpr uint8_t kOperDown = 2;
inline constexpr uint8_t kOperLowerLayerDown = 3;
inline constexpr uint8_t kOperTesting = 4;
inline constexpr uint8_t kOperDormant = 5;
inline constexpr uint8_t kOperUp = 6;
inline constexpr uint32_t kAddrPermanent = 0x80;
inline constexpr uint32_t kLifetimeInfinite = 0xFFFFFFFFu;

struct LinkRecord {
    uint32_t index = 0;
    std::string name;
    std::string alias;  // the interface alias, empty when none
    uint16_t arpType = kArpEther;
    uint32_t flags = 0;
    uint8_t operState = kOperUnknown;
    std::vector<uint8_t> hardwareAddress;
    uint32_t mtu = 0;
    uint32_t speedMbps = 0;  // 0 when unknown
    bool wireless = false;
};

struct AddressRecord {
    uint32_t index = 0;    // interface index
    uint32_t address = 0;  // network order
    uint8_t prefixLength = 0;
    uint32_t flags = 0;
    uint32_t validLifetime = kLifetimeInfinite;  // seconds left
    uint32_t createdCs = 0;                      // hundredths of a second since boot
};

// One route of the IPv4 main routing table, one record per next hop (a multipath route gives a
// record for each); addresses in network order.
struct RouteRecord {
    std::string interfaceName;
    uint32_t interfaceIndex = 0;  // 0 when only the name is known
    uint32_t destination = 0;
    uint32_t gateway = 0;
    uint32_t mask = 0;
    uint32_t flags = 0;
    uint32_t metric = 0;
};

inline constexpr uint32_t kRouteUp = 0x1;
inline constexpr uint32_t kRouteGateway = 0x2;

// What a DHCP client left about one interface's lease.
struct LeaseRecord {
    uint32_t serverAddress = 0;  // network order, 0 when unknown
};

struct NetworkSnapshot {
    std::vector<LinkRecord> links;         // in interface index order
    std::vector<AddressRecord> addresses;  // IPv4 only, in the order the system lists them
    std::vector<RouteRecord> routes;
    std::vector<std::string> resolvers;  // the system-wide name servers, dotted IPv4
    std::map<uint32_t, std::vector<std::string>> linkResolvers;  // by interface index
    std::map<uint32_t, LeaseRecord> leases;                      // by interface index
    int64_t now = 0;       // seconds since 1970 when the snapshot was taken
    int64_t bootTime = 0;  // seconds since 1970 when the system started
};

// The MIB interface type of a link: loopback 24, PPP 23, wireless 71, Ethernet 6, other 1.
uint32_t MibTypeOf(const LinkRecord& link);

// The network-order mask of a prefix length (0 to 32; larger values count as 32).
uint32_t MaskOfPrefix(uint8_t prefixLength);

// The context number given to the n-th (from 0) IPv4 address of an interface.
uint32_t AddressContextOf(uint32_t ifIndex, size_t ordinal);

std::vector<AdapterInfo> AdaptersFromSnapshot(const NetworkSnapshot& snapshot);
// False when no link has that index.
bool PerAdapterFromSnapshot(const NetworkSnapshot& snapshot, uint32_t ifIndex,
                            PerAdapterInfo* info);
bool IfRowFromSnapshot(const NetworkSnapshot& snapshot, uint32_t ifIndex, IfRow* row);
// Every address of a link that is up and not a loopback, in snapshot order.
std::vector<uint32_t> AddressListFromSnapshot(const NetworkSnapshot& snapshot);

// The routes of a route dump as the kernel sends it (rtnetlink RTM_NEWROUTE messages, several in
// one buffer): the IPv4 unicast routes of the main table, a record per next hop, with the
// interface index and without names. Every length is checked against the buffer; a message or
// attribute that does not fit ends the walk over what contains it.
std::vector<RouteRecord> ParseRouteMessages(const void* bytes, size_t size);

// Parsers of the text files the reader takes in. Malformed lines are skipped. The routing table
// file shows only the first next hop of a multipath route; the reader takes it only when the
// route dump cannot be had.
std::vector<RouteRecord> ParseProcNetRoute(std::string_view text);
std::vector<std::string> ParseResolvConf(std::string_view text);  // IPv4 name servers
// "KEY=value" files of the network daemon: the DNS= servers of a link file (IPv4 only), and the
// SERVER_ADDRESS= of a lease file.
std::vector<std::string> ParseLinkStateDns(std::string_view text);
LeaseRecord ParseLeaseFile(std::string_view text);

// Reads the current state from the OS in the calling thread's network namespace. False when the
// links or addresses could not be read; the files are optional.
bool ReadNetworkSnapshot(NetworkSnapshot* snapshot);

}  // namespace zplat
