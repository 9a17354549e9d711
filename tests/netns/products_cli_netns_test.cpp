// zunit's product view end to end, in a private namespace with `zunit simulate` as the devices:
// scan in its formats and with an expected inventory, the live count only on a terminal, watch's
// events as devices go and come back, and connect starting a client found in a Wine prefix.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/netns/simulated_network.h"

namespace products_test {
namespace {

// A Cuedeck with an info document, a VXP (web page, always "installed"), a Conductor 6, and a
// second product on the Cuedeck's address.
const char* kDevices = R"([
  {"service":"zelvane.cuedeck","name":"Booth 2","address":"10.200.0.50","mask":"255.255.255.0",
   "port":4300,"model":"Cuedeck","version":"6.4.2",
   "info":"<data><systemconfig><entry serial=\"CD-1\" model=\"prime\"/></systemconfig></data>"},
  {"service":"zelvane.vxp2","name":"Wall","address":"10.200.0.80","mask":"255.255.255.0",
   "port":80,"model":"VXP HD","version":"2.1"},
  {"service":"zelvane.conductor6","name":"Stage","address":"10.200.0.70",
   "mask":"255.255.255.0","port":4320,"model":"Conductor","version":"6.0.1",
   "info":"<data><systemconfig><entry serial=\"CN-6\" model=\"cndvenue\"/></systemconfig></data>"},
  {"service":"zelvane.cuedeck2","name":"Booth 2 editor","address":"10.200.0.50",
   "mask":"255.255.255.0","port":4301,"model":"Zelvane Cuedeck","version":"2.0"}
])";

class ProductsCliNetnsTest : public SimulatedNetworkTest {
protected:
    void SetUp() override {
        SimulatedNetworkTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        StartSimulator(kDevices);
    }

    std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        size_t begin = 0;
        for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
            lines.push_back(text.substr(begin, end - begin));
        }
        return lines;
    }
};

TEST_F(ProductsCliNetnsTest, ScanPrintsProductsInEveryFormat) {
    std::string out, err;
    ASSERT_EQ(RunZunit("scan --time 1 --interval 300 --json", &out, &err), 0) << err;
    const Json products = Json::parse(out, nullptr, false);
    ASSERT_TRUE(products.is_array()) << out;
    ASSERT_EQ(products.size(), 4u) << out;
    // Ordered by address, port, service.
    EXPECT_EQ(products[0]["name"], "Booth 2");
    EXPECT_EQ(products[1]["name"], "Booth 2 editor");
    EXPECT_EQ(products[2]["name"], "Stage");
    EXPECT_EQ(products[3]["name"], "Wall");
    const Json& booth = products[0];
    EXPECT_EQ(booth["type_model"], "Cuedeck Prime");
    EXPECT_EQ(booth["version"], "6.4.2");
    EXPECT_EQ(booth["address"], "10.200.0.50");
    EXPECT_EQ(booth["port"], 4300);
    EXPECT_EQ(booth["description"], "Cuedeck Editor");
    EXPECT_EQ(booth["client"], "Zelvane Cuedeck Editor");
    EXPECT_EQ(booth["installed"], false);  // no Wine prefix here
    EXPECT_EQ(booth["serial"], "CD-1");
    EXPECT_EQ(products[3]["client"], "WEB Browser");
    EXPECT_EQ(products[3]["installed"], true);
    EXPECT_EQ(products[3]["serial"], "N/A");
    for (const Json& p : products) {
        EXPECT_EQ(p["local_address"], pair_.addressA);
        EXPECT_EQ(p["local_interface"], pair_.ifA);
    }
    EXPECT_EQ(err.find('\r'), std::string::npos);  // not a terminal: no live count

    ASSERT_EQ(RunZunit("scan --time 1 --interval 300 --ndjson", &out), 0);
    const std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(lines.size(), 4u) << out;
    for (const std::string& line : lines) {
        EXPECT_TRUE(Json::parse(line, nullptr, false).is_object()) << line;
    }
    ASSERT_EQ(RunZunit("scan --time 1 --interval 300 --csv", &out), 0);
    EXPECT_EQ(Lines(out).size(), 5u) << out;
    ASSERT_EQ(RunZunit("scan --time 1 --interval 300", &out), 0);
    EXPECT_EQ(out.rfind("Device Name", 0), 0u) << out;
    EXPECT_NE(out.find("10.200.0.70:4320"), std::string::npos) << out;
    EXPECT_NE(out.find("Conductor Venue"), std::string::npos) << out;

    EXPECT_EQ(RunZunit("scan --time 0.5 --interval 200 --service nobody.*", &out), 1);
    EXPECT_EQ(RunZunit("scan --json --csv", &out), 2);
}

