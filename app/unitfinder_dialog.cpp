#include "app/unitfinder_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <string>

#include "app/about_dialog.h"
#include "app/bitmap_resources.h"
#include "app/cell_text.h"
#include "app/font_substitutes.h"
#include "app/list_header.h"
#include "app/module_version_info.h"
#include "app/paint_box.h"
#include "app/panel.h"
#include "app/preferences_dialog.h"
#include "app/string_table.h"
#include "app/styles.h"
#include "controls/canvas.h"
#include "controls/graphic_button_xt.h"
#include "foundation/device_text.h"
#include "foundation/double_list_iterator.h"
#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "net/send_pacer.h"
#include "platform/files/module.h"
#include "platform/files/string_resources.h"

namespace {

constexpr char kTitle[] = "Zelvane Unit Finder";

// Form layout, in pixels.
constexpr int kTopPanelHeight = 26;
constexpr int kInfoPanelHeight = 96;
constexpr int kScrollBarWidth = 16;
constexpr int kHeaderHeight = 18;
constexpr QPoint kTitleAt(3, 7);
constexpr QRect kConnectRect(18, 70, 75, 20);
// "MS Sans Serif" 8 pt, the window's font, is 11 pixels high at 96 dpi.
constexpr int kWindowFontPixels = 11;
// Rows and details are written in "Arial" with a character height of 14 pixels.
constexpr int kListFontPixels = 14;

// Palette (red, green, blue).
const TColor kBackground = MakeColor(32, 32, 32);
const TColor kEvenRow = MakeColor(50, 50, 50);
const TColor kOddRow = MakeColor(32, 32, 32);
const TColor kSelectedRow = MakeColor(237, 146, 6);
const TColor kRowText = MakeColor(220, 220, 220);
const TColor kSelectedText = MakeColor(0, 0, 0);
const TColor kHeaderText = MakeColor(180, 180, 180);
const TColor kInfoLine = MakeColor(50, 50, 50);
const TColor kConnectText = MakeColor(220, 220, 220);

// Header sections: text source, minimum and initial width, clickable. The last section's initial
// width is the header's width less 480.
struct SectionDef {
    uint32_t stringId;    // 0: the literal text
    const char* literal;  // for stringId 0
    int minWidth;
    int width;
    bool clickable;
};
constexpr SectionDef kSections[TUnitFinderDialog::kSectionCount] = {
    {kStrDeviceName, nullptr, 128, 180, false},
    {kStrTypeModel, nullptr, 100, 180, true},
    {0, "Version", 100, 100, true},
    {kStrAddress, nullptr, 100, 140, true},
    {kStrDescription, nullptr, 100, 0, true},
};
constexpr int kLastSectionInset = 480;
// The width of the last section runs from this section's left edge to the header's right end.
constexpr int kLastSectionRuleSection = 3;
// HeaderMouseDown counts a press as a click only this far inside a section's edges.
constexpr int kHeaderClickMargin = 4;

// Modal result of a dialog that was not ended by any of its own results.
constexpr int kResultNone = 0;

// Device texts arrive in the device's code page (ZDeviceText decides which).
QString Text(const ZString& s) {
    return QString::fromStdString(ZDeviceText::ToUtf8(s.GetString()));
}

// The agents of makeAgent, whose engine also sweeps subnets (when the agent is the real one).
ZUserAgentFactory SweepingSubnets(ZUserAgentFactory makeAgent, std::vector<ZCIDRBlock> subnets) {
    if (!makeAgent || subnets.empty()) {
        return makeAgent;
    }
    return
        [makeAgent = std::move(makeAgent), subnets = std::move(subnets)](
            const char* groupAddress, uint16_t localPort, uint16_t remotePort) -> INDDUserAgent* {
            INDDUserAgent* agent = makeAgent(groupAddress, localPort, remotePort);
            if (auto* real = dynamic_cast<ZNDDUserAgent*>(agent); real != nullptr) {
                real->GetEngine()->SetSubnets(subnets, ZSendPacer::kDefaultRate);
            }
            return agent;
        };
}

}  // namespace

