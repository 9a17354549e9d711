// A finder window on Qt's offscreen platform with everything around it replaced: a discovery
// agent that sends nothing (tests/catalogue/fake_user_agent.h), settings files in memory, an
// empty registry (so no client application is installed), a shell that records what it was
// asked to open and a clock the test turns (the one that tells products that stopped answering).
// Products arrive the way the network brings them: through the agent's handlers (the core, which
// posts event 1025 to the window, then the window's tracker).
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/font_substitutes.h"
#include "app/list_header.h"
#include "app/paint_box.h"
#include "app/panel.h"
#include "app/string_table.h"
#include "app/unitfinder_dialog.h"
#include "catalogue/client_launch.h"
#include "controls/color.h"
#include "controls/graphic_button_xt.h"
#include "platform/files/memory_profile_file_store.h"
#include "platform/files/profile.h"
#include "platform/files/string_resources.h"
#include "platform/process/shell.h"
#include "platform/registry/registry.h"
#include "tests/catalogue/fake_network_device.h"
#include "tests/catalogue/fake_user_agent.h"
#include "tests/net/fake_routes.h"

namespace ztest {

inline TColor Grey(int v) {
    return MakeColor(v, v, v);
}

// The colour at (x, y) as 0x00BBGGRR.
inline TColor At(const QImage& image, int x, int y) {
    return FromQRgb(image.pixel(x, y));
}

// What a widget shows now (its paint event runs for the picture).
inline QImage Shot(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Number of pixels of one colour in rect.
inline int CountIn(const QImage& image, const QRect& rect, TColor color) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            n += At(image, x, y) == color ? 1 : 0;
        }
    }
    return n;
}

// Leftmost column in rect with a pixel other than background; -1 when none.
inline int InkLeft(const QImage& image, const QRect& rect, TColor background) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            if (At(image, x, y) != background) {
                return x;
            }
        }
    }
    return -1;
}

struct DeviceAnswer {
    std::string service = "zelvane.vxp2";
    std::string name = "Unit";
    std::string address = "10.0.0.1";
    uint16_t port = 4300;
    std::string model = "VXP HD";
    std::string version = "2.0.1";
    std::string info;
};

class FinderTest : public ::testing::Test {
protected:
    static inline const TColor kBackground = Grey(32);
    static inline const TColor kEven = Grey(50);
    static inline const TColor kOdd = Grey(32);
    static inline const TColor kSelected = MakeColor(237, 146, 6);

    void SetUp() override {
        InstallFontSubstitutes();
        zplat::ClearStringResources();
        RegisterStringTable();
        previousStore_ = zplat::SetProfileFileStore(&store_);
        previousShell_ = zplat::SetShellExecuteBackend([this](const zplat::ShellExecuteRequest& r) {
            opened_.push_back(r.file);
            hourglassAtLaunch_ = QGuiApplication::overrideCursor() != nullptr &&
                                 QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
            return shellResult_;
        });
    }

    void TearDown() override {
        window_.reset();
        zplat::SetShellExecuteBackend(previousShell_);
        zplat::SetProfileFileStore(previousStore_);
    }

    // The settings file the window will use: beside the test program.
    std::string SettingsPath() {
        char path[kSettingsPathSize];
        FixSettingsPath(path, sizeof path);
        return path;
    }

    // Makes the window (before any show) with the agent's Start giving startResult.
    void Make(int16_t startResult = INDDUserAgent::kSuccess) {
        window_.reset();
        {
            std::lock_guard<std::mutex> lock(log_.mutex);
            log_.calls.clear();
            log_.handlers.clear();
        }
        window_ = std::make_unique<TUnitFinderDialog>(
            [this, startResult](const char*, uint16_t, uint16_t) -> INDDUserAgent* {
                return new FakeUserAgent(&log_, startResult);
            },
            nullptr, [this] { return nowMs_.load(); });
    }

    // Makes and shows the window; the list area is listHeight pixels high when given.
    void Open(int listHeight = -1) {
        Make();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        QCoreApplication::processEvents();
        if (listHeight >= 0) {
            SetListHeight(listHeight);
        }
    }

