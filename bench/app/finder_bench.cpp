// Figures of the finder's window on Qt's offscreen platform:
//   BM_PaintList/N         one full paint of the device list with N products listed, top rows
//   BM_PaintListAtEnd/N    the same scrolled to the last rows (the walk to the first shown row)
//   BM_SelectAndPaint/N    a click on a row and the paints it causes (list and details)
//   BM_NewProducts/N       UI-thread time of the refresh after each new product, with N products
//                          listed already (one notice, one refresh each: no coalescing helps)
//   BM_StartUpToShownWindow  window made, core started, shown and exposed
// The list paints only the rows that can be seen, so its time should not grow with N beyond the
// walk over the list; one frame is 16 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <string>

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
        log.handlers.at(0)->OnDeviceAnswer(&device, nullptr);
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
        QCoreApplication::processEvents();
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
    int next = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        finder.Answer(next++);
        state.ResumeTiming();
        QCoreApplication::processEvents();  // the refresh and the paint it asks for
    }
}
BENCHMARK(BM_NewProducts)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

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