TUnitFinderDialog::TUnitFinderDialog(ZUserAgentFactory makeAgent, QWidget* parent)
    : QWidget(parent), makeAgent_(std::move(makeAgent)) {
    setObjectName(QStringLiteral("UnitFinderDialog"));
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), kWindowFontPixels));
    setWindowIcon(ProgramIcon());
    CreateMenu();
    CreateControls();

    // The header bar and its four events; the two off-screen bitmaps.
    header_ = new TListHeader(MainPanel, kSectionCount);
    header_->setObjectName(QStringLiteral("HeaderBar"));
    header_->SetOnDrawSection([this](ZCanvas& canvas, int section, const QRect& rect) {
        HeaderDrawSection(canvas, section, rect);
    });
    header_->SetOnSectionResize([this](int section) { HeaderSectionResize(section); });
    header_->SetOnSectionClick([this](int section) { HeaderSectionClick(section); });
    header_->SetOnMouseDown([this](int x) { HeaderMouseDown(x); });
    header_->hide();
    rowBitmap_ = QImage(kClientWidth, kRowHeight, QImage::Format_RGB32);
    infoBitmap_ = QImage(kClientWidth, kInfoPanelHeight - 1, QImage::Format_RGB32);
    paintedCount_ = 0;
    lastInfoProduct_.reset();
    infoDirty_ = false;

    const int menuHeight = MainMenu1->sizeHint().height();
    resize(kClientWidth, kClientHeight + menuHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    AlignControls();
    HandleCreate();
}

TUnitFinderDialog::~TUnitFinderDialog() {
    HandleDestroy();
}

void TUnitFinderDialog::CreateMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->setNativeMenuBar(false);
    // The menu bar keeps the desktop's own look; the window's dark colours are for its panels.
    // Every role is marked as set, so none follows the window's palette.
    QPalette menuPalette = QApplication::palette(MainMenu1);
    menuPalette.setResolveMask(~QPalette::ResolveMask(0));
    MainMenu1->setPalette(menuPalette);
    File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Preferences1 = File1->addAction(QStringLiteral("Preferences..."));
    Preferences1->setObjectName(QStringLiteral("Preferences1"));
    N1 = File1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Quit1 = File1->addAction(QStringLiteral("Quit"));
    Quit1->setObjectName(QStringLiteral("Quit1"));
    Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Quit1->setShortcutContext(Qt::WindowShortcut);
    // The window holds the action too, so its shortcut works whatever the menu bar does.
    addAction(Quit1);
    Help1 = MainMenu1->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About1 = Help1->addAction(QStringLiteral("About..."));
    About1->setObjectName(QStringLiteral("About1"));
    connect(Preferences1, &QAction::triggered, this, [this] { CmPreferences(); });
    connect(Quit1, &QAction::triggered, this, [this] { CmQuit(); });
    connect(About1, &QAction::triggered, this, [this] { CmAbout(); });
}

void TUnitFinderDialog::CreateControls() {
    MainPanel = new TPanel(this, QStringLiteral("MainPanel"));
    MainPanel->SetBevelOuter(TPanel::bvNone);
    TopPanel = new TPanel(MainPanel, QStringLiteral("TopPanel"));
    TopPanel->SetBevelOuter(TPanel::bvNone);
    LUnitListTitle = new QLabel(QStringLiteral("Units"), TopPanel);
    LUnitListTitle->setObjectName(QStringLiteral("LUnitListTitle"));
    LUnitListTitle->move(kTitleAt);
    UnitPanel = new TPanel(MainPanel, QStringLiteral("UnitPanel"));
    UnitPanel->SetBevelOuter(TPanel::bvNone);
    PBUnits = new TPaintBox(UnitPanel, QStringLiteral("PBUnits"));
    PBUnits->SetOnPaint([this] { HandlePaint(); });
    PBUnits->SetOnMouseDown([this](Qt::MouseButton, int, int y) { HandleMouseDown(y); });
    PBUnits->SetOnDblClick([this] { HandleDblClk(); });
    PBUnits->SetOnWheel([this](int notches) { HandleWheel(notches); });
    VScrollBar = new QScrollBar(Qt::Vertical, UnitPanel);
    VScrollBar->setObjectName(QStringLiteral("VScrollBar"));
    VScrollBar->hide();
    connect(VScrollBar, &QScrollBar::valueChanged, this, [this] { HandleScroll(); });
    InfoPanel = new TPanel(MainPanel, QStringLiteral("InfoPanel"));
    InfoPanel->SetBevelOuter(TPanel::bvNone);
    InfoLinePanel = new TPanel(InfoPanel, QStringLiteral("InfoLinePanel"));
    InfoLinePanel->SetBevelOuter(TPanel::bvNone);
    PBInfos = new TPaintBox(InfoPanel, QStringLiteral("PBInfos"));
    PBInfos->SetOnPaint([this] { PBInfosPaint(); });
    BConnect = new ZGraphicButtonXT(InfoPanel);
    BConnect->setObjectName(QStringLiteral("BConnect"));
    BConnect->setGeometry(kConnectRect);
    BConnect->SetTextOff(QStringLiteral("Connect"));
    BConnect->setToolTip(QStringLiteral("Connect/Open Client..."));
    BConnect->SetEnabled(false);
    BConnect->raise();
    connect(BConnect, &ZGraphicButtonXT::OnClick, this, [this] { BConnectClick(); });
}

