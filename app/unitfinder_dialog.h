#pragma once
// TUnitFinderDialog: the finder's main window. It owns the discovery core, lists the products
// the core finds in a dark, owner-drawn list with a header bar of five columns, shows the
// selected product's details below the list, and starts the product's client application on
// Connect (or a double click, or Enter). The File menu opens the Preferences dialog, exports the
// list and quits (Ctrl+Q), the Help menu opens the About dialog.
//
//   RegisterStringTable();                           // the header's texts
//   TUnitFinderDialog window([](const char* group, uint16_t local, uint16_t remote) {
//       return static_cast<INDDUserAgent*>(new ZNDDUserAgent(group, local, remote));
//   });
//   window.show();
//   app.exec();                                      // closing the window stops the core
//
// The list is the core's products as ZProductListModel orders and narrows them: a click on a
// header section sorts by it (again: backwards; a third time: back to arrival order), with an
// arrow in the section; typing while the list has the focus, or Ctrl+F, opens a filter field at
// the bottom right, Escape clears it. A product whose device has not answered for two search
// cycles (ZProductTracker's rule, zunit watch's) is drawn dimmed, and its details say since when;
// the Preferences can hide such products. Up, Down, Page Up, Page Down, Home and End move the
// selection and keep it in view, Enter connects, Ctrl+C copies the selected row as
// tab-separated text. File > Export list... writes the rows shown, in their order, as zunit scan
// --csv or --json would. The sort, the hidden silent products, the subnets and their rate are
// kept in the settings file.
//
// Lifecycle: constructor (header bar, bitmaps) -> HandleCreate (settings, style, header
// sections, core started, first layout) -> HandleShow on the first show (caption with the
// version, kind icons, the list takes the focus) -> running (new products post event 1025 to the
// window, at most one pending at a time, which RefreshList handles) -> close by any means ->
// HandleDestroy (core stopped and deleted, icons freed) -> destructor.
//
// Layout (client area 771 x 419 below the menu bar): MainPanel fills the window; TopPanel (26
// high) carries the header bar on its lower 18 pixels; UnitPanel holds the list PBUnits and, at
// its right edge, the 16 pixel VScrollBar (shown only when the rows do not fit); InfoPanel (96
// high) at the bottom has a 1 pixel InfoLinePanel on top, the details area PBInfos, BConnect at
// (18, 70) and, while a filter is open, the filter field EFilter at its right end, level with
// BConnect, and left of it how many of how many products are shown.
//
// Threads: everything runs on the UI thread except OnProductAdded and the tracker's answer
// handler, which the core's agent calls on the network receive thread: OnProductAdded only posts
// event 1025, and only when none is pending. A refresh runs at most once per frame (kFrameMs),
// whatever arrives: a burst of thousands of new products costs the UI thread a refresh a frame,
// and a refresh costs what changed (the new products placed into the model, the scroll bar, the
// rows that changed on screen), not a walk of the whole list. The product list is read under
// its lock; the UI thread never calls into the core's agent while it holds that lock.
//
// Ownership: the window owns the core (and through it the products and the agent), the tracker
// (a handler of the agent, removed before the core goes), its controls (Qt children), the row
// and details bitmaps and the kind icon provider. The agent factory is kept for HandleCreate.
// Product pointers (the selection, the model's) are the core's and live as long as it does.

#include <QImage>
#include <QWidget>

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/product_list_model.h"
#include "app/resource_icon_provider.h"
#include "app/settings.h"
#include "catalogue/product_row_maker.h"
#include "catalogue/product_tracker.h"
#include "catalogue/unitfinder_core.h"
#include "catalogue/unitfinder_core_handler.h"
#include "controls/font.h"

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollBar;
class TFilterField;
class TListHeader;
class TPaintBox;
class TPanel;
class ZCanvas;
class ZGraphicButtonXT;

class TUnitFinderDialog : public QWidget, public IUnitFinderCoreHandler {
    Q_OBJECT

public:
    // The window message that tells the window a product was added (WM_USER + 1).
    static constexpr int kMsgProductAdded = 1025;
    static constexpr int kClientWidth = 771;
    static constexpr int kClientHeight = 419;
    static constexpr int kRowHeight = 18;
    static constexpr int kSectionCount = 5;
    // A frame: the list refreshes for new products at most this often.
    static constexpr int kFrameMs = 16;
    // How often the window looks for products that stopped answering: a product is marked
    // within this much of its deadline (two and a half search cycles).
    static constexpr int kSilentSweepMs = 250;

