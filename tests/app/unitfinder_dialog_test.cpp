// The main window's life: start-up order, caption, the settings file, event 1025, the menu and
// shutdown.

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <chrono>
#include <thread>

#include "app/list_header.h"
#include "app/preferences_dialog.h"
#include "app/ui_stall_meter.h"
#include "catalogue/product.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

class UnitFinderDialogTest : public FinderTest {
protected:
    UnitFinderDialogTest() { clock_.start(); }
    QElapsedTimer clock_;
};

TEST_F(UnitFinderDialogTest, CreateStartsTheCoreAndShowAddsTheVersionAndIcons) {
    Make();
    // HandleCreate: the core runs with the service pattern and retry count, the caption is the
    // title alone, the header bar has its five sections.
    EXPECT_TRUE(LogHas("Start"));
    {
        std::lock_guard<std::mutex> lock(log_.mutex);
        EXPECT_EQ(log_.serviceType, "zelvane.*");
        EXPECT_EQ(log_.retryCount, 3);
    }
    EXPECT_EQ(window_->windowTitle(), "Zelvane Unit Finder");
    EXPECT_TRUE(window_->LUnitListTitle->text().isEmpty());
    ASSERT_NE(window_->GetHeader(), nullptr);
    EXPECT_EQ(window_->GetHeader()->SectionCount(), 5);
    Answer(DeviceAnswer{});
    ASSERT_NE(window_->GetCore()->GetProductList()->First(), nullptr);
    EXPECT_EQ(window_->GetCore()->GetProductList()->First()->GetIcon(), nullptr);

    // HandleShow: this test program's version block says 7.1.0.0.
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_EQ(window_->windowTitle(), "Zelvane Unit Finder 7.1.0");
    EXPECT_NE(window_->GetCore()->GetProductList()->First()->GetIcon(), nullptr);
    // Only the first show appends it.
    window_->hide();
    window_->show();
    EXPECT_EQ(window_->windowTitle(), "Zelvane Unit Finder 7.1.0");
}

TEST_F(UnitFinderDialogTest, ClientAreaAndControlPlacement) {
    Open();
    EXPECT_EQ(window_->MainPanel->size(), QSize(771, 419));
    EXPECT_EQ(window_->MainMenu1->geometry().bottom() + 1, window_->MainPanel->y());
    EXPECT_EQ(window_->TopPanel->geometry(), QRect(0, 0, 771, 26));
    EXPECT_EQ(window_->InfoPanel->geometry(), QRect(0, 419 - 96, 771, 96));
    EXPECT_EQ(window_->UnitPanel->geometry(), QRect(0, 26, 771, 419 - 96 - 26));
    EXPECT_EQ(window_->PBUnits->geometry(), window_->UnitPanel->rect());
    EXPECT_EQ(window_->InfoLinePanel->geometry(), QRect(0, 0, 771, 1));
    EXPECT_EQ(window_->PBInfos->geometry(), QRect(0, 1, 771, 95));
    EXPECT_EQ(window_->BConnect->geometry(), QRect(18, 70, 75, 20));
    // The header bar lies over the lower 18 pixels of TopPanel, as wide as the window.
    EXPECT_EQ(window_->GetHeader()->geometry(), QRect(0, 8, 771, 18));
    // The window is dark; so is its main panel; the details area's top line is 50, 50, 50.
    const QImage shot = Shot(window_->MainPanel);
    EXPECT_EQ(At(shot, 400, 2), Grey(32));
    EXPECT_EQ(At(shot, 400, 419 - 96), Grey(50));
}

TEST_F(UnitFinderDialogTest, ProductNewsTravelAsEvent1025AndAreHandledOnTheUiThread) {
    Open(100);
    struct Spy : QObject {
        int seen = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            seen += e->type() == static_cast<QEvent::Type>(TUnitFinderDialog::kMsgProductAdded);
            return false;
        }
    } spy;
    window_->installEventFilter(&spy);
    // Ten answers on another thread: nothing on screen changes until the window's queue runs,
    // and the ten notices wait there as one event.
    std::thread network([this] {
        for (int i = 0; i < 10; ++i) {
            DeviceAnswer answer;
            answer.address = "10.0.1." + std::to_string(i + 1);
            Answer(answer, false);
        }
    });
    network.join();
    EXPECT_TRUE(window_->VScrollBar->isHidden());
    EXPECT_EQ(spy.seen, 0);
    Deliver();
    EXPECT_EQ(spy.seen, 1);
    EXPECT_FALSE(window_->VScrollBar->isHidden());
    EXPECT_EQ(window_->VScrollBar->maximum(), 5);
    // A product after the refresh is news again.
    DeviceAnswer late;
    late.address = "10.0.1.99";
    Answer(late);
    EXPECT_EQ(spy.seen, 2);
    EXPECT_EQ(window_->GetListedCount(), 11);
    EXPECT_EQ(window_->VScrollBar->maximum(), 6);
    window_->removeEventFilter(&spy);
}

