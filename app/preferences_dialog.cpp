#include "app/preferences_dialog.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/font_substitutes.h"
#include "app/panel.h"
#include "app/styles.h"
#include "controls/graphic_button_xt.h"

namespace {

// Layout of the dialog's form, in pixels.
constexpr int kButtonPanelHeight = 35;
constexpr QRect kCheckBoxRect(16, 16, 321, 17);
constexpr QRect kOkRect(309, 5, 75, 25);
constexpr QRect kCancelRect(385, 5, 75, 25);
// "Tahoma" 8 pt and "MS Sans Serif" 8 pt are 11 pixels high at 96 dpi.
constexpr int kFontPixels = 11;

// Modal results.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

// The key codes the dialog reacts to before its controls see them.
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;

// The settings of both buttons in the form; StyleButton later changes their colours, bitmaps
// and font style.
void SetUpButton(ZGraphicButtonXT* button, const QString& text, const char* family) {
    button->SetTextOff(text);
    button->SetTextOn(text);
    button->setToolTip(text);
    ZFont font;
    font.font = PixelFont(QString::fromLatin1(family), kFontPixels, true);
    button->SetTextFont(&font);
    button->SetVerticalPosition(toVCenter);
    button->SetTextFollowBitmap(true);
    button->SetSingleLine(true);
    button->SetTransparentBitmap(true);
    button->SetBitmapPos(copLeftCenter);
    button->SetEmbossedWidth(1);
    button->GetEffect()->SetGradationColor1(MakeColor(104, 104, 104));
    button->GetEffect()->SetGradationColor2(MakeColor(235, 235, 235));
    button->GetEffect()->SetEffectType(coetGradationDown);
}

// Qt's key codes as the character codes of the keys the dialog previews.
int KeyCode(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyEnter;
        case Qt::Key_Escape:
            return kKeyEscape;
        default:
            return 0;
    }
}

}  // namespace

TPreferencesDialog::TPreferencesDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("PreferencesDialog"));
    setWindowTitle(QStringLiteral("Preferences"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(PixelFont(QStringLiteral("Tahoma"), kFontPixels));

    MainPanel = new TPanel(this, QStringLiteral("MainPanel"));
    MainPanel->SetBevelOuter(TPanel::bvNone);
    MainPanel->setGeometry(0, 0, kClientWidth, kClientHeight - kButtonPanelHeight);

    CBCloseOnConnect =
        new QCheckBox(QStringLiteral("Close when Open/Connect client application"), MainPanel);
    CBCloseOnConnect->setObjectName(QStringLiteral("CBCloseOnConnect"));
    CBCloseOnConnect->setGeometry(kCheckBoxRect);
    CBCloseOnConnect->setFont(PixelFont(QStringLiteral("Tahoma"), kFontPixels));

    ButtonPanel = new TPanel(this, QStringLiteral("ButtonPanel"));
    ButtonPanel->SetBevelOuter(TPanel::bvNone);
    ButtonPanel->setGeometry(0, kClientHeight - kButtonPanelHeight, kClientWidth,
                             kButtonPanelHeight);
    ButtonLinePanel = new TPanel(ButtonPanel, QStringLiteral("ButtonLinePanel"));
    ButtonLinePanel->SetBevelOuter(TPanel::bvNone);
    ButtonLinePanel->setGeometry(0, 0, kClientWidth, 1);

    BOk = new ZGraphicButtonXT(ButtonPanel);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setGeometry(kOkRect);
    SetUpButton(BOk, QStringLiteral("Ok"), "MS Sans Serif");
    BOk->SetHorizotalPosition(toH3_4);

    BCancel = new ZGraphicButtonXT(ButtonPanel);
    BCancel->setObjectName(QStringLiteral("BCancel"));
    BCancel->setGeometry(kCancelRect);
    SetUpButton(BCancel, QStringLiteral("Cancel"), "Microsoft Sans Serif");
    BCancel->SetHorizotalPosition(toHPercent);
    BCancel->SetXPercentPos(32);

    connect(BOk, &ZGraphicButtonXT::OnClick, this, [this] { BOkClick(); });
    connect(BCancel, &ZGraphicButtonXT::OnClick, this, [this] { BCancelClick(); });

    // The dialog sees every key before its controls do.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    HandleCreate();
}

void TPreferencesDialog::HandleCreate() {
    ApplyStyle();
}

void TPreferencesDialog::ApplyStyle() {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(MakeColor(32, 32, 32)));
    setPalette(p);
    setAutoFillBackground(true);
    StyleControls(MainPanel);
    ButtonPanel->SetColor(MakeColor(20, 20, 20));
    ButtonLinePanel->SetColor(MakeColor(0, 0, 0));
    StyleButton(BOk, 1);
    StyleButton(BCancel, 2);
}

void TPreferencesDialog::FormShow() {}

void TPreferencesDialog::BOkClick() {
    done(kResultOk);
}

void TPreferencesDialog::BCancelClick() {
    done(kResultCancel);
}

bool TPreferencesDialog::FormKeyPress(int key) {
    if (key == kKeyEnter) {
        BOkClick();
        return true;
    }
    if (key == kKeyEscape) {
        BCancelClick();
        return true;
    }
    return false;
}

void TPreferencesDialog::FormMouseDown() {
    done(kResultOk);
}

void TPreferencesDialog::reject() {
    BCancelClick();
}

bool TPreferencesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        FormKeyPress(KeyCode(static_cast<QKeyEvent*>(event)))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TPreferencesDialog::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyPress(KeyCode(event))) {
        QDialog::keyPressEvent(event);
    }
}

void TPreferencesDialog::mousePressEvent(QMouseEvent* event) {
    event->accept();
    FormMouseDown();
}

void TPreferencesDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}