    enum class ExportFormat { kCsv, kJson };

    // clock: the tracker's, milliseconds of a steady clock (tests turn their own).
    explicit TUnitFinderDialog(ZUserAgentFactory makeAgent, QWidget* parent = nullptr,
                               ZProductTracker::Clock clock = ZProductTracker::SteadyNowMs);
    ~TUnitFinderDialog() override;

    // Controls, named as in the window's form.
    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* Preferences1;
    QAction* Export1;
    QAction* Filter1;  // Ctrl+F, not in a menu
    QAction* N1;
    QAction* Quit1;
    QMenu* Help1;
    QAction* About1;
    TPanel* MainPanel;
    TPanel* TopPanel;
    QLabel* LUnitListTitle;
    TPanel* UnitPanel;
    TPaintBox* PBUnits;
    QScrollBar* VScrollBar;
    TPanel* InfoPanel;
    TPanel* InfoLinePanel;
    TPaintBox* PBInfos;
    ZGraphicButtonXT* BConnect;
    TFilterField* EFilter;

    // --- Start-up, layout, shutdown ------------------------------------------------------------
    void HandleCreate();
    void HandleShow();
    void HandleSize();
    void HandleDestroy();
    virtual void ApplyStyle();
    void ReadSettings();
    void WriteSettings();
    // IUnitFinderCoreHandler, on the network thread: posts event 1025 unless one is pending, and
    // touches nothing else.
    void OnProductAdded(ZProduct* product) override;
    // The window procedure: event 1025 goes to RefreshList and no further; everything else to
    // Qt's own handling.
    bool WndProc(QEvent* event);
    void CmQuit();
    void CmAbout();
    void CmPreferences();
    // Asks for a file (CSV or JSON by its name or the chosen type) and exports the list to it;
    // a failure is shown in a message box.
    void CmExportList();
    // Writes the products shown, in their order, as zunit scan --csv or --json prints them. False
    // with the reason in *error when the file cannot be written.
    bool ExportList(const QString& path, ExportFormat format, QString* error);

    // --- The list, its header and the details area -----------------------------------------
    // Recount, scroll bar, then a repaint of the rows that came into view since the last
    // refresh (of the whole list when it shrank or the scroll bar came or went).
    void RefreshList();
    void HandlePaint();
    void HandleScroll();
    void HandleWheel(int notches);
    void HandleMouseDown(int y);
    void HandleDblClk();
    void PBInfosPaint();
    void BConnectClick();
    void HeaderDrawSection(ZCanvas& canvas, int section, const QRect& rect);
    void HeaderSectionResize(int section);
    void HeaderSectionClick(int section);
    void HeaderMouseDown(int x);
    // A click on any section: sort by it, backwards on the second click, arrival order on the
    // third; the order is written to the settings file.
    void HeaderSortClick(int section);
    // Sorts the list (kNoSort: arrival order) keeping the selection in view; settings untouched.
    void SortBy(int column, bool descending);
    void SelectProduct(ZProduct* product);
    void PaintList();
    void PaintRow(int index, int x, int y, ZProduct* product);
    void PaintInfo();

    // --- Keyboard, filter, silent products --------------------------------------------------
    // A key on the list (or passed on by the filter field); true when it was used.
    bool HandleListKey(QKeyEvent* event);
    // Opens the filter field with typed added to its text, and gives it the focus.
    void OpenFilter(const QString& typed);
    // Clears the filter, closes the field and gives the list the focus.
    void CloseFilter();
    void HandleFilterChange(const QString& text);
    // Copies the selected row's five cells, tab-separated, to the clipboard.
    void CopySelection();
    // Marks the products that stopped answering and those that answer again (the tracker's
    // events since the last sweep); runs on a timer.
    void SweepSilent();

