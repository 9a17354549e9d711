#include "app/ui_stall_meter.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>

#include "app/unitfinder_dialog.h"
#include "platform/process/memory_usage.h"
#include "platform/threading/thread_cpu_time.h"

namespace {

constexpr int kTickMs = 1;

}  // namespace

std::unique_ptr<TUiStallMeter> TUiStallMeter::FromEnvironment(TUnitFinderDialog* window,
                                                              const QElapsedTimer& sinceStart) {
    bool ok = false;
    const double seconds = qEnvironmentVariable(kEnvironmentVariable).toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > 24 * 3600) {
        return nullptr;
    }
    return std::make_unique<TUiStallMeter>(window, sinceStart, static_cast<int>(seconds * 1000));
}

TUiStallMeter::TUiStallMeter(TUnitFinderDialog* window, const QElapsedTimer& sinceStart,
                             int durationMs)
    : window_(window), sinceStart_(sinceStart), durationMs_(durationMs) {
    windowMs_ = sinceStart_.elapsed();
    ticker_.setTimerType(Qt::PreciseTimer);
    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, &TUiStallMeter::Tick);
}

void TUiStallMeter::Start() {
    startMs_ = sinceStart_.elapsed();
    startCpuNs_ = zplat::ThreadCpuTimeNs();
    ticker_.start();
}

void TUiStallMeter::Tick() {
    const qint64 nowNs = sinceStart_.nsecsElapsed();
    const qint64 nowMs = nowNs / 1000000;
    ++ticks_;
    const uint64_t cpuNs = zplat::ThreadCpuTimeNs();
    const qint64 gap = lastTickNs_ < 0 ? 0 : nowNs - lastTickNs_;
    const uint64_t cpu = lastTickNs_ < 0 ? 0 : cpuNs - lastCpuNs_;
    lastTickNs_ = nowNs;
    lastCpuNs_ = cpuNs;
    if (gap > longestGapNs_) {
        longestGapNs_ = gap;
        longestGapCpuNs_ = cpu;
    }
    busiestTurnCpuNs_ = std::max(busiestTurnCpuNs_, cpu);
    const int listed = window_->GetListedCount();
    if (listed != lastListed_) {
        if (firstListedMs_ < 0) {
            firstListedMs_ = nowMs;
        }
        lastChangeMs_ = nowMs;
        lastListed_ = listed;
    }
    if (firstListedMs_ >= 0 && lastChangeMs_ == nowMs) {
        longestListingGapNs_ = std::max(longestListingGapNs_, gap);
    }
    if (durationMs_ > 0 && nowMs - startMs_ >= durationMs_) {
        Finish();
    }
}

QString TUiStallMeter::Report() const {
    char line[640];
    std::snprintf(line, sizeof line,
                  "{\"longest_stall_ms\":%.3f,\"longest_stall_cpu_ms\":%.3f,"
                  "\"longest_stall_listing_ms\":%.3f,\"busiest_turn_cpu_ms\":%.3f,"
                  "\"products_listed\":%d,\"first_listed_ms\":%lld,\"all_listed_ms\":%lld,"
                  "\"window_ms\":%lld,\"refreshes\":%d,\"ticks\":%lld,\"peak_rss_kib\":%llu,"
                  "\"ui_cpu_ms\":%.3f}",
                  static_cast<double>(longestGapNs_) / 1e6,
                  static_cast<double>(longestGapCpuNs_) / 1e6,
                  static_cast<double>(longestListingGapNs_) / 1e6,
                  static_cast<double>(busiestTurnCpuNs_) / 1e6, window_->GetListedCount(),
                  static_cast<long long>(firstListedMs_), static_cast<long long>(lastChangeMs_),
                  static_cast<long long>(windowMs_), window_->GetRefreshCount(), ticks_,
                  static_cast<unsigned long long>(zplat::PeakResidentKiB()),
                  ticks_ > 0 ? static_cast<double>(lastCpuNs_ - startCpuNs_) / 1e6 : 0.0);
    return QString::fromLatin1(line);
}

void TUiStallMeter::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    ticker_.stop();
    std::fprintf(stderr, "%s\n", Report().toLatin1().constData());
    std::fflush(stderr);
    window_->close();
}
