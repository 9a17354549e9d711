#include "app/styles.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include "app/bitmap_resources.h"
#include "app/panel.h"
#include "controls/graphic_button_xt.h"

namespace {

// Name prefix of the panels that split a dialog into areas; compared on its first ten
// characters.
constexpr char kSplitPanelPrefix[] = "SplitPanel";

void SetFontColor(QWidget* control, TColor color) {
    QPalette palette = control->palette();
    const QColor c = ToQColor(color);
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::Text, c);
    palette.setColor(QPalette::ButtonText, c);
    control->setPalette(palette);
}

bool HasWidgetChildren(const QWidget* widget) {
    for (const QObject* child : widget->children()) {
        if (child->isWidgetType()) {
            return true;
        }
    }
    return false;
}

}  // namespace

void SetButtonBackgrounds(ZGraphicButtonXT* button) {
    if (button == nullptr) {
        return;
    }
    QImage disabled = LoadBitmapResource(kBmpButtonDisabled);
    QImage off = LoadBitmapResource(kBmpButtonOff);
    QImage on = LoadBitmapResource(kBmpButtonOn);
    button->SetBkBitmapDisable(&disabled);
    button->SetBkBitmapOff(&off);
    button->SetBkBitmapOn(&on);
}

void StyleButton(ZGraphicButtonXT* button, int icon) {
    if (button == nullptr) {
        return;
    }
    button->SetBackGroundColor(kStyleButtonColor);
    button->SetColorOff(kStyleButtonColor);
    button->SetColorOn(kStyleButtonColor);
    button->SetBitmapAsReference(false);
    SetButtonBackgrounds(button);
    if (icon != 0) {
        QImage iconOff = LoadBitmapResource(kBmpIconBase + 2 * icon);
        QImage iconOn = LoadBitmapResource(kBmpIconBase + 1 + 2 * icon);
        button->SetBitmapOff(&iconOff);
        button->SetBitmapOn(&iconOn);
    }
    button->SetTextColorOff(kStyleTextColor);
    button->SetTextColorOn(kStyleTextColor);
    button->SetTextColorDisabled(kStyleDisabledTextColor);
    ZFont font = button->GetTextFont();
    font.font.setBold(false);
    font.font.setItalic(false);
    font.font.setUnderline(false);
    font.font.setStrikeOut(false);
    button->SetTextFont(&font);
}

void StyleControls(QWidget* parent) {
    if (parent == nullptr) {
        return;
    }
    for (QObject* object : parent->children()) {
        if (!object->isWidgetType()) {
            continue;
        }
        auto* child = static_cast<QWidget*>(object);
        if (qobject_cast<QLabel*>(child) || qobject_cast<QRadioButton*>(child) ||
            qobject_cast<QGroupBox*>(child)) {
            SetFontColor(child, kStyleTextColor);
        } else if (auto* box = qobject_cast<QCheckBox*>(child)) {
            // A font set on the box itself stops it following the parent's font. Only the
            // properties a font marks as its own count as set, and an inherited font marks none
            // (setting it back would change nothing), so every property is marked first.
            QFont own = box->font();
            own.setResolveMask(QFont::AllPropertiesResolved);
            box->setFont(own);
            box->setAutoFillBackground(false);
            SetFontColor(box, kStyleTextColor);
        } else if (auto* panel = qobject_cast<TPanel*>(child)) {
            if (panel->objectName().startsWith(QLatin1String(kSplitPanelPrefix))) {
                panel->SetBevelOuter(TPanel::bvNone);
                panel->SetColor(kStyleSplitPanelColor);
            }
        }
        if (HasWidgetChildren(child)) {
            StyleControls(child);
        }
    }
}

TColor ControlFontColor(const QWidget* control) {
    return FromQColor(control->palette().color(QPalette::WindowText));
}