    // --- State, for the program's own checks -------------------------------------------------
    TListHeader* GetHeader() const { return header_; }
    ZUnitFinderCore* GetCore() const { return core_; }
    ZProduct* GetSelection() const { return selection_; }
    bool GetCloseOnConnect() const { return closeOnConnect_; }
    const char* GetSettingsPath() const { return settingsPath_; }
    int GetPaintedCount() const { return paintedCount_; }
    // The number of products as of the last RefreshList, and how many times event 1025 was
    // handled.
    int GetListedCount() const { return listedCount_; }
    int GetRefreshCount() const { return refreshCount_; }
    // Whether new products wait for the next frame's refresh.
    bool HasPendingRefresh() const { return refreshTimer_.isActive(); }
    const ZProductListModel& GetModel() const { return model_; }
    ZProductTracker& GetTracker() { return *tracker_; }
    bool GetHideSilent() const { return model_.GetHideSilent(); }
    // The first row on screen (the scroll position).
    int GetTopRow() const;
    // The details area's count line ("12 of 300 shown"); empty while every product is shown.
    QString GetShownCountText() const;
    // Left edges of the columns as of the last list paint (section k's left edge minus 1).
    int GetColumnEdge(int column) const { return columnEdges_[column]; }

protected:
    // Every event goes through WndProc.
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateMenu();
    void CreateControls();
    // Places the panels, the paint boxes and the scroll bar for the window's size, the way the
    // form aligns them (top, bottom, right, then the client area).
    void AlignControls();
    void AlignUnitPanel();
    // The text of a header section from its source (string resources, "Version" as it is).
    QString SectionSourceText(int section) const;
    // The agent the core asks for: the factory's, with the subnets to sweep.
    INDDUserAgent* MakeAgent(const char* groupAddress, uint16_t localPort, uint16_t remotePort);
    // Hands the subnets and their rate to the agent's engine (when the agent has one).
    void ApplySubnets();
    // Takes the products the core listed since the last refresh into the model.
    void TakeNewProducts();
    // Scroll bar range and position for the rows shown; top: the wanted first row.
    void ArrangeRows(int top);
    // After the shown rows changed: clears a selection no longer shown, scrolls so that the
    // anchor keeps its screen row (without an anchor: a selection comes into view, else the
    // list shows from its first row) and repaints the list and the details.
    void ShowChangedRows(const ZProduct* anchor, int anchorRow);
    // The product whose screen row stays put while the rows change, and that row: the selection
    // when it is on screen, else (keepTop) the first row's product unless the list is shown from
    // its start, else none.
    const ZProduct* RowAnchor(bool keepTop, int* row) const;
    // Selects the product at a shown position and scrolls it into view.
    void SelectShown(int position);
    int VisibleRows() const;
    void PlaceFilter();

    ZUserAgentFactory makeAgent_;
    char settingsPath_[kSettingsPathSize] = {};
    bool closeOnConnect_ = false;
    std::vector<std::string> subnetTexts_;  // the Subnets setting as written, valid or not
    std::vector<ZCIDRBlock> subnets_;       // of those, the blocks swept beside the broadcasts
    uint32_t sweepRate_ = 0;
    INDDUserAgent* agent_ = nullptr;  // the core's
    std::unique_ptr<ZProductTracker> tracker_;
    ZProductRowMaker rowMaker_{nullptr};
    ZProductListModel model_;
    int taken_ = 0;  // the core's products in the model
    QTimer refreshTimer_;
    QElapsedTimer sinceRefresh_;
    QTimer silentTimer_;
    ZUnitFinderCore* core_ = nullptr;
    TListHeader* header_ = nullptr;
    QImage rowBitmap_;
    QImage infoBitmap_;
    int columnEdges_[kSectionCount] = {};
    int paintedCount_ = 0;
    int listedCount_ = 0;
    int refreshCount_ = 0;
    // Set while event 1025 is posted and not yet handled; the network thread posts only when
    // it finds it clear.
    std::atomic<bool> refreshPending_{false};
    // The product the details area shows; empty until the first details paint.
    std::optional<const ZProduct*> lastInfoProduct_;
    bool infoDirty_ = false;
    // What else the details area showed at its last paint.
    QString infoCountText_;
    int64_t infoSilentSince_ = ZProductListModel::kAnswering;
    bool infoFilterShown_ = false;
    // The selected product, null for none.
    ZProduct* selection_ = nullptr;
    ZFont listFont_;
    ZResourceIconProvider icons_;
    bool shown_ = false;
    bool destroyed_ = false;
};
