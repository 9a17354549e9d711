#include "app/unitfinder_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "app/about_dialog.h"
#include "app/bitmap_resources.h"
#include "app/cell_text.h"
#include "app/filter_field.h"
#include "app/font_substitutes.h"
#include "app/list_header.h"
#include "app/list_palette.h"
#include "app/module_version_info.h"
#include "app/paint_box.h"
#include "app/panel.h"
#include "app/preferences_dialog.h"
#include "app/string_table.h"
#include "app/styles.h"
#include "catalogue/product_table.h"
#include "controls/canvas.h"
#include "controls/graphic_button_xt.h"
#include "foundation/device_text.h"
#include "ndd/ndd_user_agent.h"
#include "ndd/network_device_detection.h"
#include "platform/files/file_open.h"
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
// The filter field: level with BConnect, at the details area's right end, as far in as it.
constexpr int kFilterWidth = 200;
constexpr int kFilterMargin = 18;
constexpr int kCountGap = 8;  // between the count line and the filter field
// "MS Sans Serif" 8 pt, the window's font, is 11 pixels high at 96 dpi.
constexpr int kWindowFontPixels = 11;
// Rows and details are written in "Arial" with a character height of 14 pixels.
constexpr int kListFontPixels = 14;

// Palette (red, green, blue): the list's (app/list_palette.h) and these.
const TColor kInfoLine = MakeColor(50, 50, 50);
const TColor kConnectText = MakeColor(220, 220, 220);
// The sort arrow in its header section: 7 pixels wide, 4 high, this far after the section's
// text and at least this far from its right end.
constexpr int kArrowWidth = 7;
constexpr int kArrowGap = 8;
constexpr int kArrowInset = 14;

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

// Modal results: not ended by any of the dialog's own results, and Ok.
constexpr int kResultNone = 0;
constexpr int kResultOk = 1;

// Device texts arrive in the device's code page (ZDeviceText decides which).
QString Text(const ZString& s) {
    return QString::fromStdString(ZDeviceText::ToUtf8(s.GetString()));
}

// A cell's text for the clipboard: whole, decoded, control characters (tabs, line breaks) as
// blanks so that the row stays one line of tab-separated fields.
QString CopyText(const std::string& text) {
    QString copy = QString::fromStdString(ZDeviceText::ToUtf8(text));
    for (QChar& c : copy) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char(' ');
        }
    }
    return copy;
}

