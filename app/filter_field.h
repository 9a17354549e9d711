#pragma once
// TFilterField: the small field in which the user types the device list's filter. It has the
// list's look: "Arial" 14 pixels in 220 grey on the even rows' 50 grey, no frame, selected text
// in the selection's orange with black letters. Escape asks the owner to close it; the keys that
// move through the list (Up, Down, Page Up, Page Down) and Enter go to the list's own handler,
// so the user can type, pick a row and connect without leaving the field.
//
//   EFilter = new TFilterField(InfoPanel);
//   EFilter->SetOnListKey([this](QKeyEvent* key) { return HandleListKey(key); });
//   EFilter->SetOnEscape([this] { CloseFilter(); });
//   connect(EFilter, &QLineEdit::textChanged, this, [this](const QString& t) { ... });
//
// Ownership: a QWidget child of its parent; the handlers are copied and called on the UI thread.

#include <QLineEdit>

#include <functional>

class TFilterField : public QLineEdit {
    Q_OBJECT

public:
    using KeyHandler = std::function<bool(QKeyEvent* event)>;
    using EscapeHandler = std::function<void()>;

    explicit TFilterField(QWidget* parent);

    void SetOnListKey(KeyHandler handler) { onListKey_ = std::move(handler); }
    void SetOnEscape(EscapeHandler handler) { onEscape_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    KeyHandler onListKey_;
    EscapeHandler onEscape_;
};
