#include "app/filter_field.h"

#include <QKeyEvent>

#include "app/font_substitutes.h"
#include "controls/color.h"

namespace {

// The list's colours (red, green, blue) and font.
const TColor kFieldFill = MakeColor(50, 50, 50);
const TColor kFieldText = MakeColor(220, 220, 220);
const TColor kHintText = MakeColor(120, 120, 120);
const TColor kSelectionFill = MakeColor(237, 146, 6);
const TColor kSelectionText = MakeColor(0, 0, 0);
constexpr int kFontPixels = 14;

}  // namespace

TFilterField::TFilterField(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("EFilter"));
    setFrame(false);
    setFont(PixelFont(QStringLiteral("Arial"), kFontPixels));
    setPlaceholderText(QStringLiteral("Filter"));
    setTextMargins(4, 0, 4, 0);
    QPalette p = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, ToQColor(kFieldFill));
        p.setColor(group, QPalette::Text, ToQColor(kFieldText));
        p.setColor(group, QPalette::PlaceholderText, ToQColor(kHintText));
        p.setColor(group, QPalette::Highlight, ToQColor(kSelectionFill));
        p.setColor(group, QPalette::HighlightedText, ToQColor(kSelectionText));
    }
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
