#include "app/about_dialog.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "app/bitmap_resources.h"
#include "app/font_substitutes.h"
#include "app/styles.h"

namespace {

constexpr int kProductTop = 32;
constexpr QPoint kCopyrightAt(119, 64);
constexpr QRect kImageRect(163, 104, 32, 32);
// "Tahoma" 8 pt is 11 pixels high at 96 dpi.
constexpr int kFontPixels = 11;
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->adjustSize();
    return label;
}

}  // namespace

TAboutDialog::TAboutDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(PixelFont(QStringLiteral("Tahoma"), kFontPixels));

    LProduct = MakeLabel(this, "LProduct", QStringLiteral("Zelvane Unit Finder"));
    LProduct->move(0, kProductTop);
    LCopyright = MakeLabel(this, "LCopyright", QStringLiteral("Copyright \u00A9 2026 Zelvane"));
    LCopyright->move(kCopyrightAt);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kImageRect);
    Image1->setPixmap(QPixmap::fromImage(ProgramIconImage(kImageRect.width())));

    for (QWidget* child : {static_cast<QWidget*>(LProduct), static_cast<QWidget*>(LCopyright),
                           static_cast<QWidget*>(Image1)}) {
        child->installEventFilter(this);
    }
    HandleCreate();
}

void TAboutDialog::HandleCreate() {
    ApplyStyle();
}

void TAboutDialog::ApplyStyle() {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(MakeColor(32, 32, 32)));
    setPalette(p);
    setAutoFillBackground(true);
    StyleControls(this);
}

void TAboutDialog::FormShow() {
    QWidget* owner = parentWidget();
    if (owner != nullptr && owner->isWindow()) {
        LProduct->setText(owner->windowTitle());
        LProduct->adjustSize();
    }
    // Centred; an odd remainder goes to the right, as integer division rounds toward zero.
    LProduct->move((width() - LProduct->width()) / 2, kProductTop);
}

void TAboutDialog::FormMouseDown() {
    done(kResultOk);
}

void TAboutDialog::reject() {
    done(kResultCancel);
}

bool TAboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        FormMouseDown();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutDialog::mousePressEvent(QMouseEvent* event) {
    event->accept();
    FormMouseDown();
}

void TAboutDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}
