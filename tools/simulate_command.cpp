#include "tools/simulate_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <thread>

#include "net/ip_address.h"
#include "platform/threading/event.h"
#include "tools/device_generator.h"
#include "tools/device_simulator.h"
#include "tools/network_namespace.h"
#include "tools/option_check.h"
#include "tools/simulated_device_file.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
}

// How often the waiting thread looks at the interrupt flag.
constexpr int kPollMs = 50;

// The most devices --count generates. The devices take some 45 MB at this count, and every
// request queues one answer per device on top of that.
constexpr uint64_t kMaxGeneratedDevices = 100000;

}  // namespace

const char* ZSimulateCommand::GetDescription() const {
    return "Plays devices: answers search requests on the search port";
}

void ZSimulateCommand::Configure(CLI::App* command) {
    auto* devices =
        command->add_option("--devices", devicesPath_, "JSON device file (an array of devices)");
    auto* count = command->add_option("--count", count_, "Generate N devices of every kind")
                      ->check(ZOptionCheck::WholeNumber(1, kMaxGeneratedDevices));
    devices->excludes(count);
    count->excludes(devices);
    command->add_option("--port", port_, "UDP port to listen on")
        ->capture_default_str()
        ->check(ZOptionCheck::Port());
    command->add_option("--delay", delayMs_, "Delay every answer by MS milliseconds")
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/true));
    command->add_option("--jitter", jitterMs_, "Add a random 0..MS milliseconds to each answer")
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/true));
    command->add_option("--seed", seed_, "Seed of the jitter (0: random)");
    command->add_option("--log", logPath_, "Write every request as a JSON line to FILE");
    command->add_option("--first-address", firstAddress_, "First address of generated devices")
        ->capture_default_str();
    command->add_option("--mask", mask_, "Mask of generated devices")->capture_default_str();
    command
        ->add_option("--duration", durationSeconds_, "Stop after S seconds (0: when interrupted)")
        ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/true));
    command
        ->add_option("--flood", flood_,
                     "Flood the first searcher with one device's answer (same) or with "
                     "answers of new devices (forged)")
        ->check(CLI::IsMember({"same", "forged"}));
    command->add_option("--flood-rate", floodRate_, "Flood datagrams per second (0: at once)");
    command->add_option("--flood-bytes", floodBytes_, "Pad flood answers to about N bytes")
        ->check(ZOptionCheck::WholeNumber(0, ZAnswerFlood::kMaxBytes));
    command->add_option("--flood-seconds", floodSeconds_, "Flood for S seconds (0: until stopped)")
        ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/true));
    command->add_flag("--stats", stats_, "Print a JSON summary on stdout at the end");
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      "Run even in the machine's own network namespace");
}

int ZSimulateCommand::Run() {
    std::vector<ZSimulatedDevice> devices;
    if (!devicesPath_.empty()) {
        std::string error;
        if (!ZSimulatedDeviceFile::Load(devicesPath_, &devices, &error)) {
            std::fprintf(stderr, "zunit simulate: %s\n", error.c_str());
            return kExitUsage;
        }
    } else if (count_ > 0) {
        const uint32_t first = ParseDottedAddress(firstAddress_.c_str());
        const uint32_t mask = ParseDottedAddress(mask_.c_str());
        if (first == 0xFFFFFFFFu || (mask == 0xFFFFFFFFu && mask_ != "255.255.255.255")) {
            std::fprintf(stderr,
                         "zunit simulate: --first-address and --mask take dotted IPv4 "
                         "addresses\n");
            return kExitUsage;
        }
        devices = ZDeviceGenerator::Generate(count_, first, mask);
    } else {
        std::fprintf(stderr,
                     "zunit simulate: give a device file (--devices) or a number of "
                     "devices (--count)\n");
        return kExitUsage;
    }
    if (!ZNetworkNamespace::MayAnswer("simulate", allowHostNetwork_)) {
        return kExitNetwork;
    }

    ZDeviceSimulator::Options options;
    options.port = port_;
    options.delayMs = delayMs_;
    options.jitterMs = jitterMs_;
    options.seed = seed_;
    options.logPath = logPath_;
    options.flood = ZAnswerFlood::ParseMode(flood_);
    options.floodRate = floodRate_;
    options.floodBytes = floodBytes_;
    options.floodSeconds = floodSeconds_;
    ZDeviceSimulator simulator(std::move(devices), options);
    std::string error;
    if (!simulator.Open(&error)) {
        std::fprintf(stderr, "zunit simulate: the network could not start: %s\n", error.c_str());
        return kExitNetwork;
    }

    g_interrupted = 0;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    zplat::Event stop(/*manualReset=*/true, /*initialState=*/false);
    std::thread player([&] { simulator.Run(&stop); });
    std::fprintf(stderr, "zunit simulate: %zu devices listening on UDP port %u\n",
                 simulator.GetDeviceCount(), port_);
    std::fflush(stderr);
    const auto start = std::chrono::steady_clock::now();
    while (g_interrupted == 0) {
        if (durationSeconds_ > 0 && std::chrono::steady_clock::now() - start >=
                                        std::chrono::duration<double>(durationSeconds_)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    stop.Set();
    player.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    if (stats_) {
        const ZDeviceSimulator::Stats& s = simulator.GetStats();
        nlohmann::json codes = nlohmann::json::object();
        for (const auto& [code, n] : s.sendFailureCodes) {
            codes[std::to_string(code)] = n;
        }
        const double sendMs = static_cast<double>(s.sendNs) / 1e6;
        uint64_t peak = 0;
        for (uint64_t n : s.requestsPerSecond) {
            peak = std::max(peak, n);
        }
        const nlohmann::json summary = {
            {"devices", simulator.GetDeviceCount()},
            {"datagrams", s.datagrams},
            {"requests", s.requests},
            {"answers", s.answers},
            {"refusals", s.refusals},
            {"send_failures", s.sendFailures},
            {"send_failure_codes", codes},
            {"sent", s.sent},
            {"flood_sent", s.floodSent},
            {"send_ms", sendMs},
            {"send_rate_per_s", sendMs > 0 ? static_cast<double>(s.sent) * 1000.0 / sendMs : 0.0},
            {"longest_burst_ms", static_cast<double>(s.longestBurstNs) / 1e6},
            {"latest_ms", s.latestMs},
            {"requests_per_second", s.requestsPerSecond},
            {"peak_requests_per_second", peak}};
        std::printf("%s\n", summary.dump().c_str());
    }
    return kExitSuccess;
}
