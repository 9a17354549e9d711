#include "platform/network/net_snapshot.h"

#include <gtest/gtest.h>

#include "platform/network/inet.h"

namespace {

using namespace zplat;

LinkRecord Link(uint32_t index, const char* name, uint16_t arp, uint32_t flags,
                uint8_t oper = kOperUp) {
    LinkRecord l;
    l.index = index;
    l.name = name;
    l.arpType = arp;
    l.flags = flags;
    l.operState = oper;
    return l;
}

AddressRecord Addr(uint32_t index, const char* address, uint8_t prefix,
                   uint32_t flags = kAddrPermanent) {
    AddressRecord a;
    a.index = index;
    a.address = InetAddr(address);
    a.prefixLength = prefix;
    a.flags = flags;
    return a;
}

// lo, eth0 with two static addresses and a default route, wlan0 with a leased address, and a
// link that is down and has no address.
NetworkSnapshot Sample() {
    NetworkSnapshot s;
    s.links.push_back(
        Link(1, "lo", kArpLoopback, kLinkUp | kLinkLoopback | kLinkRunning, kOperUnknown));
    LinkRecord eth = Link(2, "eth0", kArpEther, kLinkUp | kLinkRunning);
    eth.hardwareAddress = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    eth.alias = "Onboard Ethernet";
    s.links.push_back(eth);
    LinkRecord wlan = Link(3, "wlan0", kArpEther, kLinkUp | kLinkRunning);
    wlan.wireless = true;
    s.links.push_back(wlan);
    s.links.push_back(Link(4, "eth1", kArpEther, 0, kOperDown));
    s.addresses = {Addr(1, "127.0.0.1", 8), Addr(2, "192.168.1.10", 24), Addr(2, "10.1.2.3", 8),
                   Addr(3, "172.16.5.9", 16, /*dynamic*/ 0)};
    s.addresses.back().validLifetime = 3600;
    s.addresses.back().createdCs = 12345;  // 123 s after boot
    RouteRecord def;
    def.interfaceName = "eth0";
    def.gateway = InetAddr("192.168.1.1");
    def.flags = kRouteUp | kRouteGateway;
    s.routes.push_back(def);
    s.resolvers = {"192.168.1.53"};
    s.linkResolvers[3] = {"172.16.0.53", "172.16.0.54"};
    s.leases[3].serverAddress = InetAddr("172.16.0.1");
    s.now = 1700000000;
    s.bootTime = 1699990000;
    return s;
}

TEST(NetSnapshotTest, AdaptersCarryTheRecordsOfEachLink) {
    auto adapters = AdaptersFromSnapshot(Sample());
    ASSERT_EQ(adapters.size(), 4u);

    const AdapterInfo& lo = adapters[0];
    EXPECT_EQ(lo.type, MIB_IF_TYPE_LOOPBACK);
    EXPECT_EQ(lo.ipAddressList.at(0).ipMask, "255.0.0.0");

    const AdapterInfo& eth = adapters[1];
    EXPECT_EQ(eth.adapterName, "eth0");
    EXPECT_EQ(eth.description, "Onboard Ethernet");
    EXPECT_EQ(eth.index, 2u);
    EXPECT_EQ(eth.type, MIB_IF_TYPE_ETHERNET);
    ASSERT_EQ(eth.addressLength, 6u);
    EXPECT_EQ(eth.address[5], 0x5E);
    ASSERT_EQ(eth.ipAddressList.size(), 2u);
    EXPECT_EQ(eth.ipAddressList[0].ipAddress, "192.168.1.10");
    EXPECT_EQ(eth.ipAddressList[0].ipMask, "255.255.255.0");
    EXPECT_EQ(eth.ipAddressList[1].ipMask, "255.0.0.0");
    EXPECT_NE(eth.ipAddressList[0].context, eth.ipAddressList[1].context);
    ASSERT_EQ(eth.gatewayList.size(), 1u);
    EXPECT_EQ(eth.gatewayList[0].ipAddress, "192.168.1.1");
    EXPECT_FALSE(eth.dhcpEnabled);
    EXPECT_EQ(eth.leaseObtained, 0u);

    const AdapterInfo& wlan = adapters[2];
    EXPECT_EQ(wlan.type, IF_TYPE_IEEE80211);
    EXPECT_TRUE(wlan.dhcpEnabled);
    EXPECT_EQ(wlan.dhcpServer.ipAddress, "172.16.0.1");
    EXPECT_EQ(wlan.leaseObtained, 1699990000u + 123u);
    EXPECT_EQ(wlan.leaseExpires, 1700000000u + 3600u);
    EXPECT_TRUE(wlan.gatewayList.empty());

    const AdapterInfo& down = adapters[3];
    ASSERT_EQ(down.ipAddressList.size(), 1u);  // the placeholder of an adapter without address
    EXPECT_EQ(down.ipAddressList[0].ipAddress, "0.0.0.0");
    EXPECT_EQ(down.ipAddressList[0].ipMask, "0.0.0.0");
    EXPECT_EQ(down.addressLength, 0u);
}

TEST(NetSnapshotTest, MibTypes) {
    struct Case {
        const char* name;
        uint16_t arp;
        uint32_t flags;
        bool wireless;
        uint32_t type;
    } cases[] = {
        {"ethernet", kArpEther, 0, false, 6},     {"wireless", kArpEther, 0, true, 71},
        {"80211", kArpIeee80211, 0, false, 71},   {"ppp", kArpPpp, 0, false, 23},
        {"loopback", kArpLoopback, 0, false, 24}, {"loop flag", 65534, kLinkLoopback, false, 24},
        {"tunnel", 65534, 0, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRecord l = Link(1, "x", c.arp, c.flags);
        l.wireless = c.wireless;
        EXPECT_EQ(MibTypeOf(l), c.type);
    }
}

TEST(NetSnapshotTest, InterfaceEntryStates) {
    struct Case {
        const char* name;
        uint32_t flags;
        uint8_t oper;
        uint32_t admin, status;
    } cases[] = {
        {"up", kLinkUp | kLinkRunning, kOperUp, 1, IF_OPER_STATUS_OPERATIONAL},
        {"unknown running", kLinkUp | kLinkRunning, kOperUnknown, 1, IF_OPER_STATUS_OPERATIONAL},
        {"unknown idle", kLinkUp, kOperUnknown, 1, IF_OPER_STATUS_DISCONNECTED},
        {"no carrier", kLinkUp, kOperLowerLayerDown, 1, IF_OPER_STATUS_DISCONNECTED},
        {"dormant", kLinkUp, kOperDormant, 1, IF_OPER_STATUS_CONNECTING},
        {"admin down", 0, kOperDown, 2, IF_OPER_STATUS_NON_OPERATIONAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NetworkSnapshot s;
        s.links.push_back(Link(7, "x", kArpEther, c.flags, c.oper));
        IfRow row;
        ASSERT_TRUE(IfRowFromSnapshot(s, 7, &row));
        EXPECT_EQ(row.adminStatus, c.admin);
        EXPECT_EQ(row.operStatus, c.status);
    }
    IfRow row;
    EXPECT_FALSE(IfRowFromSnapshot(NetworkSnapshot{}, 7, &row));
}

TEST(NetSnapshotTest, AddressListLeavesOutLoopbackAndDownLinksInOrder) {
    NetworkSnapshot s = Sample();
    s.addresses.push_back(Addr(4, "10.9.9.9", 24));  // on the link that is down
    auto list = AddressListFromSnapshot(s);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(InetNtoa(list[0]), "192.168.1.10");
    EXPECT_EQ(InetNtoa(list[1]), "10.1.2.3");
    EXPECT_EQ(InetNtoa(list[2]), "172.16.5.9");
}

TEST(NetSnapshotTest, PerAdapterDnsPrefersTheLinkOwnServers) {
    NetworkSnapshot s = Sample();
    PerAdapterInfo info;
    ASSERT_TRUE(PerAdapterFromSnapshot(s, 2, &info));
    EXPECT_EQ(info.dnsServerList, std::vector<std::string>{"192.168.1.53"});
    ASSERT_TRUE(PerAdapterFromSnapshot(s, 3, &info));
    EXPECT_EQ(info.dnsServerList, (std::vector<std::string>{"172.16.0.53", "172.16.0.54"}));
    ASSERT_TRUE(PerAdapterFromSnapshot(s, 1, &info));
    EXPECT_TRUE(info.dnsServerList.empty());
    EXPECT_FALSE(PerAdapterFromSnapshot(s, 99, &info));
}

TEST(NetSnapshotTest, MaskOfPrefix) {
    EXPECT_EQ(InetNtoa(MaskOfPrefix(0)), "0.0.0.0");
    EXPECT_EQ(InetNtoa(MaskOfPrefix(8)), "255.0.0.0");
    EXPECT_EQ(InetNtoa(MaskOfPrefix(25)), "255.255.255.128");
    EXPECT_EQ(InetNtoa(MaskOfPrefix(32)), "255.255.255.255");
    EXPECT_EQ(InetNtoa(MaskOfPrefix(40)), "255.255.255.255");
}

TEST(NetSnapshotTest, ParsesTheRoutingTable) {
    const char* text =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "broken line\n"
        "eth1\tZZZZZZZZ\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
    auto routes = ParseProcNetRoute(text);
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].interfaceName, "eth0");
    EXPECT_EQ(InetNtoa(routes[0].gateway), "192.0.2.1");
    EXPECT_EQ(routes[0].metric, 100u);
    EXPECT_EQ(routes[0].flags, kRouteUp | kRouteGateway);
    EXPECT_EQ(InetNtoa(routes[1].destination), "192.0.2.0");
    EXPECT_EQ(InetNtoa(routes[1].mask), "255.255.255.0");
    EXPECT_TRUE(ParseProcNetRoute("").empty());
}

TEST(NetSnapshotTest, ParsesResolverAndDaemonFiles) {
    EXPECT_EQ(ParseResolvConf("# comment\nnameserver 10.0.0.53\nnameserver fd00::1\n"
                              "search example\nnameserver\tbogus\n  nameserver 10.0.0.54\r\n"),
              (std::vector<std::string>{"10.0.0.53", "10.0.0.54"}));
    EXPECT_EQ(ParseLinkStateDns("ADMIN_STATE=configured\nDNS=10.1.1.1 fe80::1 10.1.1.2\n"),
              (std::vector<std::string>{"10.1.1.1", "10.1.1.2"}));
    EXPECT_EQ(InetNtoa(ParseLeaseFile("ADDRESS=10.0.0.9\nSERVER_ADDRESS=10.0.0.1\n").serverAddress),
              "10.0.0.1");
    EXPECT_EQ(ParseLeaseFile("SERVER_ADDRESS=garbage\n").serverAddress, 0u);
}

TEST(NetSnapshotTest, ReadsThisMachine) {
    // Reading only; the machine's namespace always has a loopback link.
    NetworkSnapshot s;
    ASSERT_TRUE(ReadNetworkSnapshot(&s));
    bool sawLoopback = false;
    for (const auto& l : s.links) {
        sawLoopback = sawLoopback || (l.name == "lo" && MibTypeOf(l) == MIB_IF_TYPE_LOOPBACK);
    }
    EXPECT_TRUE(sawLoopback);
    EXPECT_GT(s.now, 0);
}

}  // namespace
