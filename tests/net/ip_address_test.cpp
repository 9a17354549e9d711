#include "net/ip_address.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The network-order value of a.b.c.d: the octets in memory order, on any host.
uint32_t Octets(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

TEST(DottedAddressTest, ParsesAsTheClassicParserDoes) {
    struct Case {
        const char* text;
        uint32_t expected;
    } cases[] = {
        {"192.168.1.20", Octets(192, 168, 1, 20)},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"10.1.2.3 ", Octets(10, 1, 2, 3)},             // trailing blank ends the text
        {"10.1.2.3\tx", Octets(10, 1, 2, 3)},           // ... and whatever follows it
        {"127.1", Octets(127, 0, 0, 1)},                // a.b: b fills 24 bits
        {"10.1.515", Octets(10, 1, 2, 3)},              // a.b.c: c fills 16 bits
        {"3232235796", Octets(192, 168, 1, 20)},        // a: all 32 bits
        {"0xC0.0250.1.0x14", Octets(192, 168, 1, 20)},  // hex and octal parts
        {"0", 0},
        {"", 0xFFFFFFFFu},
        {"1.2.3.256", 0xFFFFFFFFu},
        {"1.2.3.4.5", 0xFFFFFFFFu},
        {"1..3.4", 0xFFFFFFFFu},
        {"1.2.3.", 0xFFFFFFFFu},
        {".1.2.3", 0xFFFFFFFFu},
        {" 1.2.3.4", 0xFFFFFFFFu},
        {"1.2.3.4x", 0xFFFFFFFFu},
        {"08.1.1.1", 0xFFFFFFFFu},  // 8 is no octal digit
        {"0x", 0xFFFFFFFFu},
        {"-1.2.3.4", 0xFFFFFFFFu},
        {"4294967296", 0xFFFFFFFFu},
        {"1.16777216", 0xFFFFFFFFu},
        {"99999999999999999999999", 0xFFFFFFFFu},
        {"host.example", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDottedAddress(c.text), c.expected);
    }
    EXPECT_EQ(ParseDottedAddress(nullptr), 0xFFFFFFFFu);
}

TEST(DottedAddressTest, FormatsOctetsInMemoryOrder) {
    EXPECT_STREQ(FormatDottedAddress(Octets(192, 168, 1, 20)), "192.168.1.20");
    EXPECT_STREQ(FormatDottedAddress(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_STREQ(FormatDottedAddress(0), "0.0.0.0");
    // Every octet value in every position, one, two and three digits, against the decimal text.
    for (int v = 0; v < 256; ++v) {
        const uint8_t o = static_cast<uint8_t>(v);
        const std::string d = std::to_string(v);
        SCOPED_TRACE(v);
        EXPECT_EQ(FormatDottedAddress(Octets(o, 1, 20, 255)), d + ".1.20.255");
        EXPECT_EQ(FormatDottedAddress(Octets(7, o, 0, 99)), "7." + d + ".0.99");
        EXPECT_EQ(FormatDottedAddress(Octets(100, 10, o, 0)), "100.10." + d + ".0");
        EXPECT_EQ(FormatDottedAddress(Octets(0, 255, 9, o)), "0.255.9." + d);
    }
}

TEST(DottedAddressTest, BroadcastOfNetworkOrderValues) {
    EXPECT_EQ(BroadcastOf(Octets(192, 168, 1, 20), Octets(255, 255, 255, 0)),
              Octets(192, 168, 1, 255));
    EXPECT_EQ(BroadcastOf(Octets(10, 1, 2, 3), Octets(255, 0, 0, 0)), Octets(10, 255, 255, 255));
    EXPECT_EQ(BroadcastOf(Octets(10, 1, 2, 3), 0), 0xFFFFFFFFu);
    EXPECT_EQ(BroadcastOf(Octets(172, 16, 5, 9), Octets(255, 255, 240, 0)),
              Octets(172, 16, 15, 255));
}

TEST(DottedAddressTest, DefaultMaskOfByFirstOctet) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"0.0.0.0", nullptr},           {"127.0.0.1", "255.0.0.0"},
        {"10.0.0.1", "255.0.0.0"},      {"0.0.0.1", "255.0.0.0"},
        {"128.0.0.1", "255.255.0.0"},   {"172.16.0.1", "255.255.0.0"},
        {"191.255.0.1", "255.255.0.0"}, {"192.168.1.1", "255.255.255.0"},
        {"224.0.0.1", "255.255.255.0"}, {"not an address", "255.255.255.0"},
        {"", "255.255.255.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(DefaultMaskOf(c.text), c.expected);
    }
    EXPECT_EQ(DefaultMaskOf(nullptr), nullptr);
}

