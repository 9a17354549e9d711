#include "app/preferences_dialog.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "app/font_substitutes.h"
#include "app/list_palette.h"
#include "app/page_tabs.h"
#include "app/panel.h"
#include "app/settings.h"
#include "app/styles.h"
#include "controls/graphic_button_xt.h"
#include "ndd/subnet_sweep.h"
#include "net/send_pacer.h"
#include "net/subnet_check.h"

namespace {

// Layout of the dialog's form, in pixels.
constexpr int kButtonPanelHeight = 35;
constexpr int kPageTop = TPageTabs::kHeight;
constexpr int kPageHeight =
    TPreferencesDialog::kClientHeight - kPageTop - kButtonPanelHeight;  // 148
constexpr QRect kCheckBoxRect(16, 16, 321, 17);
constexpr QRect kHideSilentRect(16, 40, 321, 17);
constexpr QPoint kSubnetsLabelAt(16, 10);
constexpr QRect kSubnetsRect(16, 28, 432, 48);
constexpr QPoint kRateLabelAt(16, 88);
constexpr QRect kRateRect(250, 85, 80, 20);
constexpr QRect kRefusedRect(16, 112, 432, 34);
// The refusals named at most; the rest are counted.
constexpr size_t kRefusalsNamed = 2;
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

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(at);
    label->adjustSize();
    return label;
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

    PageTabs = new TPageTabs(this, {QStringLiteral("General"), QStringLiteral("Subnets")});
    PageTabs->setGeometry(0, 0, kClientWidth, TPageTabs::kHeight);
    PageTabs->SetOnChange([this](int page) { ShowPage(page); });

    MainPanel = new TPanel(this, QStringLiteral("MainPanel"));
    MainPanel->SetBevelOuter(TPanel::bvNone);
    MainPanel->setGeometry(0, kPageTop, kClientWidth, kPageHeight);

    CBCloseOnConnect =
        new QCheckBox(QStringLiteral("Close when Open/Connect client application"), MainPanel);
    CBCloseOnConnect->setObjectName(QStringLiteral("CBCloseOnConnect"));
    CBCloseOnConnect->setGeometry(kCheckBoxRect);
    CBCloseOnConnect->setFont(PixelFont(QStringLiteral("Tahoma"), kFontPixels));
    CBHideSilent = new QCheckBox(QStringLiteral("Hide devices that stopped answering"), MainPanel);
    CBHideSilent->setObjectName(QStringLiteral("CBHideSilent"));
    CBHideSilent->setGeometry(kHideSilentRect);
    CBHideSilent->setFont(PixelFont(QStringLiteral("Tahoma"), kFontPixels));

    SubnetPanel = new TPanel(this, QStringLiteral("SubnetPanel"));
    SubnetPanel->SetBevelOuter(TPanel::bvNone);
    SubnetPanel->setGeometry(0, kPageTop, kClientWidth, kPageHeight);
    SubnetPanel->hide();
    LSubnets = MakeLabel(SubnetPanel, "LSubnets",
                         QStringLiteral("Subnets beyond the local network, by their CIDR "
                                        "blocks of /16 to /32:"),
                         kSubnetsLabelAt);
    MSubnets = new QPlainTextEdit(SubnetPanel);
    MSubnets->setObjectName(QStringLiteral("MSubnets"));
    MSubnets->setGeometry(kSubnetsRect);
    MSubnets->setFrameShape(QFrame::NoFrame);
    MSubnets->setTabChangesFocus(true);
    LRate = MakeLabel(SubnetPanel, "LRate", QStringLiteral("Requests per second to these subnets:"),
                      kRateLabelAt);
    ERate = new QLineEdit(SubnetPanel);
    ERate->setObjectName(QStringLiteral("ERate"));
    ERate->setGeometry(kRateRect);
    ERate->setFrame(false);
    ERate->setText(QString::number(ZSendPacer::kDefaultRate));
    LRefused = new QLabel(SubnetPanel);
    LRefused->setObjectName(QStringLiteral("LRefused"));
    LRefused->setGeometry(kRefusedRect);
    LRefused->setWordWrap(true);
    LRefused->setAlignment(Qt::AlignLeft | Qt::AlignTop);

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
    StyleControls(SubnetPanel);
    SetListColors(MSubnets);
    SetListColors(ERate);
    // Refusals in the selection's orange, so that they are seen.
    QPalette refused = LRefused->palette();
    refused.setColor(QPalette::WindowText, ToQColor(kListSelectedRow));
    LRefused->setPalette(refused);
    ButtonPanel->SetColor(MakeColor(20, 20, 20));
    ButtonLinePanel->SetColor(MakeColor(0, 0, 0));
    StyleButton(BOk, 1);
    StyleButton(BCancel, 2);
}