void TUnitFinderDialog::AlignControls() {
    const int menuHeight = MainMenu1->sizeHint().height();
    MainMenu1->setGeometry(0, 0, width(), menuHeight);
    MainPanel->setGeometry(0, menuHeight, width(), std::max(height() - menuHeight, 0));
    const int w = MainPanel->width();
    const int h = MainPanel->height();
    TopPanel->setGeometry(0, 0, w, kTopPanelHeight);
    const int infoTop = std::max(h - kInfoPanelHeight, kTopPanelHeight);
    InfoPanel->setGeometry(0, infoTop, w, kInfoPanelHeight);
    UnitPanel->setGeometry(0, kTopPanelHeight, w, infoTop - kTopPanelHeight);
    InfoLinePanel->setGeometry(0, 0, w, 1);
    PBInfos->setGeometry(0, 1, w, kInfoPanelHeight - 1);
    AlignUnitPanel();
}

void TUnitFinderDialog::AlignUnitPanel() {
    const int w = UnitPanel->width();
    const int h = UnitPanel->height();
    if (VScrollBar->isHidden()) {
        PBUnits->setGeometry(0, 0, w, h);
    } else {
        VScrollBar->setGeometry(std::max(w - kScrollBarWidth, 0), 0, kScrollBarWidth, h);
        PBUnits->setGeometry(0, 0, std::max(w - kScrollBarWidth, 0), h);
    }
}

// --- Start-up, layout, shutdown ----------------------------------------------------------------

void TUnitFinderDialog::HandleCreate() {
    FixSettingsPath(settingsPath_, sizeof settingsPath_);
    ReadSettings();
    ApplyStyle();
    setWindowTitle(QString::fromLatin1(kTitle));
    LUnitListTitle->setText(QString());

    header_->SetBackgroundColor(kBackground);
    header_->setToolTip(QString());
    for (int section = 0; section < kSectionCount; ++section) {
        const SectionDef& def = kSections[section];
        header_->SetSectionText(section, SectionSourceText(section));
        header_->SetSectionMinWidth(section, def.minWidth);
        header_->SetSectionClickable(section, def.clickable);
        // The header is as wide as the client area (HandleSize places it).
        const int width =
            section == kSectionCount - 1 ? this->width() - kLastSectionInset : def.width;
        header_->SetSectionWidth(section, width);
    }
    listFont_.font = PixelFont(QStringLiteral("Arial"), kListFontPixels);
    header_->show();

    core_ = new ZUnitFinderCore(this, SweepingSubnets(makeAgent_, subnets_));
    core_->Start();
    HandleSize();
}

void TUnitFinderDialog::HandleShow() {
    char version[128];
    if (GetProgramVersionText(version, sizeof version)) {
        setWindowTitle(windowTitle() + QLatin1Char(' ') + QString::fromUtf8(version));
    }
    header_->viewport()->update();
    ZProduct::InitProductResources(this, &icons_);
}

void TUnitFinderDialog::HandleSize() {
    if (header_ == nullptr || rowBitmap_.isNull()) {
        return;
    }
    infoDirty_ = true;
    const int clientWidth = width();
    if (rowBitmap_.width() != clientWidth && clientWidth > 0) {
        rowBitmap_ = QImage(clientWidth, kRowHeight, QImage::Format_RGB32);
    }
    header_->setGeometry(0, UnitPanel->y() - kHeaderHeight, clientWidth, kHeaderHeight);
    header_->raise();
    header_->SetSectionWidth(kSectionCount - 1,
                             header_->width() - header_->GetSectionLeft(kLastSectionRuleSection));
    RefreshList();
    PaintList();
}

void TUnitFinderDialog::HandleDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    if (core_ != nullptr) {
        core_->Stop();
        delete core_;
        core_ = nullptr;
    }
    // The products went with the core.
    selection_ = nullptr;
    ZProduct::FreeProductResources();
}

