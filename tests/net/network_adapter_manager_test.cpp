#include "net/network_adapter_manager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/network_adapter_pci_location.h"
#include "platform/network/fake_ip_helper.h"
#include "platform/network/wmi.h"
#include "platform/registry/registry.h"
#include "platform/registry/system_registry.h"

namespace {

using zplat::RegValue;

const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\";

zplat::AdapterInfo Adapter(uint32_t index, const char* name,
                           std::vector<zplat::IpAddrString> addresses) {
    zplat::AdapterInfo a;
    a.index = index;
    a.adapterName = name;
    a.description = name;
    a.type = zplat::MIB_IF_TYPE_ETHERNET;
    a.ipAddressList = std::move(addresses);
    return a;
}

// Every inventory test runs over hand-built records: a fake IP Helper, an empty registry and a
// WMI that knows nothing unless the test says so; the PCI table is rebuilt from them.
class InventoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", registry_);
        GetPCILocationTable()->Build(true);
    }

    ZNetworkAdapterManager& Snapshot() {
        EXPECT_TRUE(manager_.Refresh());
        return manager_;
    }

    std::shared_ptr<zplat::FakeIpHelper> ip_ = std::make_shared<zplat::FakeIpHelper>();
    zplat::ScopedIpHelper useIp_{ip_};
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> registry_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider useWmi_{wmi_};
    ZNetworkAdapterManager manager_;
};

TEST_F(InventoryTest, MaskAndAdapterOfAnAddress) {
    ip_->adapters.push_back(Adapter(2, "eth0", {{"192.168.1.10", "255.255.255.0", 1}}));
    ZNetworkAdapterManager& m = Snapshot();
    ASSERT_EQ(m.GetCount(), 1u);
    INetworkAdapter* eth0 = m.GetAdapter(0);
    EXPECT_STREQ(m.GetMaskOfAddress("192.168.1.10"), "255.255.255.0");
    EXPECT_STREQ(m.GetBroadcastOfAddress("192.168.1.10"), "192.168.1.255");
    EXPECT_EQ(m.FindAdapter("192.168.1.10", "255.255.255.0"), eth0);
    EXPECT_EQ(m.FindAdapter("192.168.1.10", "255.255.0.0"), nullptr);
    EXPECT_EQ(m.FindAdapter("192.168.1.10", nullptr), eth0);
    EXPECT_STREQ(eth0->GetName(), "eth0");

    struct Miss {
        const char* name;
        const char* address;
    } misses[] = {{"not held", "192.168.1.11"},
                  {"same value, other text", "192.168.001.010"},
                  {"null", nullptr}};
    for (const auto& miss : misses) {
        SCOPED_TRACE(miss.name);
        EXPECT_EQ(m.GetMaskOfAddress(miss.address), nullptr);
        EXPECT_EQ(m.GetBroadcastOfAddress(miss.address), nullptr);
        EXPECT_EQ(m.FindAdapter(miss.address, nullptr), nullptr);
    }
    EXPECT_EQ(m.GetAdapter(1), nullptr);
    EXPECT_EQ(m.FindAdapterByIndex(2), eth0);
    EXPECT_EQ(m.FindAdapterByIndex(3), nullptr);
}

TEST_F(InventoryTest, FirstAdapterInTheSystemOrderWins) {
    ip_->adapters.push_back(Adapter(5, "first", {{"10.0.0.1", "255.0.0.0", 1}}));
    ip_->adapters.push_back(Adapter(3, "second", {{"10.0.0.1", "255.255.0.0", 2}}));
    ZNetworkAdapterManager& m = Snapshot();
    EXPECT_STREQ(m.GetMaskOfAddress("10.0.0.1"), "255.0.0.0");
    EXPECT_STREQ(m.FindAdapter("10.0.0.1", nullptr)->GetName(), "first");
    // With the second adapter's mask the first adapter's address does not match: on to the next.
    EXPECT_STREQ(m.FindAdapter("10.0.0.1", "255.255.0.0")->GetName(), "second");
}

