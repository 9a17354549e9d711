// The finder's list order, filter and silent products, on plain products (no window).

#include "app/product_list_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/natural_order.h"
#include "catalogue/product.h"
#include "tests/catalogue/fake_network_device.h"

namespace {

TEST(NaturalOrder, DigitRunsCompareAsNumbers) {
    struct Row {
        const char* a;
        const char* b;
        int sign;
    };
    const Row rows[] = {
        {"6.9", "6.10", -1},
        {"6.10", "6.9", 1},
        {"7.1.0", "7.1", 1},
        {"unit 9", "unit 10", -1},
        {"unit 007", "unit 7", 0},
        {"a", "ab", -1},
        {"", "", 0},
        {"b", "a10", 1},
        {"10.0.0.9", "10.0.0.10", -1},
        {"v2", "v2a", -1},
        {"99", "100", -1},
        {"x1y2", "x1y10", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " / " + row.b);
        const int c = NaturalCompare(row.a, row.b);
        EXPECT_EQ((c > 0) - (c < 0), row.sign);
    }
}

struct Device {
    Device(std::string n, std::string a, uint16_t p = 4300, std::string v = "1.0",
           std::string i = "")
        : name(std::move(n)),
          address(std::move(a)),
          port(p),
          version(std::move(v)),
          info(std::move(i)) {}
    std::string name;
    std::string address;
    uint16_t port;
    std::string version;
    std::string info;
};

class ProductListModelTest : public ::testing::Test {
protected:
    ZProduct* Make(const Device& d) {
        FakeNetworkDevice device("zelvane.vxp2", d.address, d.port);
        device.name = d.name;
        device.version = d.version;
        device.model = "VXP HD";
        device.info = d.info;
        products_.push_back(std::make_unique<ZProduct>(&device));
        return products_.back().get();
    }

    std::vector<ZProduct*> MakeAll(const std::vector<Device>& devices) {
        std::vector<ZProduct*> made;
        for (const Device& d : devices) {
            made.push_back(Make(d));
        }
        return made;
    }

    static std::vector<std::string> Names(const ZProductListModel& model) {
        std::vector<std::string> names;
        for (size_t i = 0; i < model.GetShownCount(); ++i) {
            names.push_back(model.GetShown(i)->GetName().GetString());
        }
        return names;
    }

