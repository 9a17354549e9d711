// Bad option values on zunit's command line: each is refused while parsing, with exit code 2 and
// a message that names the option, before any command opens a socket or reads a file.

#include "tools/option_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ndd/subnet_sweep.h"
#include "tools/command_line.h"
#include "tools/connect_command.h"
#include "tools/interfaces_command.h"
#include "tools/locate_command.h"
#include "tools/scan_command.h"
#include "tools/simulate_command.h"
#include "tools/watch_command.h"

namespace {

struct Outcome {
    int exitCode;
    std::string errors;
};

// Runs the command line as zunit's main does, with every command registered.
Outcome RunZunit(const std::vector<std::string>& args) {
    ZCommandLine cli("zunit", "test");
    cli.Add(std::make_unique<ZScanCommand>());
    cli.Add(std::make_unique<ZWatchCommand>());
    cli.Add(std::make_unique<ZConnectCommand>());
    cli.Add(std::make_unique<ZLocateCommand>());
    cli.Add(std::make_unique<ZInterfacesCommand>());
    cli.Add(std::make_unique<ZSimulateCommand>());
    std::vector<const char*> argv = {"zunit"};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const int code = cli.Run(static_cast<int>(argv.size()), argv.data());
    testing::internal::GetCapturedStdout();
    return {code, testing::internal::GetCapturedStderr()};
}

// scan with one --subnet more than a sweep takes, each a /32 of its own.
std::vector<std::string> ScanWithTooManySubnets() {
    std::vector<std::string> args = {"scan"};
    for (size_t i = 0; i <= ZSubnetSweep::kMaxBlocks; ++i) {
        args.push_back("--subnet");
        args.push_back("10.60." + std::to_string(i / 256) + "." + std::to_string(i % 256) + "/32");
    }
    return args;
}

TEST(OptionCheckTest, BadValuesExitWithUsageAndNameTheOption) {
    const std::string longService(256, 's');
    const std::string longData(ZOptionCheck::kMaxSearchDataLength + 1, 'd');
    const std::string mostBlocks = std::to_string(ZSubnetSweep::kMaxBlocks);
    const struct {
        std::vector<std::string> args;
        const char* option;  // the message names it
        std::string why;     // and says this
    } cases[] = {
        {{"scan", "--time", "nan"}, "--time", "not a finite number"},
        {{"scan", "--time", "inf"}, "--time", "not a finite number"},
        {{"scan", "--time", "-inf"}, "--time", "not a finite number"},
        {{"scan", "--time", "1e300"}, "--time", "out of range"},
        {{"scan", "--time", "0"}, "--time", "out of range"},
        {{"scan", "--time", "-1"}, "--time", "out of range"},
        {{"scan", "--time", "5s"}, "--time", "not a number"},
        {{"scan", "--interval", "0"}, "--interval", "out of range"},
        {{"scan", "--interval", "-1"}, "--interval", "not a whole number"},
        {{"scan", "--interval", "3600001"}, "--interval", "out of range"},
        {{"scan", "--search-port", "0"}, "--search-port", "out of range"},
        {{"scan", "--search-port", "65536"}, "--search-port", "out of range"},
        {{"scan", "--service", ""}, "--service", "must not be empty"},
        {{"scan", "--service", longService}, "--service", "at most 255"},
        {{"scan", "--data", longData}, "--data", "at most 65000"},
        {{"watch", "--time", "nan"}, "--time", "not a finite number"},
        {{"watch", "--time", "-1"}, "--time", "out of range"},
        {{"watch", "--interval", "1.5"}, "--interval", "not a whole number"},
        {{"watch", "--search-port", "0"}, "--search-port", "out of range"},
        {{"watch", "--service", ""}, "--service", "must not be empty"},
        {{"connect", "10.0.0.1", "--time", "nan"}, "--time", "not a finite number"},
        {{"connect", "10.0.0.1", "--interval", "0"}, "--interval", "out of range"},
        {{"connect", "10.0.0.1", "--service", ""}, "--service", "must not be empty"},
        {{"connect", "10.0.0.1", "--search-port", "0"}, "--search-port", "out of range"},
        {{"locate", "10.0.0.1", "--search-port", "0"}, "--search-port", "out of range"},
        {{"locate", "10.0.0.1", "--timeout", "0"}, "--timeout", "out of range"},
        {{"locate", "10.0.0.1", "--timeout", "4294967295"}, "--timeout", "out of range"},
        {{"locate", "10.0.0.1", "--retries", "0"}, "--retries", "out of range"},
        {{"locate", "10.0.0.1", "--service", ""}, "--service", "must not be empty"},
        {{"simulate", "--count", "4294967295"}, "--count", "out of range"},
        {{"simulate", "--count", "0"}, "--count", "out of range"},
        {{"simulate", "--count", "99999999999999999999"}, "--count", "not a whole number"},
        {{"simulate", "--count", "5", "--duration", "-1"}, "--duration", "out of range"},
        {{"simulate", "--count", "5", "--duration", "nan"}, "--duration", "not a finite number"},
        {{"simulate", "--count", "5", "--port", "0"}, "--port", "out of range"},
        {{"simulate", "--count", "5", "--delay", "3600001"}, "--delay", "out of range"},
        {{"simulate", "--count", "5", "--jitter", "-5"}, "--jitter", "not a whole number"},
        {{"locate", "10.0.0.1", "--port", "70000"}, "--port", "out of range"},
        // Blocks where no device has its address, and more blocks than a sweep takes: refused
        // before any route is looked up.
        {{"scan", "--subnet", "127.0.0.0/16"}, "--subnet", "127.0.0.0/16 lies in 127.0.0.0/8"},
        {{"watch", "--subnet", "0.0.0.0/16"}, "--subnet", "0.0.0.0/16 lies in 0.0.0.0/8"},
        {{"connect", "10.0.0.1", "--subnet", "224.0.0.0/16"}, "--subnet", "224.0.0.0/4"},
        {{"scan", "--subnet", "10.31.2.0/24", "--subnet", "240.0.0.0/16"},
         "--subnet",
         "240.0.0.0/16 lies in 240.0.0.0/4"},
        {ScanWithTooManySubnets(), "--subnet", "at most " + mostBlocks},
    };
    for (const auto& c : cases) {
        std::string line;
        for (size_t i = 0; i < c.args.size() && line.size() < 200; ++i) {
            line += (line.empty() ? "" : " ") + c.args[i].substr(0, 40);
        }
        SCOPED_TRACE(line);
        const Outcome outcome = RunZunit(c.args);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_NE(outcome.errors.find(std::string(c.option) + ":"), std::string::npos)
            << outcome.errors;
        EXPECT_NE(outcome.errors.find(c.why), std::string::npos) << outcome.errors;
    }
}

TEST(OptionCheckTest, ValuesAtTheEdgesOfTheirRangesPass) {
    const struct {
        const char* what;
        CLI::Validator check;
        std::vector<std::string> good;
        std::vector<std::string> bad;
    } cases[] = {
        {"seconds above 0",
         ZOptionCheck::Seconds(false),
         {"0.001", "5", "31536000", "1e3"},
         {"0", "-0.5", "31536000.5", "nan", "", " "}},
        {"seconds from 0",
         ZOptionCheck::Seconds(true),
         {"0", "0.0", "-0", "2.5"},
         {"-0.001", "inf", "1e400", "x"}},
        {"milliseconds",
         ZOptionCheck::Milliseconds(false),
         {"1", "2000", "3600000"},
         {"0", "3600001", "-1", "+5", "1.0", ""}},
        {"milliseconds from 0", ZOptionCheck::Milliseconds(true), {"0", "3600000"}, {"-0"}},
        {"port", ZOptionCheck::Port(), {"1", "4258", "65535"}, {"0", "65536"}},
        {"service",
         ZOptionCheck::ServicePattern(),
         {"z", std::string(255, 's')},
         {"", std::string(256, 's')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (std::string value : c.good) {
            SCOPED_TRACE("good: " + value);
            EXPECT_EQ(c.check(value), "");
        }
        for (std::string value : c.bad) {
            SCOPED_TRACE("bad: " + value);
            EXPECT_NE(c.check(value), "");
        }
    }
}

}  // namespace

namespace {

TEST(OptionCheckDurationTest, PrometheusStyleDurations) {
    const struct {
        const char* text;
        bool ok;
        uint64_t seconds;
    } cases[] = {
        {"0", true, 0},          {"600", true, 600},    {"90s", true, 90},
        {"15m", true, 900},      {"1h30m", true, 5400}, {"7d", true, 604800},
        {"2w1d", true, 1296000}, {"", false, 0},        {"5", true, 5},
        {"m", false, 0},         {"5x", false, 0},      {"30m1h", false, 0},
        {"1h1h", false, 0},      {"-5m", false, 0},     {"1.5h", false, 0},
        {"11y", false, 0},       {"600w", false, 0},    {"999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        uint64_t seconds = 12345;
        EXPECT_EQ(ZOptionCheck::ParseDuration(c.text, &seconds), c.ok);
        if (c.ok) {
            EXPECT_EQ(seconds, c.seconds);
        }
    }
}

}  // namespace