TEST_F(InventoryTest, AdapterOfASubnet) {
    ip_->adapters.push_back(Adapter(1, "unset", {{"0.0.0.0", "0.0.0.0", 0}}));
    ip_->adapters.push_back(
        Adapter(2, "a", {{"172.16.0.1", "255.255.0.0", 1}, {"10.1.2.3", "255.255.255.0", 2}}));
    ip_->adapters.push_back(Adapter(3, "b", {{"10.1.2.200", "255.255.255.128", 3}}));
    ZNetworkAdapterManager& m = Snapshot();
    uint32_t j = 99;
    INetworkAdapter* found = m.FindAdapterInSubnet("10.1.2.99", nullptr, &j);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->GetName(), "a");
    EXPECT_EQ(j, 1u);
    EXPECT_EQ(m.FindAdapterInSubnet("10.1.2.99", ""), found);  // an empty mask is no mask
    // 10.1.2.99/25 has the broadcast 10.1.2.127, which neither a's nor b's subnet has.
    EXPECT_EQ(m.FindAdapterInSubnet("10.1.2.99", "255.255.255.128"), nullptr);
    // Subnets are compared by their broadcast addresses only: 10.1.2.130/25 ends at 10.1.2.255
    // like a's 10.1.2.0/24, and a comes first.
    EXPECT_STREQ(m.FindAdapterInSubnet("10.1.2.130", "255.255.255.128")->GetName(), "a");
    EXPECT_STREQ(m.FindAdapterInSubnet("10.1.2.250", nullptr, &j)->GetName(), "a");
    EXPECT_EQ(m.FindAdapterInSubnet("192.168.7.7", nullptr), nullptr);
    EXPECT_EQ(m.FindAdapterInSubnet(nullptr, nullptr), nullptr);
}

TEST_F(InventoryTest, AdapterQueries) {
    zplat::AdapterInfo a = Adapter(4, "eth4", {{"10.4.0.1", "255.255.0.0", 0x401}});
    const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    std::memcpy(a.address, mac, 6);
    a.addressLength = 6;
    a.dhcpEnabled = true;
    a.dhcpServer.ipAddress = "10.4.0.254";
    a.gatewayList.push_back({"10.4.0.254", "255.255.255.255", 0});
    a.leaseObtained = 1000;
    a.leaseExpires = 2000;
    ip_->adapters.push_back(a);
    ip_->dns[4] = {"10.4.0.53", "10.4.0.54"};
    ip_->ifRows[4].adminStatus = zplat::MIB_IF_ADMIN_STATUS_UP;
    ip_->ifRows[4].operStatus = zplat::IF_OPER_STATUS_CONNECTED;
    ZNetworkAdapterManager& m = Snapshot();
    auto* eth = static_cast<ZNetworkAdapter*>(m.GetAdapter(0));

    EXPECT_STREQ(eth->GetHardwareAddressText(), "00 1A 2B 3C 4D 5E");
    EXPECT_EQ(eth->GetHardwareAddressLength(), 6u);
    EXPECT_EQ(eth->GetHardwareAddress()[1], 0x1A);
    EXPECT_STREQ(eth->GetTypeName(static_cast<int>(eth->GetType())), "Ethernet");
    EXPECT_EQ(eth->GetDnsServerCount(), 2u);
    EXPECT_STREQ(eth->GetDnsServer(1), "10.4.0.54");
    EXPECT_EQ(eth->GetDnsServer(2), nullptr);
    EXPECT_STREQ(eth->GetGateway(0), "10.4.0.254");
    EXPECT_EQ(eth->GetGateway(1), nullptr);
    EXPECT_TRUE(eth->IsDhcpEnabled());
    EXPECT_STREQ(eth->GetDhcpServer(), "10.4.0.254");
    EXPECT_EQ(eth->GetLeaseExpires(), 2000u);
    EXPECT_STREQ(eth->GetIPBroadcastText(0), "10.4.255.255");
    EXPECT_EQ(eth->GetIPAddressText(1), nullptr);
    EXPECT_EQ(eth->GetIPAddressIndex(0), 0);  // the registry does not list it
    EXPECT_EQ(eth->GetIPAddressIndex(5), 0);
    EXPECT_EQ(eth->FindIPAddress(nullptr), -1);
    EXPECT_EQ(eth->GetPCILocation(), -1);
    EXPECT_EQ(eth->GetPosition(), 0);
    EXPECT_TRUE(eth->IsOperational());
    ip_->ifRows[4].operStatus = zplat::IF_OPER_STATUS_DISCONNECTED;
    EXPECT_FALSE(eth->IsOperational());
    ip_->ifRows.erase(4);
    EXPECT_FALSE(eth->IsOperational());
}

