// The Preferences and About dialogs: their layout, keys, mouse and results.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/page_tabs.h"
#include "app/panel.h"
#include "app/preferences_dialog.h"
#include "app/styles.h"
#include "controls/graphic_button_xt.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

// Shows the dialog modally, lets act() work on it once it is up, and returns the result (-1
// when it did not close within two seconds).
int RunModal(QDialog* dialog, const std::function<void()>& act) {
    bool stuck = false;
    QTimer::singleShot(0, dialog, [&] {
        act();
        QTimer::singleShot(2000, dialog, [&] {
            if (dialog->isVisible()) {
                stuck = true;
                dialog->done(0);
            }
        });
    });
    const int result = dialog->exec();
    return stuck ? -1 : result;
}

class DialogsTest : public FinderTest {
protected:
    void SetUp() override {
        FinderTest::SetUp();
        Open();
    }
};

TEST_F(DialogsTest, PreferencesLayoutAndLook) {
    TPreferencesDialog dialog(window_.get());
    EXPECT_EQ(dialog.windowTitle(), "Preferences");
    EXPECT_EQ(dialog.size(), QSize(464, 205));
    EXPECT_EQ(dialog.PageTabs->geometry(), QRect(0, 0, 464, 22));
    EXPECT_EQ(dialog.MainPanel->geometry(), QRect(0, 22, 464, 148));
    EXPECT_EQ(dialog.SubnetPanel->geometry(), dialog.MainPanel->geometry());
    EXPECT_EQ(dialog.ButtonPanel->geometry(), QRect(0, 170, 464, 35));
    EXPECT_EQ(dialog.ButtonLinePanel->geometry(), QRect(0, 0, 464, 1));
    EXPECT_EQ(dialog.CBCloseOnConnect->geometry(), QRect(16, 16, 321, 17));
    EXPECT_EQ(dialog.CBCloseOnConnect->text(), "Close when Open/Connect client application");
    EXPECT_EQ(dialog.CBHideSilent->geometry(), QRect(16, 40, 321, 17));
    EXPECT_EQ(dialog.BOk->geometry(), QRect(309, 5, 75, 25));
    EXPECT_EQ(dialog.BCancel->geometry(), QRect(385, 5, 75, 25));
    EXPECT_EQ(dialog.BOk->GetTextOff(), "Ok");
    EXPECT_EQ(dialog.BCancel->GetTextOff(), "Cancel");
    EXPECT_EQ(dialog.BOk->toolTip(), "Ok");
    // Styled: plain text 220 grey, icons of resources 1101/1102 and 1103/1104.
    EXPECT_FALSE(dialog.BOk->GetTextFont().font.bold());
    EXPECT_EQ(dialog.BCancel->GetTextColorOff(), Grey(220));
    EXPECT_EQ(ControlFontColor(dialog.CBCloseOnConnect), Grey(220));
    EXPECT_EQ(ControlFontColor(dialog.CBHideSilent), Grey(220));
    EXPECT_EQ(ControlFontColor(dialog.LSubnets), Grey(220));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QImage shot = Shot(&dialog);
    EXPECT_EQ(At(shot, 400, 40), Grey(32));  // MainPanel takes the dialog's colour
    EXPECT_EQ(At(shot, 400, 10), Grey(32));  // beside the tabs, the header bar's colour
    EXPECT_EQ(At(shot, 10, 170), Grey(0));   // the button line
    EXPECT_EQ(At(shot, 10, 190), Grey(20));  // the button panel
    // The first page's tab is current: 50 grey, underlined in the selection's orange.
    const QRect general = dialog.PageTabs->TabRect(TPreferencesDialog::kGeneralPage);
    EXPECT_EQ(At(shot, general.left() + 2, 3), Grey(50));
    EXPECT_EQ(At(shot, general.left() + 2, 21), kSelected);
    EXPECT_FALSE(dialog.SubnetPanel->isVisible());

    // A press on the second tab shows the subnets, its fields in the list's colours.
    const QRect subnets = dialog.PageTabs->TabRect(TPreferencesDialog::kSubnetsPage);
    QTest::mouseClick(dialog.PageTabs, Qt::LeftButton, Qt::NoModifier, subnets.center());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.SubnetPanel->isVisible());
    EXPECT_FALSE(dialog.MainPanel->isVisible());
    shot = Shot(&dialog);
    EXPECT_EQ(At(shot, subnets.left() + 2, 3), Grey(50));
    EXPECT_EQ(At(shot, general.left() + 2, 3), Grey(32));
    EXPECT_EQ(At(shot, dialog.MSubnets->geometry().right() - 3, 22 + 30), Grey(50));
    EXPECT_EQ(dialog.ERate->text(), "2000");
}