    std::vector<std::unique_ptr<ZProduct>> products_;
};

TEST_F(ProductListModelTest, ColumnsSortByTheirKindOfValueAndTiesKeepArrivalOrder) {
    ZProductListModel model;
    model.Add(MakeAll({
        {"Stage 10", "10.0.0.10", 4300, "6.10"},
        {"stage 9", "10.0.0.9", 4301, "6.9"},
        {"Booth", "10.0.0.9", 80, "6.9"},
        {"Apron", "9.255.0.1", 4300, "10.0"},
    }));
    struct Row {
        const char* label;
        int column;
        bool descending;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        {"arrival", ZProductListModel::kNoSort, false, {"Stage 10", "stage 9", "Booth", "Apron"}},
        {"names, letter case aside, numbers as numbers",
         ZProductListModel::kName,
         false,
         {"Apron", "Booth", "stage 9", "Stage 10"}},
        {"addresses as numbers, then the port",
         ZProductListModel::kAddress,
         false,
         {"Apron", "Booth", "stage 9", "Stage 10"}},
        {"addresses backwards",
         ZProductListModel::kAddress,
         true,
         {"Stage 10", "stage 9", "Booth", "Apron"}},
        // 6.9 twice: the one that arrived first stays first, in both directions.
        {"versions", ZProductListModel::kVersion, false, {"stage 9", "Booth", "Stage 10", "Apron"}},
        {"versions backwards",
         ZProductListModel::kVersion,
         true,
         {"Apron", "Stage 10", "stage 9", "Booth"}},
        // One type and one description for all: arrival order.
        {"all alike",
         ZProductListModel::kTypeModel,
         true,
         {"Stage 10", "stage 9", "Booth", "Apron"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        model.SetSort(row.column, row.descending);
        EXPECT_EQ(Names(model), row.names);
    }
}

TEST_F(ProductListModelTest, ProductsAddedOneByOneOrInBatchesLandWhereASortPutsThem) {
    std::vector<Device> devices;
    for (int i = 0; i < 300; ++i) {
        // Addresses out of order and repeated with other ports, names with and without numbers.
        const int host = (i * 37) % 101 + 1;
        devices.push_back({(i % 3 == 0 ? "Unit " : "unit ") + std::to_string((i * 53) % 47),
                           "10.0." + std::to_string(host % 3) + "." + std::to_string(host),
                           static_cast<uint16_t>(4300 + i % 4), std::to_string(i % 7) + ".1"});
    }
    const std::vector<ZProduct*> all = MakeAll(devices);
    for (int column = ZProductListModel::kNoSort; column < ZProductListModel::kColumnCount;
         ++column) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(std::to_string(column) + (descending ? " descending" : ""));
            ZProductListModel grown;
            grown.SetSort(column, descending);
            grown.SetFilter(QStringLiteral("UNIT 1"));
            size_t next = 0;
            for (size_t batch : {1u, 1u, 17u, 1u, 100u, 1u, 179u}) {
                grown.Add(std::vector<ZProduct*>(all.begin() + next, all.begin() + next + batch));
                next += batch;
            }
            ZProductListModel sorted;
            sorted.Add(all);
            sorted.SetFilter(QStringLiteral("unit 1"));
            sorted.SetSort(column, descending);
            EXPECT_EQ(Names(grown), Names(sorted));
            EXPECT_GT(grown.GetShownCount(), 10u);
            EXPECT_LT(grown.GetShownCount(), all.size());
        }
    }
}

TEST_F(ProductListModelTest, FilterSearchesEveryTextWithoutLetterCaseNarrowingOrNot) {
    ZProductListModel model;
    const std::vector<ZProduct*> made = MakeAll({
        {"Bühne Links", "10.0.0.1", 4300},
        {"Foyer", "10.0.0.2", 4300, "1.0",
         "<data><systemconfig><entry serial=\"SN-77A\"/></systemconfig></data>"},
        {"Booth", "10.0.0.3", 8080},
        {"Caf\xE9", "10.0.0.4", 4300},  // Windows-1252
    });
    model.Add(made);
    model.SetSort(ZProductListModel::kName, false);
    struct Row {
        const char* filter;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        {"BÜHNE", {"Bühne Links"}},
        {"sn-77", {"Foyer"}},        // the serial
        {"sn-77a", {"Foyer"}},       // narrows the one before
        {"10.0.0.3:80", {"Booth"}},  // address and port as the cell shows them
        {"café", {"Caf\xE9"}},       // decoded as the cell shows it
        {"", {"Booth", "Bühne Links", "Caf\xE9", "Foyer"}},
        {"hd", {"Booth", "Bühne Links", "Caf\xE9", "Foyer"}},           // the description
        {"web browser", {"Booth", "Bühne Links", "Caf\xE9", "Foyer"}},  // the client's name
        {"nowhere", {}},
        {"OY", {"Foyer"}},  // widens after "nowhere"
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.filter);
        model.SetFilter(QString::fromUtf8(row.filter));
        EXPECT_EQ(Names(model), row.names);
        EXPECT_EQ(model.IsFiltered(), row.filter[0] != '\0');
    }
    // A product that arrives while the filter holds is shown only when it matches.
    model.Add({Make({"Royal Box", "10.0.0.5"}), Make({"Wing", "10.0.0.6"})});
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Foyer", "Royal Box"}));
}

TEST_F(ProductListModelTest, SilentProductsAreMarkedAndHiddenOnlyWhenAsked) {
    ZProductListModel model;
    const std::vector<ZProduct*> made =
        MakeAll({{"A", "10.0.0.1"}, {"B", "10.0.0.2"}, {"C", "10.0.0.3"}});
    model.Add(made);
    model.SetSort(ZProductListModel::kName, true);
    EXPECT_TRUE(model.SetSilent(made[1], true, 5000));
    EXPECT_FALSE(model.SetSilent(made[1], true, 6000));  // already silent
    EXPECT_EQ(model.GetSilentSince(made[1]), 5000);
    EXPECT_EQ(model.GetShownSilentSince(1), 5000);
    EXPECT_EQ(model.GetSilentCount(), 1u);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"C", "B", "A"}));

    model.SetHideSilent(true);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"C", "A"}));
    EXPECT_EQ(model.ShownPositionOf(made[1]), -1);
    model.SetSilent(made[2], true, 7000);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"A"}));
    // Back: in its place again.
    model.SetSilent(made[1], false, 0);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(model.GetSilentSince(made[1]), ZProductListModel::kAnswering);
    model.SetHideSilent(false);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(model.Find("zelvane.vxp2", "10.0.0.3", 4300), made[2]);
    EXPECT_EQ(model.Find("zelvane.vxp2", "10.0.0.3", 4301), nullptr);
}

TEST_F(ProductListModelTest, AHostileTextIsKeptOnlyAsFarAsItsCellShowsIt) {
    ZProductListModel model;
    // A name of 60,000 bytes, "x" up to the cell's 127 and "needle" far behind.
    ZProduct* product = Make({std::string(60000, 'x') + "needle", "10.0.0.1"});
    model.Add({product});
    model.SetFilter(QStringLiteral("needle"));
    EXPECT_EQ(model.GetShownCount(), 0u);
    model.SetFilter(QString(127, QLatin1Char('x')));
    EXPECT_EQ(model.GetShownCount(), 1u);
    model.SetFilter(QString(128, QLatin1Char('x')));
    EXPECT_EQ(model.GetShownCount(), 0u);
}

}  // namespace