TEST_F(InventoryTest, HardwareAddressTextFollowsTheLength) {
    struct Case {
        uint32_t length;
        const char* text;
    } cases[] = {{0, ""},
                 {1, "0A"},
                 {6, "0A 0B 0C 0D 0E 0F"},
                 {12, "0A 0B 0C 0D 0E 0F 10 11"}};  // never past the 8-byte field
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        zplat::AdapterInfo a = Adapter(1, "x", {{"10.0.0.1", "255.0.0.0", 1}});
        for (int i = 0; i < 8; ++i) {
            a.address[i] = static_cast<uint8_t>(0x0A + i);
        }
        a.addressLength = c.length;
        ZNetworkAdapter adapter(a, 0);
        EXPECT_STREQ(adapter.GetHardwareAddressText(), c.text);
    }
}

TEST_F(InventoryTest, TypeNamesAndContexts) {
    ZNetworkAdapter adapter(Adapter(1, "x", {{"10.0.0.1", "255.0.0.0", 1}}), 0);
    struct Name {
        int type;
        const char* text;
    } names[] = {{1, "Other"},   {6, "Ethernet"},  {9, "Token Ring"}, {15, "FDDI"},
                 {23, "PPP"},    {24, "Loopback"}, {28, "SLIP"},      {71, "Wifi"},
                 {2, "Unknown"}, {-1, "Unknown"}};
    for (const auto& n : names) {
        SCOPED_TRACE(n.type);
        EXPECT_STREQ(adapter.GetTypeName(n.type), n.text);
    }
    struct Context {
        const char* text;
        uint32_t value;
    } contexts[] = {{"0x0000000A", 10},          {"0xA", 0}, {"0x0A0B0C0D", 0x0A0B0C0Du},
                    {"0xFFFFFFFF", 0xFFFFFFFFu}, {"", 0},    {"0x0000000A1", 0}};
    for (const auto& c : contexts) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(adapter.ParseContext(c.text), c.value);
    }
    EXPECT_EQ(adapter.ParseContext(nullptr), 0u);
    ZString listed("0.0.0.0,,10.0.0.1"), unlisted("0.0.0.0,,");
    EXPECT_TRUE(adapter.HasListedAddress(&listed));
    EXPECT_FALSE(adapter.HasListedAddress(&unlisted));
    EXPECT_FALSE(adapter.HasListedAddress(nullptr));
}

