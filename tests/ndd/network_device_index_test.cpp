// The index of stored devices by the identity the user agent matches answers on (address 0 and
// mask texts, service name, port): found, not found, removed, duplicates and many devices.

#include "ndd/network_device_index.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ndd/network_device.h"
#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Address;

std::unique_ptr<ZNetworkDevice> MakeDevice(const char* service, uint32_t address, uint32_t mask,
                                           uint16_t port) {
    auto d = std::make_unique<ZNetworkDevice>(service, port, 0, "Booth", "Cuedeck", "1.0", "", "");
    d->AddAddress(address, mask, 0);
    d->SetLocalAddress(Address(10, 99, 0, 1), Address(255, 255, 255, 0));
    return d;
}

// Device i of a large set: its own address in 10.200.0.0/16.
std::unique_ptr<ZNetworkDevice> NumberedDevice(uint32_t i, uint16_t port = 4300) {
    return MakeDevice(
        "zelvane.cuedeck",
        Address(10, 200, static_cast<uint8_t>(i / 250), static_cast<uint8_t>(i % 250 + 1)),
        Address(255, 255, 0, 0), port);
}

TEST(NetworkDeviceIndex, FindsOnlyTheSameIdentity) {
    const uint32_t a = Address(10, 0, 0, 9), m = Address(255, 0, 0, 0);
    auto stored = MakeDevice("zelvane.cuedeck", a, m, 4300);
    ZNetworkDeviceIndex index;
    ASSERT_TRUE(index.Add(stored.get()));

    struct Case {
        const char* what;
        std::unique_ptr<ZNetworkDevice> answer;
        bool found;
    } cases[] = {
        {"same identity, another record", MakeDevice("zelvane.cuedeck", a, m, 4300), true},
        {"another port", MakeDevice("zelvane.cuedeck", a, m, 4301), false},
        {"another mask", MakeDevice("zelvane.cuedeck", a, Address(255, 255, 0, 0), 4300), false},
        {"another service", MakeDevice("zelvane.cuedeck2", a, m, 4300), false},
        {"service differs in case", MakeDevice("Zelvane.cuedeck", a, m, 4300), false},
        {"another address", MakeDevice("zelvane.cuedeck", Address(10, 0, 0, 8), m, 4300), false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(index.Find(c.answer.get()), c.found ? stored.get() : nullptr);
        EXPECT_EQ(ZNetworkDeviceIndex::IsSameDevice(c.answer.get(), stored.get()), c.found);
    }

    // Other texts, the local address and the user data take no part.
    auto renamed = std::make_unique<ZNetworkDevice>("zelvane.cuedeck", 4300, 7, "Renamed", "", "",
                                                    "<x/>", "extra");
    renamed->SetUserData(99);
    renamed->AddAddress(a, m, 3);
    EXPECT_EQ(index.Find(renamed.get()), stored.get());
    // A stored device keeps being found after its local address changed.
    stored->SetLocalAddress(Address(192, 168, 1, 20), Address(255, 255, 255, 0));
    EXPECT_EQ(index.Find(renamed.get()), stored.get());
}

TEST(NetworkDeviceIndex, DevicesWithoutAddressHaveNoIdentity) {
    ZNetworkDeviceIndex index;
    ZNetworkDevice bare("zelvane.cuedeck", 4300, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(index.Add(&bare));
    EXPECT_FALSE(index.Add(nullptr));
    EXPECT_EQ(index.Find(&bare), nullptr);
    EXPECT_EQ(index.Find(nullptr), nullptr);
    EXPECT_FALSE(index.Remove(&bare));
    EXPECT_EQ(index.GetCount(), 0u);
    EXPECT_FALSE(ZNetworkDeviceIndex::IsSameDevice(&bare, &bare));
}

TEST(NetworkDeviceIndex, FirstDeviceOfAnIdentityStays) {
    auto first = NumberedDevice(1);
    auto second = NumberedDevice(1);
    ZNetworkDeviceIndex index;
    EXPECT_TRUE(index.Add(first.get()));
    EXPECT_FALSE(index.Add(second.get()));
    EXPECT_FALSE(index.Add(first.get()));
    EXPECT_EQ(index.GetCount(), 1u);
    EXPECT_EQ(index.Find(second.get()), first.get());
    // The second was never indexed: removing it changes nothing.
    EXPECT_FALSE(index.Remove(second.get()));
    EXPECT_EQ(index.Find(second.get()), first.get());
}

TEST(NetworkDeviceIndex, RemovedDevicesAreNotFound) {
    std::vector<std::unique_ptr<ZNetworkDevice>> devices;
    ZNetworkDeviceIndex index;
    for (uint32_t i = 0; i < 10; ++i) {
        devices.push_back(NumberedDevice(i));
        ASSERT_TRUE(index.Add(devices.back().get()));
    }
    EXPECT_TRUE(index.Remove(devices[3].get()));
    EXPECT_FALSE(index.Remove(devices[3].get()));
    EXPECT_EQ(index.GetCount(), 9u);
    auto answer3 = NumberedDevice(3);
    EXPECT_EQ(index.Find(answer3.get()), nullptr);
    for (uint32_t i = 0; i < 10; ++i) {
        if (i != 3) {
            auto answer = NumberedDevice(i);
            EXPECT_EQ(index.Find(answer.get()), devices[i].get()) << i;
        }
    }
    // Indexed again after its removal.
    EXPECT_TRUE(index.Add(devices[3].get()));
    EXPECT_EQ(index.Find(answer3.get()), devices[3].get());

    index.Clear();
    EXPECT_EQ(index.GetCount(), 0u);
    EXPECT_EQ(index.Find(answer3.get()), nullptr);
}

TEST(NetworkDeviceIndex, ManyDevices) {
    // Twenty thousand identities: ten thousand addresses on two ports each.
    constexpr uint32_t kCount = 10000;
    std::vector<std::unique_ptr<ZNetworkDevice>> devices;
    ZNetworkDeviceIndex index;
    for (uint32_t i = 0; i < kCount; ++i) {
        for (uint16_t port : {4300, 4301}) {
            devices.push_back(NumberedDevice(i, port));
            ASSERT_TRUE(index.Add(devices.back().get())) << i;
        }
    }
    EXPECT_EQ(index.GetCount(), 2 * kCount);
    for (uint32_t i = 0; i < kCount; ++i) {
        auto answer = NumberedDevice(i, 4301);
        ASSERT_EQ(index.Find(answer.get()), devices[2 * i + 1].get()) << i;
    }
    // Unknown ones: a port nobody uses, an address outside the set.
    auto otherPort = NumberedDevice(17, 4302);
    auto otherAddress = NumberedDevice(kCount + 1);
    EXPECT_EQ(index.Find(otherPort.get()), nullptr);
    EXPECT_EQ(index.Find(otherAddress.get()), nullptr);
    // Removing every other one leaves exactly the rest.
    for (uint32_t i = 0; i < devices.size(); i += 2) {
        ASSERT_TRUE(index.Remove(devices[i].get()));
    }
    EXPECT_EQ(index.GetCount(), kCount);
    for (uint32_t i = 0; i < devices.size(); ++i) {
        ASSERT_EQ(index.Find(devices[i].get()), i % 2 == 0 ? nullptr : devices[i].get()) << i;
    }
}

}  // namespace
