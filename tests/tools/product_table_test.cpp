// The product view of zunit without a network: rows from products, the four output formats,
// the order of rows, and the status line that only a terminal sees.

#include "catalogue/product_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "catalogue/product.h"
#include "catalogue/table_text.h"
#include "tests/catalogue/fake_network_device.h"
#include "tools/device_table.h"
#include "tools/status_line.h"

namespace {

using Json = nlohmann::json;

// Everything a FILE* received, through a temporary file.
class Capture {
public:
    Capture() : file_(std::tmpfile()) {}
    ~Capture() { std::fclose(file_); }
    std::FILE* get() { return file_; }
    std::string Text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
            text.append(buffer, n);
        }
        return text;
    }

private:
    std::FILE* file_;
};

ZProductRow Row(const std::string& name, const std::string& address, uint16_t port,
                const std::string& service = "zelvane.cuedeck") {
    ZProductRow r;
    r.name = name;
    r.typeModel = "Cuedeck Prime";
    r.version = "6.4.2";
    r.address = address;
    r.port = port;
    r.description = "Cuedeck Editor";
    r.client = "Zelvane Cuedeck Editor";
    r.serial = "A1";
    r.service = service;
    r.kind = 3;
    r.majorVersion = 6;
    return r;
}

std::string Print(const ZProductTable& table) {
    Capture out;
    table.Print(out.get());
    return out.Text();
}

TEST(ProductRowTest, TakesTheFindersColumnsFromTheProduct) {
    FakeNetworkDevice d("zelvane.cuedeck", "10.0.0.50", 4300);
    d.name = "Booth 2";
    d.model = "Cuedeck";
    d.version = "6.4.2";
    d.info =
        "<data><systemconfig><entry serial=\"SN-7\" model=\"prime\" masterversion=\"3\"/>"
        "</systemconfig></data>";
    ZProduct product(&d);
    const ZProductRow r = ZProductRow::FromProduct(product);
    EXPECT_EQ(r.name, "Booth 2");
    EXPECT_EQ(r.typeModel, "Cuedeck Prime");
    EXPECT_EQ(r.version, "6.4.2");
    EXPECT_EQ(r.AddressAndPort(), "10.0.0.50:4300");
    EXPECT_EQ(r.description, "Cuedeck Editor");
    EXPECT_EQ(r.client, "Zelvane Cuedeck Editor");
    EXPECT_EQ(r.serial, "SN-7");
    EXPECT_EQ(r.service, "zelvane.cuedeck");
    EXPECT_EQ(r.kind, 3);
    EXPECT_EQ(r.majorVersion, 3);
    EXPECT_FALSE(r.installed);  // filled in by the search, which asks the registry
    EXPECT_EQ(r.LocalText(), "");
}

TEST(ProductRowTest, DeviceTextsInTheDevicesCodePageBecomeUtf8InEveryFormat) {
    // A Western device sends "Café Scène" in Windows-1252: one byte per accented letter.
    FakeNetworkDevice d("zelvane.cuedeck", "10.0.0.50", 4300);
    d.name = "Caf\xE9 Sc\xE8ne";
    d.model = "Mod\xE8le \x80";
    d.version = "6.4.2";
    d.info = "<data><systemconfig><entry serial=\"N\xB0 7\"/></systemconfig></data>";
    d.local.text = "10.0.0.1";
    ZProduct product(&d);
    const ZProductRow r = ZProductRow::FromProduct(product);
    EXPECT_EQ(r.name, "Caf\xC3\xA9 Sc\xC3\xA8ne");
    EXPECT_EQ(r.description, "Mod\xC3\xA8le \xE2\x82\xAC");
    EXPECT_EQ(r.serial, "N\xC2\xB0 7");

    // The same bytes in UTF-8 stay as they are.
    FakeNetworkDevice u = d;
    u.name = "Caf\xC3\xA9 Sc\xC3\xA8ne";
    ZProduct utf8(&u);
    EXPECT_EQ(ZProductRow::FromProduct(utf8).name, r.name);

    ZProductTable text(ZProductTable::Format::kText);
    text.Add(r);
    EXPECT_NE(Print(text).find("Caf\xC3\xA9 Sc\xC3\xA8ne  "), std::string::npos);
    ZProductTable json(ZProductTable::Format::kJson);
    json.Add(r);
    EXPECT_EQ(Json::parse(Print(json))[0]["name"], "Caf\xC3\xA9 Sc\xC3\xA8ne");
    ZProductTable csv(ZProductTable::Format::kCsv);
    csv.Add(r);
    EXPECT_NE(Print(csv).find("\"Caf\xC3\xA9 Sc\xC3\xA8ne\""), std::string::npos);

    // Devices as `zunit locate` prints them: the same decoding.
    for (ZDeviceTable::Format format :
         {ZDeviceTable::Format::kText, ZDeviceTable::Format::kJson, ZDeviceTable::Format::kCsv}) {
        ZDeviceTable devices(format);
        devices.Add(&d, "eth0");
        Capture out;
        devices.Print(out.get());
        const std::string printed = out.Text();
        EXPECT_NE(printed.find("Caf\xC3\xA9 Sc\xC3\xA8ne"), std::string::npos) << printed;
        EXPECT_EQ(printed.find("Caf\xE9"), std::string::npos);
    }
}

