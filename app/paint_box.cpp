#include "app/paint_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWheelEvent>

#include "controls/canvas.h"

TPaintBox::TPaintBox(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    ZCanvas canvas(this);
    canvas_ = &canvas;
    paintRect_ = event->rect();
    if (onPaint_) {
        onPaint_();
    }
    canvas_ = nullptr;
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onMouseDown_) {
        const QPoint p = event->position().toPoint();
        onMouseDown_(event->button(), p.x(), p.y());
    }
}

// The second press of a double click is a press too, followed by the double click itself.
void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (onDblClick_) {
        onDblClick_();
    }
}

void TPaintBox::wheelEvent(QWheelEvent* event) {
    if (!onWheel_) {
        event->ignore();
        return;
    }
    event->accept();
    constexpr int kNotch = 120;
    wheelRest_ += event->angleDelta().y();
    const int notches = wheelRest_ / kNotch;
    wheelRest_ -= notches * kNotch;
    if (notches != 0) {
        onWheel_(notches);
    }
}

void TPaintBox::SetOnKeyDown(KeyHandler handler) {
    onKeyDown_ = std::move(handler);
    setFocusPolicy(onKeyDown_ ? Qt::StrongFocus : Qt::NoFocus);
}

void TPaintBox::keyPressEvent(QKeyEvent* event) {
    if (onKeyDown_ && onKeyDown_(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
