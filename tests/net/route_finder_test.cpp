#include "net/route_finder.h"

#include <gtest/gtest.h>

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

// A searcher on 10.31.1.2/24 whose router 10.31.1.1 leads to 10.31.2.0/24; nothing else routes.
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
        ip_->routes.push_back(
            {InetAddr("10.31.2.0"), 24, {3, InetAddr("10.31.1.2"), InetAddr("10.31.1.1")}});
        ip_->routes.push_back({InetAddr("10.31.1.0"), 24, {3, InetAddr("10.31.1.2"), 0}});
        // A route whose source address no adapter carries.
        ip_->routes.push_back({InetAddr("10.99.0.0"), 16, {9, InetAddr("10.99.0.1"), 0}});
    }

    std::shared_ptr<zplat::FakeIpHelper> ip_ = std::make_shared<zplat::FakeIpHelper>();
    zplat::ScopedIpHelper useIp_{ip_};
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> registry_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider useWmi_{wmi_};
};

TEST_F(RouteFinderTest, RequesterIsTheInterfaceThatRoutesThere) {
    ZRouteFinder routes;
    struct Row {
        const char* block;
        const char* nextHop;
    };
    const Row rows[] = {{"10.31.2.0/24", "10.31.1.1"},
                        {"10.31.2.128/25", "10.31.1.1"},
                        {"10.31.1.0/24", "0.0.0.0"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.block);
        ZRouteFinder::Route route;
        std::string error;
        ASSERT_TRUE(routes.Find(Block(row.block), &route, &error)) << error;
        EXPECT_EQ(zplat::InetNtoa(route.localAddress), "10.31.1.2");
        EXPECT_EQ(zplat::InetNtoa(route.localMask), "255.255.255.0");
        EXPECT_EQ(zplat::InetNtoa(route.nextHop), row.nextHop);
    }
}

TEST_F(RouteFinderTest, NoRouteIsAnErrorNamingTheBlock) {
    ZRouteFinder routes;
    ZRouteFinder::Route route;
    route.localAddress = 77;
    std::string error;
    EXPECT_FALSE(routes.Find(Block("10.40.0.0/16"), &route, &error));
    EXPECT_EQ(error, "subnet 10.40.0.0/16: no route to it");
    EXPECT_EQ(route.localAddress, 77u);
    EXPECT_FALSE(routes.Find(Block("10.99.4.0/24"), &route, &error));
    EXPECT_EQ(error, "subnet 10.99.4.0/24: routed from 10.99.0.1, which no local adapter carries");
    EXPECT_FALSE(routes.Find(Block("10.40.0.0/16"), nullptr, nullptr));
}

}  // namespace
