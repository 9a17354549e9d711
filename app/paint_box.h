#pragma once
// TPaintBox: the toolkit's paint box, a widget that draws nothing itself and lets its owner
// paint it. The owner's OnPaint runs inside the widget's paint event with a ZCanvas on the
// widget (GetCanvas); outside a paint event there is no canvas, and an owner that wants to paint
// asks for one with update().
//
//   box->SetOnPaint([this] { HandlePaint(); });
//   void HandlePaint() { if (ZCanvas* c = box->GetCanvas()) c->FillRect(box->rect()); }
//   box->SetOnMouseDown([this](Qt::MouseButton, int x, int y) { HandleMouseDown(y); });
//   box->SetOnWheel([this](int notches) { ScrollBy(-3 * notches); });  // positive: away from user
//   box->SetOnKeyDown([this](QKeyEvent* key) { return HandleKey(key); });  // true: key used
//
// The owner paints every pixel of the part asked for (GetPaintRect; the widget is opaque and its
// background is not erased). An owner that knows what changed asks with update(rect) and paints
// only that part.
// Ownership: a QWidget child of its parent; the handlers are copied and called on the UI thread.

#include <QWidget>

#include <functional>

class QKeyEvent;

class ZCanvas;

class TPaintBox : public QWidget {
    Q_OBJECT

public:
    using PaintHandler = std::function<void()>;
    using MouseHandler = std::function<void(Qt::MouseButton button, int x, int y)>;
    using ClickHandler = std::function<void()>;
    // Whole wheel notches (120 eighths of a degree each); positive when turned away from the user.
    using WheelHandler = std::function<void(int notches)>;
    // True when the key was used; an unused key goes on to the parent, as Qt does by default.
    using KeyHandler = std::function<bool(QKeyEvent* event)>;

    TPaintBox(QWidget* parent, const QString& name);

    void SetOnPaint(PaintHandler handler) { onPaint_ = std::move(handler); }
    void SetOnMouseDown(MouseHandler handler) { onMouseDown_ = std::move(handler); }
    void SetOnDblClick(ClickHandler handler) { onDblClick_ = std::move(handler); }
    // Without a handler the wheel event goes on to the parent, as Qt does by default.
    void SetOnWheel(WheelHandler handler) { onWheel_ = std::move(handler); }
    // With a handler the box takes the keyboard focus (by click or tab) and its keys go there.
    void SetOnKeyDown(KeyHandler handler);

    // The canvas of the paint event under way; null outside one.
    ZCanvas* GetCanvas() const { return canvas_; }
    // The part of the widget the paint event under way repaints (outside it is clipped away);
    // the whole widget outside a paint event.
    QRect GetPaintRect() const { return canvas_ != nullptr ? paintRect_ : rect(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    PaintHandler onPaint_;
    MouseHandler onMouseDown_;
    ClickHandler onDblClick_;
    WheelHandler onWheel_;
    KeyHandler onKeyDown_;
    int wheelRest_ = 0;  // eighths of a degree short of a whole notch (fine-grained wheels, pads)
    ZCanvas* canvas_ = nullptr;
    QRect paintRect_;
};
