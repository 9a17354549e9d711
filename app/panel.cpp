#include "app/panel.h"

#include <QMouseEvent>

#include "controls/canvas.h"

TPanel::TPanel(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
}

void TPanel::SetColor(TColor color) {
    color_ = color;
    parentColor_ = false;
    update();
}

void TPanel::SetParentColor(bool parentColor) {
    parentColor_ = parentColor;
    update();
}

void TPanel::SetBevelOuter(Bevel bevel) {
    bevelOuter_ = bevel;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    ZCanvas canvas(this);
    const int w = width();
    const int h = height();
    if (!parentColor_) {
        canvas.Brush() = ZBrush{color_, bsSolid};
        canvas.FillRect(QRect(0, 0, w, h));
    }
    if (bevelOuter_ == bvNone || w < 2 || h < 2) {
        return;
    }
    // The toolkit's one-pixel bevel: highlight on the top and left edges, shadow on the others
    // (swapped when lowered).
    const bool raised = bevelOuter_ == bvRaised;
    canvas.Pen() = ZPen{raised ? clBtnHighlight : clBtnShadow, 1, psSolid};
    canvas.MoveTo(0, h - 1);
    canvas.LineTo(0, 0);
    canvas.LineTo(w - 1, 0);
    canvas.Pen() = ZPen{raised ? clBtnShadow : clBtnHighlight, 1, psSolid};
    canvas.LineTo(w - 1, h - 1);
    canvas.LineTo(-1, h - 1);
}

void TPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void TPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
