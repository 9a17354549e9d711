#pragma once
// TListHeader: the header bar of the device list, a header control whose sections its owner
// draws. Each section has a text, a minimum width and a clickable flag; the user drags the
// dividers (never below a section's minimum) and clicks the clickable sections.
//
//   auto* header = new TListHeader(panel, 5);
//   header->SetSectionText(0, "Device Name");
//   header->SetSectionMinWidth(0, 128);
//   header->SetSectionWidth(0, 180);
//   header->SetOnDrawSection([](ZCanvas& canvas, int section, const QRect& rect) { ... });
//   header->SetOnSectionResize([](int section) { ... });   // after the user resized a section
//   header->SetOnSortClick([](int section) { ... });       // any section clicked: sort by it
//
// Drawing goes through one ZCanvas on the header per paint: the background is filled with the
// background colour, then OnDrawSection runs for every section in the area being painted (without
// a handler the section shows its text). Section positions are in the header's own coordinates.
//
// Ownership: a QWidget child of its parent; it owns its section model. Handlers are copied and
// called on the UI thread.

#include <QHeaderView>
#include <QString>

#include <functional>
#include <vector>

#include "controls/color.h"

class QStandardItemModel;
class ZCanvas;

class TListHeader : public QHeaderView {
    Q_OBJECT

public:
    using DrawSectionHandler = std::function<void(ZCanvas& canvas, int section, const QRect& rect)>;
    using SectionHandler = std::function<void(int section)>;
    using MouseDownHandler = std::function<void(int x)>;

    TListHeader(QWidget* parent, int sectionCount);

    int SectionCount() const { return count(); }
    void SetSectionText(int section, const QString& text);
    QString GetSectionText(int section) const;
    void SetSectionMinWidth(int section, int width);
    int GetSectionMinWidth(int section) const;
    // Not below the section's minimum.
    void SetSectionWidth(int section, int width);
    int GetSectionWidth(int section) const { return sectionSize(section); }
    // Left edge of the section in the header's coordinates.
    int GetSectionLeft(int section) const { return sectionViewportPosition(section); }
    void SetSectionClickable(int section, bool clickable);
    bool GetSectionClickable(int section) const;
    void SetBackgroundColor(TColor color);
    TColor GetBackgroundColor() const { return background_; }

    void SetOnDrawSection(DrawSectionHandler handler) { onDrawSection_ = std::move(handler); }
    void SetOnSectionResize(SectionHandler handler) { onSectionResize_ = std::move(handler); }
    void SetOnSectionClick(SectionHandler handler) { onSectionClick_ = std::move(handler); }
    // A click (press and release on one section, not a drag of a divider) on any section,
    // clickable or not; it runs before the section click handler.
    void SetOnSortClick(SectionHandler handler) { onSortClick_ = std::move(handler); }
    void SetOnMouseDown(MouseDownHandler handler) { onMouseDown_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Section {
        QString text;
        int minWidth = 0;
        bool clickable = true;
    };

    void SectionResized(int section, int oldWidth, int newWidth);
    void SectionClicked(int section);

    QStandardItemModel* model_;
    std::vector<Section> sections_;
    TColor background_ = clBtnFace;
    bool clamping_ = false;
    DrawSectionHandler onDrawSection_;
    SectionHandler onSectionResize_;
    SectionHandler onSectionClick_;
    SectionHandler onSortClick_;
    MouseDownHandler onMouseDown_;
};
