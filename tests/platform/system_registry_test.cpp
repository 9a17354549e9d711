#include "platform/registry/system_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/network/fake_ip_helper.h"
#include "platform/network/net_snapshot_scope.h"

namespace {

using namespace zplat;

AdapterInfo Adapter(uint32_t index, const char* name, std::vector<IpAddrString> addresses,
                    bool dhcp = false) {
    AdapterInfo a;
    a.index = index;
    a.adapterName = name;
    a.description = std::string(name) + " adapter";
    a.type = MIB_IF_TYPE_ETHERNET;
    a.ipAddressList = std::move(addresses);
    a.dhcpEnabled = dhcp;
    return a;
}

PciDeviceRecord Pci(const char* slot, uint32_t bus, uint32_t device, uint32_t function,
                    uint32_t classCode, std::vector<std::string> interfaces = {}) {
    PciDeviceRecord d;
    d.slot = slot;
    d.bus = bus;
    d.device = device;
    d.function = function;
    d.vendorId = 0x8086;
    d.deviceId = 0x100E;
    d.subsystemVendorId = 0x8086;
    d.subsystemId = 0x001E;
    d.revision = 2;
    d.classCode = classCode;
    d.interfaces = std::move(interfaces);
    return d;
}

std::string Bytes(MemoryRegistry& reg, const std::string& path, const char* name,
                  uint32_t* type = nullptr) {
    RegKeyData key;
    if (!reg.Open(path, &key)) {
        return "<no key>";
    }
    for (const auto& v : key.values) {
        if (v.first == name) {
            if (type) {
                *type = v.second.type;
            }
            return std::string(v.second.data.begin(), v.second.data.end());
        }
    }
    return "<missing>";
}

const std::string kTcpip = "Services\\Tcpip\\Parameters\\";

TEST(SystemRegistryTest, StaticAdapterKeys) {
    SystemRecords records;
    records.adapters.push_back(
        Adapter(2, "eth0", {{"10.0.0.1", "255.0.0.0", 0x201}, {"10.0.0.2", "255.255.0.0", 0x202}}));
    records.adapters.back().gatewayList.push_back({"10.0.0.254", "255.255.255.255", 0});
    records.dns[2] = {"10.0.0.53", "10.0.0.54"};
    MemoryRegistry reg;
    BuildSystemRegistry(records, &reg);

    uint32_t type = 0;
    EXPECT_EQ(Bytes(reg, kTcpip + "Adapters\\eth0", "IpConfig", &type),
              std::string("Tcpip\\Parameters\\Interfaces\\eth0\0\0", 34));
    EXPECT_EQ(type, REG_MULTI_SZ);
    const std::string iface = kTcpip + "Interfaces\\eth0";
    EXPECT_EQ(Bytes(reg, iface, "EnableDHCP"), std::string("\0\0\0\0", 4));
    EXPECT_EQ(Bytes(reg, iface, "IPAddress"), std::string("10.0.0.1\0"
                                                          "10.0.0.2\0\0",
                                                          19));
    EXPECT_EQ(Bytes(reg, iface, "SubnetMask"), std::string("255.0.0.0\0"
                                                           "255.255.0.0\0\0",
                                                           23));
    EXPECT_EQ(Bytes(reg, iface, "DefaultGateway"), std::string("10.0.0.254\0\0", 12));
    EXPECT_EQ(Bytes(reg, iface, "NameServer"), std::string("10.0.0.53,10.0.0.54\0", 20));
    EXPECT_EQ(Bytes(reg, iface, "NTEContextList"), std::string("0x00000201\0"
                                                               "0x00000202\0\0",
                                                               23));
    EXPECT_EQ(Bytes(reg, iface, "DhcpIPAddress"), "<missing>");

    const std::string cls = std::string("Control\\Class\\") + kNetClassGuid + "\\0000";
    EXPECT_EQ(Bytes(reg, cls, "NetCfgInstanceId"), std::string("eth0\0", 5));
}

TEST(SystemRegistryTest, DhcpAdapterKeepsItsLeaseBesideTheDefaults) {
    SystemRecords records;
    records.adapters.push_back(Adapter(3, "wlan0", {{"172.16.5.9", "255.255.0.0", 1}}, true));
    records.adapters.back().dhcpServer.ipAddress = "172.16.0.1";
    records.adapters.back().leaseObtained = 1000;
    records.adapters.back().leaseExpires = 4600;
    records.dns[3] = {"172.16.0.53", "172.16.0.54"};
    MemoryRegistry reg;
    BuildSystemRegistry(records, &reg);
    const std::string iface = kTcpip + "Interfaces\\wlan0";
    uint32_t type = 0;
    EXPECT_EQ(Bytes(reg, iface, "EnableDHCP"), std::string("\1\0\0\0", 4));
    EXPECT_EQ(Bytes(reg, iface, "DhcpIPAddress", &type), std::string("172.16.5.9\0", 11));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(Bytes(reg, iface, "DhcpSubnetMask"), std::string("255.255.0.0\0", 12));
    EXPECT_EQ(Bytes(reg, iface, "DhcpServer"), std::string("172.16.0.1\0", 11));
    EXPECT_EQ(Bytes(reg, iface, "DhcpNameServer"), std::string("172.16.0.53 172.16.0.54\0", 24));
    EXPECT_EQ(Bytes(reg, iface, "IPAddress"), std::string("0.0.0.0\0\0", 9));
    EXPECT_EQ(Bytes(reg, iface, "Lease"), std::string("\x10\x0e\0\0", 4));  // 3600 s
}

TEST(SystemRegistryTest, PciDevicesWithClassAndLocation) {
    SystemRecords records;
    records.adapters.push_back(Adapter(2, "eth0", {{"10.0.0.1", "255.0.0.0", 1}}));
    records.pci.push_back(Pci("0000:02:00.0", 2, 0, 0, 0x020000, {"eth0"}));
    records.pci.push_back(Pci("0000:00:02.0", 0, 2, 0, 0x030000));
    MemoryRegistry reg;
    BuildSystemRegistry(records, &reg);

    EXPECT_EQ(PciDeviceKeyName(records.pci[0]), "VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02");
    EXPECT_EQ(PciPnpDeviceId(records.pci[0]),
              "PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\0000:02:00.0");
    const std::string key = "Enum\\PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\0000:02:00.0";
    EXPECT_EQ(Bytes(reg, key, "Class"), std::string("Net\0", 4));
    EXPECT_EQ(Bytes(reg, key, "LocationInformation"),
              std::string("@system32\\drivers\\pci.sys,#65536;PCI bus 2, device 0, function 0;"
                          "(2,0,0)") +
                  '\0');
    EXPECT_EQ(Bytes(reg, key, "Driver"), std::string(kNetClassGuid) + "\\0000" + '\0');
    const std::string display = "Enum\\PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\0000:00:02.0";
    EXPECT_EQ(Bytes(reg, display, "Class"), std::string("Display\0", 8));
}

TEST(SystemRegistryTest, BackendFollowsTheInstalledIpHelper) {
    auto fake = std::make_shared<FakeIpHelper>();
    fake->adapters.push_back(Adapter(5, "veth7", {{"192.168.7.1", "255.255.255.0", 1}}));
    ScopedIpHelper use(fake);
    ScopedRegistry scope;
    MountRegistry(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                  std::make_shared<SystemRegistry>([] { return std::vector<PciDeviceRecord>{}; }));
    HKEY key;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                           "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"
                           "veth7",
                           0, KEY_READ, &key),
              ERROR_SUCCESS);
    char text[64] = {};
    uint32_t size = sizeof text;
    EXPECT_EQ(RegQueryValueEx(key, "IPAddress", nullptr, reinterpret_cast<uint8_t*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "192.168.7.1");
    RegCloseKey(key);
}

