#include "net/subnet_walk.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/network/inet.h"

namespace {

ZCIDRBlock Block(const char* text) {
    ZCIDRBlock block;
    EXPECT_TRUE(ZCIDRBlock::Parse(text, &block, nullptr)) << text;
    return block;
}

ZSubnetWalk::LocalSubnet Local(const char* address, const char* mask) {
    return {zplat::InetAddr(address), zplat::InetAddr(mask)};
}

// Up to limit addresses of the walk as dotted texts.
std::vector<std::string> Take(ZSubnetWalk* walk, size_t limit) {
    std::vector<std::string> out;
    uint32_t address = 0;
    while (out.size() < limit && walk->Next(&address, nullptr)) {
        out.push_back(zplat::InetNtoa(address));
    }
    return out;
}

TEST(SubnetWalk, WalksEveryHostOfEveryBlockOnce) {
    struct Row {
        const char* name;
        std::vector<const char*> blocks;
        std::vector<ZSubnetWalk::LocalSubnet> local;
        size_t count;
        std::vector<std::string> first;  // the first addresses
        std::string last;
    };
    const Row rows[] = {
        {"a /32 is its address", {"10.5.5.5/32"}, {}, 1, {"10.5.5.5"}, "10.5.5.5"},
        {"a /31 has two hosts", {"10.5.5.6/31"}, {}, 2, {"10.5.5.6", "10.5.5.7"}, "10.5.5.7"},
        {"a /30 skips network and broadcast", {"10.5.5.8/30"}, {}, 2, {"10.5.5.9"}, "10.5.5.10"},
        {"a /16 in full",
         {"172.20.0.0/16"},
         {},
         65534,
         {"172.20.0.1", "172.20.0.2"},
         "172.20.255.254"},
        {"blocks in the order given",
         {"10.7.0.0/30", "10.6.0.0/30"},
         {},
         4,
         {"10.7.0.1", "10.7.0.2", "10.6.0.1", "10.6.0.2"},
         "10.6.0.2"},
        {"a local subnet is left out",
         {"10.31.0.0/22"},
         {Local("10.31.1.2", "255.255.255.0")},
         1022 - 256,
         {"10.31.0.1"},
         "10.31.3.254"},
        {"a block that is all local gives nothing",
         {"10.31.1.0/24"},
         {Local("10.31.1.2", "255.255.255.0")},
         0,
         {},
         ""},
        {"a local subnet wider than the block covers it",
         {"10.31.1.128/25"},
         {Local("10.31.0.9", "255.255.0.0")},
         0,
         {},
         ""},
        {"a zero mask leaves out nothing",
         {"10.5.5.8/30"},
         {Local("10.5.5.9", "0.0.0.0")},
         2,
         {"10.5.5.9"},
         "10.5.5.10"},
        {"a block given twice is walked once",
         {"10.8.0.0/30", "10.8.0.0/30"},
         {},
         2,
         {"10.8.0.1"},
         "10.8.0.2"},
        {"a block inside an earlier one is walked once",
         {"10.9.0.0/22", "10.9.2.0/24"},
         {},
         1022,
         {"10.9.0.1"},
         "10.9.3.254"},
        // The /30's broadcast address 10.9.2.3 is a host of the /29.
        {"an earlier small block inside a later large one",
         {"10.9.2.0/30", "10.9.2.0/29"},
         {},
         2 + 4,
         {"10.9.2.1", "10.9.2.2", "10.9.2.3", "10.9.2.4", "10.9.2.5"},
         "10.9.2.6"},
        {"the network and broadcast of an earlier /24 are hosts of a later /22",
         {"10.31.2.0/24", "10.31.0.0/22"},
         {},
         1022,
         {"10.31.2.1", "10.31.2.2"},
         "10.31.3.254"},
        {"several earlier blocks inside a later one, one of them given twice",
         {"10.9.0.4/30", "10.9.0.16/28", "10.9.0.4/30", "10.9.0.0/27"},
         {},
         2 + 14 + 14,
         {"10.9.0.5", "10.9.0.6", "10.9.0.17"},
         "10.9.0.16"},
        {"an earlier /32 inside a later block",
         {"10.9.0.3/32", "10.9.0.0/29"},
         {},
         6,
         {"10.9.0.3", "10.9.0.1", "10.9.0.2", "10.9.0.4"},
         "10.9.0.6"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<ZCIDRBlock> blocks;
        for (const char* b : row.blocks) {
            blocks.push_back(Block(b));
        }
        ZSubnetWalk walk(blocks);
        walk.SetLocalSubnets(row.local);
        const std::vector<std::string> all = Take(&walk, 100000);
        ASSERT_EQ(all.size(), row.count);
        EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), row.count);  // once each
        EXPECT_TRUE(walk.IsPassDone());
        for (size_t i = 0; i < row.first.size(); ++i) {
            EXPECT_EQ(all[i], row.first[i]) << i;
        }
        if (!all.empty()) {
            EXPECT_EQ(all.back(), row.last);
        }
        uint32_t address = 0;
        EXPECT_FALSE(walk.Next(&address, nullptr));  // stays done
    }
}