// When a product fell silent, as the clock on the wall tells it ("14:03:12", with the date when
// not today).
QString WallTime(int64_t steadyMs, int64_t steadyNowMs) {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime at = now.addMSecs(steadyMs - steadyNowMs);
    return at.toString(at.date() == now.date() ? QStringLiteral("HH:mm:ss")
                                               : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

TUnitFinderDialog::TUnitFinderDialog(ZUserAgentFactory makeAgent, QWidget* parent,
                                     ZProductTracker::Clock clock)
    : QWidget(parent),
      makeAgent_(std::move(makeAgent)),
      tracker_(std::make_unique<ZProductTracker>(
          ZProductTracker::StaleAfterMs(ZUnitFinderCore::kSearchIntervalMs), std::move(clock))),
      rowMaker_(tracker_.get()) {
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
    header_->SetOnSortClick([this](int section) { HeaderSortClick(section); });
    header_->hide();
    rowBitmap_ = QImage(kClientWidth, kRowHeight, QImage::Format_RGB32);
    infoBitmap_ = QImage(kClientWidth, kInfoPanelHeight - 1, QImage::Format_RGB32);
    paintedCount_ = 0;
    lastInfoProduct_.reset();
    infoDirty_ = false;
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { RefreshList(); });
    silentTimer_.setInterval(kSilentSweepMs);
    connect(&silentTimer_, &QTimer::timeout, this, [this] { SweepSilent(); });

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
    Export1 = File1->addAction(QStringLiteral("Export list..."));
    Export1->setObjectName(QStringLiteral("Export1"));
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
    // Ctrl+F opens the filter; the window holds the action, no menu shows it.
    Filter1 = new QAction(QStringLiteral("Filter"), this);
    Filter1->setObjectName(QStringLiteral("Filter1"));
    Filter1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    Filter1->setShortcutContext(Qt::WindowShortcut);
    addAction(Filter1);
    connect(Preferences1, &QAction::triggered, this, [this] { CmPreferences(); });
    connect(Export1, &QAction::triggered, this, [this] { CmExportList(); });
    connect(Filter1, &QAction::triggered, this, [this] { OpenFilter(QString()); });
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
    PBUnits->SetOnKeyDown([this](QKeyEvent* key) { return HandleListKey(key); });
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
    EFilter = new TFilterField(InfoPanel);
    EFilter->hide();
    EFilter->SetOnListKey([this](QKeyEvent* key) { return HandleListKey(key); });
    EFilter->SetOnEscape([this] { CloseFilter(); });
    connect(EFilter, &QLineEdit::textChanged, this,
            [this](const QString& text) { HandleFilterChange(text); });
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
    PlaceFilter();
    AlignUnitPanel();
}

void TUnitFinderDialog::PlaceFilter() {
    EFilter->setGeometry(std::max(InfoPanel->width() - kFilterMargin - kFilterWidth, 0),
                         kConnectRect.y(), kFilterWidth, kConnectRect.height());
    EFilter->raise();
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

    header_->SetBackgroundColor(kListBackground);
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

    core_ = new ZUnitFinderCore(
        this, [this](const char* groupAddress, uint16_t localPort, uint16_t remotePort) {
            return MakeAgent(groupAddress, localPort, remotePort);
        });
    // The tracker hears every answer after the core, as zunit watch's does, and keeps no more
    // products than the core lists.
    tracker_->SetMaxKeys(core_->GetMaxProducts());
    if (agent_ != nullptr) {
        agent_->AddHandler(tracker_.get());
    }
    core_->Start();
    silentTimer_.start();
    HandleSize();
}

INDDUserAgent* TUnitFinderDialog::MakeAgent(const char* groupAddress, uint16_t localPort,
                                            uint16_t remotePort) {
    agent_ = makeAgent_ ? makeAgent_(groupAddress, localPort, remotePort) : nullptr;
    if (!subnets_.empty()) {
        ApplySubnets();
    }
    return agent_;
}

void TUnitFinderDialog::ApplySubnets() {
    if (auto* real = dynamic_cast<ZNDDUserAgent*>(agent_); real != nullptr) {
        real->GetEngine()->SetSubnets(subnets_, sweepRate_);
    }
}

void TUnitFinderDialog::HandleShow() {
    char version[128];
    if (GetProgramVersionText(version, sizeof version)) {
        setWindowTitle(windowTitle() + QLatin1Char(' ') + QString::fromUtf8(version));
    }
    header_->viewport()->update();
    ZProduct::InitProductResources(this, &icons_);
    PBUnits->setFocus();
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
    silentTimer_.stop();
    refreshTimer_.stop();
    if (core_ != nullptr) {
        core_->Stop();
        if (agent_ != nullptr) {
            agent_->RemoveHandler(tracker_.get());
        }
        delete core_;
        core_ = nullptr;
        agent_ = nullptr;
    }
    // The products went with the core.
    model_.Clear();
    taken_ = 0;
    selection_ = nullptr;
    ZProduct::FreeProductResources();
}

void TUnitFinderDialog::ApplyStyle() {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(kListBackground));
    setPalette(p);
    setAutoFillBackground(true);
    MainPanel->SetColor(kListBackground);
    InfoLinePanel->SetColor(kInfoLine);
    SetButtonBackgrounds(BConnect);
    BConnect->SetTextColorOff(kConnectText);
}

