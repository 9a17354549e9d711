#include "app/page_tabs.h"

#include <QMouseEvent>

#include "app/font_substitutes.h"
#include "app/list_palette.h"
#include "controls/canvas.h"

namespace {

// "MS Sans Serif" 8 pt, the header bar's font, is 11 pixels high.
constexpr int kFontPixels = 11;
constexpr int kFirstLeft = 8;
constexpr int kPadding = 12;  // on each side of a name
constexpr int kMarkHeight = 2;

}  // namespace

TPageTabs::TPageTabs(QWidget* parent, QStringList names)
    : QWidget(parent), names_(std::move(names)) {
    setObjectName(QStringLiteral("PageTabs"));
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), kFontPixels));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPageTabs::SetCurrent(int page) {
    if (page < 0 || page >= GetCount() || page == current_) {
        return;
    }
    current_ = page;
    update();
    if (onChange_) {
        onChange_(page);
    }
}

QRect TPageTabs::TabRect(int page) const {
    const QFontMetrics metrics(font());
    int left = kFirstLeft;
    for (int i = 0; i < GetCount(); ++i) {
        const int width = metrics.horizontalAdvance(names_[i]) + 2 * kPadding;
        if (i == page) {
            return QRect(left, 0, width, height());
        }
        left += width;
    }
    return QRect();
}

void TPageTabs::paintEvent(QPaintEvent*) {
    ZCanvas canvas(this);
    canvas.Brush() = ZBrush{kListBackground, bsSolid};
    canvas.FillRect(rect());
    canvas.SetBkMode(ZCanvas::bkTransparent);
    canvas.Font().font = font();
    for (int page = 0; page < GetCount(); ++page) {
        const QRect tab = TabRect(page);
        const bool current = page == current_;
        if (current) {
            canvas.Brush() = ZBrush{kListEvenRow, bsSolid};
            canvas.FillRect(tab);
            canvas.Brush() = ZBrush{kListSelectedRow, bsSolid};
            canvas.FillRect(
                QRect(tab.left(), tab.bottom() + 1 - kMarkHeight, tab.width(), kMarkHeight));
        }
        canvas.Font().color = current ? kListRowText : kListHeaderText;
        const int textHeight = canvas.TextHeight(names_[page]);
        canvas.TextOut(tab.left() + kPadding, (tab.height() - kMarkHeight - textHeight) / 2,
                       names_[page]);
    }
}

void TPageTabs::mousePressEvent(QMouseEvent* event) {
    // Taken here: a press that reached the dialog would end it.
    event->accept();
    const QPoint at = event->position().toPoint();
    for (int page = 0; page < GetCount(); ++page) {
        if (TabRect(page).contains(at)) {
            SetCurrent(page);
            return;
        }
    }
}