void TUnitFinderDialog::ApplyStyle() {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(kBackground));
    setPalette(p);
    setAutoFillBackground(true);
    MainPanel->SetColor(kBackground);
    InfoLinePanel->SetColor(kInfoLine);
    SetButtonBackgrounds(BConnect);
    BConnect->SetTextColorOff(kConnectText);
}

void TUnitFinderDialog::ReadSettings() {
    closeOnConnect_ = ReadCloseOnConnect(settingsPath_);
    subnets_ = ReadSubnets(settingsPath_);
}

void TUnitFinderDialog::WriteSettings() {
    // A failed write is not reported: the setting still holds for this run.
    WriteCloseOnConnect(settingsPath_, closeOnConnect_);
}

void TUnitFinderDialog::OnProductAdded(ZProduct*) {
    // The receiver recounts the list, so the event carries nothing, and one pending event
    // stands for every product added before it is handled.
    if (!refreshPending_.exchange(true)) {
        QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(kMsgProductAdded)));
    }
}

bool TUnitFinderDialog::event(QEvent* event) {
    return WndProc(event);
}

bool TUnitFinderDialog::WndProc(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(kMsgProductAdded)) {
        // Cleared before the list is read: a product added from here on posts anew.
        refreshPending_.store(false);
        ++refreshCount_;
        RefreshList();
        return true;
    }
    return QWidget::event(event);
}

void TUnitFinderDialog::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        HandleDestroy();
    }
}

void TUnitFinderDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignControls();
    HandleSize();
}

void TUnitFinderDialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        HandleShow();
    }
}

void TUnitFinderDialog::CmQuit() {
    close();
}

void TUnitFinderDialog::CmAbout() {
    TAboutDialog dialog(this);
    dialog.exec();
}

void TUnitFinderDialog::CmPreferences() {
    TPreferencesDialog dialog(this);
    dialog.CBCloseOnConnect->setChecked(closeOnConnect_);
    if (dialog.exec() != kResultNone) {
        closeOnConnect_ = dialog.CBCloseOnConnect->isChecked();
        WriteSettings();
    }
}

// --- The list, its header and the details area -------------------------------------------------

QString TUnitFinderDialog::SectionSourceText(int section) const {
    const SectionDef& def = kSections[section];
    if (def.stringId == 0) {
        return QString::fromLatin1(def.literal);
    }
    char text[256];
    const int n = zplat::LoadStringA(zplat::GetModuleHandleA(nullptr), def.stringId, text,
                                     static_cast<int>(sizeof text));
    return QString::fromUtf8(text, n);
}

void TUnitFinderDialog::RefreshList() {
    if (core_ == nullptr) {
        return;
    }
    const int rows = PBUnits->height() / kRowHeight;
    LProductList* list = core_->GetProductList();
    list->Lock(1);
    const int count = list->GetCount();
    // Products are only ever appended while the core runs (its Start empties the list), so a
    // listed selection stays listed unless the list shrank.
    if (count < listedCount_ && selection_ != nullptr) {
        bool selectionListed = false;
        ZIDoubleListIterator<ZProduct> it(list);
        for (ZProduct* product = it.First(); product != nullptr && !selectionListed;
             product = it.Next()) {
            selectionListed = product == selection_;
        }
        if (!selectionListed) {
            selection_ = nullptr;
            BConnect->SetEnabled(false);
        }
    }
    list->Unlock(1);
    const int before = listedCount_;
    listedCount_ = count;

    const bool wasHidden = VScrollBar->isHidden();
    if (rows > 0 && rows < count) {
        VScrollBar->setMinimum(0);
        VScrollBar->setMaximum(count - rows);
        VScrollBar->setPageStep(1);
        VScrollBar->setSingleStep(1);
        VScrollBar->show();
    } else {
        VScrollBar->hide();
        VScrollBar->setValue(0);
    }
    if (wasHidden != VScrollBar->isHidden()) {
        AlignUnitPanel();  // a new width: the paint box repaints whole
    }
    if (count < before || wasHidden != VScrollBar->isHidden()) {
        PaintList();
        return;
    }
    // Only the rows of the new products, where they can be seen.
    const int first = VScrollBar->value();
    const int top = std::max(before - first, 0) * kRowHeight;
    const int bottom = std::max(count - first, 0) * kRowHeight;
    if (count > before && top < PBUnits->height() && bottom > top) {
        PBUnits->update(QRect(0, top, PBUnits->width(), bottom - top));
    }
}

void TUnitFinderDialog::HandlePaint() {
    PaintList();
}

void TUnitFinderDialog::HandleScroll() {
    PaintList();
}

