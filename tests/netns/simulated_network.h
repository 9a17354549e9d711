#pragma once
// A test fixture for the product tests between two private network namespaces: the pair (the
// test side a, the devices' side b), `zunit simulate` in b with a device file and a request log,
// and zunit commands run in a. Every broadcast stays inside namespaces the fixture made; tests
// skip without root and iproute2.
//
//   class MyTest : public SimulatedNetworkTest {};
//   TEST_F(MyTest, Finds) {
//       StartSimulator(R"([{"service":"zelvane.vxp2","name":"Wall","address":"10.200.0.8",
//                           "mask":"255.255.255.0","port":80}])");
//       std::string out;
//       EXPECT_EQ(RunZunit("scan --time 1 --json", &out), 0);
//   }

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/netns_fixture.h"

#ifndef ZUNIT_EXE
#error "ZUNIT_EXE must name the zunit executable"
#endif

namespace products_test {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

inline int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

inline bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto start = Clock::now();
    while (!done()) {
        if (MsSince(start) > timeoutMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The complete JSON lines of a file (a line still being written is left out).
inline std::vector<Json> ReadJsonLines(const std::string& path) {
    std::vector<Json> lines;
    std::istringstream in(ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        Json j = Json::parse(line, nullptr, false);
        if (!j.is_discarded()) {
            lines.push_back(j);
        }
    }
    return lines;
}

class SimulatedNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZTEST_REQUIRE_NETNS(net_);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("zpt-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::create_directories(dir_);
        ASSERT_TRUE(net_.MakeLinkedPair(&pair_));
    }

    void TearDown() override {
        simulator_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Starts (or restarts) the simulator in b with these devices (a device file's JSON) and a
    // fresh request log; returns once it listens. Answers come 30 ms late so that none meets the
    // engine still sending its cycle (it would be dropped, as designed) on a busy machine.
    void StartSimulator(const std::string& devicesJson) {
        simulator_.reset();
        std::ofstream(Path("devices.json")) << devicesJson;
        std::error_code ignored;
        std::filesystem::remove(Path("requests.jsonl"), ignored);
        simulator_ = net_.Spawn(pair_.b,
                                {ZUNIT_EXE, "simulate", "--devices", Path("devices.json"),
                                 "--delay", "30", "--log", Path("requests.jsonl")},
                                Path("simulator.out"));
        ASSERT_NE(simulator_, nullptr);
        ASSERT_TRUE(WaitFor(
            [&] { return ReadFile(Path("simulator.out")).find("listening") != std::string::npos; },
            5000))
            << ReadFile(Path("simulator.out"));
    }

    void StopSimulator() { simulator_.reset(); }

    // The simulator's request log since it last started.
    std::vector<Json> Requests() { return ReadJsonLines(Path("requests.jsonl")); }

    // Runs `zunit <args>` in a through /bin/sh, with environment assignments (NAME=value ...)
    // in front; stdout to *out, stderr to *err. The exit code, or -1.
    int RunZunit(const std::string& args, std::string* out, std::string* err = nullptr,
                 const std::string& environment = "") {
        const std::string command = "ip netns exec " + pair_.a + " env " + environment + " " +
                                    ZUNIT_EXE + " " + args + " > " + Path("cli.out") + " 2> " +
                                    Path("cli.err");
        const int status = std::system(command.c_str());
        *out = ReadFile(Path("cli.out"));
        if (err != nullptr) {
            *err = ReadFile(Path("cli.err"));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    ztest::NetnsFixture net_;
    ztest::LinkedPair pair_;
    std::filesystem::path dir_;
    std::unique_ptr<ztest::NetnsProcess> simulator_;
};

}  // namespace products_test
