#pragma once
// TUiStallMeter: measures how responsive the finder's UI thread stays while products arrive,
// for benchmarks and trials. A 1 ms timer ticks on the UI thread; the gap between two ticks is
// the time the event loop spent on one turn (a long paint, a burst of events), so the longest
// gap is the longest the window would have left a click or a repaint waiting. After the set time
// it prints one JSON line on stderr and closes the window:
//
//   {"longest_stall_ms":3.1,"longest_stall_cpu_ms":2.9,"longest_stall_listing_ms":3.1,
//    "busiest_turn_cpu_ms":2.9,"products_listed":10000,"first_listed_ms":412,
//    "all_listed_ms":655,"window_ms":180,"refreshes":41,"ticks":4630,"peak_rss_kib":52000,
//    "ui_cpu_ms":310.2}
//
// Times are milliseconds since the program started (window_ms: when the window, and with it the
// first search, was made). all_listed_ms is when the listed count last changed;
// longest_stall_listing_ms is the longest gap that ended while products were being listed
// (from the first listed product to the last change). The UI thread's own processor time tells
// work from waiting: longest_stall_cpu_ms is what it used during the longest gap (far less than
// the gap: the thread was waiting for a processor, not working), busiest_turn_cpu_ms the most it
// used in any one gap. ui_cpu_ms is all the UI thread used from Start to the last tick, the
// meter's own ticks included (run once without products to know their share).
//
//   // ZUNITFINDER_UI_STATS=6 zUnitFinder      (measure for six seconds, then quit)
//   std::unique_ptr<TUiStallMeter> meter = TUiStallMeter::FromEnvironment(&window, sinceStart);
//   if (meter) meter->Start();
//
// Ownership: borrows the window and the program's start clock, which must outlive it. UI thread
// only.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class TUnitFinderDialog;

class TUiStallMeter : public QObject {
    Q_OBJECT

public:
    // The environment variable that asks for a measurement: its value is the time in seconds.
    static constexpr char kEnvironmentVariable[] = "ZUNITFINDER_UI_STATS";

    // A meter when the variable holds a positive number of seconds; null otherwise.
    static std::unique_ptr<TUiStallMeter> FromEnvironment(TUnitFinderDialog* window,
                                                          const QElapsedTimer& sinceStart);

    TUiStallMeter(TUnitFinderDialog* window, const QElapsedTimer& sinceStart, int durationMs);

    // Starts ticking; the window's making is taken as the moment the first search went out.
    void Start();
    // Ticks as the timer does (tests drive it by hand).
    void Tick();
    // The JSON line of the figures so far.
    QString Report() const;
    // Prints the report once (the next calls do nothing) and closes the window.
    void Finish();

    double GetLongestStallMs() const { return static_cast<double>(longestGapNs_) / 1e6; }

private:
    TUnitFinderDialog* window_;
    const QElapsedTimer& sinceStart_;
    int durationMs_;
    QTimer ticker_;
    qint64 windowMs_ = 0;
    qint64 startMs_ = 0;
    qint64 lastTickNs_ = -1;
    qint64 longestGapNs_ = 0;
    qint64 longestListingGapNs_ = 0;
    uint64_t startCpuNs_ = 0;
    uint64_t lastCpuNs_ = 0;
    uint64_t longestGapCpuNs_ = 0;
    uint64_t busiestTurnCpuNs_ = 0;
    int lastListed_ = 0;
    qint64 firstListedMs_ = -1;
    qint64 lastChangeMs_ = -1;
    long long ticks_ = 0;
    bool finished_ = false;
};
