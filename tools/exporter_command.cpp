#include "tools/exporter_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files/state_file.h"
#include "tools/expected_inventory.h"
#include "tools/exporter_feed.h"
#include "tools/exporter_model.h"
#include "tools/exporter_server.h"
#include "tools/exporter_state.h"
#include "tools/network_namespace.h"
#include "tools/option_check.h"
#include "tools/product_search.h"
#include "tools/stop_signal.h"
#include "tools/wall_clock.h"

namespace {

// How often the search's news is taken in (a stale device reads 0 within this much of its
// deadline), at most how long between two refreshes of the last-seen times, and how soon after a
// change and how often at the latest the state file is written.
constexpr uint32_t kTickMs = 100;
constexpr int64_t kRefreshMs = 1000;
constexpr int64_t kSaveAfterChangeMs = 5000;
constexpr int64_t kSaveEveryMs = 60000;

}  // namespace

const char* ZExporterCommand::GetDescription() const {
    return "Searches until interrupted and serves the devices to Prometheus over HTTP";
}

std::string ZExporterCommand::DefaultStatePath() {
    const std::string folder = zplat::UserStateDirectory();
    if (folder.empty()) {
        return "";
    }
    return (std::filesystem::path(folder) / "zunit" / "exporter.state").string();
}

void ZExporterCommand::Configure(CLI::App* command) {
    command->footer(
        "Serves /metrics (Prometheus text format; OpenMetrics when asked for), a landing page\n"
        "at / and /-/healthy. Devices: zunit_device_up, zunit_device_info and\n"
        "zunit_device_last_seen_timestamp_seconds by device_id: \"<service>/<serial>\" when the\n"
        "device reports a serial, else \"<service>@<address>:<port>\".");
    command
        ->add_option("--listen", listen_,
                     "Address and port to serve on: HOST:PORT, [IPv6]:PORT, or :PORT for every "
                     "address")
        ->capture_default_str()
        ->type_name("HOST:PORT");
    command
        ->add_option("--state", statePath_,
                     "Known devices are kept in FILE (default: " +
                         (DefaultStatePath().empty() ? std::string("none")
                                                     : "zunit/exporter.state in the user's state "
                                                       "folder") +
                         ")")
        ->type_name("FILE");
    command->add_flag("--no-state", noState_, "Keep no state file");
    command
        ->add_option("--forget-after", forgetAfter_,
                     "Drop a device silent for this long (90s, 15m, 12h, 30d; 0: never)")
        ->capture_default_str()
        ->type_name("DURATION")
        ->check(ZOptionCheck::Duration());
    command
        ->add_option("--expect", expectPath_,
                     "Export every product of the expected inventory in FILE from the start (the "
                     "format of zunit scan --expect)")
        ->type_name("FILE");
    command->add_option("--time", seconds_, "Seconds to run (0: until interrupted)")
        ->capture_default_str()
        ->check(ZOptionCheck::Seconds(/*zeroAllowed=*/true));
    command
        ->add_option("--interval", intervalMs_,
                     "Milliseconds between search cycles (stale after two and a half)")
        ->capture_default_str()
        ->check(ZOptionCheck::Milliseconds(/*zeroAllowed=*/false));
    search_.Configure(command);
    subnets_.Configure(command);
    command->add_flag(ZNetworkNamespace::kOverrideFlag, allowHostNetwork_,
                      ZNetworkNamespace::OverrideHelp());
}