void TUnitFinderDialog::ReadSettings() {
    closeOnConnect_ = ReadCloseOnConnect(settingsPath_);
    subnetTexts_ = ReadSubnetTexts(settingsPath_);
    subnets_ = ReadSubnets(settingsPath_);
    sweepRate_ = ReadSweepRate(settingsPath_);
    model_.SetHideSilent(ReadHideSilent(settingsPath_));
    int column = kNoSortColumn;
    bool descending = false;
    ReadSortOrder(settingsPath_, kSectionCount, &column, &descending);
    model_.SetSort(column, descending);
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
        // At most one refresh a frame: news within a frame of the last refresh waits for the
        // frame's end, and everything that arrived by then is taken at once.
        if (!refreshTimer_.isActive()) {
            const qint64 since = sinceRefresh_.isValid() ? sinceRefresh_.elapsed() : kFrameMs;
            if (since >= kFrameMs) {
                RefreshList();
            } else {
                refreshTimer_.start(static_cast<int>(kFrameMs - since));
            }
        }
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
    dialog.CBHideSilent->setChecked(model_.GetHideSilent());
    dialog.SetSubnets(subnetTexts_, sweepRate_);
    const int result = dialog.exec();
    if (result == kResultNone) {
        return;
    }
    // The check boxes of the first page are kept for every result, as close-on-connect always
    // was; the subnets only when Ok accepted them (Cancel may leave a half-typed list). Only
    // close-on-connect is always written; the other keys when they change.
    closeOnConnect_ = dialog.CBCloseOnConnect->isChecked();
    WriteSettings();
    const bool hide = dialog.CBHideSilent->isChecked();
    if (hide != model_.GetHideSilent()) {
        WriteHideSilent(settingsPath_, hide);
    }
    if (result == kResultOk && dialog.SubnetsChanged()) {
        subnets_ = dialog.GetSubnets();
        sweepRate_ = dialog.GetSweepRate();
        subnetTexts_.clear();
        for (const ZCIDRBlock& block : subnets_) {
            subnetTexts_.push_back(block.GetText());
        }
        WriteSubnets(settingsPath_, subnets_);
        WriteSweepRate(settingsPath_, sweepRate_);
        ApplySubnets();
    }
    int anchorRow = 0;
    const ZProduct* anchor = RowAnchor(/*keepTop=*/false, &anchorRow);
    if (model_.SetHideSilent(hide)) {
        ShowChangedRows(anchor, anchorRow);
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

int TUnitFinderDialog::VisibleRows() const {
    return PBUnits->height() / kRowHeight;
}

int TUnitFinderDialog::GetTopRow() const {
    return VScrollBar->value();
}

QString TUnitFinderDialog::GetShownCountText() const {
    const size_t shown = model_.GetShownCount();
    const size_t total = model_.GetCount();
    if (shown == total) {
        return QString();
    }
    return QStringLiteral("%1 of %2 shown").arg(shown).arg(total);
}

const ZProduct* TUnitFinderDialog::RowAnchor(bool keepTop, int* row) const {
    const int top = GetTopRow();
    if (selection_ != nullptr) {
        const int at = model_.ShownPositionOf(selection_);
        if (at >= top && at < top + std::max(VisibleRows(), 1)) {
            *row = at - top;
            return selection_;
        }
    }
    // A list shown from its start stays there, so that products placed first are seen.
    *row = 0;
    return keepTop && top > 0 && static_cast<size_t>(top) < model_.GetShownCount()
               ? model_.GetShown(top)
               : nullptr;
}

void TUnitFinderDialog::ArrangeRows(int top) {
    const int rows = VisibleRows();
    const int count = static_cast<int>(model_.GetShownCount());
    const bool wasHidden = VScrollBar->isHidden();
    if (rows > 0 && rows < count) {
        VScrollBar->setMinimum(0);
        VScrollBar->setMaximum(count - rows);
        VScrollBar->setPageStep(1);
        VScrollBar->setSingleStep(1);
        VScrollBar->setValue(std::clamp(top, 0, count - rows));
        VScrollBar->show();
    } else {
        VScrollBar->hide();
        VScrollBar->setValue(0);
    }
    if (wasHidden != VScrollBar->isHidden()) {
        AlignUnitPanel();  // a new width: the paint box repaints whole
    }
}

void TUnitFinderDialog::ShowChangedRows(const ZProduct* anchor, int anchorRow) {
    if (selection_ != nullptr && model_.ShownPositionOf(selection_) < 0) {
        selection_ = nullptr;
        BConnect->SetEnabled(false);
    }
    int top = 0;
    if (const int at = anchor != nullptr ? model_.ShownPositionOf(anchor) : -1; at >= 0) {
        top = at - anchorRow;
    } else if (selection_ != nullptr) {
        // A selection that was out of view comes into the middle of it.
        top = model_.ShownPositionOf(selection_) - VisibleRows() / 2;
    }
    ArrangeRows(top);
    PBUnits->update();
    PBInfos->update();
}

void TUnitFinderDialog::RefreshList() {
    if (core_ == nullptr) {
        return;
    }
    refreshTimer_.stop();
    sinceRefresh_.start();
    int anchorRow = 0;
    const ZProduct* anchor = RowAnchor(/*keepTop=*/true, &anchorRow);
    const int topBefore = GetTopRow();
    const bool wasHidden = VScrollBar->isHidden();

    // The products added since the last refresh are the list's last ones: walked back from its
    // end, not from its start.
    std::vector<ZProduct*> fresh;
    LProductList* list = core_->GetProductList();
    list->Lock(LProductList::kLockReason);
    const int count = list->GetCount();
    // Products are only ever appended while the core runs; a shorter list is a new start, whose
    // products are all new (and the old ones, the selection among them, are gone).
    const bool restarted = count < taken_;
    if (restarted) {
        model_.Clear();
        taken_ = 0;
        selection_ = nullptr;
        anchor = nullptr;
    }
    fresh.resize(static_cast<size_t>(count - taken_));
    ZProduct* product = fresh.empty() ? nullptr : list->Last();
    for (size_t i = fresh.size(); i > 0 && product != nullptr; --i) {
        fresh[i - 1] = product;
        product = i > 1 ? list->Prev() : nullptr;
    }
    list->Unlock(LProductList::kLockReason);
    taken_ = count;
    listedCount_ = count;
    if (restarted) {
        BConnect->SetEnabled(false);
    }
    const size_t changed = model_.Add(fresh);
    const int shown = static_cast<int>(model_.GetShownCount());

    int top = topBefore;
    if (const int at = anchor != nullptr ? model_.ShownPositionOf(anchor) : -1; at >= 0) {
        top = at - anchorRow;
    }
    ArrangeRows(top);
    if (GetShownCountText() != infoCountText_) {
        PBInfos->update();  // with Connect over it: only when its count line changed
    }
    if (restarted || wasHidden != VScrollBar->isHidden() || GetTopRow() != topBefore) {
        PBUnits->update();
        return;
    }
    // Only the rows from the first that changed, where they can be seen.
    const int first = GetTopRow();
    const int from = std::max(static_cast<int>(changed) - first, 0) * kRowHeight;
    const int to = std::max(shown - first, 0) * kRowHeight;
    if (static_cast<int>(changed) < shown && from < PBUnits->height() && to > from) {
        PBUnits->update(QRect(0, from, PBUnits->width(), to - from));
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
    const size_t position = static_cast<size_t>(GetTopRow() + y / kRowHeight);
    SelectProduct(position < model_.GetShownCount() ? model_.GetShown(position) : nullptr);
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
    canvas.Pen() = ZPen{kListBackground, 1, psSolid};
    canvas.Brush() = ZBrush{kListBackground, bsSolid};
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
    canvas.Font().color = kListHeaderText;
    canvas.TextOut(rect.left() + 2, rect.top() + 2, text);
    if (section == model_.GetSortColumn()) {
        // The sort arrow after the text, or at the section's right end when the text reaches
        // it, on its own background: its point up for an ascending sort, down for descending.
        const int left = std::min(rect.left() + 2 + canvas.TextWidth(text) + kArrowGap,
                                  rect.left() + rect.width() - kArrowInset);
        const int top = rect.top() + (rect.height() - (kArrowWidth + 1) / 2) / 2;
        canvas.FillRect(QRect(left - 2, rect.top(), kArrowWidth + 4, rect.height()));
        canvas.Pen() = ZPen{kListHeaderText, 1, psSolid};
        const int rowCount = (kArrowWidth + 1) / 2;
        for (int row = 0; row < rowCount; ++row) {
            const int half = model_.IsDescending() ? rowCount - 1 - row : row;
            canvas.MoveTo(left + kArrowWidth / 2 - half, top + row);
            canvas.LineTo(left + kArrowWidth / 2 + half + 1, top + row);
        }
    }
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

void TUnitFinderDialog::HeaderSortClick(int section) {
    int column = section;
    bool descending = false;
    if (section == model_.GetSortColumn()) {
        // Ascending, descending, then back to the order of arrival.
        descending = !model_.IsDescending();
        column = descending ? section : ZProductListModel::kNoSort;
    }
    SortBy(column, descending);
    // A failed write is not reported: the order still holds for this run.
    WriteSortOrder(settingsPath_, model_.GetSortColumn(), model_.IsDescending());
}

void TUnitFinderDialog::SortBy(int column, bool descending) {
    int anchorRow = 0;
    const ZProduct* anchor = RowAnchor(/*keepTop=*/false, &anchorRow);
    if (model_.SetSort(column, descending)) {
        header_->viewport()->update();
        ShowChangedRows(anchor, anchorRow);
    }
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
        list->Lock(LProductList::kLockReason);
        // A changed count asks for a full repaint; this paint event is that repaint.
        paintedCount_ = list->GetCount();
        for (int k = 0; k < kSectionCount; ++k) {
            columnEdges_[k] = header_->GetSectionLeft(k) - 1;
        }
        // Only rows that can be seen are painted, straight from their shown positions.
        const size_t shown = model_.GetShownCount();
        for (size_t i = static_cast<size_t>(GetTopRow() + firstRow); i < shown && y < endY; ++i) {
            PaintRow(static_cast<int>(i), 0, y, model_.GetShown(i));
            y += kRowHeight;
        }
        list->Unlock(LProductList::kLockReason);
    }
    if (y < endY) {
        canvas->Brush() = ZBrush{kListBackground, bsSolid};
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
        const bool silent =
            model_.GetShownSilentSince(static_cast<size_t>(index)) != ZProductListModel::kAnswering;
        const TColor fill =
            selected ? kListSelectedRow : (index % 2 == 0 ? kListEvenRow : kListOddRow);
        canvas.Brush() = ZBrush{fill, bsSolid};
        // Each text lies on its cell's fill already: drawn without a background of its own, it
        // looks the same and is not measured for one.
        canvas.SetBkMode(ZCanvas::bkTransparent);
        canvas.Font() = listFont_;
        canvas.Font().color = selected ? (silent ? kListSilentSelectedText : kListSelectedText)
                                       : (silent ? kListSilentText : kListRowText);
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
    const QString countText = GetShownCountText();
    const int64_t silentSince =
        selection_ != nullptr ? model_.GetSilentSince(selection_) : ZProductListModel::kAnswering;
    const bool redraw = !same || infoDirty_ || countText != infoCountText_ ||
                        silentSince != infoSilentSince_ || EFilter->isVisible() != infoFilterShown_;
    if (redraw) {
        lastInfoProduct_ = selection_;
        infoCountText_ = countText;
        infoSilentSince_ = silentSince;
        infoFilterShown_ = EFilter->isVisible();
        const QSize size = PBInfos->size();
        if (infoBitmap_.size() != size && !size.isEmpty()) {
            infoBitmap_ = QImage(size, QImage::Format_RGB32);
        }
        infoBitmap_.fill(ToQColor(kListBackground));
        if (selection_ != nullptr) {
            ZCanvas canvas(&infoBitmap_);
            canvas.Font() = listFont_;
            canvas.Font().color = kListRowText;
            canvas.Brush() = ZBrush{kListBackground, bsSolid};
            canvas.SetBkMode(ZCanvas::bkOpaque);
            const QString line1 = Text(selection_->GetName()) + QLatin1Char(':');
            canvas.TextOut(10, 6, line1);
            const int h1 = canvas.TextHeight(line1);
            if (silentSince != ZProductListModel::kAnswering) {
                canvas.Font().color = kListSilentText;
                canvas.TextOut(10 + canvas.TextWidth(line1) + 12, 6,
                               QStringLiteral("Not answering since ") +
                                   WallTime(silentSince, tracker_->Now()));
                canvas.Font().color = kListRowText;
            }
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
        if (!countText.isEmpty()) {
            // How many of the products are shown, level with BConnect, left of the filter field
            // or at the right end.
            ZCanvas canvas(&infoBitmap_);
            canvas.Font() = listFont_;
            canvas.Font().color = kListRowText;
            canvas.SetBkMode(ZCanvas::bkTransparent);
            const int right = EFilter->isVisible() ? EFilter->x() - kCountGap
                                                   : infoBitmap_.width() - kFilterMargin;
            const int top = kConnectRect.y() - PBInfos->y() +
                            (kConnectRect.height() - canvas.TextHeight(countText)) / 2;
            canvas.TextOut(right - canvas.TextWidth(countText), top, countText);
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

// --- Keyboard, filter, silent products, export ------------------------------------------------

void TUnitFinderDialog::SelectShown(int position) {
    SelectProduct(model_.GetShown(static_cast<size_t>(position)));
    const int rows = std::max(VisibleRows(), 1);
    const int top = GetTopRow();
    if (position < top) {
        VScrollBar->setValue(position);
    } else if (position >= top + rows) {
        VScrollBar->setValue(position - rows + 1);
    }
}

bool TUnitFinderDialog::HandleListKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    const int count = static_cast<int>(model_.GetShownCount());
    const int rows = std::max(VisibleRows(), 1);
    const int at = selection_ != nullptr ? model_.ShownPositionOf(selection_) : -1;
    // Without a selection the moving keys start at the first row on screen.
    const int from = at >= 0 ? at : GetTopRow();
    const int step = at >= 0 ? 1 : 0;
    int target = -1;
    switch (modifiers == Qt::NoModifier ? event->key() : 0) {
        case Qt::Key_Up:
            target = from - step;
            break;
        case Qt::Key_Down:
            target = from + step;
            break;
        case Qt::Key_PageUp:
            target = from - step * rows;
            break;
        case Qt::Key_PageDown:
            target = from + step * rows;
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = count - 1;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            HandleDblClk();
            return true;
        case Qt::Key_Escape:
            if (EFilter->isHidden()) {
                return false;
            }
            CloseFilter();
            return true;
        default: {
            // Typing a text opens the filter with it; a blank does not open it.
            const QString text = event->text();
            if ((modifiers & ~Qt::ShiftModifier) == Qt::NoModifier && !text.isEmpty() &&
                text.at(0).isPrint() && !(EFilter->isHidden() && text.at(0).isSpace())) {
                OpenFilter(text);
                return true;
            }
            return false;
        }
    }
    if (count > 0) {
        SelectShown(std::clamp(target, 0, count - 1));
    }
    return true;
}

void TUnitFinderDialog::OpenFilter(const QString& typed) {
    if (EFilter->isHidden()) {
        PlaceFilter();
        EFilter->show();
        PBInfos->update();
    }
    EFilter->setFocus();
    if (typed.isEmpty()) {
        EFilter->selectAll();
    } else {
        EFilter->setText(EFilter->text() + typed);  // the cursor goes to its end
    }
}

void TUnitFinderDialog::CloseFilter() {
    EFilter->clear();
    EFilter->hide();
    PBUnits->setFocus();
    PBInfos->update();
}

void TUnitFinderDialog::HandleFilterChange(const QString& text) {
    int anchorRow = 0;
    const ZProduct* anchor = RowAnchor(/*keepTop=*/false, &anchorRow);
    if (model_.SetFilter(text)) {
        ShowChangedRows(anchor, anchorRow);
    }
}

void TUnitFinderDialog::CopySelection() {
    if (selection_ == nullptr) {
        return;
    }
    const QStringList cells = {
        CopyText(selection_->GetName().GetString()),
        CopyText(selection_->GetTypeModel().GetString()),
        CopyText(selection_->GetVersionText().GetString()),
        CopyText(std::string(selection_->GetAddressText().GetString()) + ":" +
                 std::to_string(selection_->GetPort())),
        CopyText(selection_->GetDescription().GetString()),
    };
    QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')));
}

void TUnitFinderDialog::SweepSilent() {
    int anchorRow = 0;
    const ZProduct* anchor = RowAnchor(/*keepTop=*/true, &anchorRow);
    bool changed = false;
    for (const ZProductTracker::Event& event : tracker_->Sweep()) {
        if (event.kind == ZProductTracker::EventKind::kAppeared) {
            continue;
        }
        // Silent since its last answer; a product the model does not hold yet answered just now.
        if (ZProduct* product = model_.Find(event.key.service, event.key.address, event.key.port)) {
            changed = model_.SetSilent(product, event.kind == ZProductTracker::EventKind::kStale,
                                       event.lastSeenMs) ||
                      changed;
        }
    }
    if (!changed) {
        return;
    }
    if (model_.GetHideSilent()) {
        ShowChangedRows(anchor, anchorRow);
    } else {
        PBUnits->update();
        PBInfos->update();
    }
}

bool TUnitFinderDialog::ExportList(const QString& path, ExportFormat format, QString* error) {
    // Text mode, as zunit prints to its standard output.
    std::FILE* file = zplat::OpenFile(path.toUtf8().constData(), "w");
    if (file == nullptr) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Each row made as it is written: a list of any length holds one row at a time.
    ZProductRowMaker::InstalledMemo installed;
    ZProductTable::Print(
        format == ExportFormat::kJson ? ZProductTable::Format::kJson : ZProductTable::Format::kCsv,
        model_.GetShownCount(),
        [&](size_t i) { return rowMaker_.Make(*model_.GetShown(i), /*details=*/true, &installed); },
        file);
    const bool written = std::ferror(file) == 0;
    const int closeError = std::fclose(file) == 0 ? 0 : errno;
    if (!written || closeError != 0) {
        *error = closeError != 0 ? QString::fromLocal8Bit(std::strerror(closeError))
                                 : QStringLiteral("it could not be written completely");
        return false;
    }
    return true;
}

void TUnitFinderDialog::CmExportList() {
    const QString csv = QStringLiteral("CSV (*.csv)");
    const QString json = QStringLiteral("JSON (*.json)");
    QString chosen = csv;
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export list"),
                                     QStringLiteral("zunit-list.csv"), csv + ";;" + json, &chosen);
    if (path.isEmpty()) {
        return;
    }
    ExportFormat format = chosen == json ? ExportFormat::kJson : ExportFormat::kCsv;
    if (path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
        format = ExportFormat::kJson;
    } else if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        format = ExportFormat::kCsv;
    } else {
        path += format == ExportFormat::kJson ? QStringLiteral(".json") : QStringLiteral(".csv");
    }
    QString error;
    if (!ExportList(path, format, &error)) {
        QMessageBox::warning(this, QStringLiteral("Export list"),
                             QStringLiteral("The list could not be written to %1: %2")
                                 .arg(QDir::toNativeSeparators(path), error));
    }
}
