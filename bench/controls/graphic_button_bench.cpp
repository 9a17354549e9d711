// How long the graphic button takes to paint: one 75 x 25 button like the system's own (frame,
// bevel, gradient face, 16 x 16 status bitmap, caption), composed only and composed plus copied
// to the screen, and a full repaint of a window holding 100 of them.
#include <QApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "controls/graphic_button_xt.h"

namespace {

void StyleLikeTheSystem(ZGraphicButtonXT* b, const QImage& icon) {
    b->SetFrameWidth(1);
    b->SetEmbossedWidth(1);
    b->GetEffect()->SetGradationColor1(0x686868);
    b->GetEffect()->SetGradationColor2(0xEBEBEB);
    b->GetEffect()->SetEffectType(coetGradationDown);
    b->SetBitmapOff(const_cast<QImage*>(&icon));
    b->SetBitmapPos(copLeftCenter);
    b->SetTextFollowBitmap(true);
    b->SetTextOff(QStringLiteral("&Connect"));
}

QImage Icon() {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(qRgba(40, 160, 40, 255));
    return icon;
}

void BM_ComposeOneButton(benchmark::State& state) {
    const QImage icon = Icon();
    ZGraphicButtonXT button;  // not shown: Paint composes the object bitmap only
    button.resize(75, 25);
    StyleLikeTheSystem(&button, icon);
    for (auto _ : state) {
        button.Paint();
        benchmark::DoNotOptimize(button.GetObjectBitmap()->constBits());
    }
}
BENCHMARK(BM_ComposeOneButton);

void BM_PaintOneButton(benchmark::State& state) {
    const QImage icon = Icon();
    QWidget window;
    window.resize(95, 45);
    auto* button = new ZGraphicButtonXT(&window);
    button->setGeometry(10, 10, 75, 25);
    StyleLikeTheSystem(button, icon);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        button->Paint();  // compose, then copy to the window's backing store
    }
}
BENCHMARK(BM_PaintOneButton);

void BM_RepaintWindowOf100Buttons(benchmark::State& state) {
    const QImage icon = Icon();
    QWidget window;
    window.resize(10 * 80, 10 * 30);
    std::vector<ZGraphicButtonXT*> buttons;
    for (int i = 0; i < 100; ++i) {
        auto* button = new ZGraphicButtonXT(&window);
        button->setGeometry((i % 10) * 80, (i / 10) * 30, 75, 25);
        StyleLikeTheSystem(button, icon);
        buttons.push_back(button);
    }
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        // As after an expose of the whole window: every button is dirty, and one synchronous
        // repaint has each compose and copy its picture. (The window's own repaint alone would
        // reuse the opaque buttons' pixels from the backing store.)
        for (ZGraphicButtonXT* button : buttons) {
            button->update();
        }
        window.repaint();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_RepaintWindowOf100Buttons);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