int ZExporterCommand::Run() {
    ZExporterServer::Listen listen;
    std::string error;
    if (!ZExporterServer::ParseListen(listen_, &listen, &error)) {
        std::fprintf(stderr, "zunit exporter: --listen %s\n", error.c_str());
        return kExitUsage;
    }
    if (!subnets_.Check("exporter")) {
        return kExitUsage;
    }
    uint64_t forgetSeconds = 0;
    ZOptionCheck::ParseDuration(forgetAfter_, &forgetSeconds);
    ZExpectedInventory expected;
    if (!expectPath_.empty() && !ZExpectedInventory::Load(expectPath_, &expected, &error)) {
        std::fprintf(stderr, "zunit exporter: --expect %s\n", error.c_str());
        return kExitUsage;
    }
    std::string statePath = noState_ ? "" : statePath_.empty() ? DefaultStatePath() : statePath_;
    if (!noState_ && statePath_.empty() && !statePath.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(statePath).parent_path(),
                                            ignored);
    }
    if (!ZNetworkNamespace::MayUseNetwork("exporter", allowHostNetwork_)) {
        return kExitNetwork;
    }

    ZProductSearch::Options options;
    search_.Apply(&options);
    subnets_.Apply(&options);
    options.intervalMs = intervalMs_;
    ZExporterModel model(options.maxProducts, version_);
    ZProductSearch search(options);
    // Only the tick wakes the loop: a wake for each of thousands of new products is no use here.
    search.SetWakeCount(static_cast<size_t>(-1));
    ZExporterFeed feed(&search, &model, &expected);
    if (!statePath.empty()) {
        std::vector<ZExporterState::Entry> known;
        std::string warning;
        if (!ZExporterState::Load(statePath, model.GetMaxCount(), wall_clock::NowMs(), &known,
                                  &warning)) {
            std::fprintf(stderr, "zunit exporter: warning: %s; starting with no known devices\n",
                         warning.c_str());
        }
        feed.Remember(known);
    }

    ZExporterServer server(model);
    if (!server.Start(listen, &error)) {
        std::fprintf(stderr, "zunit exporter: %s\n", error.c_str());
        return kExitNetwork;
    }
    if (!search.Start(&error)) {
        std::fprintf(stderr, "zunit exporter: %s\n", error.c_str());
        return kExitNetwork;
    }
    const std::string shownHost = listen.host.empty() ? "0.0.0.0"
                                  : listen.host.find(':') != std::string::npos
                                      ? "[" + listen.host + "]"
                                      : listen.host;
    std::fprintf(stderr, "zunit exporter: serving http://%s:%u/metrics\n", shownHost.c_str(),
                 static_cast<unsigned>(server.GetPort()));
    std::fflush(stderr);
    const ZStopSignal stop;

    std::string lastSaveError;
    const auto save = [&] {
        if (statePath.empty()) {
            return;
        }
        std::string saveError;
        if (!ZExporterState::Save(statePath, model, &saveError)) {
            if (saveError != lastSaveError) {
                std::fprintf(stderr, "zunit exporter: warning: state not saved: %s\n",
                             saveError.c_str());
            }
            lastSaveError = saveError;
        } else {
            lastSaveError.clear();
        }
    };
    const auto start = std::chrono::steady_clock::now();
    const auto msSinceStart = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    const int64_t refreshMs = std::min<int64_t>(kRefreshMs, intervalMs_);
    int64_t refreshedAt = 0;
    int64_t savedAt = 0;
    bool dirty = false;
    for (;;) {
        const bool ending =
            stop.IsRequested() || (seconds_ > 0 && msSinceStart() >= seconds_ * 1000);
        if (!ending) {
            search.WaitForProduct(kTickMs);
        }
        const int64_t now = msSinceStart();
        const bool refresh = ending || now - refreshedAt >= refreshMs;
        if (refresh) {
            refreshedAt = now;
        }
        dirty = feed.Update(wall_clock::NowMs(), refresh) || dirty;
        if (forgetSeconds > 0 && refresh) {
            dirty =
                feed.Forget(wall_clock::NowMs(), static_cast<int64_t>(forgetSeconds) * 1000) > 0 ||
                dirty;
        }
        if (ending) {
            break;
        }
        if ((dirty && now - savedAt >= kSaveAfterChangeMs) || now - savedAt >= kSaveEveryMs) {
            save();
            savedAt = now;
            dirty = false;
        }
    }
    server.Stop();
    search.Stop();
    save();
    const std::string searchError = search.GetSearchErrorText();
    if (!searchError.empty()) {
        std::fprintf(stderr, "zunit exporter: a search was not sent: %s\n", searchError.c_str());
    }
    return kExitSuccess;
}