TEST(ProductTableTest, NoControlCharacterFromTheNetworkReachesTheTerminal) {
    // ESC, DEL and the C1 controls (U+009B is CSI) in a name that is valid UTF-8.
    ZProductRow r =
        Row("a\x1b[2J"
            "b\x7f"
            "c\xC2\x9B"
            "2Jd",
            "10.0.0.5", 80);
    r.service = "zelvane.\x1b]0;t\x07";
    ZProductTable text(ZProductTable::Format::kText);
    text.Add(r);
    const std::string table = Print(text);
    EXPECT_NE(table.find("a?[2Jb?c?2Jd"), std::string::npos) << table;
    ZProductTable json(ZProductTable::Format::kJson);
    json.Add(r);
    const std::string document = Print(json);
    for (const std::string& printed : {table, document}) {
        EXPECT_EQ(printed.find('\x1b'), std::string::npos);
        EXPECT_EQ(printed.find('\x7f'), std::string::npos);
        EXPECT_EQ(printed.find("\xC2\x9B"), std::string::npos);
    }
    // JSON keeps the data: escaped, and read back as it was.
    EXPECT_EQ(Json::parse(document)[0]["name"], r.name);
    EXPECT_EQ(Json::parse(document)[0]["service"], r.service);
    EXPECT_EQ(ZProductTable::Quote(r.service), "\"zelvane.\\u001b]0;t\\u0007\"");
}