TEST_F(InventoryTest, DisconnectedAdapterTakesItsRegistryAddresses) {
    ip_->adapters.push_back(Adapter(7, "{GUID-7}", {{"0.0.0.0", "0.0.0.0", 0}}));
    ip_->dns[7] = {"192.0.2.53"};  // replaced by the registry's
    registry_->SetValue(kAdapters + "{GUID-7}", "IpConfig",
                        RegValue::MultiSz({"Tcpip\\Parameters\\Interfaces\\{GUID-7}"}));
    const std::string key = kInterfaces + "{GUID-7}";
    registry_->SetValue(key, "EnableDHCP", RegValue::Dword(0));
    registry_->SetValue(key, "IPAddress", RegValue::MultiSz({"10.7.0.1", "10.7.1.1"}));
    registry_->SetValue(key, "SubnetMask", RegValue::MultiSz({"255.255.255.0", "255.255.0.0"}));
    registry_->SetValue(key, "DefaultGateway", RegValue::MultiSz({"10.7.0.254"}));
    registry_->SetValue(key, "NameServer", RegValue::Sz("10.7.0.53,10.7.0.54"));
    registry_->SetValue(key, "NTEContextList", RegValue::MultiSz({"0x0000000A"}));

    ZNetworkAdapterManager& m = Snapshot();
    auto* a = static_cast<ZNetworkAdapter*>(m.GetAdapter(0));
    ASSERT_EQ(a->GetIPAddressCount(), 2u);
    EXPECT_STREQ(a->GetIPAddressText(0), "10.7.0.1");
    EXPECT_STREQ(a->GetIPMaskText(0), "255.255.255.0");
    EXPECT_STREQ(a->GetIPAddressText(1), "10.7.1.1");
    EXPECT_STREQ(a->GetIPMaskText(1), "255.255.0.0");
    EXPECT_EQ(a->GetIPAddressIndex(0), 1);
    EXPECT_EQ(a->GetIPAddressIndex(1), 2);
    EXPECT_EQ(a->GetDnsServerCount(), 2u);
    EXPECT_STREQ(a->GetDnsServer(0), "10.7.0.53");
    EXPECT_STREQ(a->GetGateway(0), "10.7.0.254");
    EXPECT_TRUE(a->HasAssignedAddress());
    EXPECT_STREQ(m.GetMaskOfAddress("10.7.1.1"), "255.255.0.0");
}

TEST_F(InventoryTest, DisconnectedAdapterWithoutRegistrySettingsKeepsNothing) {
    ip_->adapters.push_back(Adapter(8, "{GUID-8}", {{"0.0.0.0", "0.0.0.0", 0}}));
    ip_->dns[8] = {"192.0.2.53"};
    ZNetworkAdapterManager& m = Snapshot();
    auto* a = static_cast<ZNetworkAdapter*>(m.GetAdapter(0));
    EXPECT_EQ(a->GetIPAddressCount(), 0u);
    EXPECT_EQ(a->GetDnsServerCount(), 0u);
    EXPECT_FALSE(a->HasAssignedAddress());
    EXPECT_FALSE(a->LoadFromRegistry());
}

TEST_F(InventoryTest, ConnectedAddressesCarryTheirRegistryPositions) {
    ip_->adapters.push_back(Adapter(2, "eth0",
                                    {{"10.0.0.1", "255.0.0.0", 1},
                                     {"10.0.0.2", "255.0.0.0", 2},
                                     {"10.0.0.3", "255.0.0.0", 3}}));
    registry_->SetValue(kInterfaces + "eth0", "EnableDHCP", RegValue::Dword(0));
    registry_->SetValue(kInterfaces + "eth0", "IPAddress",
                        RegValue::MultiSz({"10.0.0.2", "10.0.0.1"}));
    registry_->SetValue(kInterfaces + "ETH0", "EnableDHCP", RegValue::Dword(0));
    ZNetworkAdapterManager& m = Snapshot();
    auto* a = static_cast<ZNetworkAdapter*>(m.GetAdapter(0));
    EXPECT_EQ(a->GetIPAddressIndex(0), 2);
    EXPECT_EQ(a->GetIPAddressIndex(1), 1);
    EXPECT_EQ(a->GetIPAddressIndex(2), 0);
    EXPECT_EQ(a->GetRegistryAddressPosition(nullptr), 0);
}

