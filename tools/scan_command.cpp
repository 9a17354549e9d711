#include "tools/scan_command.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <nlohmann/json.hpp>

#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "tools/cli_identity.h"
#include "tools/device_table.h"
#include "tools/network_namespace.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts answers and notes when the agent's list first holds the wanted number of devices.
class ScanWatcher : public INDDUserAgentHandler {
public:
    ScanWatcher(uint32_t target, Clock::time_point start) : target_(target), start_(start) {}

    int OnDeviceAnswer(INetworkDevice*, INDDUserAgent* agent) override {
        answers.fetch_add(1);
        if (target_ > 0 && !reached.IsSet() &&
            static_cast<uint32_t>(agent->GetDeviceCount()) >= target_) {
            reachedMs.store(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_)
                    .count());
            reachedCycle.store(static_cast<int64_t>(cycles.load()));
            reached.Set();
        }
        return 0;
    }
    int OnErrorAnswer(uint32_t, uint16_t, INDDUserAgent*) override {
        refusals.fetch_add(1);
        return 0;
    }

    std::atomic<uint64_t> answers{0};
    std::atomic<uint64_t> refusals{0};
    std::atomic<uint64_t> cycles{0};  // search cycles sent so far
    std::atomic<int64_t> reachedMs{-1};
    std::atomic<int64_t> reachedCycle{-1};
    zplat::Event reached{/*manualReset=*/true, /*initialState=*/false};

private:
    uint32_t target_;
    Clock::time_point start_;
};

}  // namespace

const char* ZScanCommand::GetDescription() const {
    return "Searches for devices for a while and prints those that answered";
}

void ZScanCommand::Configure(CLI::App* command) {
    command->add_option("--time", seconds_, "Seconds to search")->capture_default_str();
    auto* json = command->add_flag("--json", json_, "Print JSON");
    auto* csv = command->add_flag("--csv", csv_, "Print CSV");
    json->excludes(csv);
    command->add_option("--interval", intervalMs_, "Milliseconds between search cycles")
        ->capture_default_str();
    command->add_option("--service", service_, "Service-name pattern")->capture_default_str();
    command->add_option("--data", data_, "Text the searches carry (default: zunit's identity)");
    command->add_option("--search-port", searchPort_, "UDP port the devices listen on")
        ->capture_default_str();
    auto* until = command->add_option("--until", until_, "Stop as soon as N devices are stored");
    auto* target =
        command->add_option("--count-target", countTarget_,
                            "Note (in --stats) when N devices are stored, and go on searching");
    until->excludes(target);
    command->add_flag("--stats", stats_, "Print cycles, answers and timings as JSON on stderr");
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      "Run even in the machine's own network namespace");
}

int ZScanCommand::Run() {
    if (seconds_ <= 0 || intervalMs_ == 0) {
        std::fprintf(stderr, "zunit scan: --time and --interval must be positive\n");
        return kExitUsage;
    }
    if (!ZNetworkNamespace::MayUseNetwork("scan", allowHostNetwork_)) {
        return kExitNetwork;
    }
    const std::clock_t cpuStart = std::clock();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(seconds_));

    ZNDDUserAgent agent(nullptr, 0, searchPort_);
    ScanWatcher watcher(until_ > 0 ? until_ : countTarget_, start);
    agent.AddHandler(&watcher);
    const int16_t started = agent.Start();
    if (started != INDDUserAgent::kSuccess) {
        std::fprintf(stderr, "zunit scan: the network could not start: %s (%d)\n",
                     agent.GetErrorText(started), started);
        agent.RemoveHandler(&watcher);
        return kExitNetwork;
    }
    agent.SetServiceType(service_.c_str());
    agent.SetRetryCount(3);
    const char* data = data_.empty() ? kZunitIdentity : data_.c_str();

    uint64_t cycles = 0;
    int16_t lastError = 0;
    for (;;) {
        int16_t result = 0;
        watcher.cycles.store(++cycles);
        if (!agent.Search("", data, &result)) {
            lastError = result;
        }
        // Rounded up, so the last wait reaches the end instead of spinning just short of it.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        const auto wait = std::min<int64_t>(intervalMs_, std::max<int64_t>(left.count(), 0));
        if (until_ > 0) {
            if (watcher.reached.Wait(static_cast<uint32_t>(wait)) == zplat::WAIT_OBJECT_0) {
                break;
            }
        } else {
            zplat::Sleep(static_cast<uint32_t>(wait));
        }
        if (Clock::now() >= end) {
            break;
        }
    }

    // The engine's table is emptied by Stop: note the adapter names of the local addresses now.
    std::map<std::string, std::string> interfaceNames;
    ZNetworkDeviceDetection* engine = agent.GetEngine();
    for (uint32_t i = 0; i < engine->GetInterfaceCount(); ++i) {
        ZIPAddress* address = engine->GetInterface(i);
        const char* name = engine->GetInterfaceName(i);
        if (address != nullptr && name != nullptr) {
            interfaceNames[address->GetAddressText()] = name;
        }
    }
    agent.RemoveHandler(&watcher);
    agent.Stop();  // no answers arrive any more: the list may be walked

    ZDeviceTable table(json_  ? ZDeviceTable::Format::kJson
                       : csv_ ? ZDeviceTable::Format::kCsv
                              : ZDeviceTable::Format::kText);
    for (INetworkDevice* d = agent.GetFirstDevice(); d != nullptr; d = agent.GetNextDevice()) {
        auto it = interfaceNames.find(d->GetLocalAddress()->GetAddressText());
        table.Add(d, it != interfaceNames.end() ? it->second : std::string());
    }
    table.Print(stdout);

    if (lastError != 0) {
        std::fprintf(stderr, "zunit scan: a search was not sent: %s (%d)\n",
                     engine->GetErrorText(lastError), lastError);
    }
    if (stats_) {
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const nlohmann::json summary = {
            {"cycles", cycles},
            {"answers", watcher.answers.load()},
            {"refusals", watcher.refusals.load()},
            {"dropped_while_sending", engine->GetDroppedAnswerCount()},
            {"devices", table.GetCount()},
            {"target", until_ > 0 ? until_ : countTarget_},
            {"all_stored_ms", watcher.reachedMs.load()},
            {"all_stored_cycle", watcher.reachedCycle.load()},
            {"elapsed_ms",
             std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()},
            {"cpu_ms", cpuMs}};
        std::fprintf(stderr, "%s\n", summary.dump().c_str());
    }
    return table.GetCount() > 0 ? kExitSuccess : kExitNothingFound;
}
