#include "net/cidr_block.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/network/inet.h"

namespace {

std::string Dotted(uint32_t address) {
    return zplat::InetNtoa(address);
}

TEST(CIDRBlock, AcceptedBlocksAndTheirHosts) {
    struct Row {
        const char* text;
        const char* network;
        const char* mask;
        uint32_t hosts;
        const char* first;
        const char* last;
    };
    const Row rows[] = {
        {"10.20.0.0/22", "10.20.0.0", "255.255.252.0", 1022, "10.20.0.1", "10.20.3.254"},
        {"10.31.2.0/24", "10.31.2.0", "255.255.255.0", 254, "10.31.2.1", "10.31.2.254"},
        {"172.16.0.0/16", "172.16.0.0", "255.255.0.0", 65534, "172.16.0.1", "172.16.255.254"},
        {"192.168.7.4/30", "192.168.7.4", "255.255.255.252", 2, "192.168.7.5", "192.168.7.6"},
        // A /31 is a point-to-point link: no network or broadcast address, both are hosts.
        {"192.168.7.8/31", "192.168.7.8", "255.255.255.254", 2, "192.168.7.8", "192.168.7.9"},
        // A /32 is the one address.
        {"10.1.2.3/32", "10.1.2.3", "255.255.255.255", 1, "10.1.2.3", "10.1.2.3"},
        // Next to the ranges where no device has its address.
        {"1.0.0.0/16", "1.0.0.0", "255.255.0.0", 65534, "1.0.0.1", "1.0.255.254"},
        {"126.255.255.255/32", "126.255.255.255", "255.255.255.255", 1, "126.255.255.255",
         "126.255.255.255"},
        {"128.0.0.0/16", "128.0.0.0", "255.255.0.0", 65534, "128.0.0.1", "128.0.255.254"},
        {"223.255.255.0/24", "223.255.255.0", "255.255.255.0", 254, "223.255.255.1",
         "223.255.255.254"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ZCIDRBlock block;
        std::string error;
        ASSERT_TRUE(ZCIDRBlock::Parse(row.text, &block, &error)) << error;
        EXPECT_EQ(Dotted(block.GetNetwork()), row.network);
        EXPECT_EQ(Dotted(block.GetMask()), row.mask);
        EXPECT_EQ(block.GetText(), row.text);
        ASSERT_EQ(block.GetHostCount(), row.hosts);
        EXPECT_EQ(Dotted(block.GetHost(0)), row.first);
        EXPECT_EQ(Dotted(block.GetHost(row.hosts - 1)), row.last);
        EXPECT_TRUE(block.Contains(block.GetHost(0)));
    }
}

TEST(CIDRBlock, RefusedTextsNameTheBlockAndTheFault) {
    struct Row {
        const char* text;
        const char* wanted;  // a part of the message
    };
    const Row rows[] = {
        {"10.0.0.0/15", "subnet 10.0.0.0/15 is larger than /16"},
        {"10.0.0.0/8", "subnet 10.0.0.0/8 is larger than /16"},
        {"0.0.0.0/0", "subnet 0.0.0.0/0 is larger than /16"},
        {"10.20.1.0/22",
         "subnet 10.20.1.0/22 has host bits set: the /22 block that holds it is "
         "10.20.0.0/22"},
        {"10.31.2.7/24", "10.31.2.0/24"},
        {"192.168.7.9/31", "192.168.7.8/31"},
        {"10.20.0.0/33", "\"10.20.0.0/33\" is not a block"},
        {"10.20.0.0", "\"10.20.0.0\" is not a block"},
        {"10.20.0.0/", "\"10.20.0.0/\" is not a block"},
        {"10.20.0/24", "\"10.20.0/24\" is not a block"},
        {"10.20.0.0.0/24", "is not a block"},
        {"10.256.0.0/24", "is not a block"},
        {"10.020.0.0/24", "is not a block"},  // a leading zero reads as octal elsewhere
        {"10.20.0.0/024", "is not a block"},
        {"10.20.0.0/+24", "is not a block"},
        {" 10.20.0.0/24", "is not a block"},
        {"10.20.0.0/24 ", "is not a block"},
        {"10.20.0.0/24x", "is not a block"},
        {"0x0a.20.0.0/24", "is not a block"},
        {"a.b.c.d/24", "is not a block"},
        {"", "empty subnet"},
        // No device has its address there.
        {"127.0.0.0/16", "subnet 127.0.0.0/16 lies in 127.0.0.0/8 (loopback)"},
        {"127.0.0.1/32", "127.0.0.0/8 (loopback)"},
        {"0.0.0.0/16", "subnet 0.0.0.0/16 lies in 0.0.0.0/8 (\"this network\""},
        {"0.0.0.0/32", "0.0.0.0/8"},
        {"224.0.0.0/16", "subnet 224.0.0.0/16 lies in 224.0.0.0/4 (multicast)"},
        {"239.255.255.0/24", "224.0.0.0/4 (multicast)"},
        {"240.0.0.0/16", "subnet 240.0.0.0/16 lies in 240.0.0.0/4 (reserved"},
        {"255.255.255.255/32", "240.0.0.0/4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ZCIDRBlock block;
        ASSERT_TRUE(ZCIDRBlock::Parse("10.9.9.0/24", &block, nullptr));
        std::string error;
        EXPECT_FALSE(ZCIDRBlock::Parse(row.text, &block, &error));
        EXPECT_NE(error.find(row.wanted), std::string::npos) << error;
        EXPECT_EQ(block.GetText(), "10.9.9.0/24");  // left as it was
    }
    std::string error;
    EXPECT_FALSE(ZCIDRBlock::Parse(nullptr, nullptr, &error));
    EXPECT_FALSE(ZCIDRBlock::Parse("10.0.0.0/15", nullptr, nullptr));
}

TEST(CIDRBlock, LongHostileTextIsCutInTheMessage) {
    const std::string text(5000, '9');
    std::string error;
    EXPECT_FALSE(ZCIDRBlock::Parse(text.c_str(), nullptr, &error));
    EXPECT_LT(error.size(), 200u);
}

TEST(CIDRBlock, ContainsOnlyItsOwnAddresses) {
    ZCIDRBlock block;
    ASSERT_TRUE(ZCIDRBlock::Parse("10.20.0.0/22", &block, nullptr));
    EXPECT_TRUE(block.Contains(zplat::InetAddr("10.20.0.0")));
    EXPECT_TRUE(block.Contains(zplat::InetAddr("10.20.3.255")));
    EXPECT_FALSE(block.Contains(zplat::InetAddr("10.20.4.0")));
    EXPECT_FALSE(block.Contains(zplat::InetAddr("10.19.255.255")));
}

}  // namespace