TEST(ProductTableTest, TextTableAlignsColumnsByCharactersAndHidesControlBytes) {
    ZProductTable table(ZProductTable::Format::kText);
    ZProductRow a = Row("Bühne\x1b[2J", "10.0.0.5", 80);  // umlaut: two bytes, one column
    a.installed = true;
    a.localAddress = "10.0.0.1";
    a.localInterface = "eth0";
    table.Add(a);
    table.Add(Row("B", "10.0.0.6", 4300));
    const std::string text = Print(table);

    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        lines.push_back(text.substr(begin, end - begin));
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("Device Name  Type/Model", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Bühne?[2J    Cuedeck Prime", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("B            Cuedeck Prime", 0), 0u) << lines[2];
    EXPECT_NE(lines[1].find("10.0.0.5:80 "), std::string::npos);
    EXPECT_NE(lines[1].find(" yes "), std::string::npos);
    EXPECT_NE(lines[1].find("10.0.0.1 (eth0)"), std::string::npos);
    EXPECT_NE(lines[2].find(" no "), std::string::npos);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST(ProductTableTest, JsonAndJsonLinesCarryEveryColumn) {
    ZProductRow r = Row("Booth \"2\"", "10.0.0.50", 4300);
    r.name += "\xff";  // not UTF-8: replaced, never a failure
    r.localAddress = "10.0.0.1";
    r.localInterface = "veth-a";

    ZProductTable json(ZProductTable::Format::kJson);
    json.Add(r);
    json.Add(r);
    const Json list = Json::parse(Print(json));
    ASSERT_TRUE(list.is_array());
    ASSERT_EQ(list.size(), 2u);
    const Json expected = {{"name", "Booth \"2\"\xef\xbf\xbd"},
                           {"type_model", "Cuedeck Prime"},
                           {"version", "6.4.2"},
                           {"address", "10.0.0.50"},
                           {"port", 4300},
                           {"description", "Cuedeck Editor"},
                           {"client", "Zelvane Cuedeck Editor"},
                           {"installed", false},
                           {"serial", "A1"},
                           {"service", "zelvane.cuedeck"},
                           {"kind", 3},
                           {"major_version", 6},
                           {"local_address", "10.0.0.1"},
                           {"local_interface", "veth-a"}};
    EXPECT_EQ(list[0], expected);

    ZProductTable ndjson(ZProductTable::Format::kNdjson);
    ndjson.Add(r);
    ndjson.Add(Row("Other", "10.0.0.51", 80));
    const std::string lines = Print(ndjson);
    const size_t first = lines.find('\n');
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(Json::parse(lines.substr(0, first)), expected);
    EXPECT_EQ(Json::parse(lines.substr(first + 1))["name"], "Other");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);

    ZProductTable empty(ZProductTable::Format::kNdjson);
    EXPECT_EQ(Print(empty), "");  // no products, no lines
    ZProductTable emptyJson(ZProductTable::Format::kJson);
    EXPECT_EQ(Print(emptyJson), "[]\n");
}

// Rows are printed one at a time; the result is the document a whole-table print gave.
TEST(ProductTableTest, StreamedPrintsMatchTheWholeDocument) {
    for (size_t count : {size_t{0}, size_t{1}, size_t{3}}) {
        SCOPED_TRACE(count);
        ZProductTable json(ZProductTable::Format::kJson), text(ZProductTable::Format::kText);
        Json list = Json::array();
        std::vector<std::vector<std::string>> cells = {ZProductTable::TextHeader()};
        for (size_t i = 0; i < count; ++i) {
            ZProductRow r = Row(i == 1 ? "B\xC3\xBChne \"2\"\n\x7f" : "Booth " + std::to_string(i),
                                "10.0.0." + std::to_string(i + 1), 4300);
            json.Add(r);
            text.Add(r);
            list.push_back(ZProductTable::RowJson(r));
            cells.push_back(ZProductTable::TextCells(r));
        }
        EXPECT_EQ(Print(json), ZProductTable::Dump(list, 2) + "\n");
        EXPECT_EQ(Print(text), table_text::Align(cells));
    }
}

TEST(ProductTableTest, CsvQuotesTextsAndKeepsLinesTogether) {
    ZProductTable table(ZProductTable::Format::kCsv);
    ZProductRow r = Row("Say \"hi\", twice\nplease", "10.0.0.50", 4300);
    r.installed = true;
    table.Add(r);
    EXPECT_EQ(
        Print(table),
        "name,type_model,version,address,port,description,client,installed,serial,service,"
        "local_address,local_interface\n"
        "\"Say \"\"hi\"\", twice\nplease\",\"Cuedeck Prime\",\"6.4.2\",10.0.0.50,4300,"
        "\"Cuedeck Editor\",\"Zelvane Cuedeck Editor\",yes,\"A1\",\"zelvane.cuedeck\",,\"\"\n");
}

TEST(ProductTableTest, SortsByNumericAddressThenPortThenService) {
    struct Device {
        const char* name;
        const char* address;
        uint16_t port;
        const char* service;
    };
    const Device devices[] = {
        {"c", "10.0.0.10", 80, "zelvane.cuedeck"},  {"b", "10.0.0.9", 4300, "zelvane.vxp2"},
        {"a", "10.0.0.9", 4300, "zelvane.cuedeck"}, {"d", "9.255.0.1", 1, "zelvane.cuedeck"},
        {"e", "10.0.0.9", 80, "zelvane.cuedeck"},   {"f", "10.0.0.9", 80, "zelvane.cuedeck"}};
    std::vector<std::unique_ptr<FakeNetworkDevice>> fakes;
    std::vector<std::unique_ptr<ZProduct>> owned;
    std::vector<const ZProduct*> products;
    for (const Device& d : devices) {
        fakes.push_back(std::make_unique<FakeNetworkDevice>(d.service, d.address, d.port));
        fakes.back()->name = d.name;
        owned.push_back(std::make_unique<ZProduct>(fakes.back().get()));
        products.push_back(owned.back().get());
    }
    ZProductTable::SortProducts(&products);
    std::string order;
    for (const ZProduct* p : products) {
        order += ZProductRow::FromProduct(*p).name;
    }
    EXPECT_EQ(order, "defabc");  // e and f tie: they keep their order
}

TEST(StatusLineTest, WritesOnlyWhenEnabledAndOnlyChanges) {
    {
        Capture out;
        ZStatusLine off(out.get(), false);
        off.Show("3 devices found");
        off.Clear();
        EXPECT_EQ(out.Text(), "");  // piped output stays clean
    }
    Capture out;
    {
        ZStatusLine on(out.get(), true);
        on.Show("1 device found");
        on.Show("1 device found");  // unchanged: not written again
        on.Show("2 devices found");
    }  // the destructor erases the line
    EXPECT_EQ(out.Text(),
              "\r\033[K1 device found"
              "\r\033[K2 devices found"
              "\r\033[K");
}

}  // namespace
