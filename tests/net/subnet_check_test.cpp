// The rules for swept subnets and the sweep's rate that zunit and the finder's Preferences share.

#include "net/subnet_check.h"

#include <gtest/gtest.h>

#include "net/network_adapter_pci_location.h"
#include "net/send_pacer.h"
#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"

namespace {

using zplat::InetAddr;

// A searcher on 10.31.1.2/24 whose router leads to 10.31.0.0/16; nothing else routes.
class SubnetCheckTest : public ::testing::Test {
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
            {InetAddr("10.31.0.0"), 16, {3, InetAddr("10.31.1.2"), InetAddr("10.31.1.1")}});
    }

    std::shared_ptr<zplat::FakeIpHelper> ip_ = std::make_shared<zplat::FakeIpHelper>();
    zplat::ScopedIpHelper useIp_{ip_};
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> registry_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider useWmi_{wmi_};
};

TEST_F(SubnetCheckTest, EveryRefusedTextIsNamedAndTheRestKeptOnceInOrder) {
    struct Row {
        const char* label;
        std::vector<std::string> texts;
        std::vector<std::string> kept;
        std::vector<std::string> refusedNaming;  // a text each reason names
    };
    const Row rows[] = {
        {"nothing", {}, {}, {}},
        {"two routed blocks",
         {"10.31.4.0/22", "10.31.2.0/24"},
         {"10.31.4.0/22", "10.31.2.0/24"},
         {}},
        {"a repeat is kept once", {"10.31.2.0/24", "10.31.2.0/24"}, {"10.31.2.0/24"}, {}},
        {"host bits, then a block without a route",
         {"10.40.0.0/24", "10.31.2.0/24", "10.31.1.0/22"},
         {"10.31.2.0/24"},
         {"10.31.1.0/22", "10.40.0.0/24"}},
        {"too large and malformed", {"10.0.0.0/8", "stage"}, {}, {"10.0.0.0/8", "stage"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::vector<ZCIDRBlock> blocks;
        std::vector<std::string> refused;
        EXPECT_EQ(ZSubnetCheck::CheckBlocks(row.texts, &blocks, &refused),
                  row.refusedNaming.empty());
        std::vector<std::string> kept;
        for (const ZCIDRBlock& block : blocks) {
            kept.push_back(block.GetText());
        }
        EXPECT_EQ(kept, row.kept);
        ASSERT_EQ(refused.size(), row.refusedNaming.size());
        for (size_t i = 0; i < refused.size(); ++i) {
            EXPECT_NE(refused[i].find(row.refusedNaming[i]), std::string::npos) << refused[i];
        }
    }
}

TEST(SubnetCheck, RateFromOneToTheMost) {
    for (uint64_t rate : {uint64_t{1}, uint64_t{2000}, uint64_t{ZSendPacer::kMaxRate}}) {
        std::string error;
        EXPECT_TRUE(ZSubnetCheck::CheckRate(rate, &error)) << rate;
    }
    for (uint64_t rate : {uint64_t{0}, uint64_t{ZSendPacer::kMaxRate} + 1}) {
        std::string error;
        EXPECT_FALSE(ZSubnetCheck::CheckRate(rate, &error)) << rate;
        EXPECT_EQ(error, "give 1 to 1000000 requests per second");
    }
}

}  // namespace