TEST_F(DialogsTest, PreferencesResults) {
    struct Case {
        const char* name;
        std::function<void(TPreferencesDialog*)> act;
        int result;
    };
    const Case cases[] = {
        {"Enter on the check box",
         [](TPreferencesDialog* d) { QTest::keyClick(d->CBCloseOnConnect, Qt::Key_Return); }, 1},
        {"keypad Enter", [](TPreferencesDialog* d) { QTest::keyClick(d, Qt::Key_Enter); }, 1},
        {"Escape on the check box",
         [](TPreferencesDialog* d) { QTest::keyClick(d->CBCloseOnConnect, Qt::Key_Escape); }, 2},
        {"Ok",
         [](TPreferencesDialog* d) {
             QTest::mouseClick(d->BOk, Qt::LeftButton, Qt::NoModifier, QPoint(30, 12));
         },
         1},
        {"Cancel",
         [](TPreferencesDialog* d) {
             QTest::mouseClick(d->BCancel, Qt::LeftButton, Qt::NoModifier, QPoint(30, 12));
         },
         2},
        {"close box", [](TPreferencesDialog* d) { d->close(); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPreferencesDialog dialog(window_.get());
        EXPECT_EQ(RunModal(&dialog, [&] { c.act(&dialog); }), c.result);
    }
}

TEST_F(DialogsTest, PreferencesOtherKeysAndPanelClicksLeaveItOpen) {
    TPreferencesDialog dialog(window_.get());
    const int result = RunModal(&dialog, [&] {
        QTest::keyClick(dialog.CBCloseOnConnect, Qt::Key_Space);  // ticks the box
        QTest::keyClick(&dialog, Qt::Key_A);
        QTest::mouseClick(dialog.MainPanel, Qt::LeftButton, Qt::NoModifier, QPoint(420, 40));
        QTest::mouseClick(dialog.ButtonPanel, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.CBCloseOnConnect->isChecked());
        // A press on the dialog's own surface ends it with 1.
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &press);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(DialogsTest, SubnetsPageNamesWhatItRefusesAndStaysOpenUntilItIsMended) {
    FakeRoutes routes;
    TPreferencesDialog dialog(window_.get());
    // Entries it is given are named at once (the finder ignores them), and need no mending.
    dialog.SetSubnets({"10.31.2.0/24", "stage"}, 2000);
    EXPECT_NE(dialog.LRefused->text().indexOf("stage"), -1);
    EXPECT_TRUE(dialog.CheckSubnets());
    EXPECT_FALSE(dialog.SubnetsChanged());

    struct Step {
        const char* label;
        const char* subnets;
        const char* rate;
        std::vector<std::string> named;  // empty: accepted
    };
    const Step steps[] = {
        {"host bits set, no route, malformed",
         "10.31.2.0/24, 10.31.1.0/22\n10.40.0.0/24 stage",
         "2000",
         {"10.31.1.0/22", "\"stage\"", "and 1 more"}},
        {"a rate out of range", "10.31.2.0/24", "0", {"requests per second"}},
        {"a rate that is no number", "10.31.2.0/24", "fast", {"\"fast\""}},
        {"mended, a repeat kept once", "10.31.2.0/24,10.31.4.0/22 10.31.2.0/24", "500", {}},
    };
    const int result = RunModal(&dialog, [&] {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.label);
            dialog.ShowPage(TPreferencesDialog::kGeneralPage);
            dialog.MSubnets->setPlainText(QString::fromUtf8(step.subnets));
            dialog.ERate->setText(QString::fromUtf8(step.rate));
            QTest::keyClick(dialog.CBCloseOnConnect, Qt::Key_Return);
            if (step.named.empty()) {
                EXPECT_FALSE(dialog.isVisible());
                continue;
            }
            ASSERT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.SubnetPanel->isVisible());  // the page that names them
            for (const std::string& text : step.named) {
                EXPECT_NE(dialog.LRefused->text().indexOf(QString::fromStdString(text)), -1)
                    << dialog.LRefused->text().toStdString();
            }
            // Every refusal in the hint, the third too.
            if (step.named.back() == "and 1 more") {
                EXPECT_NE(dialog.LRefused->toolTip().indexOf("10.40.0.0/24"), -1);
            }
        }
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(dialog.GetSubnets().size(), 2u);
    EXPECT_EQ(dialog.GetSubnets()[0].GetText(), "10.31.2.0/24");
    EXPECT_EQ(dialog.GetSubnets()[1].GetText(), "10.31.4.0/22");
    EXPECT_EQ(dialog.GetSweepRate(), 500u);
}

TEST_F(DialogsTest, CtrlTabTurnsThePages) {
    TPreferencesDialog dialog(window_.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.CBCloseOnConnect, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(dialog.SubnetPanel->isVisible());
    QTest::keyClick(dialog.MSubnets, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(dialog.MainPanel->isVisible());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DialogsTest, AboutShowsTheCaptionCentredAndClosesOnAClick) {
    ASSERT_EQ(window_->windowTitle(), "Zelvane Unit Finder 7.1.0");
    for (int target = 0; target < 4; ++target) {
        SCOPED_TRACE(target);
        TAboutDialog dialog(window_.get());
        EXPECT_EQ(dialog.windowTitle(), "About...");
        EXPECT_EQ(dialog.size(), QSize(368, 168));
        const int result = RunModal(&dialog, [&] {
            EXPECT_EQ(dialog.LProduct->text(), "Zelvane Unit Finder 7.1.0");
            EXPECT_EQ(dialog.LProduct->y(), 32);
            EXPECT_EQ(dialog.LProduct->x(), (368 - dialog.LProduct->width()) / 2);
            EXPECT_GT(dialog.LProduct->width(), 100);
            EXPECT_EQ(dialog.LCopyright->pos(), QPoint(119, 64));
            EXPECT_EQ(dialog.Image1->geometry(), QRect(163, 104, 32, 32));
            EXPECT_EQ(ControlFontColor(dialog.LProduct), Grey(220));
            EXPECT_EQ(ControlFontColor(dialog.LCopyright), Grey(220));
            QWidget* targets[] = {&dialog, dialog.LProduct, dialog.LCopyright, dialog.Image1};
            QTest::mouseClick(targets[target], Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        });
        EXPECT_EQ(result, 1);
    }
}

TEST_F(DialogsTest, AboutFromTheMenuReadsTheMainWindow) {
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<TAboutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        shown = about->LProduct->text();
        QTest::mouseClick(about, Qt::RightButton, Qt::NoModifier, QPoint(5, 150));
    });
    window_->About1->trigger();
    EXPECT_EQ(shown, window_->windowTitle());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(DialogsTest, AboutWithoutAFormParentKeepsItsOwnTitle) {
    QWidget holder;
    auto* inner = new QWidget(&holder);
    inner->setWindowTitle("Not a form");
    TAboutDialog dialog(nullptr);
    dialog.show();
    EXPECT_EQ(dialog.LProduct->text(), "Zelvane Unit Finder");
    EXPECT_EQ(dialog.LProduct->x(), (368 - dialog.LProduct->width()) / 2);
}

}  // namespace
}  // namespace ztest
