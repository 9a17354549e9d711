// The Windows build's zunit.exe under Wine against the Linux zunit, between two private
// namespaces: zunit.exe scan finds the devices the Linux simulator plays, and the Linux scan finds
// the devices zunit.exe simulate plays, each with what the Linux scan alone reports; zunit.exe
// exporter serves the Linux simulator's devices on /metrics.
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

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "tests/netns/simulated_network.h"

#ifndef ZUNIT_WINDOWS_EXE
#error "ZUNIT_WINDOWS_EXE must name the Windows build's zunit.exe"
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

    // The shell command that runs `zunit.exe <args>` under Wine with the prefix of one side.
    std::string WineCommand(const char* side, const std::string& args) {
        const std::string resolver = Path("resolv.conf");
        std::ofstream(resolver) << "nameserver 127.0.0.1\n";
        return "mount --bind " + resolver +
               " /etc/resolv.conf && exec env WINEPREFIX=" + Path(std::string("wine-") + side) +
               " WINEDEBUG=-all DISPLAY= wine " + ZUNIT_WINDOWS_EXE + " " + args;
    }

    // `zunit.exe <args>` under Wine in namespace a, as RunZunit runs the Linux one.
    int RunWindowsZunit(const std::string& args, std::string* out, std::string* err) {
        const std::string command = "ip netns exec " + pair_.a + " sh -c '" +
                                    WineCommand("a", args) + "' > " + Path("wine.out") + " 2> " +
                                    Path("wine.err");
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
    const Json linux = Json::parse(linuxOut, nullptr, false);
    const Json windows = Json::parse(windowsOut, nullptr, false);
    ASSERT_TRUE(windows.is_array()) << windowsOut << err;
    ASSERT_EQ(linux.size(), 3u) << linuxOut;
    EXPECT_EQ(WithoutInterfaceNames(windows), WithoutInterfaceNames(linux))
        << "Windows:\n"
        << windowsOut << "\nLinux:\n"
        << linuxOut;
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
