// The finder's exported list, made among simulated devices in a private network, read back by
// zunit: `zunit scan --expect` takes it as an inventory and finds it fulfilled, and it holds the
// very rows `zunit scan --json` and `--csv` print for the same devices.

#include <QCoreApplication>
#include <QTest>

#include <algorithm>

#include "app/font_substitutes.h"
#include "app/string_table.h"
#include "app/unitfinder_dialog.h"
#include "ndd/ndd_user_agent.h"
#include "platform/files/memory_profile_file_store.h"
#include "platform/files/profile.h"
#include "tests/netns/simulated_network.h"

namespace products_test {
namespace {

// A Cuedeck with a serial, a VXP (web page, always "installed"), and a name with a quote and a
// letter beyond ASCII (CSV quoting, UTF-8).
const char* kDevices = R"([
  {"service":"zelvane.cuedeck","name":"Booth \"2\"","address":"10.77.0.50","mask":"255.255.255.0",
   "port":4300,"model":"Cuedeck","version":"6.4.2",
   "info":"<data><systemconfig><entry serial=\"CD-1\" model=\"prime\"/></systemconfig></data>"},
  {"service":"zelvane.vxp2","name":"Wall","address":"10.77.0.80","mask":"255.255.255.0",
   "port":80,"model":"VXP HD","version":"2.1"},
  {"service":"zelvane.conductor6","name":"B\u00fchne","address":"10.77.0.9",
   "mask":"255.255.255.0","port":4320,"model":"Conductor","version":"6.0.1"}
])";

// Rows in one order whatever order they were written in.
Json ByAddress(Json rows) {
    std::sort(rows.begin(), rows.end(), [](const Json& a, const Json& b) {
        return std::make_pair(a["address"].get<std::string>(), a["port"].get<int>()) <
               std::make_pair(b["address"].get<std::string>(), b["port"].get<int>());
    });
    return rows;
}

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    if (!lines.empty()) {
        std::sort(lines.begin() + 1, lines.end());  // the header stays first
    }
    return lines;
}

using FinderExportNetnsTest = SimulatedNetworkTest;

TEST_F(FinderExportNetnsTest, TheExportedListIsAnInventoryTheScanFulfilsRowForRow) {
    StartSimulator(kDevices);
    InstallFontSubstitutes();
    RegisterStringTable();
    zplat::MemoryProfileFileStore settings;  // no settings file beside the test program
    zplat::ProfileFileStore* previous = zplat::SetProfileFileStore(&settings);
    {
        ztest::EnterNetns in(pair_.a);
        ASSERT_TRUE(in.ok());
        ZTEST_REFUSE_INITIAL_NETNS();
        TUnitFinderDialog window([](const char* group, uint16_t local, uint16_t remote) {
            return static_cast<INDDUserAgent*>(new ZNDDUserAgent(group, local, remote));
        });
        window.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.GetListedCount() == 3; }, 10000));
        window.SortBy(ZProductListModel::kName, true);
        QString error;
        ASSERT_TRUE(window.ExportList(QString::fromStdString(Path("list.json")),
                                      TUnitFinderDialog::ExportFormat::kJson, &error))
            << error.toStdString();
        ASSERT_TRUE(window.ExportList(QString::fromStdString(Path("list.csv")),
                                      TUnitFinderDialog::ExportFormat::kCsv, &error));
        window.close();
    }
    zplat::SetProfileFileStore(previous);

    const Json exported = Json::parse(ReadFile(Path("list.json")), nullptr, false);
    ASSERT_TRUE(exported.is_array()) << ReadFile(Path("list.json"));
    ASSERT_EQ(exported.size(), 3u);
    EXPECT_EQ(exported[0]["name"], "Wall");  // the list's order: by name, backwards

    std::string out, err;
    EXPECT_EQ(RunZunit("scan --time 20 --interval 300 --expect " + Path("list.json"), &out, &err),
              0)
        << err;
    EXPECT_NE(err.find("3 of 3 expected products found"), std::string::npos) << err;

    ASSERT_EQ(RunZunit("scan --time 1 --interval 300 --json", &out, &err), 0) << err;
    const Json scanned = Json::parse(out, nullptr, false);
    ASSERT_TRUE(scanned.is_array()) << out;
    EXPECT_EQ(ByAddress(exported), ByAddress(scanned));
    EXPECT_EQ(exported[0]["local_interface"], pair_.ifA);

    ASSERT_EQ(RunZunit("scan --time 1 --interval 300 --csv", &out, &err), 0) << err;
    EXPECT_EQ(SortedLines(ReadFile(Path("list.csv"))), SortedLines(out));
}

}  // namespace
}  // namespace products_test
