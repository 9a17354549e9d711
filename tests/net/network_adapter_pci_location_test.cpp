#include "net/network_adapter_pci_location.h"

#include <gtest/gtest.h>

#include "platform/network/wmi.h"
#include "platform/registry/registry.h"

namespace {

using zplat::RegValue;

TEST(PCILocationTest, LocationTextAndNumber) {
    struct Case {
        const char* value;
        const char* text;
        int32_t number;
    } cases[] = {
        {"@system32\\drivers\\pci.sys,#65536;PCI bus 3, device 0, function 1;(3,0,1)", "3,0,1",
         30001},
        {"PCI bus 2, device 0, function 0", "PCI bus 2, device 0, function 0", 0},
        {"(2,0,0)", "2,0,0", 20000},
        {"x;( 12, 3 ,4)", " 12, 3 ,4", 120304},
        {"a;()", "", -1},
        {"", "", -1},
        {"(1,2,3,4,5,6,7,8)", "1,2,3,4,5,6,7,8", INT32_MAX},  // kept within the field
        {"(99999999999)", "99999999999", INT32_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ZString text;
        int32_t number = 0;
        ZNetworkAdapterPCILocation::ParseLocation(c.value, &text, &number);
        EXPECT_STREQ(text.GetString(), c.text);
        EXPECT_EQ(number, c.number);
    }
}

class PCITableTest : public ::testing::Test {
protected:
    zplat::ScopedRegistry scope_;
    std::shared_ptr<zplat::MemoryRegistry> reg_ = std::make_shared<zplat::MemoryRegistry>();
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider use_{wmi_};
    ZNetworkAdapterPCILocation table_;

    void SetUp() override { zplat::MountRegistry(zplat::HKEY_LOCAL_MACHINE, "", reg_); }

    void AddDevice(const std::string& device, const std::string& instance, const char* cls,
                   const char* location) {
        std::string key = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\" + device + "\\" + instance;
        reg_->SetValue(key, "Class", RegValue::Sz(cls));
        if (location != nullptr) {
            reg_->SetValue(key, "LocationInformation", RegValue::Sz(location));
        }
    }

    void AddWmiAdapter(uint32_t index, const std::string& pnp, const std::string& guid) {
        zplat::WmiObject o;
        o.Set("Index", zplat::WmiValue::UInt(index));
        o.Set("PNPDeviceID", zplat::WmiValue::String(pnp));
        o.Set("GUID", zplat::WmiValue::String(guid));
        wmi_->classes["Win32_NetworkAdapter"].push_back(o);
    }
};

TEST_F(PCITableTest, NetworkDevicesSortedByLocationAndLinkedThroughWmi) {
    AddDevice("VEN_1&DEV_1", "A", "Net", ";(3,0,1)");
    AddDevice("VEN_1&DEV_2", "B", "NET", ";(2,0,0)");  // the class compares without case
    AddDevice("VEN_1&DEV_3", "C", "net", ";(2,1,0)");
    AddDevice("VEN_1&DEV_4", "D", "Display", ";(1,0,0)");
    AddDevice("VEN_1&DEV_5", "E", "Net", nullptr);  // no location: left out
    AddWmiAdapter(12, "pci\\ven_1&dev_2\\b", "{GUID-B}");
    AddWmiAdapter(7, "PCI\\VEN_1&DEV_1\\A", "{GUID-A}");
    AddWmiAdapter(9, "ROOT\\NET\\0000", "{GUID-V}");

    ASSERT_TRUE(table_.Build(false));
    ASSERT_EQ(table_.GetCount(), 3u);
    EXPECT_EQ(table_.GetRecord(0)->GetLocationNumber(), 20000);
    EXPECT_EQ(table_.GetRecord(1)->GetLocationNumber(), 20100);
    EXPECT_EQ(table_.GetRecord(2)->GetLocationNumber(), 30001);
    EXPECT_STREQ(table_.GetRecord(0)->GetDeviceInstance(), "PCI\\VEN_1&DEV_2\\B");
    EXPECT_STREQ(table_.GetRecord(0)->GetGUID(), "{GUID-B}");
    EXPECT_EQ(table_.GetRecord(0)->GetWMIIndex(), 12);
    EXPECT_EQ(table_.GetRecord(1)->GetWMIIndex(), 0);  // WMI does not know it
    EXPECT_STREQ(table_.GetRecord(2)->GetLocationText(), "3,0,1");
    EXPECT_EQ(table_.GetRecord(2)->GetWMIIndex(), 7);
    EXPECT_EQ(table_.GetRecord(3), nullptr);
}

TEST_F(PCITableTest, BuiltOnceUnlessForcedOrEmpty) {
    EXPECT_FALSE(table_.Build(false));  // nothing yet
    EXPECT_EQ(wmi_->queries, 1);
    EXPECT_FALSE(table_.Build(false));  // still empty: tried again, WMI included
    EXPECT_EQ(wmi_->queries, 2);
    AddDevice("VEN_1&DEV_1", "A", "Net", ";(3,0,1)");
    ASSERT_TRUE(table_.Build(false));
    AddDevice("VEN_1&DEV_2", "B", "Net", ";(2,0,0)");
    EXPECT_TRUE(table_.Build(false));
    EXPECT_EQ(table_.GetCount(), 1u);  // kept
    EXPECT_TRUE(table_.Build(true));
    EXPECT_EQ(table_.GetCount(), 2u);
}

TEST_F(PCITableTest, WithoutWmiNoRecordIsLinked) {
    AddDevice("VEN_1&DEV_1", "A", "Net", ";(3,0,1)");
    AddWmiAdapter(7, "PCI\\VEN_1&DEV_1\\A", "{GUID-A}");
    wmi_->comResult = zplat::E_FAIL;
    ASSERT_TRUE(table_.Build(false));
    EXPECT_EQ(table_.GetRecord(0)->GetWMIIndex(), 0);
    EXPECT_STREQ(table_.GetRecord(0)->GetGUID(), "");
}

TEST_F(PCITableTest, CompareBothWays) {
    ZAdapterLoc a("a"), b("b");
    a.SetLocationNumber(2);
    b.SetLocationNumber(1);
    EXPECT_TRUE(table_.Compare(nullptr, &a, &b, 0, 0));
    EXPECT_FALSE(table_.Compare(nullptr, &a, &b, 0, 1));
    EXPECT_TRUE(table_.Compare(nullptr, &b, &a, 0, 1));
}

}  // namespace