TEST_F(ProductsCliNetnsTest, LiveCountOnlyOnATerminal) {
    // `script` gives zunit a terminal; its stdout and stderr both arrive in the typescript.
    const std::string command = "ip netns exec " + pair_.a + " script -qec '" + ZUNIT_EXE +
                                " scan --time 1 --interval 200 --csv' /dev/null > " +
                                Path("tty.out") + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(Path("tty.out"));
    const std::string typescript = ReadFile(Path("tty.out"));
    EXPECT_NE(typescript.find("\r\033[Kzunit scan: 4 devices found"), std::string::npos)
        << typescript;

    std::string out, err;
    ASSERT_EQ(RunZunit("scan --time 1 --interval 200 --csv", &out, &err), 0);
    EXPECT_EQ(out.find("devices found"), std::string::npos);
    EXPECT_EQ(err, "");
}

TEST_F(ProductsCliNetnsTest, ExpectComparesWithTheInventory) {
    std::ofstream(Path("all.json")) << R"({"products": [
        {"name": "Booth 2", "address": "10.200.0.50", "port": 4300, "serial": "CD-1"},
        {"service": "zelvane.vxp2"},
        {"type_model": "Conductor Venue"}]})";
    std::string out, err;
    const auto start = Clock::now();
    EXPECT_EQ(RunZunit("scan --time 20 --interval 300 --expect " + Path("all.json"), &out, &err), 0)
        << err;
    EXPECT_LT(MsSince(start), 10000);  // ends once everything expected has answered
    EXPECT_NE(err.find("3 of 3 expected products found"), std::string::npos) << err;
    EXPECT_EQ(out.rfind("Device Name", 0), 0u);  // the table still goes to stdout

    // A saved scan serves as the inventory; a ghost makes one product missing.
    ASSERT_EQ(RunZunit("scan --time 1 --interval 300 --json", &out), 0);
    Json saved = Json::parse(out);
    saved.push_back({{"name", "Ghost"}, {"address", "10.200.0.99"}});
    std::ofstream(Path("saved.json")) << saved.dump();
    EXPECT_EQ(
        RunZunit("scan --time 1 --interval 300 --json --expect " + Path("saved.json"), &out, &err),
        4);
    EXPECT_NE(err.find("missing: name=\"Ghost\" address=\"10.200.0.99\""), std::string::npos)
        << err;
    EXPECT_NE(err.find("4 of 5 expected products found"), std::string::npos) << err;
    EXPECT_EQ(Json::parse(out, nullptr, false).size(), 4u);

    // Two entries that fit the same product need two products.
    std::ofstream(Path("twice.json")) << R"([{"address": "10.200.0.80"}, {"port": 80}])";
    EXPECT_EQ(RunZunit("scan --time 1 --interval 300 --expect " + Path("twice.json"), &out, &err),
              4);
    EXPECT_NE(err.find("not in the inventory: \"Stage\""), std::string::npos) << err;

    std::ofstream(Path("bad.json")) << R"([{"adress": "10.200.0.80"}])";
    EXPECT_EQ(RunZunit("scan --expect " + Path("bad.json"), &out, &err), 2);
    EXPECT_NE(err.find("unknown member \"adress\""), std::string::npos) << err;
}

TEST_F(ProductsCliNetnsTest, WatchReportsProductsThatGoStaleAndComeBack) {
    std::unique_ptr<ztest::NetnsProcess> watch =
        net_.Spawn(pair_.a, {ZUNIT_EXE, "watch", "--json", "--interval", "200"}, Path("watch.out"));
    ASSERT_NE(watch, nullptr);
    auto count = [&](const std::string& event) {
        int n = 0;
        for (const Json& e : ReadJsonLines(Path("watch.out"))) {
            n += e["event"] == event ? 1 : 0;
        }
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return count("appeared") == 4; }, 5000))
        << ReadFile(Path("watch.out"));
    StopSimulator();
    // Two missed 200 ms cycles and a half: stale after 500 ms without an answer.
    ASSERT_TRUE(WaitFor([&] { return count("stale") == 4; }, 3000)) << ReadFile(Path("watch.out"));
    StartSimulator(kDevices);
    ASSERT_TRUE(WaitFor([&] { return count("back") == 4; }, 3000)) << ReadFile(Path("watch.out"));
    watch->Signal();  // SIGTERM ends it cleanly
    EXPECT_EQ(watch->Wait(5000), 0);

    // Every line is an event; each product appeared, went stale and came back, in that order.
    std::map<std::string, std::vector<std::string>> story;
    const std::string text = ReadFile(Path("watch.out"));
    for (const std::string& line : Lines(text)) {
        const Json e = Json::parse(line, nullptr, false);
        ASSERT_TRUE(e.is_object()) << line;
        const Json& p = e["product"];
        story[p["address"].get<std::string>() + ":" + std::to_string(p["port"].get<int>())]
            .push_back(e["event"]);
        if (e["event"] != "appeared") {
            EXPECT_LT(e["last_seen"].get<std::string>(), e["time"].get<std::string>());
        }
    }
    ASSERT_EQ(story.size(), 4u);
    for (const auto& [product, events] : story) {
        SCOPED_TRACE(product);
        EXPECT_EQ(events, (std::vector<std::string>{"appeared", "stale", "back"}));
    }
    EXPECT_EQ(story.count("10.200.0.70:4320"), 1u);
}