// Three rows per wheel notch; the scroll bar keeps the value in range and repaints the list.
void TUnitFinderDialog::HandleWheel(int notches) {
    if (VScrollBar->isHidden()) {
        return;
    }
    constexpr int kRowsPerNotch = 3;
    VScrollBar->setValue(VScrollBar->value() - notches * kRowsPerNotch);
}

void TUnitFinderDialog::HandleMouseDown(int y) {
    if (core_ == nullptr || y < 0) {
        return;
    }
    const int index = VScrollBar->value() + y / kRowHeight;
    ZProduct* found = nullptr;
    {
        ZIDoubleListIterator<ZProduct> it(core_->GetProductList(), nullptr, true);
        int i = 0;
        for (ZProduct* product = it.First(); product != nullptr; product = it.Next(), ++i) {
            if (i == index) {
                found = product;
                break;
            }
        }
    }
    SelectProduct(found);
}

void TUnitFinderDialog::HandleDblClk() {
    // The double click does what the Connect button would: only when Connect is possible.
    if (selection_ != nullptr && selection_->CanConnect()) {
        BConnectClick();
    }
}

void TUnitFinderDialog::PBInfosPaint() {
    PaintInfo();
}

void TUnitFinderDialog::BConnectClick() {
    if (selection_ == nullptr || !selection_->IsClientInstalled()) {
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    selection_->LaunchClient();
    QGuiApplication::restoreOverrideCursor();
    if (closeOnConnect_) {
        CmQuit();
    }
}

void TUnitFinderDialog::HeaderDrawSection(ZCanvas& canvas, int section, const QRect& rect) {
    const int mode = canvas.SetBkMode(ZCanvas::bkTransparent);
    canvas.Pen() = ZPen{kBackground, 1, psSolid};
    canvas.Brush() = ZBrush{kBackground, bsSolid};
    canvas.Rectangle(rect.left(), rect.top(), rect.left() + rect.width(),
                     rect.top() + rect.height());
    QString text = header_->GetSectionText(section);
    if (section < kSectionCount) {
        const QString source = SectionSourceText(section);
        if (source != text) {
            header_->SetSectionText(section, source);
            text = source;
        }
    }
    canvas.Font().font = font();
    canvas.Font().font.setUnderline(false);
    canvas.Font().color = kHeaderText;
    canvas.TextOut(rect.left() + 2, rect.top() + 2, text);
    canvas.SetBkMode(mode);
}

void TUnitFinderDialog::HeaderSectionResize(int) {
    header_->SetSectionWidth(kSectionCount - 1,
                             header_->width() - header_->GetSectionLeft(kLastSectionRuleSection));
    PaintList();
}

void TUnitFinderDialog::HeaderSectionClick(int) {
    header_->viewport()->update();
    PaintList();
}

void TUnitFinderDialog::HeaderMouseDown(int x) {
    for (int section = 0; section < header_->SectionCount(); ++section) {
        const int left = header_->GetSectionLeft(section);
        const int right = left + header_->GetSectionWidth(section);
        if (x - left > kHeaderClickMargin && right - x > kHeaderClickMargin) {
            HeaderSectionClick(section);
            return;
        }
    }
}

void TUnitFinderDialog::SelectProduct(ZProduct* product) {
    if (product == selection_) {
        return;
    }
    selection_ = product;
    PaintList();
    BConnect->SetEnabled(product != nullptr && product->CanConnect());
}

void TUnitFinderDialog::PaintList() {
    if (header_ == nullptr) {
        return;
    }
    ZCanvas* canvas = PBUnits->GetCanvas();
    if (canvas == nullptr) {
        // Painting happens in the paint box's paint event, which calls back here.
        PBUnits->update();
        return;
    }
    const int width = PBUnits->width();
    const int height = PBUnits->height();
    // The rows the paint event asks for; the rest is clipped away anyway.
    const QRect area = PBUnits->GetPaintRect().intersected(PBUnits->rect());
    const int firstRow = std::max(area.top(), 0) / kRowHeight;
    const int endY = std::min(area.bottom() + 1, height);
    int y = firstRow * kRowHeight;
    if (core_ != nullptr) {
        LProductList* list = core_->GetProductList();
        list->Lock(1);
        // A changed count asks for a full repaint; this paint event is that repaint.
        paintedCount_ = list->GetCount();
        for (int k = 0; k < kSectionCount; ++k) {
            columnEdges_[k] = header_->GetSectionLeft(k) - 1;
        }
        const int first = VScrollBar->value() + firstRow;
        ZIDoubleListIterator<ZProduct> it(list);
        int i = 0;
        // Only rows that can be seen are painted: the walk ends below the area.
        for (ZProduct* product = it.First(); product != nullptr && y < endY;
             product = it.Next(), ++i) {
            if (i >= first) {
                PaintRow(i, 0, y, product);
                y += kRowHeight;
            }
        }
        list->Unlock(1);
    }
    if (y < endY) {
        canvas->Brush() = ZBrush{kBackground, bsSolid};
        canvas->FillRect(QRect(0, y, width, height - y));
    }
    PaintInfo();
}

void TUnitFinderDialog::PaintRow(int index, int x, int y, ZProduct* product) {
    ZCanvas* target = PBUnits->GetCanvas();
    if (target == nullptr || rowBitmap_.isNull()) {
        return;
    }
    {
        ZCanvas canvas(&rowBitmap_);
        const bool selected = product == selection_;
        const TColor fill = selected ? kSelectedRow : (index % 2 == 0 ? kEvenRow : kOddRow);
        canvas.Brush() = ZBrush{fill, bsSolid};
        canvas.Font() = listFont_;
        canvas.Font().color = selected ? kSelectedText : kRowText;
        const int* c = columnEdges_;
        const int rowWidth = rowBitmap_.width();

        canvas.FillRect(QRect(0, 0, c[1], kRowHeight));
        if (const QImage* icon = ZResourceIconProvider::ImageOf(product->GetIcon())) {
            canvas.Draw(c[0] + 1, 1, *icon, static_cast<TColor>(kBitmapKeyColor));
        }
        canvas.TextOut(c[0] + 20, 2, CellText("%s", product->GetName().GetString()));

        const QString texts[] = {
            CellText("%s", product->GetTypeModel().GetString()),
            CellText("%s", product->GetVersionText().GetString()),
            CellText("%s:%d", product->GetAddressText().GetString(),
                     static_cast<int>(product->GetPort())),
            CellText("%s", product->GetDescription().GetString()),
        };
        for (int k = 1; k < kSectionCount; ++k) {
            const int right = k + 1 < kSectionCount ? c[k + 1] : rowWidth;
            canvas.FillRect(QRect(c[k] - 1, 0, right - (c[k] - 1), kRowHeight));
            canvas.TextOut(c[k] + 4, 2, texts[k - 1]);
        }
    }
    target->CopyRect(QRect(x, y, rowBitmap_.width(), kRowHeight), rowBitmap_, rowBitmap_.rect());
}

void TUnitFinderDialog::PaintInfo() {
    const bool same = lastInfoProduct_.has_value() && *lastInfoProduct_ == selection_;
    const bool redraw = !same || infoDirty_;
    if (redraw) {
        lastInfoProduct_ = selection_;
        const QSize size = PBInfos->size();
        if (infoBitmap_.size() != size && !size.isEmpty()) {
            infoBitmap_ = QImage(size, QImage::Format_RGB32);
        }
        infoBitmap_.fill(ToQColor(kBackground));
        if (selection_ != nullptr) {
            ZCanvas canvas(&infoBitmap_);
            canvas.Font() = listFont_;
            canvas.Font().color = kRowText;
            canvas.Brush() = ZBrush{kBackground, bsSolid};
            canvas.SetBkMode(ZCanvas::bkOpaque);
            const QString line1 = Text(selection_->GetName()) + QLatin1Char(':');
            canvas.TextOut(10, 6, line1);
            const int h1 = canvas.TextHeight(line1);
            QString line2 = QStringLiteral("Editor/Client") + QStringLiteral(": ") +
                            Text(selection_->GetClientName());
            if (!selection_->IsClientInstalled()) {
                line2 += QStringLiteral(" [Not Installed]");
            }
            canvas.TextOut(40, 6 + h1 + 8, line2);
            const int h2 = canvas.TextHeight(line2);
            const QString line3 =
                QStringLiteral("Serial") + QStringLiteral(": ") + Text(selection_->GetSerial());
            canvas.TextOut(40, 6 + h1 + 8 + h2 + 4, line3);
        }
    }
    if (ZCanvas* target = PBInfos->GetCanvas()) {
        target->CopyRect(QRect(0, 0, infoBitmap_.width(), infoBitmap_.height()), infoBitmap_,
                         infoBitmap_.rect());
    } else if (redraw) {
        PBInfos->update();
    }
    infoDirty_ = false;
}
