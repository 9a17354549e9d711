// The source address of a route that names only its interface (what the Windows face reads from
// the address table), and the route lookup of the system itself, on both systems.

#include <gtest/gtest.h>

#include <vector>

#include "platform/network/best_route.h"
#include "platform/network/inet.h"
#include "platform/network/ip_helper.h"

namespace {

using zplat::InetAddr;

TEST(ChooseSourceAddress, TheInterfacesAddressOnTheWayElseItsFirst) {
    const std::vector<zplat::InterfaceAddress> table = {
        {2, InetAddr("10.31.1.2"), InetAddr("255.255.255.0")},
        {3, InetAddr("0.0.0.0"), InetAddr("0.0.0.0")},  // an interface without an address
        {4, InetAddr("172.20.0.2"), InetAddr("255.255.0.0")},
        {4, InetAddr("192.168.9.2"), InetAddr("255.255.255.0")},
        {5, InetAddr("10.5.0.1"), InetAddr("255.255.255.255")},
    };
    struct Row {
        const char* name;
        uint32_t interfaceIndex;
        const char* towards;
        const char* source;
    };
    const Row rows[] = {
        {"the one address of the interface", 2, "10.31.1.1", "10.31.1.2"},
        {"the address whose subnet holds the next hop", 4, "192.168.9.1", "192.168.9.2"},
        {"the first address when no subnet holds it", 4, "10.9.9.9", "172.20.0.2"},
        {"a host route's address", 5, "10.6.0.1", "10.5.0.1"},
        {"none for an interface without an address", 3, "10.0.0.1", "0.0.0.0"},
        {"none for an unknown interface", 9, "10.31.1.1", "0.0.0.0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(zplat::InetNtoa(
                      zplat::ChooseSourceAddress(table, row.interfaceIndex, InetAddr(row.towards))),
                  row.source);
    }
}

// The system answers for a neighbour on the subnet of one of this machine's adapters with that
// adapter's address (nothing is sent: the routing table is only asked).
TEST(SystemRoute, ANeighbourIsReachedFromTheAdapterOfItsSubnet) {
    std::vector<zplat::AdapterInfo> adapters;
    zplat::GetAdaptersInfo(&adapters);
    for (const zplat::AdapterInfo& adapter : adapters) {
        for (const zplat::IpAddrString& a : adapter.ipAddressList) {
            const uint32_t address = InetAddr(a.ipAddress.c_str());
            const uint32_t mask = InetAddr(a.ipMask.c_str());
            const uint32_t hostBits = ~zplat::NetToHost32(mask);
            if (address == 0 || hostBits < 3 || adapter.type == zplat::MIB_IF_TYPE_LOOPBACK ||
                zplat::NetToHost32(address) >> 24 == 127) {
                continue;
            }
            // Another host of the same subnet.
            const uint32_t base = zplat::NetToHost32(address & mask);
            const uint32_t host = zplat::NetToHost32(address) - base == 1 ? 2 : 1;
            const uint32_t neighbour = zplat::HostToNet32(base + host);
            SCOPED_TRACE(a.ipAddress + "/" + a.ipMask + " towards " + zplat::InetNtoa(neighbour));
            zplat::BestRoute route;
            ASSERT_EQ(zplat::ReadSystemRoute(neighbour, &route), zplat::NO_ERROR);
            EXPECT_EQ(zplat::InetNtoa(route.sourceAddress), a.ipAddress);
            EXPECT_EQ(route.nextHop, 0u);
            return;
        }
    }
    GTEST_SKIP() << "no adapter with an IPv4 subnet here";
}

}  // namespace
