#include "app/filter_field.h"

#include <QKeyEvent>

#include "app/font_substitutes.h"
#include "app/list_palette.h"

namespace {

// The list's font: "Arial" 14 pixels.
constexpr int kFontPixels = 14;

}  // namespace

TFilterField::TFilterField(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("EFilter"));
    setFrame(false);
    setFont(PixelFont(QStringLiteral("Arial"), kFontPixels));
    setPlaceholderText(QStringLiteral("Filter"));
    setTextMargins(4, 0, 4, 0);
    SetListColors(this);
    QPalette p = palette();
    p.setColor(QPalette::PlaceholderText, ToQColor(kListSilentText));
    setPalette(p);
}

void TFilterField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            if (onEscape_) {
                onEscape_();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (onListKey_ && onListKey_(event)) {
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    QLineEdit::keyPressEvent(event);
}
