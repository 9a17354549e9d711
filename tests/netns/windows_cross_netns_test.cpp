// The Windows build's programs under Wine against the Linux zunit, between two private
// namespaces: zunit.exe scan finds the devices the Linux simulator plays, and the Linux scan finds
// the devices zunit.exe simulate plays, each with what the Linux scan alone reports. With b as a
// router to a third namespace, zunit.exe scan --subnet sweeps the devices behind it. zunit.exe
// exporter serves the Linux simulator's devices on /metrics. And zUnitFinder.exe, on Wine's own
// window system under Xvfb, lists the rows the Linux finder lists and writes its picture.
//
// Wine's server creates every socket of the programs it runs, so each namespace gets a Wine
// prefix of its own whose server is started inside that namespace (the first Wine program there
// starts it); no prefix is shared with anything outside the test. zunit.exe cannot tell a
// namespace from the machine's own network under Wine, so it runs with --allow-host-network, here
// only ever inside the test's namespaces.
//
// Wine's WMI resolves the host name while it lists adapter configurations. No DNS server answers
// inside the namespaces, and the resolver's timeout (5 s a try) would hold the search that long:
// the Wine programs see a resolver file of the test's own that names the loopback, which refuses
// at once. It is bound over /etc/resolv.conf in the mount namespace `ip netns exec` makes for the
// one command, so the machine's file is not touched.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/netns/simulated_network.h"

#ifndef ZUNIT_WINDOWS_EXE
#error "ZUNIT_WINDOWS_EXE must name the Windows build's zunit.exe"
#endif
#ifndef ZUNIT_WINDOWS_FINDER
#error "ZUNIT_WINDOWS_FINDER must name the Windows build's zUnitFinder.exe"
#endif

namespace products_test {
namespace {

const char* kDevices = R"([
  {"service":"zelvane.cuedeck","name":"Booth 2","address":"10.200.0.50","mask":"255.255.255.0",
   "port":4300,"model":"Cuedeck","version":"6.4.2",
   "info":"<data><systemconfig><entry serial=\"CD-1\" model=\"prime\"/></systemconfig></data>"},
  {"service":"zelvane.vxp2","name":"Wall","address":"10.200.0.80","mask":"255.255.255.0",
   "port":80,"model":"VXP HD","version":"2.1"},
  {"service":"zelvane.conductor6","name":"Stage","address":"10.200.0.70",
   "mask":"255.255.255.0","port":4320,"model":"Conductor","version":"6.0.1"}
])";

