#include "net/network_adapter_reg_conf.h"

#include <gtest/gtest.h>

#include "platform/registry/registry.h"

namespace {

using zplat::RegValue;

const char* kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\";
const char* kInterfaces = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";

class RegConfTest : public ::testing::Test {
protected:
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> reg_ = std::make_shared<zplat::MemoryRegistry>();

    void SetUp() override { zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", reg_); }

    // An adapter whose IpConfig points at its interface key, with both static and lease values.
    void AddAdapter(const std::string& name, bool dhcp) {
        reg_->SetValue(kAdapters + name, "IpConfig",
                       RegValue::MultiSz({"Tcpip\\Parameters\\Interfaces\\" + name}));
        const std::string key = kInterfaces + name;
        reg_->SetValue(key, "EnableDHCP", RegValue::Dword(dhcp ? 1 : 0));
        reg_->SetValue(key, "IPAddress", RegValue::MultiSz({"10.0.0.1", "10.0.0.2"}));
        reg_->SetValue(key, "SubnetMask", RegValue::MultiSz({"255.0.0.0", "255.255.0.0"}));
        reg_->SetValue(key, "DefaultGateway", RegValue::MultiSz({"10.0.0.254"}));
        reg_->SetValue(key, "NameServer", RegValue::Sz("10.0.0.53,10.0.0.54"));
        reg_->SetValue(key, "DhcpIPAddress", RegValue::Sz("192.168.5.20"));
        reg_->SetValue(key, "DhcpSubnetMask", RegValue::Sz("255.255.255.0"));
        reg_->SetValue(key, "DhcpNameServer", RegValue::Sz("192.168.5.1"));
        reg_->SetValue(key, "DhcpDefaultGateway", RegValue::MultiSz({"192.168.5.1"}));
        reg_->SetValue(key, "NTEContextList", RegValue::MultiSz({"0x0000000A", "0x0000000B"}));
    }
};

TEST_F(RegConfTest, MultiStringBecomesACommaList) {
    ZNetworkAdapterRegConf conf("x");
    EXPECT_STREQ(conf.MultiSzToList("10.0.0.1\0"
                                    "10.0.0.2\0")
                     .GetString(),
                 "10.0.0.1,10.0.0.2");
    EXPECT_STREQ(conf.MultiSzToList("one\0").GetString(), "one");
    EXPECT_STREQ(conf.MultiSzToList("\0").GetString(), "");
    EXPECT_STREQ(conf.MultiSzToList(nullptr).GetString(), "");
}

TEST_F(RegConfTest, DhcpValuesOrStaticValues) {
    AddAdapter("{GUID-1}", true);
    {
        SCOPED_TRACE("ReadSettings(true) on a DHCP adapter reads the lease");
        ZNetworkAdapterRegConf conf("{guid-1}");  // the adapter key's name, in any case
        ASSERT_EQ(conf.ReadSettings(true), 1);
        EXPECT_TRUE(conf.IsDhcpEnabled());
        EXPECT_STREQ(conf.GetAddresses(), "192.168.5.20");
        EXPECT_STREQ(conf.GetMasks(), "255.255.255.0");
        EXPECT_STREQ(conf.GetNameServers(), "192.168.5.1");
        EXPECT_STREQ(conf.GetGateways(), "192.168.5.1");
        EXPECT_STREQ(conf.GetContexts(), "0x0000000A");
    }
    {
        SCOPED_TRACE("ReadSettings(false) on the same adapter reads the static values");
        ZNetworkAdapterRegConf conf("{GUID-1}");
        ASSERT_EQ(conf.ReadSettings(false), 1);
        EXPECT_TRUE(conf.IsDhcpEnabled());
        EXPECT_STREQ(conf.GetAddresses(), "10.0.0.1,10.0.0.2");
        EXPECT_STREQ(conf.GetMasks(), "255.0.0.0,255.255.0.0");
        EXPECT_STREQ(conf.GetNameServers(), "10.0.0.53,10.0.0.54");
        EXPECT_STREQ(conf.GetGateways(), "10.0.0.254");
    }
}

TEST_F(RegConfTest, StaticAdapterReadsStaticValuesEitherWay) {
    AddAdapter("eth0", false);
    ZNetworkAdapterRegConf conf("eth0");
    ASSERT_EQ(conf.ReadSettings(true), 1);
    EXPECT_FALSE(conf.IsDhcpEnabled());
    EXPECT_STREQ(conf.GetAddresses(), "10.0.0.1,10.0.0.2");
}

TEST_F(RegConfTest, MissingKeysAndValues) {
    {
        SCOPED_TRACE("no name");
        ZNetworkAdapterRegConf conf("");
        EXPECT_EQ(conf.ReadSettings(true), 0);
    }
    {
        SCOPED_TRACE("no adapter key");
        ZNetworkAdapterRegConf conf("eth9");
        EXPECT_EQ(conf.ReadSettings(true), 0);
    }
    {
        SCOPED_TRACE("adapter key without IpConfig");
        reg_->CreateKey(std::string(kAdapters) + "eth8");
        ZNetworkAdapterRegConf conf("eth8");
        EXPECT_EQ(conf.ReadSettings(true), 0);
    }
    {
        SCOPED_TRACE("IpConfig pointing nowhere: located, nothing read");
        reg_->SetValue(std::string(kAdapters) + "eth7", "IpConfig",
                       RegValue::MultiSz({"Tcpip\\Parameters\\Interfaces\\gone,extra"}));
        ZNetworkAdapterRegConf conf("eth7");
        EXPECT_EQ(conf.ReadSettings(true), 1);
        EXPECT_STREQ(conf.GetAddresses(), "");
    }
    {
        SCOPED_TRACE("interface key without EnableDHCP: nothing else read");
        AddAdapter("eth6", false);
        auto key = std::string(kInterfaces) + "eth6";
        reg_->DeleteKey(key);
        reg_->SetValue(key, "IPAddress", RegValue::MultiSz({"10.6.6.6"}));
        ZNetworkAdapterRegConf conf("eth6");
        EXPECT_EQ(conf.ReadSettings(true), 1);
        EXPECT_STREQ(conf.GetAddresses(), "");
    }
    {
        SCOPED_TRACE("a multi-string stored without its terminators is read within its bytes");
        AddAdapter("eth5", false);
        RegValue cut = RegValue::Binary({'1', '.', '2', '.', '3', '.', '4'}, zplat::REG_MULTI_SZ);
        reg_->SetValue(std::string(kInterfaces) + "eth5", "IPAddress", cut);
        ZNetworkAdapterRegConf conf("eth5");
        EXPECT_EQ(conf.ReadSettings(false), 1);
        EXPECT_STREQ(conf.GetAddresses(), "1.2.3.4");
    }
}

}  // namespace
