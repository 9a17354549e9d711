#include "app/list_header.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QStandardItemModel>

#include <algorithm>

#include "controls/canvas.h"

TListHeader::TListHeader(QWidget* parent, int sectionCount)
    : QHeaderView(Qt::Horizontal, parent),
      model_(new QStandardItemModel(0, sectionCount, this)),
      sections_(static_cast<size_t>(std::max(sectionCount, 0))) {
    setModel(model_);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(false);
    setCascadingSectionResizes(false);
    setHighlightSections(false);
    setSectionsClickable(true);
    setSectionsMovable(false);
    // Per-section minimums are kept by SectionResized; the view's own floor must not get in
    // their way.
    setMinimumSectionSize(1);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QHeaderView::sectionResized, this, &TListHeader::SectionResized);
    connect(this, &QHeaderView::sectionClicked, this, &TListHeader::SectionClicked);
}

void TListHeader::SetSectionText(int section, const QString& text) {
    if (section >= 0 && section < SectionCount()) {
        sections_[section].text = text;
        viewport()->update();
    }
}

QString TListHeader::GetSectionText(int section) const {
    return section >= 0 && section < SectionCount() ? sections_[section].text : QString();
}

void TListHeader::SetSectionMinWidth(int section, int width) {
    if (section >= 0 && section < SectionCount()) {
        sections_[section].minWidth = std::max(width, 0);
        if (sectionSize(section) < width) {
            resizeSection(section, width);
        }
    }
}

int TListHeader::GetSectionMinWidth(int section) const {
    return section >= 0 && section < SectionCount() ? sections_[section].minWidth : 0;
}

void TListHeader::SetSectionWidth(int section, int width) {
    if (section >= 0 && section < SectionCount()) {
        resizeSection(section, std::max(width, sections_[section].minWidth));
    }
}

void TListHeader::SetSectionClickable(int section, bool clickable) {
    if (section >= 0 && section < SectionCount()) {
        sections_[section].clickable = clickable;
    }
}

bool TListHeader::GetSectionClickable(int section) const {
    return section >= 0 && section < SectionCount() && sections_[section].clickable;
}

void TListHeader::SetBackgroundColor(TColor color) {
    background_ = color;
    viewport()->update();
}

void TListHeader::SectionResized(int section, int, int newWidth) {
    if (clamping_ || section < 0 || section >= SectionCount()) {
        return;
    }
    if (newWidth < sections_[section].minWidth) {
        // A drag below the minimum stops at it; the resize this causes is the one reported.
        clamping_ = true;
        resizeSection(section, sections_[section].minWidth);
        clamping_ = false;
    }
    viewport()->update();
    if (onSectionResize_) {
        onSectionResize_(section);
    }
}

void TListHeader::SectionClicked(int section) {
    if (section >= 0 && section < SectionCount() && onSortClick_) {
        onSortClick_(section);
    }
    if (GetSectionClickable(section) && onSectionClick_) {
        onSectionClick_(section);
    }
}

void TListHeader::paintEvent(QPaintEvent* event) {
    ZCanvas canvas(viewport());
    canvas.Brush() = ZBrush{background_, bsSolid};
    canvas.FillRect(event->rect());
    const int height = viewport()->height();
    for (int section = 0; section < SectionCount(); ++section) {
        if (isSectionHidden(section)) {
            continue;
        }
        const QRect rect(sectionViewportPosition(section), 0, sectionSize(section), height);
        if (!rect.intersects(event->rect())) {
            continue;
        }
        if (onDrawSection_) {
            onDrawSection_(canvas, section, rect);
        } else {
            canvas.SetBkMode(ZCanvas::bkTransparent);
            canvas.TextOut(rect.left() + 2, rect.top() + 2, sections_[section].text);
        }
    }
}

void TListHeader::mousePressEvent(QMouseEvent* event) {
    if (onMouseDown_) {
        onMouseDown_(event->position().toPoint().x());
    }
    QHeaderView::mousePressEvent(event);
}