TEST(SystemRegistryTest, ViewIsBuiltOncePerSnapshotScope) {
    auto fake = std::make_shared<FakeIpHelper>();
    fake->adapters.push_back(Adapter(5, "veth7", {{"192.168.7.1", "255.255.255.0", 1}}));
    fake->adapters.push_back(Adapter(6, "veth8", {{"192.168.8.1", "255.255.255.0", 1}}));
    fake->dns[5] = {"192.168.7.53"};
    fake->dns[6] = {};
    ScopedIpHelper use(fake);
    ScopedRegistry scope;
    int pciReads = 0;
    MountRegistry(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                  std::make_shared<SystemRegistry>([&] {
                      ++pciReads;
                      return std::vector<PciDeviceRecord>{};
                  }));
    const std::string interfaces =
        "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
    auto opens = [&](const std::string& path) {
        HKEY key;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    };
    {
        NetSnapshotScope snapshot;
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(opens(interfaces));
            EXPECT_TRUE(opens(interfaces + "\\veth7"));
            EXPECT_TRUE(opens(interfaces + "\\veth8"));
        }
        EXPECT_EQ(fake->adapterCalls, 1);
        EXPECT_EQ(fake->perAdapterCalls, 2);
        EXPECT_EQ(pciReads, 1);
        fake->adapters.pop_back();
        EXPECT_TRUE(opens(interfaces + "\\veth8"));  // the scope's view
    }
    // Outside a scope the view follows the system at every open.
    EXPECT_FALSE(opens(interfaces + "\\veth8"));
    EXPECT_TRUE(opens(interfaces + "\\veth7"));
    EXPECT_EQ(pciReads, 3);
}

TEST(PciDevicesTest, SlotText) {
    uint32_t d, b, dev, f;
    ASSERT_TRUE(ParsePciSlot("0000:3a:1f.7", &d, &b, &dev, &f));
    EXPECT_EQ(b, 0x3Au);
    EXPECT_EQ(dev, 0x1Fu);
    EXPECT_EQ(f, 7u);
    EXPECT_FALSE(ParsePciSlot("virtio2", &d, &b, &dev, &f));
    EXPECT_FALSE(ParsePciSlot("0000:00:03.0x", &d, &b, &dev, &f));
}

TEST(PciDevicesTest, ReadsThisMachineWithoutTrouble) {
    for (const auto& d : ReadPciDevices()) {
        SCOPED_TRACE(d.slot);
        EXPECT_FALSE(d.slot.empty());
        if (!d.interfaces.empty()) {
            EXPECT_TRUE(d.IsNetwork() || d.classCode != 0);
        }
    }
}

}  // namespace
