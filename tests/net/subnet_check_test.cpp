// The rules for swept subnets and the sweep's rate that zunit and the finder's Preferences share.

#include "net/subnet_check.h"

#include <gtest/gtest.h>

#include "net/network_adapter_pci_location.h"
#include "net/send_pacer.h"
#include "platform/registry/registry.h"
#include "tests/net/fake_routes.h"

namespace {

// The routes of FakeRoutes: 10.31.0.0/16 is routed, nothing else.
class SubnetCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", registry_);
        GetPCILocationTable()->Build(true);
    }

    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> registry_ = std::make_shared<zplat::MemoryRegistry>();
    FakeRoutes routes_;
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
        {"where no device has its address", {"127.0.0.0/16"}, {}, {"127.0.0.0/16"}},
        {"more blocks than are taken (3 here)",
         {"10.31.2.0/24", "10.31.3.0/24", "10.31.4.0/24", "10.31.5.0/24"},
         {},
         {"4 blocks given; at most 3"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::vector<ZCIDRBlock> blocks;
        std::vector<std::string> refused;
        EXPECT_EQ(ZSubnetCheck::CheckBlocks(row.texts, 3, &blocks, &refused),
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
