#include "net/route_finder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/network_adapter_pci_location.h"
#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"

namespace {

using zplat::InetAddr;

ZCIDRBlock Block(const char* text) {
    ZCIDRBlock block;
    EXPECT_TRUE(ZCIDRBlock::Parse(text, &block, nullptr)) << text;
    return block;
}

// A searcher on 10.31.1.2/24, whose router 10.31.1.1 leads to 10.31.2.0/24 and 10.31.4.0/22, and
// on 172.20.0.2/16, whose router 172.20.0.1 leads to 10.31.6.0/24 (inside that /22) and
// 10.40.0.0/16; 10.40.9.0/24 and 10.99.0.0/16 are routed from an address no adapter carries, and
// nothing else routes.
class RouteFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", registry_);
        GetPCILocationTable()->Build(true);
        zplat::AdapterInfo eth;
        eth.index = 3;
        eth.adapterName = "veth-s";
        eth.type = zplat::MIB_IF_TYPE_ETHERNET;
        eth.ipAddressList = {{"10.31.1.2", "255.255.255.0", 1}};
        ip_->adapters.push_back(eth);
        eth.index = 5;
        eth.adapterName = "veth-t";
        eth.ipAddressList = {{"172.20.0.2", "255.255.0.0", 2}};
        ip_->adapters.push_back(eth);
        const zplat::BestRoute viaFirst{3, InetAddr("10.31.1.2"), InetAddr("10.31.1.1")};
        const zplat::BestRoute viaSecond{5, InetAddr("172.20.0.2"), InetAddr("172.20.0.1")};
        ip_->routes.push_back({InetAddr("10.31.2.0"), 24, viaFirst});
        ip_->routes.push_back({InetAddr("10.31.1.0"), 24, {3, InetAddr("10.31.1.2"), 0}});
        ip_->routes.push_back({InetAddr("10.31.4.0"), 22, viaFirst});
        ip_->routes.push_back({InetAddr("10.31.6.0"), 24, viaSecond});
        ip_->routes.push_back({InetAddr("172.20.0.0"), 16, {5, InetAddr("172.20.0.2"), 0}});
        ip_->routes.push_back({InetAddr("10.40.0.0"), 16, viaSecond});
        ip_->routes.push_back({InetAddr("10.40.9.0"), 24, {9, InetAddr("10.99.0.1"), 0}});
        ip_->routes.push_back({InetAddr("10.99.0.0"), 16, {9, InetAddr("10.99.0.1"), 0}});
    }

    // The spans of a block as "first-last requester/mask via next hop" ("first-last none").
    std::vector<std::string> Spans(ZRouteFinder* routes, const char* block) {
        std::vector<ZRouteFinder::Span> spans;
        std::string error;
        EXPECT_TRUE(routes->Split(Block(block), &spans, &error)) << error;
        std::vector<std::string> out;
        for (const ZRouteFinder::Span& s : spans) {
            std::string text = zplat::InetNtoa(s.first) + "-" + zplat::InetNtoa(s.last);
            text += s.routed ? " " + zplat::InetNtoa(s.route.localAddress) + "/" +
                                   zplat::InetNtoa(s.route.localMask) + " via " +
                                   zplat::InetNtoa(s.route.nextHop)
                             : " none";
            out.push_back(text);
        }
        return out;
    }

    std::shared_ptr<zplat::FakeIpHelper> ip_ = std::make_shared<zplat::FakeIpHelper>();
    zplat::ScopedIpHelper useIp_{ip_};
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> registry_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider useWmi_{wmi_};
};

TEST_F(RouteFinderTest, RequesterIsTheInterfaceThatRoutesToEachAddress) {
    struct Row {
        const char* block;
        std::vector<std::string> spans;
        int lookups;  // questions to the routing table
    };
    const Row rows[] = {
        {"10.31.2.0/24", {"10.31.2.0-10.31.2.255 10.31.1.2/255.255.255.0 via 10.31.1.1"}, 1},
        {"10.31.2.128/25", {"10.31.2.128-10.31.2.255 10.31.1.2/255.255.255.0 via 10.31.1.1"}, 1},
        {"10.31.1.0/24", {"10.31.1.0-10.31.1.255 10.31.1.2/255.255.255.0 via 0.0.0.0"}, 1},
        // One block, two interfaces: the /24 inside the /22 goes out through the second.
        {"10.31.4.0/22",
         {"10.31.4.0-10.31.5.255 10.31.1.2/255.255.255.0 via 10.31.1.1",
          "10.31.6.0-10.31.6.255 172.20.0.2/255.255.0.0 via 172.20.0.1",
          "10.31.7.0-10.31.7.255 10.31.1.2/255.255.255.0 via 10.31.1.1"},
         3},
        {"10.31.6.0/25", {"10.31.6.0-10.31.6.127 172.20.0.2/255.255.0.0 via 172.20.0.1"}, 1},
        // A /16 without a route inside it costs one question.
        {"172.20.0.0/16", {"172.20.0.0-172.20.255.255 172.20.0.2/255.255.0.0 via 0.0.0.0"}, 1},
        // Part of a block without a usable route.
        {"10.40.8.0/22",
         {"10.40.8.0-10.40.8.255 172.20.0.2/255.255.0.0 via 172.20.0.1",
          "10.40.9.0-10.40.9.255 none",
          "10.40.10.0-10.40.11.255 172.20.0.2/255.255.0.0 via 172.20.0.1"},
         3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.block);
        ZRouteFinder routes;
        const int before = ip_->routeCalls;
        EXPECT_EQ(Spans(&routes, row.block), row.spans);
        EXPECT_EQ(ip_->routeCalls - before, row.lookups);
        EXPECT_EQ(routes.GetLookupCount(), static_cast<uint64_t>(row.lookups));
    }
}

TEST_F(RouteFinderTest, NoRouteIsAnErrorNamingTheBlock) {
    ZRouteFinder routes;
    std::vector<ZRouteFinder::Span> spans(1);
    std::string error;
    EXPECT_FALSE(routes.Split(Block("10.50.0.0/16"), &spans, &error));
    EXPECT_EQ(error, "subnet 10.50.0.0/16: no route to it");
    EXPECT_EQ(spans.size(), 1u);  // left as it was
    EXPECT_FALSE(routes.Split(Block("10.99.4.0/24"), &spans, &error));
    EXPECT_EQ(error, "subnet 10.99.4.0/24: routed from 10.99.0.1, which no local adapter carries");
    EXPECT_FALSE(routes.Split(Block("10.50.0.0/16"), nullptr, nullptr));
    EXPECT_TRUE(routes.Split(Block("10.31.2.0/24"), nullptr, nullptr));
}

}  // namespace