TEST_F(UnitFinderDialogTest, ABurstOfNewProductsCostsFewRefreshesAndListsThemAll) {
    Open(100);  // five rows
    const int refreshesBefore = window_->GetRefreshCount();
    // A thousand new products from the network thread while the UI thread is busy elsewhere:
    // one event waits for all of them.
    std::thread network([this] {
        for (int i = 0; i < 1000; ++i) {
            DeviceAnswer answer;
            answer.name = "Unit " + std::to_string(i);
            answer.address = "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
            Answer(answer, false);
        }
    });
    network.join();
    Deliver();
    EXPECT_EQ(window_->GetRefreshCount() - refreshesBefore, 1);
    EXPECT_EQ(window_->GetListedCount(), 1000);
    EXPECT_EQ(window_->VScrollBar->maximum(), 1000 - 5);
    EXPECT_EQ(window_->VScrollBar->value(), 0);

    // The rows on screen are the first five, in the order the devices answered, and the last
    // one is there when scrolled to.
    const QImage top = Shot(window_->PBUnits);
    EXPECT_EQ(RowFill(top, 0), kEven);
    EXPECT_EQ(RowFill(top, 1), kOdd);
    ClickRow(0);
    ASSERT_NE(window_->GetSelection(), nullptr);
    EXPECT_STREQ(window_->GetSelection()->GetName().GetString(), "Unit 0");
    window_->VScrollBar->setValue(window_->VScrollBar->maximum());
    ClickRow(4);
    ASSERT_NE(window_->GetSelection(), nullptr);
    EXPECT_STREQ(window_->GetSelection()->GetName().GetString(), "Unit 999");
}

