#include "catalogue/product.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/catalogue/fake_network_device.h"

namespace {

std::string Entries(const std::string& entries) {
    return "<data><systemconfig>" + entries + "</systemconfig></data>";
}

TEST(ProductTest, BuildsTheRecordFromTheFirstAnswer) {
    struct Case {
        const char* name;
        const char* service;
        const char* version;
        std::string info;
        const char* typeModel;
        const char* versionText;
        const char* client;
        const char* serial;
        uint16_t type;
        int major;
    } cases[] = {
        {"cuedeck2 without version", "zelvane.cuedeck2", "", "", "Cuedeck", "2",
         "Zelvane Cuedeck Editor", "N/A", ptCuedeck2, 2},
        {"version text from the answer", "zelvane.cuedeck2", "2.4.1", "", "Cuedeck", "2.4.1",
         "Zelvane Cuedeck Editor", "N/A", ptCuedeck2, 2},
        {"empty model code", "zelvane.cuedeck", "", Entries("<entry model=\"\"/>"), "Cuedeck Base",
         "1", "Zelvane Cuedeck Editor", "N/A", ptCuedeck, 1},
        {"editor edition", "zelvane.cuedeck", "", Entries("<entry model=\"cndcdeprime\"/>"),
         "Cuedeck Editor Prime", "1", "Zelvane Cuedeck Editor", "N/A", ptCuedeck, 1},
        {"code of the other table", "zelvane.conductor6", "", Entries("<entry model=\"go\"/>"),
         "Conductor", "6", "Zelvane Conductor", "N/A", ptConductor6, 6},
        {"conductor edition", "zelvane.conductor5", "", Entries("<entry model=\"cndsolo\"/>"),
         "Conductor Solo", "5", "Zelvane Conductor", "N/A", ptConductor5, 5},
        {"no edition table for the label", "zelvane.vxp2", "", Entries("<entry model=\"apex\"/>"),
         "VXP HD", "2", "WEB Browser", "N/A", ptVxp2, 2},
        {"letter case differs", "Zelvane.Cuedeck2", "", "", "", "1", "Unknown", "N/A", ptUnknown,
         1},
        {"second entry's serial wins", "zelvane.timekeeper", "",
         Entries("<entry serial=\"TK-1\"/><entry serial=\"TK-2\"/>"), "Zelvane Timekeeper Server",
         "1", "Zelvane Timekeeper Client", "TK-2", ptTimekeeper, 1},
        {"masterversion: client lookup only", "zelvane.cuedeck", "",
         Entries("<entry masterversion=\"3\"/>"), "Cuedeck", "1", "Zelvane Cuedeck Editor", "N/A",
         ptCuedeck, 3},
        {"masterversion not a number", "zelvane.cuedeck2", "",
         Entries("<entry masterversion=\"x\"/>"), "Cuedeck", "2", "Zelvane Cuedeck Editor", "N/A",
         ptCuedeck2, 0},
        {"malformed info ignored", "zelvane.cuedeck", "", "<data><systemconfig><entry serial=",
         "Cuedeck", "1", "Zelvane Cuedeck Editor", "N/A", ptCuedeck, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeNetworkDevice device(c.service, "192.168.1.20", 4258);
        device.name = "Stage Left";
        device.version = c.version;
        device.info = c.info;
        ZProduct product(&device);
        EXPECT_STREQ(product.GetName().GetString(), "Stage Left");
        EXPECT_STREQ(product.GetServiceName().GetString(), c.service);
        EXPECT_STREQ(product.GetTypeModel().GetString(), c.typeModel);
        EXPECT_STREQ(product.GetVersionText().GetString(), c.versionText);
        EXPECT_STREQ(product.GetClientName().GetString(), c.client);
        EXPECT_STREQ(product.GetSerial().GetString(), c.serial);
        EXPECT_EQ(product.GetType(), c.type);
        EXPECT_EQ(product.GetMajorVersion(), c.major);
        EXPECT_STREQ(product.GetAddressText().GetString(), "192.168.1.20");
        EXPECT_EQ(product.GetPort(), 4258);
    }
}

TEST(ProductTest, MissingFieldsAndMissingDevice) {
    FakeNetworkDevice bare;  // every text empty, no address
    ZProduct product(&bare);
    EXPECT_STREQ(product.GetName().GetString(), "");
    EXPECT_EQ(product.GetType(), ptUnknown);
    EXPECT_STREQ(product.GetClientName().GetString(), "Unknown");
    EXPECT_STREQ(product.GetVersionText().GetString(), "1");
    EXPECT_STREQ(product.GetDescription().GetString(), "?");
    EXPECT_STREQ(product.GetAddressText().GetString(), "0.0.0.0");

    ZProduct none(nullptr);
    EXPECT_STREQ(none.GetSerial().GetString(), "N/A");
    EXPECT_STREQ(none.GetAddressText().GetString(), "");
    EXPECT_EQ(none.GetMajorVersion(), 1);
    EXPECT_EQ(none.GetType(), ptUnknown);
}

TEST(ProductTest, DescribeModel) {
    struct Case {
        const char* model;
        const char* description;
    } cases[] = {
        {nullptr, "?"},
        {"", "?"},
        {"Cuedeck", "Cuedeck Editor"},
        {"Cuedeck7", "Conductor for Cuedeck"},
        {"Zelvane Cuedeck", "Cuedeck Core"},
        {"ConductorRT", "Conductor Runtime"},
        {"cuedeck", "cuedeck"},
        {"VXP-HD 4K", "VXP-HD 4K"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model ? c.model : "(null)");
        EXPECT_STREQ(ZProduct::DescribeModel(c.model).GetString(), c.description);
    }
}

TEST(ProductTest, ParseInfoOnABuiltRecordAndLaterEntriesOverride) {
    FakeNetworkDevice device("zelvane.cuedeck", "10.0.0.7", 80);
    ZProduct product(&device);
    product.ParseInfo(Entries("<entry serial=\"A\" model=\"apex\" masterversion=\"4\"/>"
                              "<option model=\"unlisted\"/><entry serial=\"B\"/>")
                          .c_str());
    EXPECT_STREQ(product.GetTypeModel().GetString(), "Cuedeck Apex");
    EXPECT_STREQ(product.GetSerial().GetString(), "B");
    EXPECT_EQ(product.GetMajorVersion(), 4);
    // A document without the entry path sets the Type/Model text back to the label.
    product.ParseInfo("<data/>");
    EXPECT_STREQ(product.GetTypeModel().GetString(), "Cuedeck");
    EXPECT_STREQ(product.GetSerial().GetString(), "B");
    // Null and empty texts change nothing.
    product.ParseInfo(Entries("<entry model=\"go\"/>").c_str());
    product.ParseInfo(nullptr);
    product.ParseInfo("");
    EXPECT_STREQ(product.GetTypeModel().GetString(), "Cuedeck Go");
}

// Hands out a distinct marker per resource id and counts what comes back.
class FakeIcons : public IProductIconProvider {
public:
    ZProductIcon LoadProductIcon(uint16_t resourceId) override {
        int* icon = new int(resourceId);
        live[icon] = resourceId;
        return icon;
    }
    void FreeProductIcon(ZProductIcon icon) override {
        live.erase(icon);
        delete static_cast<const int*>(icon);
    }
    std::map<ZProductIcon, uint16_t> live;
};

int ResourceOf(ZProductIcon icon) {
    return icon ? *static_cast<const int*>(icon) : 0;
}

TEST(ProductTest, KindIconsAreProcessWideResources) {
    FakeNetworkDevice cuedeck7("zelvane.cuedeck7", "10.0.0.1", 1);
    FakeNetworkDevice unknown("zelvane.other", "10.0.0.2", 1);
    ZProduct remote(&cuedeck7);
    ZProduct other(&unknown);
    EXPECT_EQ(remote.GetIcon(), nullptr);  // before the resources are loaded

    FakeIcons icons;
    ZProduct::InitProductResources(nullptr, &icons);
    EXPECT_EQ(icons.live.size(), 12u);
    EXPECT_EQ(ResourceOf(remote.GetIcon()), 30012);  // kind 11: the twelfth icon
    EXPECT_EQ(ResourceOf(other.GetIcon()), 30001);

    ZProduct::InitProductResources(nullptr, &icons);  // again: the first set is released
    EXPECT_EQ(icons.live.size(), 12u);
    ZProduct::FreeProductResources();
    EXPECT_TRUE(icons.live.empty());
    EXPECT_EQ(remote.GetIcon(), nullptr);
}

}  // namespace
