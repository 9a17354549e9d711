#include "ndd/network_device.h"

#include <gtest/gtest.h>

#include <thread>

#include "ndd/ndd_return_data.h"
#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Address;

TEST(NetworkDeviceTest, KeepsTheAnswerFieldsAndReadsAbsentTextsAsEmpty) {
    ZNetworkDevice d("zelvane.cuedeck", 4300, 7, "Booth 2", nullptr, "6.4.2", "<unit/>", nullptr);
    d.SetUserData(0xABCD);
    EXPECT_STREQ(d.GetServiceName(), "zelvane.cuedeck");
    EXPECT_EQ(d.GetPort(), 4300);
    EXPECT_EQ(d.GetAuxValue(), 7);
    EXPECT_STREQ(d.GetDeviceName(), "Booth 2");
    EXPECT_STREQ(d.GetModel(), "");
    EXPECT_STREQ(d.GetVersion(), "6.4.2");
    EXPECT_STREQ(d.GetInfo(), "<unit/>");
    EXPECT_STREQ(d.GetExtraText(), "");
    EXPECT_EQ(d.GetUserData(), 0xABCDu);
    EXPECT_EQ(d.GetAddressCount(), 0u);
    EXPECT_EQ(d.GetAddress(0), nullptr);
    // The local address exists before it is set; its texts are empty.
    ASSERT_NE(d.GetLocalAddress(), nullptr);
    EXPECT_STREQ(d.GetLocalAddress()->GetAddressText(), "");

    ZNetworkDevice none(nullptr, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(none.GetServiceName(), "");
    EXPECT_STREQ(none.GetInfo(), "");
}

TEST(NetworkDeviceTest, TextsAreCopies) {
    char name[] = "Booth 2";
    ZNetworkDevice d("svc", 1, 0, name, "", "", "", "");
    name[0] = 'X';
    EXPECT_STREQ(d.GetDeviceName(), "Booth 2");
}

TEST(NetworkDeviceTest, AddressesLocalAddressAndLookups) {
    ZNetworkDevice d("svc", 1, 0, "", "", "", "", "");
    ASSERT_TRUE(d.AddAddress(Address(192, 168, 1, 50), Address(255, 255, 255, 0), 5));
    d.SetLocalAddress(Address(192, 168, 1, 20), Address(255, 255, 255, 0));

    ASSERT_EQ(d.GetAddressCount(), 1u);
    IIPAddress* a = d.GetAddress(0);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->GetAddressText(), "192.168.1.50");
    EXPECT_STREQ(a->GetBroadcastText(), "192.168.1.255");
    EXPECT_EQ(a->GetIndex(), 5);
    EXPECT_EQ(d.GetAddress(1), nullptr);
    EXPECT_STREQ(d.GetLocalAddress()->GetAddressText(), "192.168.1.20");

    EXPECT_EQ(d.FindAddress("192.168.1.50"), a);
    EXPECT_EQ(d.FindAddress(Address(192, 168, 1, 50)), a);
    EXPECT_EQ(d.FindAddress("192.168.1.5"), nullptr);
    EXPECT_EQ(d.FindAddress(static_cast<const char*>(nullptr)), nullptr);

    EXPECT_EQ(d.FindAddressInSubnet(Address(192, 168, 1, 7), Address(255, 255, 255, 0)), a);
    EXPECT_EQ(d.FindAddressInSubnet(Address(192, 168, 2, 7), Address(255, 255, 255, 0)), nullptr);
    EXPECT_STREQ(d.AddressToText(Address(10, 0, 0, 1)), "10.0.0.1");

    // The same address under a wider mask is in another subnet by broadcast address.
    ZNetworkDevice wide("svc", 1, 0, "", "", "", "", "");
    wide.AddAddress(Address(192, 168, 1, 50), Address(255, 255, 0, 0), 0);
    EXPECT_EQ(wide.FindAddressInSubnet(Address(192, 168, 1, 7), Address(255, 255, 255, 0)),
              nullptr);
}

TEST(NetworkDeviceTest, HoldsAtMost32Addresses) {
    ZNetworkDevice d("svc", 1, 0, "", "", "", "", "");
    for (uint8_t i = 0; i < 32; ++i) {
        ASSERT_TRUE(d.AddAddress(Address(10, 0, 0, i), Address(255, 0, 0, 0), i));
    }
    EXPECT_FALSE(d.AddAddress(Address(10, 0, 0, 99), Address(255, 0, 0, 0), 99));
    EXPECT_EQ(d.GetAddressCount(), 32u);
    EXPECT_STREQ(d.GetAddress(31)->GetAddressText(), "10.0.0.31");
    EXPECT_EQ(d.FindAddress("10.0.0.99"), nullptr);
}

TEST(NetworkDeviceTest, AListOwnsNoRecordUntilDeleteAll) {
    LNetworkDeviceList list(true);
    list.AddTail(new ZNetworkDevice("a", 1, 0, "", "", "", "", ""));
    list.AddTail(new ZNetworkDevice("b", 2, 0, "", "", "", "", ""));
    EXPECT_EQ(list.GetCount(), 2);
    list.DeleteAll();  // ASan reports a leak if a record survives
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(NDDReturnDataTest, CopiesItsTextsWithinTheirBounds) {
    int16_t result = 0;
    const std::string longTarget(300, '1');
    const std::string longType(400, 'z');
    ZNDDReturnData r(&result, longTarget.c_str(), longType.c_str(), 4300);
    EXPECT_EQ(std::string(r.GetTarget()), longTarget.substr(0, 127));
    EXPECT_EQ(std::string(r.GetServiceType()), longType.substr(0, 255));
    EXPECT_EQ(r.GetPortFilter(), 4300);
    EXPECT_EQ(r.GetDevice(), nullptr);
    EXPECT_FALSE(r.IsSignalled());
    r.SetResult(2047);
    EXPECT_EQ(result, 2047);

    ZNDDReturnData empty(nullptr, nullptr, nullptr, 0);
    EXPECT_STREQ(empty.GetTarget(), "");
    EXPECT_STREQ(empty.GetServiceType(), "");
    empty.SetResult(1);  // no slot: nothing written
}

TEST(NDDReturnDataTest, SignalWakesAWaiter) {
    ZNDDReturnData r(nullptr, "192.168.1.50", "zelvane.*", 0);
    EXPECT_FALSE(r.Wait(0));
    ZNetworkDevice device("zelvane.x", 1, 0, "", "", "", "", "");
    std::thread answer([&] {
        r.SetDevice(&device);
        r.Signal();
    });
    EXPECT_TRUE(r.Wait(5000));
    answer.join();
    EXPECT_EQ(r.GetDevice(), &device);
    EXPECT_TRUE(r.Wait(0));  // manual reset: stays signalled
}

}  // namespace