TEST_F(UnitFinderDialogTest, StallMeterReportsTheLongestTurnAndWhatWasListed) {
    Open(100);
    for (const char* value : {"", "0", "-3", "soon"}) {
        SCOPED_TRACE(value);
        qputenv(TUiStallMeter::kEnvironmentVariable, value);
        EXPECT_EQ(TUiStallMeter::FromEnvironment(window_.get(), clock_), nullptr);
    }
    qputenv(TUiStallMeter::kEnvironmentVariable, "2.5");
    std::unique_ptr<TUiStallMeter> meter = TUiStallMeter::FromEnvironment(window_.get(), clock_);
    qunsetenv(TUiStallMeter::kEnvironmentVariable);
    ASSERT_NE(meter, nullptr);
    meter->Tick();
    AnswerMany(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // one long turn
    meter->Tick();
    EXPECT_GE(meter->GetLongestStallMs(), 30.0);
    const QString report = meter->Report();
    EXPECT_TRUE(report.contains(QStringLiteral("\"products_listed\":3,"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("\"refreshes\":1,"))) << report.toStdString();
}

TEST_F(UnitFinderDialogTest, WheelScrollsTheListThreeRowsPerNotch) {
    Open(100);
    auto wheel = [this](int eighths) {
        const QPointF at(10, 10);
        QWheelEvent event(at, window_->PBUnits->mapToGlobal(at), QPoint(), QPoint(0, eighths),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window_->PBUnits, &event);
    };
    wheel(-120);  // nothing to scroll yet
    EXPECT_EQ(window_->VScrollBar->value(), 0);
    for (int i = 0; i < 10; ++i) {
        DeviceAnswer answer;
        answer.address = "10.0.1." + std::to_string(i + 1);
        Answer(answer);
    }
    ASSERT_EQ(window_->VScrollBar->maximum(), 5);
    wheel(-120);
    EXPECT_EQ(window_->VScrollBar->value(), 3);
    wheel(-60);  // half a notch waits for the other half
    EXPECT_EQ(window_->VScrollBar->value(), 3);
    wheel(-60);
    EXPECT_EQ(window_->VScrollBar->value(), 5);  // held at the end
    wheel(120 * 4);
    EXPECT_EQ(window_->VScrollBar->value(), 0);
}

TEST_F(UnitFinderDialogTest, StartFailureLeavesAnEmptyWorkingWindow) {
    Make(INDDUserAgent::kServerCannotStart);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_NE(window_->GetCore(), nullptr);
    const QImage list = Shot(window_->PBUnits);
    EXPECT_EQ(CountIn(list, list.rect(), Grey(32)), list.width() * list.height());
}

TEST_F(UnitFinderDialogTest, CtrlQAndTheCloseBoxStopTheSearchBeforeTheWindowGoes) {
    for (bool shortcut : {true, false}) {
        SCOPED_TRACE(shortcut ? "Ctrl+Q" : "close box");
        log_.calls.clear();
        Open();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        if (shortcut) {
            QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        } else {
            window_->close();
        }
        QCoreApplication::processEvents();
        // The window object is still there; its core has stopped, its agent is released and
        // the search thread has ended (the core waited for it before it went).
        EXPECT_FALSE(window_->isVisible());
        EXPECT_EQ(window_->GetCore(), nullptr);
        EXPECT_TRUE(LogHas("Stop"));
        EXPECT_TRUE(LogHas("Release"));
        EXPECT_EQ(ZProduct(nullptr).GetIcon(), nullptr);  // the kind icons are freed
        window_.reset();
    }
}

TEST_F(UnitFinderDialogTest, MenusCarryTheirCaptionsAndShortcut) {
    Open();
    EXPECT_EQ(window_->File1->title(), "File");
    EXPECT_EQ(window_->Preferences1->text(), "Preferences...");
    EXPECT_EQ(window_->Export1->text(), "Export list...");
    EXPECT_EQ(window_->Filter1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_TRUE(window_->N1->isSeparator());
    EXPECT_EQ(window_->Quit1->text(), "Quit");
    EXPECT_EQ(window_->Quit1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(window_->Help1->title(), "Help");
    EXPECT_EQ(window_->About1->text(), "About...");
}

// --- Settings ---------------------------------------------------------------------------------

// Opens Preferences from the menu, lets act() work on the dialog, and returns when it closed.
class SettingsTest : public FinderTest {
protected:
    void RunPreferences(const std::function<void(TPreferencesDialog*)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TPreferencesDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(dialog);
            acted = true;
            // Whatever act did, the dialog must be gone soon; a stuck one fails the test.
            QTimer::singleShot(2000, [] {
                if (QWidget* stuck = QApplication::activeModalWidget()) {
                    ADD_FAILURE() << "the dialog did not close";
                    static_cast<QDialog*>(stuck)->done(0);
                }
            });
        });
        window_->Preferences1->trigger();
        EXPECT_TRUE(acted);
    }

    std::string Content() { return store_.Content(window_->GetSettingsPath()); }
};

TEST_F(SettingsTest, NoFileMeansOffAndTickPlusEnterWritesOne) {
    Open();
    EXPECT_EQ(std::string(window_->GetSettingsPath()), SettingsPath());
    EXPECT_NE(SettingsPath().find("app_gui_tests.cfg"), std::string::npos);
    EXPECT_FALSE(window_->GetCloseOnConnect());
    RunPreferences([](TPreferencesDialog* d) {
        EXPECT_FALSE(d->CBCloseOnConnect->isChecked());
        QTest::mouseClick(d->CBCloseOnConnect, Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
        EXPECT_TRUE(d->CBCloseOnConnect->isChecked());
        QTest::keyClick(d->CBCloseOnConnect, Qt::Key_Return);
    });
    EXPECT_TRUE(window_->GetCloseOnConnect());
    EXPECT_EQ(Content(), "[SETUP]\nCloseOnConnect=1\n");
}

TEST_F(SettingsTest, EscapeWithTheBoxUnchangedChangesNothing) {
    store_.SetContent(SettingsPath(), "[SETUP]\nCloseOnConnect=1\n");
    Open();
    EXPECT_TRUE(window_->GetCloseOnConnect());
    RunPreferences([](TPreferencesDialog* d) {
        EXPECT_TRUE(d->CBCloseOnConnect->isChecked());
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_TRUE(window_->GetCloseOnConnect());
    EXPECT_EQ(Content(), "[SETUP]\nCloseOnConnect=1\n");
}

TEST_F(SettingsTest, SevenReadsAsOnAndIsWrittenBackAsOne) {
    store_.SetContent(SettingsPath(), "[SETUP]\nCloseOnConnect=7\n");
    Open();
    EXPECT_TRUE(window_->GetCloseOnConnect());
    RunPreferences([](TPreferencesDialog* d) { QTest::keyClick(d, Qt::Key_Enter); });
    EXPECT_EQ(Content(), "[SETUP]\nCloseOnConnect=1\n");
}

TEST_F(SettingsTest, GarbageReadsAsDefaultsAndOtherSectionsSurviveASave) {
    struct Case {
        const char* name;
        std::string before;
        bool on;
        std::string after;  // after the box is ticked and Ok pressed
    };
    const std::string garbage("\xff\xfe\x00\x01[SETUP\x80=\x7f\n\x00\xc3", 14);
    const Case cases[] = {
        {"garbage", garbage, false, garbage + "\n[SETUP]\nCloseOnConnect=1\n"},
        {"other sections",
         "; kept\n[Window]\nLeft=10\n[setup]\nclosEonconnect=0\nOther=x\n[Z]\nA=1\n", false,
         "; kept\n[Window]\nLeft=10\n[setup]\nclosEonconnect=1\nOther=x\n[Z]\nA=1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store_.SetContent(SettingsPath(), c.before);
        Open();
        EXPECT_EQ(window_->GetCloseOnConnect(), c.on);
        RunPreferences([](TPreferencesDialog* d) {
            d->CBCloseOnConnect->setChecked(true);
            d->BOk->Click();
        });
        EXPECT_TRUE(window_->GetCloseOnConnect());
        EXPECT_EQ(Content(), c.after);
        window_.reset();
    }
}

TEST_F(SettingsTest, EveryResultButNoneStoresTheBox) {
    // Cancel, Escape and the close box end the dialog with 2, which the window stores too.
    const std::pair<const char*, std::function<void(TPreferencesDialog*)>> ways[] = {
        {"Cancel", [](TPreferencesDialog* d) { d->BCancel->Click(); }},
        {"Escape", [](TPreferencesDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close box", [](TPreferencesDialog* d) { d->close(); }},
        {"Ok", [](TPreferencesDialog* d) { d->BOk->Click(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        store_.SetContent(SettingsPath(), "");
        Open();
        RunPreferences([&way](TPreferencesDialog* d) {
            d->CBCloseOnConnect->setChecked(true);
            way.second(d);
        });
        EXPECT_TRUE(window_->GetCloseOnConnect());
        EXPECT_EQ(Content(), "[SETUP]\nCloseOnConnect=1\n");
        window_.reset();
    }
}

TEST_F(SettingsTest, SubnetsAndRateAreWrittenWhenOkAcceptsTheirChange) {
    FakeRoutes routes;
    store_.SetContent(SettingsPath(), "[SETUP]\nSubnets=10.31.2.0/24, stage\n");
    Open();
    struct Way {
        const char* label;
        std::function<void(TPreferencesDialog*)> act;
        std::string content;
    };
    const Way ways[] = {
        // Entries as the file had them never keep Ok from ending the dialog.
        {"Ok, the page untouched", [](TPreferencesDialog* d) { d->BOk->Click(); },
         "[SETUP]\nSubnets=10.31.2.0/24, stage\nCloseOnConnect=0\n"},
        {"Cancel after an edit",
         [](TPreferencesDialog* d) {
             d->MSubnets->setPlainText("10.31.8.0/24");
             d->BCancel->Click();
         },
         "[SETUP]\nSubnets=10.31.2.0/24, stage\nCloseOnConnect=0\n"},
        {"Ok after an edit",
         [](TPreferencesDialog* d) {
             EXPECT_EQ(d->MSubnets->toPlainText(), "10.31.2.0/24, stage");
             d->MSubnets->setPlainText("10.31.2.0/24\n10.31.8.0/24");
             d->ERate->setText("750");
             d->BOk->Click();
         },
         "[SETUP]\nSubnets=10.31.2.0/24, 10.31.8.0/24\nCloseOnConnect=0\nSweepRate=750\n"},
        {"shown again as written",
         [](TPreferencesDialog* d) {
             EXPECT_EQ(d->MSubnets->toPlainText(), "10.31.2.0/24, 10.31.8.0/24");
             EXPECT_EQ(d->ERate->text(), "750");
             EXPECT_TRUE(d->LRefused->text().isEmpty());
             d->BOk->Click();
         },
         "[SETUP]\nSubnets=10.31.2.0/24, 10.31.8.0/24\nCloseOnConnect=0\nSweepRate=750\n"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.label);
        RunPreferences(way.act);
        EXPECT_EQ(Content(), way.content);
    }
}

TEST_F(SettingsTest, AnUnwritableFileKeepsTheSettingForTheRun) {
    store_.SetReadOnly(SettingsPath());
    Open();
    // The directory cannot be written: the settings live in the user's profile directory.
    EXPECT_STREQ(window_->GetSettingsPath(), "app_gui_tests.cfg");
    store_.SetReadOnly("app_gui_tests.cfg");
    RunPreferences([](TPreferencesDialog* d) {
        d->CBCloseOnConnect->setChecked(true);
        d->BOk->Click();
    });
    EXPECT_TRUE(window_->GetCloseOnConnect());
    EXPECT_FALSE(store_.Exists("app_gui_tests.cfg"));
}

}  // namespace
}  // namespace ztest
