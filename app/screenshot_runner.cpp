#include "app/screenshot_runner.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstdio>

#include "app/about_dialog.h"
#include "app/cell_text.h"
#include "app/paint_box.h"
#include "app/preferences_dialog.h"
#include "app/unitfinder_dialog.h"
#include "foundation/device_text.h"
#include "foundation/double_list_iterator.h"
#include "net/send_pacer.h"

namespace {

// How often the runner looks at the list while it waits.
constexpr int kPollMs = 100;

bool Save(QWidget* widget, const QString& file) {
    QCoreApplication::processEvents();
    const bool saved = widget->grab().toImage().save(file, "PNG");
    std::fprintf(stderr, "zUnitFinder: %s %s\n", saved ? "wrote" : "could not write",
                 file.toLocal8Bit().constData());
    return saved;
}

// A dialog shown (not modally) just long enough for its picture. The Preferences show the
// window's settings on the given page; their Subnets page shows example blocks, one of them
// refused, since the demo searches no routed subnet.
template <class Dialog>
bool SaveDialog(TUnitFinderDialog* window, const QString& file, int page) {
    Dialog dialog(window);
    if constexpr (std::is_same_v<Dialog, TPreferencesDialog>) {
        dialog.CBCloseOnConnect->setChecked(window->GetCloseOnConnect());
        dialog.CBHideSilent->setChecked(window->GetHideSilent());
        if (page == TPreferencesDialog::kSubnetsPage) {
            dialog.SetSubnets({"10.20.0.0/22", "10.31.2.0/24", "10.40.1.0/22"},
                              ZSendPacer::kDefaultRate);
        }
        dialog.ShowPage(page);
    }
    dialog.show();
    const bool saved = Save(&dialog, file);
    dialog.hide();
    return saved;
}

}  // namespace

TScreenshotRunner::TScreenshotRunner(TUnitFinderDialog* window, Options options)
    : window_(window), options_(std::move(options)) {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &TScreenshotRunner::Poll);
}

void TScreenshotRunner::Start() {
    elapsed_.start();
    timer_.start();
}

int TScreenshotRunner::ListedProducts() const {
    ZUnitFinderCore* core = window_->GetCore();
    if (core == nullptr) {
        return 0;
    }
    LProductList* list = core->GetProductList();
    list->Lock(1);
    const int count = list->GetCount();
    list->Unlock(1);
    return count;
}

int TScreenshotRunner::IndexOf(const QString& name) const {
    const ZProductListModel& model = window_->GetModel();
    for (size_t i = 0; i < model.GetShownCount(); ++i) {
        const ZProduct* product = model.GetShown(i);
        if (QString::fromStdString(ZDeviceText::ToUtf8(product->GetName().GetString())) == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool TScreenshotRunner::IsSilent(const QString& name) const {
    const int index = IndexOf(name);
    return index >= 0 && window_->GetModel().GetShownSilentSince(static_cast<size_t>(index)) !=
                             ZProductListModel::kAnswering;
}

void TScreenshotRunner::Poll() {
    const int listed = ListedProducts();
    const bool waiting = listed < options_.products ||
                         (!options_.silentName.isEmpty() && !IsSilent(options_.silentName));
    if (waiting && elapsed_.elapsed() < options_.timeoutMs) {
        return;
    }
    timer_.stop();
    std::fprintf(stderr, "zUnitFinder: %d products listed after %lld ms\n", listed,
                 static_cast<long long>(elapsed_.elapsed()));
    Shoot();
}

void TScreenshotRunner::Select(const QString& name) {
    const int index = name.isEmpty() ? -1 : IndexOf(name);
    if (index < 0) {
        return;
    }
    const int rows = std::max(window_->PBUnits->height() / TUnitFinderDialog::kRowHeight, 1);
    if (index < window_->VScrollBar->value()) {
        window_->VScrollBar->setValue(index);
    } else if (index >= window_->VScrollBar->value() + rows) {
        window_->VScrollBar->setValue(index - rows + 1);
    }
    const QPointF at(10, (index - window_->VScrollBar->value()) * TUnitFinderDialog::kRowHeight +
                             TUnitFinderDialog::kRowHeight / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, window_->PBUnits->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->PBUnits, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, window_->PBUnits->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->PBUnits, &release);
}

void TScreenshotRunner::Shoot() {
    // Let the last product events reach the list before the pictures are taken.
    QCoreApplication::processEvents();
    if (options_.sortColumn != ZProductListModel::kNoSort) {
        window_->SortBy(options_.sortColumn, false);
    }
    Select(options_.selectName);
    bool ok = Save(window_, options_.mainFile);
    if (!options_.silentFile.isEmpty()) {
        Select(options_.silentName);
        ok = Save(window_, options_.silentFile) && ok;
        Select(options_.selectName);
    }
    if (!options_.filteredFile.isEmpty()) {
        window_->OpenFilter(options_.filterText);
        ok = Save(window_, options_.filteredFile) && ok;
        window_->CloseFilter();
    }
    if (!options_.preferencesFile.isEmpty()) {
        ok = SaveDialog<TPreferencesDialog>(window_, options_.preferencesFile,
                                            TPreferencesDialog::kGeneralPage) &&
             ok;
    }
    if (!options_.subnetsFile.isEmpty()) {
        ok = SaveDialog<TPreferencesDialog>(window_, options_.subnetsFile,
                                            TPreferencesDialog::kSubnetsPage) &&
             ok;
    }
    if (!options_.aboutFile.isEmpty()) {
        ok = SaveDialog<TAboutDialog>(window_, options_.aboutFile, 0) && ok;
    }
    if (!options_.rowsFile.isEmpty()) {
        const bool written = WriteRows(options_.rowsFile);
        std::fprintf(stderr, "zUnitFinder: %s %s\n", written ? "wrote" : "could not write",
                     options_.rowsFile.toLocal8Bit().constData());
        ok = written && ok;
    }
    succeeded_ = ok;
    window_->close();
}

bool TScreenshotRunner::WriteRows(const QString& file) const {
    QString text;
    if (ZUnitFinderCore* core = window_->GetCore()) {
        ZIDoubleListIterator<ZProduct> it(core->GetProductList(), nullptr, true);
        for (ZProduct* product = it.First(); product != nullptr; product = it.Next()) {
            const QString cells[] = {
                CellText("%s", product->GetName().GetString()),
                CellText("%s", product->GetTypeModel().GetString()),
                CellText("%s", product->GetVersionText().GetString()),
                CellText("%s:%d", product->GetAddressText().GetString(),
                         static_cast<int>(product->GetPort())),
                CellText("%s", product->GetDescription().GetString()),
            };
            for (const QString& cell : cells) {
                text += cell;
                text += &cell == &cells[4] ? QLatin1Char('\n') : QLatin1Char('\t');
            }
        }
    }
    QFile out(file);
    const QByteArray bytes = text.toUtf8();
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           out.write(bytes) == bytes.size() && out.flush();
}