TEST_F(InventoryTest, FailedListLeavesAnEmptySnapshot) {
    ip_->adapters.push_back(Adapter(2, "eth0", {{"10.0.0.1", "255.0.0.0", 1}}));
    ASSERT_TRUE(manager_.Refresh());
    ip_->adaptersResult = zplat::ERROR_NOT_SUPPORTED;
    EXPECT_FALSE(manager_.Refresh());
    EXPECT_EQ(manager_.GetCount(), 0u);
    EXPECT_EQ(manager_.GetMaskOfAddress("10.0.0.1"), nullptr);
}

TEST_F(InventoryTest, PciPassStampsAdaptersAndSortKeys) {
    ip_->adapters.push_back(Adapter(4, "wan", {{"10.0.4.1", "255.0.0.0", 1}}));
    ip_->adapters.push_back(Adapter(2, "Lan", {{"10.0.2.1", "255.0.0.0", 1}}));
    ip_->adapters.push_back(Adapter(3, "aux", {{"10.0.3.1", "255.0.0.0", 1}}));
    ip_->adapters[2].type = zplat::IF_TYPE_IEEE80211;
    const std::string pci = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\";
    registry_->SetValue(pci + "VEN_1&DEV_1\\X", "Class", RegValue::Sz("Net"));
    registry_->SetValue(pci + "VEN_1&DEV_1\\X", "LocationInformation",
                        RegValue::Sz("@pci.sys;PCI bus 3, device 0, function 1;(3,0,1)"));
    registry_->SetValue(pci + "VEN_1&DEV_2\\Y", "Class", RegValue::Sz("Net"));
    registry_->SetValue(pci + "VEN_1&DEV_2\\Y", "LocationInformation",
                        RegValue::Sz("@pci.sys;PCI bus 2, device 1, function 0;(2,1,0)"));
    for (auto [index, pnp] :
         {std::pair<uint32_t, const char*>{4, "PCI\\VEN_1&DEV_1\\X"}, {2, "PCI\\VEN_1&DEV_2\\Y"}}) {
        zplat::WmiObject o;
        o.Set("Index", zplat::WmiValue::UInt(index));
        o.Set("PNPDeviceID", zplat::WmiValue::String(pnp));
        wmi_->classes["Win32_NetworkAdapter"].push_back(o);
    }
    GetPCILocationTable()->Build(true);

    ZNetworkAdapterManager& m = Snapshot();
    auto name = [&](uint32_t i) { return std::string(m.GetAdapter(i)->GetName()); };
    auto* wan = static_cast<ZNetworkAdapter*>(m.FindAdapterByIndex(4));
    auto* lan = static_cast<ZNetworkAdapter*>(m.FindAdapterByIndex(2));
    auto* aux = static_cast<ZNetworkAdapter*>(m.FindAdapterByIndex(3));
    EXPECT_EQ(wan->GetPCILocation(), 30001);
    EXPECT_EQ(lan->GetPCILocation(), 20100);
    EXPECT_EQ(aux->GetPCILocation(), -1);

    struct Order {
        int key;
        std::vector<std::string> names;
    } orders[] = {
        {kSortByInterfaceIndex, {"Lan", "aux", "wan"}},
        {kSortByDescription, {"aux", "Lan", "wan"}},  // without regard to case
        {kSortByType, {"wan", "Lan", "aux"}},
        {kSortByPCILocation, {"aux", "Lan", "wan"}},
        {0, {"wan", "Lan", "aux"}},  // the system's order
    };
    for (const auto& o : orders) {
        SCOPED_TRACE(o.key);
        m.Sort(o.key);
        std::vector<std::string> got = {name(0), name(1), name(2)};
        if (o.key == kSortByType) {
            // wan and Lan share a type; only where aux goes is fixed.
            EXPECT_EQ(got[2], "aux");
        } else {
            EXPECT_EQ(got, o.names);
        }
    }
}

