// A shown window with one graphic button set up like the system's own buttons: 75 x 25, frame 1,
// bevel 1, gradient from 0xEBEBEB at the top to 0x686868 at the bottom.
#pragma once

#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "controls/graphic_button_xt.h"
#include "tests/controls/pixels.h"

namespace ztest {

inline TColor Grey(int v) {
    return MakeColor(v, v, v);
}

// Bevel shades of the default ColorOff and ColorOn (0xC0C0C0).
inline constexpr int kLight = 242;
inline constexpr int kDark = 86;

class SystemButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 100);
        button_ = new ZGraphicButtonXT(window_.get());
        button_->setGeometry(10, 10, 75, 25);
        button_->SetFrameWidth(1);
        button_->SetEmbossedWidth(1);
        button_->GetEffect()->SetGradationColor1(0x686868);
        button_->GetEffect()->SetGradationColor2(0xEBEBEB);
        button_->GetEffect()->SetEffectType(coetGradationDown);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        QCoreApplication::processEvents();
    }

    // The window goes while the derived fixture still exists: its hide may still raise events.
    void TearDown() override { window_.reset(); }

    const QImage& Picture() { return *button_->GetObjectBitmap(); }
    // The bevel's upper-left pixel tells the raised look (light) from the sunken one (dark).
    bool Raised() { return At(Picture(), 1, 1) == Grey(kLight); }
    bool Sunken() { return At(Picture(), 1, 1) == Grey(kDark); }

    std::unique_ptr<QWidget> window_;
    ZGraphicButtonXT* button_ = nullptr;
};

}  // namespace ztest
