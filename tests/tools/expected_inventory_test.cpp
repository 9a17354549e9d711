// The expected inventory of `zunit scan --expect`: its file format and errors, and the comparison
// with the products a scan found.

#include "tools/expected_inventory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ZProductRow Row(const std::string& name, const std::string& service, const std::string& address,
                uint16_t port, const std::string& serial = "N/A") {
    ZProductRow r;
    r.name = name;
    r.service = service;
    r.typeModel = "Cuedeck Prime";
    r.version = "6.4.2";
    r.address = address;
    r.port = port;
    r.serial = serial;
    return r;
}

ZExpectedInventory Inventory(const std::string& text) {
    ZExpectedInventory inventory;
    std::string error;
    EXPECT_TRUE(ZExpectedInventory::Parse(text, &inventory, &error)) << error;
    return inventory;
}

TEST(ExpectedInventoryTest, ReadsEveryMemberInBothShapes) {
    const ZExpectedInventory a = Inventory(
        R"({"products": [{"name": "Booth 2", "service": "zelvane.cuedeck",
            "type_model": "Cuedeck Prime", "version": "6.4.2", "address": "10.0.0.50",
            "port": 4300, "serial": "A1"}]})");
    ASSERT_EQ(a.GetCount(), 1u);
    EXPECT_EQ(a.Describe(0),
              "name=\"Booth 2\" service=\"zelvane.cuedeck\" type_model=\"Cuedeck Prime\" "
              "version=\"6.4.2\" address=\"10.0.0.50\" port=4300 serial=\"A1\"");
    EXPECT_TRUE(a.GetEntry(0).Matches(Row("Booth 2", "zelvane.cuedeck", "10.0.0.50", 4300, "A1")));
    EXPECT_FALSE(a.GetEntry(0).Matches(Row("booth 2", "zelvane.cuedeck", "10.0.0.50", 4300, "A1")));

    const ZExpectedInventory b = Inventory(R"([{"port": 80}, {"serial": "x"}])");
    ASSERT_EQ(b.GetCount(), 2u);
    EXPECT_EQ(b.Describe(0), "port=80");

    // A saved `zunit scan --json`: the members it does not compare are ignored.
    const ZExpectedInventory saved = Inventory(
        R"([{"name": "n", "type_model": "t", "version": "v", "address": "10.0.0.1", "port": 1,
             "description": "d", "client": "c", "installed": true, "serial": "s",
             "service": "zelvane.x", "kind": 0, "major_version": 1, "local_address": "10.0.0.2",
             "local_interface": "eth0"}])");
    EXPECT_EQ(saved.GetCount(), 1u);
    EXPECT_EQ(Inventory("[]").GetCount(), 0u);
}

TEST(ExpectedInventoryTest, RefusesMalformedFilesWithAReason) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"", "not JSON"},
        {"{\"products\": [}", "not JSON"},
        {"{\"devices\": []}", "exactly one member, \"products\""},
        {"{\"products\": [], \"x\": 1}", "exactly one member"},
        {"{\"products\": {}}", "expected an array"},
        {"42", "expected an array"},
        {"[1]", "product 1: must be an object"},
        {"[{\"name\": \"a\"}, {}]", "product 2: names no product"},
        {"[{\"name\": 5}]", "product 1: \"name\" must be a text"},
        {"[{\"port\": \"80\"}]", "\"port\" must be a number from 0 to 65535"},
        {"[{\"port\": 65536}]", "\"port\" must be a number"},
        {"[{\"port\": -1}]", "\"port\" must be a number"},
        {"[{\"port\": 1.5}]", "\"port\" must be a number"},
        {"[{\"adress\": \"10.0.0.1\"}]", "unknown member \"adress\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ZExpectedInventory inventory = Inventory(R"([{"name": "before"}])");
        std::string error;
        EXPECT_FALSE(ZExpectedInventory::Parse(c.text, &inventory, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(inventory.GetCount(), 0u);  // nothing half-read is kept
    }
    ZExpectedInventory inventory;
    std::string error;
    EXPECT_FALSE(ZExpectedInventory::Load("/nonexistent/inventory.json", &inventory, &error));
    EXPECT_EQ(error, "/nonexistent/inventory.json: cannot be read");
}

TEST(ExpectedInventoryTest, ComparisonNamesMissingAndUnexpectedProducts) {
    const ZExpectedInventory inventory = Inventory(R"([
        {"name": "Booth 2", "address": "10.0.0.50", "port": 4300},
        {"service": "zelvane.vxp2"},
        {"service": "zelvane.vxp2"},
        {"serial": "TK-1"}
    ])");
    const std::vector<ZProductRow> rows = {
        Row("Booth 2", "zelvane.cuedeck", "10.0.0.50", 4300),
        Row("Booth 2", "zelvane.cuedeck", "10.0.0.50", 4301),  // another port: not the one
        Row("Wall", "zelvane.vxp2", "10.0.0.60", 80),
        Row("Stage", "zelvane.conductor6", "10.0.0.70", 4320),
    };
    const ZExpectedInventory::Result r = inventory.Compare(rows);
    // One VXP for two entries: one of them is missing; the timekeeper is missing.
    EXPECT_EQ(r.missing, (std::vector<size_t>{2, 3}));
    EXPECT_EQ(r.unexpected, (std::vector<size_t>{1, 3}));
    EXPECT_EQ(r.matched, (std::vector<std::pair<size_t, size_t>>{{0, 0}, {1, 2}}));

    std::vector<ZProductRow> all = rows;
    all.push_back(Row("Wall 2", "zelvane.vxp2", "10.0.0.61", 80));
    all.push_back(Row("Clock", "zelvane.timekeeper", "10.0.0.80", 4350, "TK-1"));
    EXPECT_TRUE(inventory.Compare(all).missing.empty());
    EXPECT_TRUE(Inventory("[]").Compare(all).missing.empty());
}