void TPreferencesDialog::FormShow() {}

void TPreferencesDialog::BOkClick() {
    Accept();
}

void TPreferencesDialog::Accept() {
    if (CheckSubnets()) {
        done(kResultOk);
    }
}

void TPreferencesDialog::ShowPage(int page) {
    MainPanel->setVisible(page == kGeneralPage);
    SubnetPanel->setVisible(page == kSubnetsPage);
    PageTabs->SetCurrent(page);
}

void TPreferencesDialog::SetSubnets(const std::vector<std::string>& texts, uint32_t rate) {
    QStringList entries;
    for (const std::string& text : texts) {
        entries << QString::fromStdString(text);
    }
    MSubnets->setPlainText(entries.join(QStringLiteral(", ")));
    ERate->setText(QString::number(rate));
    shownSubnets_ = MSubnets->toPlainText();
    shownRate_ = ERate->text();
    // Entries the finder ignores are named at once; they keep Ok from ending the dialog only
    // once the page is edited.
    Refusals();
}

bool TPreferencesDialog::SubnetsChanged() const {
    return MSubnets->toPlainText() != shownSubnets_ || ERate->text() != shownRate_;
}

bool TPreferencesDialog::CheckSubnets() {
    if (!SubnetsChanged()) {
        return true;
    }
    const std::vector<std::string> refusals = Refusals();
    if (!refusals.empty()) {
        ShowPage(kSubnetsPage);
    }
    return refusals.empty();
}

std::vector<std::string> TPreferencesDialog::Refusals() {
    std::vector<std::string> refusals;
    const QString rateText = ERate->text().trimmed();
    bool number = false;
    const qulonglong rate = rateText.toULongLong(&number);
    std::string why;
    if (!number) {
        refusals.push_back("requests per second: \"" + rateText.toStdString() +
                           "\" is not a whole number");
    } else if (!ZSubnetCheck::CheckRate(rate, &why)) {
        refusals.push_back("requests per second: " + why);
    }
    std::vector<ZCIDRBlock> blocks;
    std::vector<std::string> refusedBlocks;
    ZSubnetCheck::CheckBlocks(SplitSubnetList(MSubnets->toPlainText().toStdString()),
                              ZSubnetSweep::kMaxBlocks, &blocks, &refusedBlocks);
    refusals.insert(refusals.end(), refusedBlocks.begin(), refusedBlocks.end());
    if (refusedBlocks.empty() && FormatSubnets(blocks).size() >= kSubnetsValueSize) {
        refusals.push_back("too many subnets for the settings file");
    }
    if (refusals.empty()) {
        subnets_ = std::move(blocks);
        sweepRate_ = static_cast<uint32_t>(rate);
        LRefused->clear();
        LRefused->setToolTip(QString());
        return refusals;
    }
    QString text = QStringLiteral("Not accepted: ");
    for (size_t i = 0; i < refusals.size() && i < kRefusalsNamed; ++i) {
        text += (i == 0 ? QString() : QStringLiteral("; ")) + QString::fromStdString(refusals[i]);
    }
    QStringList all;
    for (const std::string& refusal : refusals) {
        all << QString::fromStdString(refusal);
    }
    if (refusals.size() > kRefusalsNamed) {
        text += QStringLiteral("; and %1 more (all of them in this line's hint)")
                    .arg(refusals.size() - kRefusalsNamed);
    }
    LRefused->setText(text);
    LRefused->setToolTip(all.join(QLatin1Char('\n')));
    return refusals;
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
    Accept();
}

void TPreferencesDialog::reject() {
    BCancelClick();
}

bool TPreferencesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyPress(KeyCode(key))) {
            return true;
        }
        // Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            (key->modifiers() & Qt::ControlModifier) != 0) {
            const int forward = key->key() == Qt::Key_Tab ? 1 : PageTabs->GetCount() - 1;
            ShowPage((PageTabs->GetCurrent() + forward) % PageTabs->GetCount());
            return true;
        }
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
