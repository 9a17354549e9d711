// Figures of the finder's window on Qt's offscreen platform (CPU times are the UI thread's):
//   BM_PaintList/N         one full paint of the device list with N products listed, top rows
//   BM_PaintListAtEnd/N    the same scrolled to the last rows
//   BM_SelectAndPaint/N    a click on a row and the paints it causes (list and details)
//   BM_NewProducts/N       the refresh after each new product, with N products listed already
//                          (one notice, one refresh each: nothing to coalesce), arrival order
//                          and sorted by address
//   BM_ProductFlood/N      new products at 2,500 a second (40 a frame) on top of N listed, sorted
//                          by address backwards, so that each lands on the first row and every
//                          row on screen changes every frame: cpu_per_product is the UI thread's
//                          time for each (goal: at most 0.05 ms)
//   BM_Sort/N              a click on a header section: N products sorted and the list repainted
//                          (goal at 10,000: at most 30 ms)
//   BM_FilterKeystroke/N   a character typed into the filter and taken back, in turn: the list
//                          narrowed, then searched whole again, and repainted (goal at 10,000:
//                          at most 16 ms, one frame)
//   BM_SilentSweep/N       the window's look for products that stopped answering (once a second)
//                          with N products, none of which changed
//   BM_StartUpToShownWindow  window made, core started, shown and exposed
// The list paints only the rows that can be seen, so its time should not grow with N.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <string>

#include "app/filter_field.h"
#include "app/font_substitutes.h"
#include "app/paint_box.h"
#include "app/string_table.h"
#include "app/unitfinder_dialog.h"
#include "tests/catalogue/fake_network_device.h"
#include "tests/catalogue/fake_user_agent.h"

namespace {

class Finder {
public:
    // Device number i's answer.
    void Answer(int i) {
        static const char* const kServices[] = {"zelvane.cuedeck2", "zelvane.conductor6",
                                                "zelvane.vxp2", "zelvane.timekeeper"};
        FakeNetworkDevice device(kServices[i % 4],
                                 "10." + std::to_string(i / 65536) + "." +
                                     std::to_string(i / 256 % 256) + "." + std::to_string(i % 256),
                                 4300);
        device.name = "Unit " + std::to_string(i);
        device.model = "Cuedeck";
        device.version = "7.1." + std::to_string(i % 10);
        device.info = "<data><systemconfig><entry serial=\"SN" + std::to_string(i) +
                      "\" model=\"prime\"/></systemconfig></data>";
        for (INDDUserAgentHandler* handler : log.handlers) {  // the core, then the tracker
            handler->OnDeviceAnswer(&device, nullptr);
        }
    }

    // Runs the window's queue until the news of new products is on screen (a refresh runs at
    // most once a frame; the wait for the frame's timer costs no processor time).
    void Deliver() {
        QCoreApplication::processEvents();
        while (window->HasPendingRefresh()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
    }

    explicit Finder(int products) {
        window = std::make_unique<TUnitFinderDialog>(
            [this](const char*, uint16_t, uint16_t) -> INDDUserAgent* {
                return new FakeUserAgent(&log, INDDUserAgent::kSuccess);
            });
        window->show();
        (void)QTest::qWaitForWindowExposed(window.get());
        for (int i = 0; i < products; ++i) {
            Answer(i);
        }
        Deliver();
    }

    FakeAgentLog log;
    std::unique_ptr<TUnitFinderDialog> window;
};

void BM_PaintList(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    TPaintBox* list = finder.window->PBUnits;
    for (auto _ : state) {
        list->repaint();
    }
    state.counters["rows_shown"] = list->height() / TUnitFinderDialog::kRowHeight;
}
BENCHMARK(BM_PaintList)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_PaintListAtEnd(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    finder.window->VScrollBar->setValue(finder.window->VScrollBar->maximum());
    TPaintBox* list = finder.window->PBUnits;
    for (auto _ : state) {
        list->repaint();
    }
}
BENCHMARK(BM_PaintListAtEnd)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_SelectAndPaint(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    TUnitFinderDialog* window = finder.window.get();
    int row = 0;
    for (auto _ : state) {
        const QPointF at(10, row * TUnitFinderDialog::kRowHeight + 9);
        QMouseEvent press(QEvent::MouseButtonPress, at, window->PBUnits->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->PBUnits, &press);
        window->PBUnits->repaint();
        window->PBInfos->repaint();
        row = (row + 1) % 10;
    }
}
BENCHMARK(BM_SelectAndPaint)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_NewProducts(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    if (state.range(1) != 0) {
        finder.window->SortBy(ZProductListModel::kAddress, false);
    }
    int next = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        finder.Answer(next++);
        state.ResumeTiming();
        finder.Deliver();  // the refresh and the paint it asks for
    }
}
BENCHMARK(BM_NewProducts)
    ->ArgNames({"listed", "sorted"})
    ->ArgsProduct({{10, 1000, 10000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

void BM_ProductFlood(benchmark::State& state) {
    constexpr int kPerFrame = 40;  // 2,500 a second
    Finder finder(static_cast<int>(state.range(0)));
    finder.window->SortBy(ZProductListModel::kAddress, true);
    int next = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kPerFrame; ++i) {
            finder.Answer(next++);
        }
        state.ResumeTiming();
        finder.Deliver();
    }
    state.counters["cpu_per_product"] = benchmark::Counter(
        kPerFrame, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ProductFlood)->Arg(0)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_Sort(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    bool byName = false;
    for (auto _ : state) {
        // Name and address in turn: every click is a real sort.
        byName = !byName;
        finder.window->SortBy(byName ? ZProductListModel::kName : ZProductListModel::kAddress,
                              false);
        finder.window->PBUnits->repaint();
    }
}
BENCHMARK(BM_Sort)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_FilterKeystroke(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    TUnitFinderDialog* window = finder.window.get();
    window->SortBy(ZProductListModel::kName, false);
    window->OpenFilter(QStringLiteral("unit "));
    bool narrow = false;
    for (auto _ : state) {
        // "unit 1" (a tenth of the products) and back to "unit " (all of them).
        narrow = !narrow;
        QTest::keyClick(window->EFilter, narrow ? Qt::Key_1 : Qt::Key_Backspace);
        window->PBUnits->repaint();
    }
    if (!narrow) {
        QTest::keyClick(window->EFilter, Qt::Key_1);
    }
    state.counters["shown_narrowed"] = static_cast<double>(window->GetModel().GetShownCount());
}
BENCHMARK(BM_FilterKeystroke)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SilentSweep(benchmark::State& state) {
    Finder finder(static_cast<int>(state.range(0)));
    finder.window->SweepSilent();  // the products' first answers
    for (auto _ : state) {
        finder.window->SweepSilent();
    }
}
BENCHMARK(BM_SilentSweep)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_StartUpToShownWindow(benchmark::State& state) {
    for (auto _ : state) {
        FakeAgentLog log;
        auto window = std::make_unique<TUnitFinderDialog>(
            [&log](const char*, uint16_t, uint16_t) -> INDDUserAgent* {
                return new FakeUserAgent(&log, INDDUserAgent::kSuccess);
            });
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            state.SkipWithError("the window was not exposed");
            break;
        }
        QCoreApplication::processEvents();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    RegisterStringTable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