// A first-come pairing would give the general entry the only product the specific one can take;
// the matching moves it to the other.
TEST(ExpectedInventoryTest, PairsProductsSoThatNoEntryIsMissedNeedlessly) {
    const ZExpectedInventory inventory = Inventory(R"([
        {"service": "zelvane.cuedeck"},
        {"service": "zelvane.cuedeck"},
        {"name": "A"},
        {"address": "10.0.0.1"}
    ])");
    const std::vector<ZProductRow> rows = {
        Row("A", "zelvane.cuedeck", "10.0.0.1", 1),
        Row("B", "zelvane.cuedeck", "10.0.0.2", 1),
        Row("C", "zelvane.cuedeck", "10.0.0.1", 2),
    };
    const ZExpectedInventory::Result r = inventory.Compare(rows);
    EXPECT_EQ(r.missing.size(), 1u);  // four entries, three products: only one goes without
    EXPECT_TRUE(r.unexpected.empty());
    EXPECT_EQ(r.matched.size(), 3u);
    bool nameTaken = false;
    for (auto [entry, row] : r.matched) {
        EXPECT_TRUE(inventory.GetEntry(entry).Matches(rows[row]));
        nameTaken = nameTaken || (entry == 2 && row == 0);
    }
    EXPECT_TRUE(nameTaken);
}

// A chain of reassignments as long as the inventory: entry i (i < n - 1) fits products i and
// i + 1, the last entry only product 0. First come leaves the last entry without a product; the
// matching moves every other entry one product on.
TEST(ExpectedInventoryTest, FollowsReassignmentChainsAsLongAsTheInventory) {
    constexpr int kCount = 4000;
    auto key = [](int i) { return "K" + std::to_string(i); };
    std::vector<ZProductRow> rows(kCount);
    std::string text = "[";
    for (int i = 0; i < kCount; ++i) {
        // Even entries name their pair by name, odd ones by serial; product j carries the keys of
        // entries j and j - 1, which differ in parity.
        for (int entry : {i, i - 1}) {
            if (entry < 0 || entry > kCount - 2) {
                continue;
            }
            (entry % 2 == 0 ? rows[i].name : rows[i].serial) = key(entry);
        }
        if (i < kCount - 1) {
            text += std::string(i ? "," : "") + "{\"" + (i % 2 == 0 ? "name" : "serial") + "\":\"" +
                    key(i) + "\"}";
        }
    }
    rows[0].serial = "last";
    text += ",{\"serial\":\"last\"}]";
    const ZExpectedInventory inventory = Inventory(text);
    ASSERT_EQ(inventory.GetCount(), static_cast<size_t>(kCount));
    const ZExpectedInventory::Result r = inventory.Compare(rows);
    EXPECT_TRUE(r.missing.empty());
    EXPECT_TRUE(r.unexpected.empty());
    ASSERT_EQ(r.matched.size(), static_cast<size_t>(kCount));
    EXPECT_EQ(r.matched[0], (std::pair<size_t, size_t>{kCount - 1, 0}));
    EXPECT_EQ(r.matched[1], (std::pair<size_t, size_t>{0, 1}));
}

}  // namespace