class WindowsCrossNetnsTest : public SimulatedNetworkTest {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(ZUNIT_WINDOWS_EXE)) {
            GTEST_SKIP() << "the Windows build's zunit.exe is not built (" << ZUNIT_WINDOWS_EXE
                         << "; bash scripts/test windows builds it)";
        }
        if (!ztest::RunCommand("command -v wine")) {
            GTEST_SKIP() << "Wine is not installed (scripts/setup windows installs it)";
        }
        SimulatedNetworkTest::SetUp();
    }

    void TearDown() override {
        simulator_.reset();
        // Each prefix's server ends with the test (it was started inside the test's namespace).
        for (const char* side : {"a", "b"}) {
            ztest::RunCommand("WINEPREFIX=" + Path(std::string("wine-") + side) + " wineserver -k");
        }
        SimulatedNetworkTest::TearDown();
    }

    // The shell command that runs `zunit.exe <args>` under Wine with the prefix of one side;
    // with a display, another program of the Windows build on a screen of Xvfb's own.
    std::string WineCommand(const char* side, const std::string& args,
                            const char* program = ZUNIT_WINDOWS_EXE, bool display = false) {
        const std::string resolver = Path("resolv.conf");
        std::ofstream(resolver) << "nameserver 127.0.0.1\n";
        return "mount --bind " + resolver + " /etc/resolv.conf && exec " +
               (display ? "xvfb-run -a -s \"-screen 0 1024x768x24\" " : "") +
               "env WINEPREFIX=" + Path(std::string("wine-") + side) + " WINEDEBUG=-all " +
               (display ? "" : "DISPLAY= ") + "wine " + program + " " + args;
    }

    // `zunit.exe <args>` under Wine in namespace a, as RunZunit runs the Linux one; or another
    // program of the Windows build on a screen.
    int RunWindowsZunit(const std::string& args, std::string* out, std::string* err,
                        const char* program = ZUNIT_WINDOWS_EXE, bool display = false) {
        const std::string command = "ip netns exec " + pair_.a + " sh -c '" +
                                    WineCommand("a", args, program, display) + "' > " +
                                    Path("wine.out") + " 2> " + Path("wine.err");
        const int status = std::system(command.c_str());
        *out = ReadFile(Path("wine.out"));
        *err = ReadFile(Path("wine.err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The zunit_device_up samples of an exposition, by device_id.
    static std::map<std::string, std::string> UpById(const std::string& metrics) {
        std::map<std::string, std::string> up;
        std::istringstream lines(metrics);
        const std::string prefix = "zunit_device_up{device_id=\"";
        for (std::string line; std::getline(lines, line);) {
            const size_t end = line.find("\"} ");
            if (line.rfind(prefix, 0) == 0 && end != std::string::npos) {
                up[line.substr(prefix.size(), end - prefix.size())] = line.substr(end + 3);
            }
        }
        return up;
    }

    // Scan output without what names the local interface: Windows names adapters by their GUID.
    static Json WithoutInterfaceNames(Json products) {
        for (Json& p : products) {
            p.erase("local_interface");
        }
        return products;
    }

    // The Windows scan listed the Linux scan's three products (err: the Windows scan's stderr).
    static void ExpectTheSameThreeProducts(const std::string& windowsOut,
                                           const std::string& linuxOut, const std::string& err) {
        const Json linux = Json::parse(linuxOut, nullptr, false);
        const Json windows = Json::parse(windowsOut, nullptr, false);
        ASSERT_TRUE(windows.is_array()) << windowsOut << err;
        ASSERT_EQ(linux.size(), 3u) << linuxOut;
        EXPECT_EQ(WithoutInterfaceNames(windows), WithoutInterfaceNames(linux))
            << "Windows:\n"
            << windowsOut << "\nLinux:\n"
            << linuxOut;
    }
};

TEST_F(WindowsCrossNetnsTest, WindowsScanFindsTheLinuxSimulator) {
    StartSimulator(kDevices);
    std::string linuxOut, err;
    ASSERT_EQ(RunZunit("scan --time 2 --interval 300 --json", &linuxOut, &err), 0) << err;
    std::string windowsOut;
    ASSERT_EQ(RunWindowsZunit("scan --allow-host-network --time 3 --interval 300 --json",
                              &windowsOut, &err),
              0)
        << err;
    ExpectTheSameThreeProducts(windowsOut, linuxOut, err);
}

TEST_F(WindowsCrossNetnsTest, LinuxScanFindsTheWindowsSimulator) {
    // The Linux simulator once, for the reference output.
    StartSimulator(kDevices);
    std::string reference, err;
    ASSERT_EQ(RunZunit("scan --time 2 --interval 300 --json", &reference, &err), 0) << err;
    StopSimulator();

    std::ofstream(Path("devices.json")) << kDevices;
    simulator_ = net_.Spawn(pair_.b,
                            {"sh", "-c",
                             WineCommand("b", "simulate --allow-host-network --devices " +
                                                  Path("devices.json") + " --delay 30")},
                            Path("wine-simulator.out"));
    ASSERT_NE(simulator_, nullptr);
    // A new prefix is made on the first start: that takes Wine a while. (Its own output file: the
    // Linux simulator's says "listening" too.)
    ASSERT_TRUE(WaitFor(
        [&] { return ReadFile(Path("wine-simulator.out")).find("listening") != std::string::npos; },
        120000))
        << ReadFile(Path("wine-simulator.out"));
    std::string out;
    ASSERT_EQ(RunZunit("scan --time 2 --interval 300 --json", &out, &err), 0)
        << err << "\nzunit.exe simulate:\n"
        << ReadFile(Path("wine-simulator.out"));
    EXPECT_EQ(Json::parse(out, nullptr, false), Json::parse(reference, nullptr, false))
        << "with zunit.exe simulate:\n"
        << out << "\nwith zunit simulate:\n"
        << reference;
}

TEST_F(WindowsCrossNetnsTest, WindowsScanSweepsARoutedSubnet) {
    // b routes between a and the devices' namespace on 10.31.2.0/24, where the Linux simulator
    // plays a device at each of 10.31.2.10 to .12; broadcasts from a stop at b.
    const std::string devices = net_.AddNamespace("dev");
    ASSERT_FALSE(devices.empty());
    ASSERT_TRUE(net_.AddVethPair(pair_.b, "veth-r", devices, "veth-d"));
    ASSERT_TRUE(net_.Ip(pair_.b, "addr add 10.31.2.1/24 dev veth-r"));
    Json behind = Json::array();
    for (int i = 10; i <= 12; ++i) {
        const std::string address = "10.31.2." + std::to_string(i);
        ASSERT_TRUE(net_.Ip(devices, "addr add " + address + "/24 dev veth-d"));
        behind.push_back({{"service", "zelvane.vxp2"},
                          {"name", "Remote " + address},
                          {"address", address},
                          {"mask", "255.255.255.0"},
                          {"port", 80}});
    }
    ASSERT_TRUE(net_.Ip(devices, "route add default via 10.31.2.1"));
    ASSERT_TRUE(net_.Ip(pair_.a, "route add 10.31.2.0/24 via " + pair_.addressB));
    ASSERT_TRUE(
        ztest::RunCommand("ip netns exec " + pair_.b + " sysctl -qw net.ipv4.ip_forward=1"));
    std::ofstream(Path("behind.json")) << behind.dump();
    simulator_ = net_.Spawn(
        devices,
        {ZUNIT_EXE, "simulate", "--devices", Path("behind.json"), "--log", Path("behind.jsonl")},
        Path("behind.out"));
    ASSERT_NE(simulator_, nullptr);
    ASSERT_TRUE(WaitFor(
        [&] { return ReadFile(Path("behind.out")).find("listening") != std::string::npos; }, 5000))
        << ReadFile(Path("behind.out"));

    const std::string sweep = "--subnet 10.31.2.0/24 --interval 1000 --until 3 --json";
    std::string linuxOut, err;
    ASSERT_EQ(RunZunit("scan --time 4 " + sweep, &linuxOut, &err), 0) << err;
    std::string windowsOut;
    ASSERT_EQ(RunWindowsZunit("scan --allow-host-network --time 6 " + sweep, &windowsOut, &err), 0)
        << err;
    ExpectTheSameThreeProducts(windowsOut, linuxOut, err);
    // Both asked by unicast, from a's address and mask.
    const std::vector<Json> requests = ReadJsonLines(Path("behind.jsonl"));
    ASSERT_FALSE(requests.empty());
    for (const Json& r : requests) {
        EXPECT_EQ(r["requester"], pair_.addressA) << r.dump();
        EXPECT_EQ(r["mask"], "255.255.255.0") << r.dump();
    }
}

#ifdef ZUNIT_FINDER_EXE
// Both finders wait for the three devices (or 60 s), take their pictures and write their rows; the
// Windows one under Wine's own window system, as its users see it.
TEST_F(WindowsCrossNetnsTest, WindowsFinderListsWhatTheLinuxFinderLists) {
    if (!std::filesystem::exists(ZUNIT_WINDOWS_FINDER)) {
        GTEST_SKIP() << "the Windows build's zUnitFinder.exe is not built (" << ZUNIT_WINDOWS_FINDER
                     << ")";
    }
    if (!ztest::RunCommand("command -v xvfb-run")) {
        GTEST_SKIP() << "xvfb-run is not installed (scripts/setup installs it)";
    }
    StartSimulator(kDevices);
    const std::string finderArgs = " --products 3 --timeout 60000 --select Wall";
    const std::string linuxFinder = "ip netns exec " + pair_.a + " env QT_QPA_PLATFORM=offscreen " +
                                    ZUNIT_FINDER_EXE + " --screenshot " + Path("linux.png") +
                                    " --rows " + Path("linux-rows.txt") + finderArgs + " 2> " +
                                    Path("linux-finder.err");
    ASSERT_EQ(std::system(linuxFinder.c_str()), 0) << ReadFile(Path("linux-finder.err"));
    std::string out, err;
    ASSERT_EQ(RunWindowsZunit("--screenshot " + Path("windows.png") + " --rows " +
                                  Path("windows-rows.txt") + finderArgs,
                              &out, &err, ZUNIT_WINDOWS_FINDER, true),
              0)
        << out << err;

    auto sortedLines = [](const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    const std::vector<std::string> linuxRows = sortedLines(ReadFile(Path("linux-rows.txt")));
    const std::vector<std::string> windowsRows = sortedLines(ReadFile(Path("windows-rows.txt")));
    ASSERT_EQ(linuxRows.size(), 3u) << ReadFile(Path("linux-rows.txt"));
    EXPECT_EQ(windowsRows, linuxRows) << err;
    // A PNG of a window: its signature, and a width and height of a few hundred pixels.
    const std::string png = ReadFile(Path("windows.png"));
    ASSERT_GE(png.size(), 24u) << err;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto number = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8) |
               static_cast<uint8_t>(png[at + 3]);
    };
    EXPECT_GT(number(16), 300u);
    EXPECT_GT(number(20), 200u);
}
#endif

TEST_F(WindowsCrossNetnsTest, WindowsExporterServesTheLinuxSimulator) {
    StartSimulator(kDevices);
    // Wine sees the Linux file system as drive Z:.
    const std::string state = Path("exporter.state");
    std::unique_ptr<ztest::NetnsProcess> exporter = net_.Spawn(
        pair_.a,
        {"sh", "-c",
         WineCommand("a",
                     "exporter --allow-host-network --interval 300 --listen 127.0.0.1:10258 "
                     "--state Z:" +
                         state)},
        Path("wine-exporter.out"));
    ASSERT_NE(exporter, nullptr);
    const auto scrape = [&] {
        std::string metrics;
        ztest::RunCommand(
            "ip netns exec " + pair_.a + " curl -s -m 5 http://127.0.0.1:10258/metrics", &metrics);
        return metrics;
    };
    const std::map<std::string, std::string> allUp = {{"zelvane.cuedeck/CD-1", "1"},
                                                      {"zelvane.vxp2@10.200.0.80:80", "1"},
                                                      {"zelvane.conductor6@10.200.0.70:4320", "1"}};
    // A new prefix is made on the first start: that takes Wine a while.
    std::string metrics;
    ASSERT_TRUE(WaitFor(
        [&] {
            metrics = scrape();
            if (UpById(metrics) == allUp) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));  // Wine starts slowly
            return false;
        },
        120000))
        << metrics << ReadFile(Path("wine-exporter.out"));
    EXPECT_NE(metrics.find("zunit_device_info{device_id=\"zelvane.cuedeck/CD-1\",name=\"Booth 2\","
                           "service=\"zelvane.cuedeck\",model=\"Cuedeck Prime\",version=\"6.4.2\","
                           "address=\"10.200.0.50\",port=\"4300\",serial=\"CD-1\",interface=\"{"),
              std::string::npos)
        << metrics;

    // The devices go silent: each reads 0 once stale (750 ms at these cycles).
    StopSimulator();
    std::map<std::string, std::string> allDown = allUp;
    for (auto& [id, up] : allDown) {
        up = "0";
    }
    EXPECT_TRUE(WaitFor([&] { return UpById(scrape()) == allDown; }, 10000)) << scrape();

    // Ctrl-C ends it cleanly, and the state file (replaced under Windows' rules) keeps all three.
    exporter->Signal(SIGINT);
    EXPECT_EQ(exporter->Wait(15000), 0) << ReadFile(Path("wine-exporter.out"));
    const std::string saved = ReadFile(state);
    for (const auto& [id, up] : allUp) {
        EXPECT_NE(saved.find("\"id\":\"" + id + "\""), std::string::npos) << id << "\n" << saved;
    }
}

}  // namespace
}  // namespace products_test
