#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/graphic_button_xt.h"
#include "tests/controls/button_fixture.h"

namespace {

using ztest::SystemButtonTest;

// Records the button's events in the order they are raised.
class MouseTest : public SystemButtonTest {
protected:
    void SetUp() override {
        SystemButtonTest::SetUp();
        QObject::connect(button_, &ZGraphicButtonXT::OnClickDown,
                         [this] { events_.push_back("down"); });
        QObject::connect(button_, &ZGraphicButtonXT::OnClickUp,
                         [this] { events_.push_back("up"); });
        QObject::connect(button_, &ZGraphicButtonXT::OnClick,
                         [this] { events_.push_back("click"); });
        QObject::connect(button_, &ZGraphicButtonXT::OnDblClick,
                         [this] { events_.push_back("double"); });
        button_->Paint();
    }
    void Press(QPoint at = {37, 12}) { QTest::mousePress(button_, Qt::LeftButton, {}, at); }
    void Release(QPoint at = {37, 12}) { QTest::mouseRelease(button_, Qt::LeftButton, {}, at); }
    // A move with the left button held.
    void Drag(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, button_->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button_, &move);
    }
    void Click() {
        Press();
        Release();
    }

    std::vector<std::string> events_;
};

using Events = std::vector<std::string>;

TEST_F(MouseTest, NormalPressShowsSunkenReleaseRaisedAndRaisesEventsInOrder) {
    EXPECT_TRUE(Raised());
    Press();
    EXPECT_TRUE(Sunken());
    EXPECT_EQ(events_, Events({"down"}));
    // Other repaints while pressed keep the pressed look.
    window_->repaint();
    EXPECT_TRUE(Sunken());
    Release();
    EXPECT_TRUE(Raised());
    EXPECT_EQ(button_->GetState(), 0);
    EXPECT_EQ(events_, Events({"down", "up", "click"}));
}

TEST_F(MouseTest, NormalDragOutAndBackAndReleaseOutside) {
    Press();
    Drag({100, 12});
    EXPECT_TRUE(Raised());  // repainted in its current state
    Drag({75, 25});         // the right and bottom edges count as inside
    EXPECT_TRUE(Sunken());
    Drag({-1, 12});
    EXPECT_TRUE(Raised());
    Release({-1, 12});
    EXPECT_TRUE(Raised());
    EXPECT_EQ(events_, Events({"down", "up"}));  // no click outside
}

TEST_F(MouseTest, ToggleFlipsStateAndStillDownKeepsTheOnStateSunken) {
    button_->SetMode(comToggle);
    Click();
    EXPECT_EQ(button_->GetState(), 1);
    EXPECT_TRUE(Raised());  // on look, raised body without StillDown
    Click();
    EXPECT_EQ(button_->GetState(), 0);
    button_->SetStillDown(true);
    Click();
    EXPECT_EQ(button_->GetState(), 1);
    EXPECT_TRUE(Sunken());
    Press();
    Drag({200, 12});
    Drag({37, 12});  // back in while on: the off look with the raised body
    EXPECT_TRUE(Raised());
    Release();
    EXPECT_EQ(button_->GetState(), 0);
    EXPECT_TRUE(Raised());
}

TEST_F(MouseTest, OneTimeStateLatches) {
    button_->SetMode(comOneTimeState);
    button_->SetStillDown(true);
    Click();
    EXPECT_EQ(button_->GetState(), 1);
    EXPECT_TRUE(Sunken());
    Click();
    EXPECT_EQ(button_->GetState(), 1);
    EXPECT_TRUE(Sunken());
    EXPECT_EQ(events_, Events({"down", "up", "click", "down", "up", "click"}));
}

TEST_F(MouseTest, ManualChangesNothingButStillRaisesTheClickEvents) {
    button_->SetMode(comManual);
    const QImage before = Picture();
    Press();
    EXPECT_EQ(Picture(), before);
    Drag({200, 12});
    Drag({37, 12});
    EXPECT_EQ(Picture(), before);
    Release();
    EXPECT_EQ(Picture(), before);
    EXPECT_EQ(button_->GetState(), 0);
    EXPECT_EQ(events_, Events({"down", "up", "click"}));
    button_->SetState(1);  // only code changes the state
    EXPECT_EQ(button_->GetState(), 1);
}

TEST_F(MouseTest, SetStateZeroWhileHeldEndsTheTracking) {
    Press();
    EXPECT_TRUE(Sunken());
    button_->SetState(0);
    EXPECT_TRUE(Raised());
    Drag({200, 12});
    Drag({37, 12});
    EXPECT_TRUE(Raised());  // no pressed look comes back
    Release();
    EXPECT_TRUE(Raised());
    EXPECT_EQ(events_, Events({"down", "up", "click"}));
}

TEST_F(MouseTest, CancelModeReleasesOnceAndTheLaterReleaseIsIgnored) {
    Press();
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(button_, &deactivate);
    EXPECT_TRUE(Raised());
    EXPECT_EQ(events_, Events({"down", "up"}));
    Release();
    EXPECT_EQ(events_, Events({"down", "up"}));
    // Disabling while held cancels as well.
    events_.clear();
    Press();
    button_->SetEnabled(false);
    EXPECT_EQ(events_, Events({"down", "up"}));
    button_->MouseDown(Qt::LeftButton, Qt::NoModifier, 5, 5);  // disabled: no click events
    button_->MouseUp(Qt::LeftButton, Qt::NoModifier, 5, 5);
    EXPECT_EQ(events_, Events({"down", "up"}));
}

TEST_F(MouseTest, DoubleClickRaisesOneClickAndOneDoubleClick) {
    // The widget sees press, release, press, double click, release.
    Click();
    Press();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(37, 12),
                    button_->mapToGlobal(QPointF(37, 12)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(button_, &dbl);
    Release();
    EXPECT_EQ(events_, Events({"down", "up", "click", "down", "double", "up"}));
}

TEST_F(MouseTest, TransparentButtonStillTakesClicks) {
    button_->SetTransparent(true);
    Click();
    EXPECT_EQ(events_, Events({"down", "up", "click"}));
    EXPECT_EQ(ztest::Count(Picture(), 0x010000), 75 * 25);
}

}  // namespace