TEST(IPAddressTest, SetDerivesTheBroadcastText) {
    struct Case {
        const char* address;
        const char* mask;
        const char* broadcast;
    } cases[] = {
        {"192.168.1.20", "255.255.255.0", "192.168.1.255"},
        {"10.1.2.3", "255.0.0.0", "10.255.255.255"},
        {"10.1.2.3", "0.0.0.0", "255.255.255.255"},
        {"10.1.2.3", nullptr, ""},
        {nullptr, "255.0.0.0", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.broadcast);
        ZIPAddress a;
        a.Set(c.address, c.mask, 3);
        EXPECT_STREQ(a.GetAddressText(), c.address ? c.address : "");
        EXPECT_STREQ(a.GetMaskText(), c.mask ? c.mask : "");
        EXPECT_STREQ(a.GetBroadcastText(), c.broadcast);
        EXPECT_EQ(a.GetContext(), 3);
    }
}

TEST(IPAddressTest, NumericFormAndGetters) {
    ZIPAddress a;
    a.SetNumeric(Octets(172, 16, 5, 9), Octets(255, 255, 0, 0), 0);
    EXPECT_STREQ(a.GetAddressText(), "172.16.5.9");
    EXPECT_STREQ(a.GetMaskText(), "255.255.0.0");
    EXPECT_STREQ(a.GetBroadcastText(), "172.16.255.255");
    EXPECT_EQ(a.GetAddress(), Octets(172, 16, 5, 9));
    EXPECT_EQ(a.GetMask(), Octets(255, 255, 0, 0));
    EXPECT_EQ(a.GetBroadcast(), Octets(172, 16, 255, 255));

    ZIPAddress empty;  // empty texts give what the parser gives for them
    EXPECT_STREQ(empty.GetAddressText(), "");
    EXPECT_STREQ(empty.GetBroadcastText(), "");
    EXPECT_EQ(empty.GetAddress(), 0xFFFFFFFFu);
    EXPECT_EQ(empty.GetIndex(), 0);
}

TEST(IPAddressTest, EqualityIgnoresIndexContextAndBroadcast) {
    ZIPAddress a;
    ZIPAddress b;
    a.Set("192.168.1.50", "255.255.255.0", 1);
    a.SetIndex(4);
    b.Set("192.168.1.50", "255.255.255.0", 2);
    b.SetIndex(9);
    EXPECT_TRUE(a.IsEqual(&b));
    EXPECT_TRUE(a.IsEqual(static_cast<IIPAddress*>(&b)));
    EXPECT_TRUE(a.IsEqual(&a));

    b.Set("192.168.1.50", "255.255.0.0", 2);
    EXPECT_FALSE(a.IsEqual(&b));
    EXPECT_FALSE(a.IsEqual(static_cast<IIPAddress*>(&b)));

    ZIPAddress e1;
    ZIPAddress e2;
    e2.Set("", "", 0);  // empty texts with storage equal texts without
    EXPECT_TRUE(e1.IsEqual(&e2));
}

// Another implementation of the interface is never equal, whatever its texts.
class OtherAddress : public IIPAddress {
public:
    const char* GetAddressText() override { return "192.168.1.50"; }
    uint32_t GetAddress() override { return Octets(192, 168, 1, 50); }
    const char* GetMaskText() override { return "255.255.255.0"; }
    uint32_t GetMask() override { return Octets(255, 255, 255, 0); }
    const char* GetBroadcastText() override { return "192.168.1.255"; }
    uint32_t GetBroadcast() override { return Octets(192, 168, 1, 255); }
    bool IsEqual(IIPAddress*) override { return true; }
    int32_t GetIndex() override { return 0; }
};

TEST(IPAddressTest, IsEqualThroughTheInterfaceChecksTheType) {
    ZIPAddress a;
    a.Set("192.168.1.50", "255.255.255.0", 0);
    OtherAddress other;
    EXPECT_FALSE(a.IsEqual(&other));
    EXPECT_FALSE(a.IsEqual(static_cast<IIPAddress*>(nullptr)));
}

TEST(IPAddressTest, ClearAssignAndSetTreatTheIndexAsDocumented) {
    ZIPAddress a;
    a.Set("10.0.0.1", "255.0.0.0", 7);
    a.SetIndex(3);
    a.Set("10.0.0.2", "255.0.0.0", 8);  // Set keeps the index
    EXPECT_EQ(a.GetIndex(), 3);

    ZIPAddress b;
    b.SetIndex(11);
    b.Assign(&a);  // Assign takes the source's index and context
    EXPECT_EQ(b.GetIndex(), 3);
    EXPECT_EQ(b.GetContext(), 8);
    EXPECT_STREQ(b.GetBroadcastText(), "10.255.255.255");
    b.Assign(&b);
    EXPECT_STREQ(b.GetAddressText(), "10.0.0.2");

    a.Clear();
    EXPECT_STREQ(a.GetAddressText(), "");
    EXPECT_STREQ(a.GetBroadcastText(), "");
    EXPECT_EQ(a.GetIndex(), 0);
    EXPECT_EQ(a.GetContext(), 0);
}

TEST(IPAddressTest, SetFromItsOwnTexts) {
    ZIPAddress a;
    a.Set("10.1.2.3", "255.255.0.0", 0);
    a.Set(a.GetMaskText(), a.GetAddressText(), 0);  // swapped, each read from the object
    EXPECT_STREQ(a.GetAddressText(), "255.255.0.0");
    EXPECT_STREQ(a.GetMaskText(), "10.1.2.3");
}

}  // namespace