// Over the synthesized registry view: one Refresh lists the adapters once and asks for each
// adapter's DNS servers once, however many keys the adapters and the PCI pass open.
TEST_F(InventoryTest, RefreshReadsTheSystemOncePerSnapshot) {
    std::vector<zplat::PciDeviceRecord> pci;
    for (uint32_t i = 0; i < 9; ++i) {
        const std::string name = "eth" + std::to_string(i);
        const std::string net = "10.0." + std::to_string(i);
        ip_->adapters.push_back(
            Adapter(2 + i, name.c_str(),
                    {{net + ".1", "255.255.255.0", 1}, {net + ".2", "255.255.255.0", 2}}));
        ip_->dns[2 + i] = {net + ".53"};
        zplat::PciDeviceRecord d;
        d.slot = "0000:0" + std::to_string(i + 1) + ":00.0";
        d.bus = i + 1;
        d.classCode = 0x020000;
        d.interfaces = {name};
        pci.push_back(d);
    }
    ip_->adapters[8].ipAddressList = {{"0.0.0.0", "0.0.0.0", 0}};  // read from the registry
    zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet",
                         std::make_shared<zplat::SystemRegistry>([pci] { return pci; }));

    ZNetworkAdapterManager& m = Snapshot();
    ASSERT_EQ(m.GetCount(), 9u);
    EXPECT_EQ(ip_->adapterCalls, 1);
    EXPECT_EQ(ip_->perAdapterCalls, 9);
    auto* eth3 = static_cast<ZNetworkAdapter*>(m.FindAdapterByIndex(5));
    EXPECT_EQ(eth3->GetIPAddressIndex(1), 2);  // its registry position, from the view
    EXPECT_STREQ(eth3->GetDnsServer(0), "10.0.3.53");
}

TEST_F(InventoryTest, AddedAddressesLiveAsLongAsTheSnapshot) {
    ip_->adapters.push_back(Adapter(2, "eth0", {{"10.0.0.5", "255.255.255.0", 1}}));
    ip_->ifRows[2].adminStatus = zplat::MIB_IF_ADMIN_STATUS_UP;
    ip_->ifRows[2].operStatus = zplat::IF_OPER_STATUS_OPERATIONAL;
    {
        ZNetworkAdapterManager m;
        ASSERT_TRUE(m.Refresh());
        char* derived = nullptr;
        ASSERT_TRUE(m.AddDerivedAddress(nullptr, "10.0.0.5", "255.255.255.0", 77, &derived));
        ASSERT_NE(derived, nullptr);
        EXPECT_STREQ(derived, "10.0.0.77");
        delete[] derived;
        INetworkAdapter* eth = m.GetAdapter(0);
        EXPECT_EQ(eth->GetIPAddressCount(), 2u);  // the adapter read its addresses again
        EXPECT_EQ(eth->FindIPAddress("10.0.0.77"), 1);
        EXPECT_EQ(ip_->adapters[0].ipAddressList.size(), 2u);

        EXPECT_FALSE(m.AddDerivedAddress(eth, "nodots", "255.0.0.0", 1, &derived));
        EXPECT_EQ(derived, nullptr);
        EXPECT_FALSE(m.AddDerivedAddress(eth, nullptr, "255.0.0.0", 1, nullptr));
        EXPECT_TRUE(eth->AddAlternateAddress("10.0.0.88", "255.255.255.0"));
        EXPECT_TRUE(eth->DeleteAlternateAddress("10.0.0.88", "255.255.255.0"));
        EXPECT_FALSE(eth->DeleteAlternateAddress("10.0.0.88", "255.255.255.0"));
        EXPECT_EQ(eth->FindIPAddress("10.0.0.88"), -1);
    }
    // The snapshot's end removed what it added from the system.
    EXPECT_EQ(ip_->adapters[0].ipAddressList.size(), 1u);
    EXPECT_EQ(ip_->deleteCalls, 2);
}