    void SetListHeight(int listHeight) {
        const int chrome = window_->height() - window_->PBUnits->height();
        window_->resize(window_->width(), chrome + listHeight);
        QCoreApplication::processEvents();
        ASSERT_EQ(window_->PBUnits->height(), listHeight);
    }

    // A device answers (the first time: a new product); the window hears of it through its
    // event queue.
    void Answer(const DeviceAnswer& answer, bool deliver = true) {
        FakeNetworkDevice device(answer.service, answer.address, answer.port);
        device.name = answer.name;
        device.model = answer.model;
        device.version = answer.version;
        device.info = answer.info;
        std::vector<INDDUserAgentHandler*> handlers;
        {
            std::lock_guard<std::mutex> lock(log_.mutex);
            handlers = log_.handlers;
        }
        ASSERT_EQ(handlers.size(), 2u);  // the core, then the window's tracker
        for (INDDUserAgentHandler* handler : handlers) {
            handler->OnDeviceAnswer(&device, nullptr);
        }
        if (deliver) {
            Deliver();
        }
    }

    // Runs the window's queue until the news of new products is shown: a refresh runs at most
    // once a frame, so news within a frame of the last one waits for its timer.
    void Deliver() {
        QCoreApplication::processEvents();
        for (int waited = 0; window_->HasPendingRefresh() && waited < 1000; ++waited) {
            QTest::qWait(1);
        }
        QCoreApplication::processEvents();
    }

    // Time passes on the window's clock, and it looks for products that stopped answering.
    void Pass(int64_t ms) {
        nowMs_ += ms;
        window_->SweepSilent();
        QCoreApplication::processEvents();
    }

    // n devices "Unit 0" ... at 10.0.0.1 ... (all web-page kinds, which can always connect).
    void AnswerMany(int n) {
        for (int i = 0; i < n; ++i) {
            DeviceAnswer answer;
            answer.name = "Unit " + std::to_string(i);
            answer.address = "10.0.0." + std::to_string(i + 1);
            Answer(answer, false);
        }
        Deliver();
    }

    // Presses the mouse on list row `row` (of the rows on screen).
    void ClickRow(int row) {
        QTest::mouseClick(window_->PBUnits, Qt::LeftButton, Qt::NoModifier,
                          QPoint(window_->PBUnits->width() - 5, row * 18 + 9));
        QCoreApplication::processEvents();
    }

    // A click on a header section, away from its dividers.
    void ClickSection(int section) {
        TListHeader* header = window_->GetHeader();
        const int x = header->GetSectionLeft(section) + header->GetSectionWidth(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, 9));
        QCoreApplication::processEvents();
    }

    // The names of the products shown, in the order shown.
    std::vector<std::string> ShownNames() {
        std::vector<std::string> names;
        const ZProductListModel& model = window_->GetModel();
        for (size_t i = 0; i < model.GetShownCount(); ++i) {
            names.push_back(model.GetShown(i)->GetName().GetString());
        }
        return names;
    }

    // The fill of screen row `row`, read where no text reaches (the row's right end).
    TColor RowFill(const QImage& list, int row) { return At(list, list.width() - 2, row * 18 + 9); }

    bool LogHas(const std::string& call) {
        for (const std::string& c : log_.Calls()) {
            if (c == call) {
                return true;
            }
        }
        return false;
    }

    zplat::MemoryProfileFileStore store_;
    zplat::ProfileFileStore* previousStore_ = nullptr;
    zplat::ShellExecuteBackend previousShell_;
    zplat::ScopedRegistry registry_;  // empty: no client application is installed
    intptr_t shellResult_ = zplat::SHELL_EXECUTE_STARTED;
    std::vector<std::string> opened_;
    bool hourglassAtLaunch_ = false;
    FakeAgentLog log_;
    std::atomic<int64_t> nowMs_{1000000};
    std::unique_ptr<TUnitFinderDialog> window_;
};

}  // namespace ztest
