#include "platform/network/net_snapshot.h"

#include <gtest/gtest.h>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

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

// Builds route dump messages by hand, as the kernel lays them out: header, rtmsg, attributes, each
// padded to four bytes.
class RouteDump {
public:
    // Starts an RTM_NEWROUTE message.
    RouteDump& Route(uint8_t prefix, uint8_t table = RT_TABLE_MAIN, uint8_t type = RTN_UNICAST,
                     uint8_t family = AF_INET) {
        start_ = bytes_.size();
        nlmsghdr h{};
        h.nlmsg_type = RTM_NEWROUTE;
        Put(&h, sizeof h);
        rtmsg rt{};
        rt.rtm_family = family;
        rt.rtm_dst_len = prefix;
        rt.rtm_table = table;
        rt.rtm_type = type;
        Put(&rt, sizeof rt);
        Close();
        return *this;
    }
    RouteDump& Attr(uint16_t type, uint32_t value) { return Attr(type, &value, sizeof value); }
    RouteDump& Attr(uint16_t type, const void* data, size_t size) {
        rtattr a{};
        a.rta_type = type;
        a.rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
        Put(&a, sizeof a);
        Put(data, size);
        Pad();
        Close();
        return *this;
    }
    RouteDump& Address(uint16_t type, const char* dotted) { return Attr(type, InetAddr(dotted)); }
    // An RTA_MULTIPATH attribute of next hops, each an interface index and a gateway.
    RouteDump& Multipath(const std::vector<std::pair<int, const char*>>& hops) {
        std::vector<uint8_t> value;
        for (const auto& [index, gateway] : hops) {
            rtnexthop hop{};
            hop.rtnh_len = static_cast<unsigned short>(RTNH_LENGTH(RTA_LENGTH(4)));
            hop.rtnh_ifindex = index;
            rtattr a{};
            a.rta_type = RTA_GATEWAY;
            a.rta_len = static_cast<unsigned short>(RTA_LENGTH(4));
            uint32_t address = InetAddr(gateway);
            const auto* p = reinterpret_cast<const uint8_t*>(&hop);
            value.insert(value.end(), p, p + sizeof hop);
            p = reinterpret_cast<const uint8_t*>(&a);
            value.insert(value.end(), p, p + sizeof a);
            p = reinterpret_cast<const uint8_t*>(&address);
            value.insert(value.end(), p, p + sizeof address);
        }
        return Attr(RTA_MULTIPATH, value.data(), value.size());
    }
    // Overwrites a 16-bit field at an offset from the start of the current message.
    RouteDump& Patch16(size_t offset, uint16_t value) {
        std::memcpy(bytes_.data() + start_ + offset, &value, sizeof value);
        return *this;
    }
    size_t MessageSize() const { return bytes_.size() - start_; }
    // The first size bytes (all of them by default), aligned for the headers as a receive
    // buffer is, in storage of exactly that size.
    std::vector<RouteRecord> Parse(size_t size = SIZE_MAX) const {
        size = std::min(size, bytes_.size());
        auto aligned = std::make_unique<uint32_t[]>((size + 3) / 4);
        std::memcpy(aligned.get(), bytes_.data(), size);
        return ParseRouteMessages(aligned.get(), size);
    }

private:
    void Put(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Pad() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }
    void Close() {
        uint32_t length = static_cast<uint32_t>(bytes_.size() - start_);
        std::memcpy(bytes_.data() + start_, &length, sizeof length);  // nlmsg_len
    }
    std::vector<uint8_t> bytes_;
    size_t start_ = 0;
};

std::string Describe(const std::vector<RouteRecord>& routes) {
    std::string out;
    for (const auto& r : routes) {
        out += (out.empty() ? "" : " ") + InetNtoa(r.destination) + "/" + InetNtoa(r.mask) + "@" +
               std::to_string(r.interfaceIndex);
        if (r.flags & kRouteGateway) {
            out += " via " + InetNtoa(r.gateway);
        }
        if (r.metric != 0) {
            out += " metric " + std::to_string(r.metric);
        }
    }
    return out;
}

