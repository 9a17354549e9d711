#include "net/system_network_config.h"

#include <gtest/gtest.h>

#include <cstring>

#include "net/wmi_config2.h"
#include "platform/network/inet.h"
#include "platform/network/wmi.h"

namespace {

zplat::WmiObject Configuration(bool enabled, std::vector<std::string> addresses,
                               std::vector<std::string> subnets) {
    zplat::WmiObject o;
    o.Set("IPEnabled", zplat::WmiValue::Bool(enabled));
    o.Set("IPAddress", addresses.empty() ? zplat::WmiValue::Null()
                                         : zplat::WmiValue::Strings(std::move(addresses)));
    o.Set("IPSubnet",
          subnets.empty() ? zplat::WmiValue::Null() : zplat::WmiValue::Strings(std::move(subnets)));
    return o;
}

class SystemNetworkConfigTest : public ::testing::Test {
protected:
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider use_{wmi_};

    void SetConfigurations(std::vector<zplat::WmiObject> objects) {
        wmi_->classes["Win32_NetworkAdapterConfiguration"] = std::move(objects);
    }
};

TEST_F(SystemNetworkConfigTest, FirstListedIpEnabledAdapterWins) {
    SetConfigurations({Configuration(false, {"192.168.9.9"}, {"255.255.255.0"}),
                       Configuration(true, {"10.0.0.5", "10.0.0.6"}, {"255.0.0.0", "255.255.0.0"}),
                       Configuration(true, {"172.16.0.1"}, {"255.255.0.0"})});
    ZSystemNetworkConfig config;
    EXPECT_TRUE(config.Load());
    EXPECT_TRUE(config.IsLoaded());
    EXPECT_STREQ(config.GetPrimaryAddressText(), "10.0.0.5");
    EXPECT_STREQ(config.GetPrimaryMaskText(), "255.0.0.0");
    EXPECT_EQ(config.GetPrimaryAddress(), zplat::InetAddr("10.0.0.5"));
    EXPECT_EQ(config.GetPrimaryMask(), zplat::InetAddr("255.0.0.0"));
    EXPECT_GT(std::strlen(config.GetComputerName()), 0u);
}

TEST_F(SystemNetworkConfigTest, WithoutComTheComputerNameIsStillReadAndTheAddressKept) {
    SetConfigurations({Configuration(true, {"192.168.0.7"}, {"255.255.255.0"})});
    ZSystemNetworkConfig config;
    ASSERT_TRUE(config.Load());
    wmi_->comResult = zplat::E_FAIL;
    EXPECT_FALSE(config.Load());
    EXPECT_GT(std::strlen(config.GetComputerName()), 0u);
    EXPECT_STREQ(config.GetPrimaryAddressText(), "192.168.0.7");
    wmi_->comResult = zplat::S_OK;
    wmi_->connectResult = zplat::E_FAIL;
    EXPECT_FALSE(config.Load());
    EXPECT_STREQ(config.GetPrimaryAddressText(), "192.168.0.7");
}

TEST_F(SystemNetworkConfigTest, NoAddressGivesEmptyTexts) {
    SetConfigurations({Configuration(true, {"192.168.0.7"}, {"255.255.255.0"})});
    ZSystemNetworkConfig config;
    ASSERT_TRUE(config.Load());
    SetConfigurations({Configuration(true, {}, {}), Configuration(false, {"1.2.3.4"}, {})});
    EXPECT_FALSE(config.Load());
    EXPECT_STREQ(config.GetPrimaryAddressText(), "");
    EXPECT_EQ(config.GetPrimaryAddress(), zplat::INADDR_NONE_VALUE);
}

TEST_F(SystemNetworkConfigTest, AddressWithoutSubnetGetsAnEmptyMask) {
    SetConfigurations({Configuration(true, {"10.1.1.1"}, {})});
    ZSystemNetworkConfig config;
    EXPECT_TRUE(config.Load());
    EXPECT_STREQ(config.GetPrimaryAddressText(), "10.1.1.1");
    EXPECT_STREQ(config.GetPrimaryMaskText(), "");
}

TEST_F(SystemNetworkConfigTest, ReaderKeepsWithinItsSixteenEntries) {
    std::vector<zplat::WmiObject> many;
    for (int i = 0; i < 20; ++i) {
        many.push_back(Configuration(true, {"10.0.0." + std::to_string(i + 1)}, {"255.0.0.0"}));
    }
    many.push_back(Configuration(true, {std::string(40, '9')}, {}));
    SetConfigurations(many);
    ZWMIConfig2 reader;
    EXPECT_FALSE(reader.GetAddresses(nullptr, nullptr, nullptr));  // not connected
    ASSERT_TRUE(reader.InitializeCOM());
    EXPECT_FALSE(reader.InitializeCOM());  // already prepared
    ASSERT_TRUE(reader.Connect());
    char** addresses = nullptr;
    char** masks = nullptr;
    int32_t count = 0;
    ASSERT_TRUE(reader.GetAddresses(&addresses, &masks, &count));
    EXPECT_EQ(count, 16);
    EXPECT_STREQ(addresses[15], "10.0.0.16");
    for (int i = 0; i < count; ++i) {
        delete[] addresses[i];
        delete[] masks[i];
    }
    delete[] addresses;
    delete[] masks;
    EXPECT_TRUE(reader.Disconnect());
    EXPECT_FALSE(reader.Disconnect());
    EXPECT_TRUE(reader.UninitializeCOM());
    EXPECT_FALSE(reader.UninitializeCOM());
}

}  // namespace
