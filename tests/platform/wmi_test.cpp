#include "platform/network/wmi.h"

#include <gtest/gtest.h>

#include "platform/network/fake_ip_helper.h"
#include "platform/registry/system_registry.h"

namespace {

using namespace zplat;

AdapterInfo Adapter(uint32_t index, const char* name, uint32_t type, const char* address) {
    AdapterInfo a;
    a.index = index;
    a.adapterName = name;
    a.description = name;
    a.type = type;
    a.addressLength = 6;
    a.address[0] = 0x02;
    a.address[5] = static_cast<uint8_t>(index);
    a.ipAddressList.push_back({address, "255.255.255.0", 0});
    return a;
}

TEST(WmiTest, QueriesNeedTheSelectAllForm) {
    auto fake = std::make_shared<FakeWmi>();
    WmiObject o;
    o.Set("Index", WmiValue::UInt(4));
    fake->classes["Win32_NetworkAdapter"] = {o};
    ScopedWmiProvider use(fake);

    std::shared_ptr<WbemServices> services;
    ASSERT_EQ(ConnectServer("\\\\.\\root\\cimv2", &services), S_OK);
    std::vector<WmiObject> objects;
    EXPECT_EQ(services->ExecQuery("select  *  from win32_networkadapter", &objects), S_OK);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].Get("index").uintValue, 4u);
    EXPECT_EQ(objects[0].Get("Missing").kind, WmiValue::Kind::Empty);
    EXPECT_EQ(services->ExecQuery("SELECT Index FROM Win32_NetworkAdapter", &objects),
              WBEM_E_INVALID_QUERY);
    EXPECT_EQ(services->ExecQuery("SELECT * FROM Win32_Nothing", &objects), WBEM_E_INVALID_CLASS);
    EXPECT_EQ(ConnectServer("root\\default", &services), WBEM_E_INVALID_NAMESPACE);

    fake->comResult = E_FAIL;
    EXPECT_EQ(CoInitialize(), E_FAIL);
    fake->connectResult = E_FAIL;
    EXPECT_EQ(ConnectServer("\\\\.\\root\\cimv2", &services), E_FAIL);
    EXPECT_EQ(services, nullptr);
}

TEST(WmiTest, AdapterObjectsLinkToTheirPciDevice) {
    std::vector<AdapterInfo> adapters = {Adapter(1, "lo", MIB_IF_TYPE_LOOPBACK, "127.0.0.1"),
                                         Adapter(2, "eth0", MIB_IF_TYPE_ETHERNET, "10.0.0.1"),
                                         Adapter(3, "wlan0", IF_TYPE_IEEE80211, "10.0.1.1"),
                                         Adapter(4, "veth0", MIB_IF_TYPE_ETHERNET, "10.0.2.1")};
    PciDeviceRecord nic;
    nic.slot = "0000:02:00.0";
    nic.bus = 2;
    nic.classCode = 0x020000;
    nic.interfaces = {"eth0"};
    auto objects = WmiNetworkAdapters(adapters, {nic});
    ASSERT_EQ(objects.size(), 3u);  // no loopback object
    EXPECT_EQ(objects[0].Get("Index").uintValue, 2u);
    EXPECT_EQ(objects[0].Get("InterfaceIndex").uintValue, 2u);
    EXPECT_EQ(objects[0].Get("GUID").text, "eth0");
    EXPECT_EQ(objects[0].Get("PNPDeviceID").text, PciPnpDeviceId(nic));
    EXPECT_EQ(objects[0].Get("MACAddress").text, "02:00:00:00:00:02");
    EXPECT_EQ(objects[0].Get("AdapterTypeID").uintValue, 0u);
    EXPECT_EQ(objects[1].Get("AdapterTypeID").uintValue, 9u);
    EXPECT_EQ(objects[2].Get("PNPDeviceID").text.rfind("ROOT\\NET\\", 0), 0u);
}

TEST(WmiTest, ConfigurationsListAddressesOfIpEnabledAdapters) {
    std::vector<AdapterInfo> adapters = {Adapter(2, "eth0", MIB_IF_TYPE_ETHERNET, "10.0.0.5"),
                                         Adapter(3, "eth1", MIB_IF_TYPE_ETHERNET, "0.0.0.0")};
    adapters[0].ipAddressList.push_back({"10.0.0.6", "255.255.0.0", 0});
    auto objects = WmiAdapterConfigurations(adapters, {{2, {"10.0.0.53"}}});
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_TRUE(objects[0].Get("IPEnabled").boolValue);
    EXPECT_EQ(objects[0].Get("IPAddress").strings,
              (std::vector<std::string>{"10.0.0.5", "10.0.0.6"}));
    EXPECT_EQ(objects[0].Get("IPSubnet").strings,
              (std::vector<std::string>{"255.255.255.0", "255.255.0.0"}));
    EXPECT_EQ(objects[0].Get("DNSServerSearchOrder").strings,
              std::vector<std::string>{"10.0.0.53"});
    EXPECT_FALSE(objects[1].Get("IPEnabled").boolValue);
    EXPECT_EQ(objects[1].Get("IPAddress").kind, WmiValue::Kind::Null);
}

}  // namespace