TEST(NetSnapshotTest, ParsesTheRouteDump) {
    const size_t kAttrs = NLMSG_LENGTH(sizeof(rtmsg));  // where the first attribute starts
    struct Case {
        const char* name;
        RouteDump dump;
        std::string routes;
    } cases[] = {
        {"default route",
         RouteDump()
             .Route(0)
             .Address(RTA_GATEWAY, "192.0.2.1")
             .Attr(RTA_OIF, 2)
             .Attr(RTA_PRIORITY, 100),
         "0.0.0.0/0.0.0.0@2 via 192.0.2.1 metric 100"},
        {"connected subnet", RouteDump().Route(24).Address(RTA_DST, "192.0.2.0").Attr(RTA_OIF, 2),
         "192.0.2.0/255.255.255.0@2"},
        {"multipath default route: every next hop",
         RouteDump().Route(0).Multipath({{2, "192.0.2.1"}, {3, "198.51.100.1"}, {4, "0.0.0.0"}}),
         "0.0.0.0/0.0.0.0@2 via 192.0.2.1 0.0.0.0/0.0.0.0@3 via 198.51.100.1 0.0.0.0/0.0.0.0@4"},
        {"two messages in one buffer",
         RouteDump()
             .Route(0)
             .Address(RTA_GATEWAY, "192.0.2.1")
             .Attr(RTA_OIF, 2)
             .Route(16)
             .Address(RTA_DST, "10.1.0.0")
             .Attr(RTA_OIF, 3),
         "0.0.0.0/0.0.0.0@2 via 192.0.2.1 10.1.0.0/255.255.0.0@3"},
        {"other tables, types and families are left out",
         RouteDump()
             .Route(0, RT_TABLE_LOCAL)
             .Attr(RTA_OIF, 2)
             .Route(0, RT_TABLE_UNSPEC)
             .Attr(RTA_TABLE, 1000)
             .Attr(RTA_OIF, 2)
             .Route(32, RT_TABLE_MAIN, RTN_BROADCAST)
             .Attr(RTA_OIF, 2)
             .Route(0, RT_TABLE_MAIN, RTN_UNICAST, AF_INET6)
             .Attr(RTA_OIF, 2)
             .Route(33)
             .Attr(RTA_OIF, 2),
         ""},
        {"main table named by its attribute",
         RouteDump().Route(0, RT_TABLE_UNSPEC).Attr(RTA_TABLE, RT_TABLE_MAIN).Attr(RTA_OIF, 5),
         "0.0.0.0/0.0.0.0@5"},
        {"short attributes are ignored",
         RouteDump().Route(0).Attr(RTA_GATEWAY, "\x01\x02", 2).Attr(RTA_OIF, 2),
         "0.0.0.0/0.0.0.0@2"},
        {"attribute longer than its message ends the attributes",
         RouteDump().Route(0).Attr(RTA_OIF, 2).Attr(RTA_GATEWAY, 7).Patch16(kAttrs + 8, 200),
         "0.0.0.0/0.0.0.0@2"},
        {"next hop longer than the attribute ends the next hops",
         RouteDump()
             .Route(0)
             .Multipath({{2, "192.0.2.1"}, {3, "198.51.100.1"}})
             .Patch16(kAttrs + 4 + 16, 0x7FFF),
         "0.0.0.0/0.0.0.0@2 via 192.0.2.1"},
        {"next hop shorter than its header ends the next hops",
         RouteDump().Route(0).Multipath({{2, "192.0.2.1"}}).Patch16(kAttrs + 4, 4), ""},
        {"message shorter than its body is skipped",
         RouteDump().Route(0).Patch16(0, static_cast<uint16_t>(NLMSG_LENGTH(4))), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Describe(c.dump.Parse()), c.routes);
    }
    // A buffer cut anywhere holds no whole message: nothing is read from it, and nothing past it.
    RouteDump full = RouteDump().Route(0).Multipath({{2, "192.0.2.1"}, {3, "198.51.100.1"}});
    ASSERT_EQ(full.Parse().size(), 2u);
    for (size_t cut = 0; cut < full.MessageSize(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_TRUE(full.Parse(cut).empty());
    }
}

// A multipath default route: each adapter that carries a next hop has that gateway.
TEST(NetSnapshotTest, EveryNextHopGivesItsAdapterAGateway) {
    NetworkSnapshot s = Sample();
    s.routes.clear();
    s.links.push_back(Link(5, "eth2", kArpEther, kLinkUp | kLinkRunning));
    s.addresses.push_back(Addr(5, "198.51.100.7", 24));
    std::vector<RouteRecord> routes =
        RouteDump().Route(0).Multipath({{2, "192.168.1.1"}, {5, "198.51.100.1"}}).Parse();
    s.routes = routes;
    std::map<std::string, std::vector<std::string>> gateways;
    for (const auto& a : AdaptersFromSnapshot(s)) {
        for (const auto& g : a.gatewayList) {
            gateways[a.adapterName].push_back(g.ipAddress);
        }
    }
    EXPECT_EQ(gateways, (std::map<std::string, std::vector<std::string>>{
                            {"eth0", {"192.168.1.1"}}, {"eth2", {"198.51.100.1"}}}));
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