// The walk against its rule, address by address, over lists of nested, repeated and
// neighbouring blocks: a host of a block is visited unless an earlier block has it as a host.
TEST(SubnetWalk, VisitsWhatNoEarlierBlockSweptOnRandomLists) {
    std::mt19937 random(22);
    for (int list = 0; list < 300; ++list) {
        std::vector<ZCIDRBlock> blocks;
        const int count = std::uniform_int_distribution<int>(1, 8)(random);
        for (int i = 0; i < count; ++i) {
            const int prefix = std::uniform_int_distribution<int>(24, 32)(random);
            const uint32_t offset = std::uniform_int_distribution<uint32_t>(0, 1023)(random);
            const uint32_t network = (0x0A090000u + offset) & (0xFFFFFFFFu << (32 - prefix));
            const std::string text =
                zplat::InetNtoa(zplat::HostToNet32(network)) + "/" + std::to_string(prefix);
            blocks.push_back(Block(text.c_str()));
        }
        std::vector<std::string> expected;
        for (size_t j = 0; j < blocks.size(); ++j) {
            for (uint32_t h = 0; h < blocks[j].GetHostCount(); ++h) {
                const uint32_t address = blocks[j].GetHost(h);
                bool swept = false;
                for (size_t i = 0; i < j && !swept; ++i) {
                    for (uint32_t k = 0; k < blocks[i].GetHostCount() && !swept; ++k) {
                        swept = blocks[i].GetHost(k) == address;
                    }
                }
                if (!swept) {
                    expected.push_back(zplat::InetNtoa(address));
                }
            }
        }
        ZSubnetWalk walk(blocks);
        std::string listed;
        for (const ZCIDRBlock& b : blocks) {
            listed += b.GetText() + " ";
        }
        ASSERT_EQ(Take(&walk, 100000), expected) << listed;
    }
}

TEST(SubnetWalk, ResumesWhereItStoppedAndRestartsOnRequest) {
    ZSubnetWalk walk({Block("10.1.0.0/30"), Block("10.2.0.0/29")});
    EXPECT_EQ(walk.GetHostCount(), 2u + 6u);
    EXPECT_EQ(Take(&walk, 3), (std::vector<std::string>{"10.1.0.1", "10.1.0.2", "10.2.0.1"}));
    EXPECT_FALSE(walk.IsPassDone());
    // A change of local subnets (an address change) keeps the place.
    walk.SetLocalSubnets({Local("10.2.0.3", "255.255.255.255")});
    uint32_t address = 0;
    size_t block = 99;
    ASSERT_TRUE(walk.Next(&address, &block));
    EXPECT_EQ(zplat::InetNtoa(address), "10.2.0.2");
    EXPECT_EQ(block, 1u);
    EXPECT_EQ(Take(&walk, 100), (std::vector<std::string>{"10.2.0.4", "10.2.0.5", "10.2.0.6"}));
    EXPECT_TRUE(walk.IsPassDone());
    walk.Restart();
    EXPECT_EQ(Take(&walk, 1), (std::vector<std::string>{"10.1.0.1"}));
}

TEST(SubnetWalk, WithoutBlocksThePassIsDone) {
    ZSubnetWalk walk;
    EXPECT_TRUE(walk.IsPassDone());
    EXPECT_TRUE(Take(&walk, 10).empty());
}

}  // namespace