TEST_F(InventoryTest, AddAddressNeedsAnOperationalAdapter) {
    ip_->adapters.push_back(Adapter(2, "eth0", {{"10.0.0.5", "255.255.255.0", 1}}));
    ZNetworkAdapterManager& m = Snapshot();
    EXPECT_FALSE(m.AddAddress(nullptr, "10.0.0.6", "255.255.255.0"));
    ip_->addResult = zplat::ERROR_NOT_SUPPORTED;  // what the POSIX backend answers
    EXPECT_FALSE(m.AddAddress(m.GetAdapter(0), "10.0.0.6", "255.255.255.0"));
    EXPECT_TRUE(m.DeleteAddedAddresses(nullptr));
}

TEST_F(InventoryTest, NetworkAddressOverrideFromTheClassKey) {
    ip_->adapters.push_back(Adapter(2, "eth0", {{"10.0.0.5", "255.255.255.0", 1}}));
    ip_->adapters.push_back(Adapter(3, "eth1", {{"10.0.1.5", "255.255.255.0", 1}}));
    const std::string cls =
        "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
    registry_->SetValue(cls + "0000", "NetCfgInstanceId", RegValue::Sz("eth9"));
    registry_->SetValue(cls + "0001", "NetCfgInstanceId", RegValue::Sz("eth0"));
    registry_->SetValue(cls + "0001", "NetworkAddress", RegValue::Sz("02AABBCCDDEE"));
    registry_->SetValue(cls + "0002", "NetCfgInstanceId", RegValue::Sz("eth1"));
    registry_->SetValue(cls + "0003", "NetCfgInstanceId", RegValue::Sz("eth3"));
    registry_->SetValue(cls + "0003", "NetworkAddress", RegValue::Sz(std::string(200, 'F')));
    ZNetworkAdapterManager& m = Snapshot();
    char result[kNetworkAddressOverrideRoom] = "junk";
    EXPECT_TRUE(m.GetNetworkAddressOverride(m.GetAdapter(0), result));
    EXPECT_STREQ(result, "02AABBCCDDEE");
    EXPECT_TRUE(m.GetNetworkAddressOverride(m.GetAdapter(1), result));
    EXPECT_STREQ(result, "");  // listed, without an override
    EXPECT_FALSE(m.GetNetworkAddressOverride(nullptr, result));

    ip_->adapters[0].adapterName = "eth3";
    ASSERT_TRUE(m.Refresh());
    EXPECT_TRUE(m.GetNetworkAddressOverride(m.GetAdapter(0), result));
    EXPECT_EQ(std::strlen(result), static_cast<size_t>(kNetworkAddressOverrideRoom - 1));
}

TEST_F(InventoryTest, InterfacesByName) {
    auto* m = new ZNetworkAdapterManager();
    void* p = nullptr;
    ASSERT_TRUE(m->QueryInterface("INetworkAdapterManager", &p));
    EXPECT_EQ(p, static_cast<INetworkAdapterManager*>(m));
    ASSERT_TRUE(m->QueryInterface("INetworkAdapterManager2", &p));
    EXPECT_EQ(p, static_cast<INetworkAdapterManager2*>(m));
    ASSERT_TRUE(m->QueryInterface("IAlternateIPAddress", &p));
    auto* alt = static_cast<IAlternateIPAddress*>(p);
    EXPECT_EQ(alt->FindAdapterInSubnet("10.0.0.1", nullptr), nullptr);
    EXPECT_FALSE(m->QueryInterface("INetworkAdapterRegConf", &p));
    EXPECT_FALSE(m->QueryInterface("ISomethingElse", &p));
    EXPECT_FALSE(m->QueryInterface(nullptr, &p));
    EXPECT_FALSE(m->QueryInterface("IAlternateIPAddress", nullptr));
    EXPECT_STREQ(m->DefaultMaskOf("172.16.0.1"), "255.255.0.0");
    INetworkAdapterManager* first = m;
    first->Release();
}

}  // namespace