// Clients as the finder's Connect starts them: the Conductor 6 from a Wine prefix (through a
// stand-in `wine`), the VXP's web page (through a stand-in `xdg-open`), never through a shell.
TEST_F(ProductsCliNetnsTest, ConnectStartsTheClientAsTheFinderDoes) {
    namespace fs = std::filesystem;
    const std::string prefix = Path("prefix");
    const std::string exe = prefix + "/drive_c/Program Files/Zelvane/Conductor 6/Conductor.exe";
    fs::create_directories(fs::path(exe).parent_path());
    std::ofstream(exe) << "MZ";
    std::ofstream(prefix + "/system.reg")
        << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
           "[Software\\\\Classes\\\\ZelvaneConductor6.Application\\\\DefaultIcon] 1700000000\n"
           "@=\"C:\\\\Program Files\\\\Zelvane\\\\Conductor 6\\\\Conductor.exe,0\"\n\n";
    fs::create_directories(Path("bin"));
    for (const char* tool : {"wine", "xdg-open"}) {
        // Writes its arguments, one per line, to <tool>-ran.
        const std::string path = Path("bin") + "/" + tool;
        const std::string marker = Path(std::string(tool) + "-ran");
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                            << marker << ".tmp'\nmv '" << marker << ".tmp' '" << marker << "'\n";
        ::chmod(path.c_str(), 0755);
    }
    const char* path = std::getenv("PATH");
    const std::string env = "WINEPREFIX='" + prefix + "' PATH='" + Path("bin") + ":" +
                            (path != nullptr ? path : "/usr/bin:/bin") + "'";
    auto ran = [&](const char* tool) {
        const std::string marker = Path(std::string(tool) + "-ran");
        WaitFor([&] { return fs::exists(marker); }, 5000);
        return ReadFile(marker);
    };

    std::string out, err;
    ASSERT_EQ(RunZunit("connect 10.200.0.70 --interval 300", &out, &err, env), 0) << err;
    EXPECT_NE(out.find("\"Stage\" (Conductor Venue) at 10.200.0.70:4320: client \"Zelvane "
                       "Conductor\" started"),
              std::string::npos)
        << out;
    EXPECT_EQ(ran("wine"), "C:\\Program Files\\Zelvane\\Conductor 6\\Conductor.exe\n");

    ASSERT_EQ(RunZunit("connect 10.200.0.80:80 --interval 300", &out, &err, env), 0) << err;
    EXPECT_EQ(ran("xdg-open"), "http://10.200.0.80\n");  // no port

    EXPECT_EQ(RunZunit("connect 10.200.0.70 --dry-run --interval 300", &out, &err, env), 0);
    EXPECT_NE(out.find("would be started"), std::string::npos) << out;

    // Two products at one address: the port chooses; the Cuedeck's editor is not installed.
    EXPECT_EQ(RunZunit("connect 10.200.0.50 --interval 300", &out, &err, env), 2);
    EXPECT_NE(err.find("2 products answered at 10.200.0.50"), std::string::npos) << err;
    EXPECT_EQ(RunZunit("connect 10.200.0.50:4300 --interval 300", &out, &err, env), 5);
    EXPECT_NE(err.find("\"Zelvane Cuedeck Editor\" is not installed"), std::string::npos) << err;
    EXPECT_EQ(
        RunZunit("connect 10.200.0.50:4301 --service zelvane.cuedeck --time 1", &out, &err, env),
        1);  // the pattern leaves the editor's product out
    EXPECT_EQ(RunZunit("connect 10.200.0.99 --time 0.5 --interval 200", &out, &err, env), 1);
    EXPECT_NE(err.find("no product answered at 10.200.0.99"), std::string::npos) << err;
    EXPECT_EQ(RunZunit("connect 10.200.0.70:99999", &out, &err, env), 2);
}

}  // namespace
}  // namespace products_test
