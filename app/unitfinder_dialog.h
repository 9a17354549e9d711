#pragma once
// TUnitFinderDialog: the finder's main window. It owns the discovery core, lists the products
// the core finds in a dark, owner-drawn list with a header bar of five columns, shows the
// selected product's details below the list, and starts the product's client application on
// Connect (or a double click). The File menu opens the Preferences dialog and quits (Ctrl+Q),
// the Help menu opens the About dialog.
//
//   RegisterStringTable();                           // the header's texts
//   TUnitFinderDialog window([](const char* group, uint16_t local, uint16_t remote) {
//       return static_cast<INDDUserAgent*>(new ZNDDUserAgent(group, local, remote));
//   });
//   window.show();
//   app.exec();                                      // closing the window stops the core
//
// Lifecycle: constructor (header bar, bitmaps) -> HandleCreate (settings, style, header
// sections, core started, first layout) -> HandleShow on the first show (caption with the
// version, kind icons) -> running (new products post event 1025 to the window, at most one
// pending at a time, which RefreshList handles) -> close by any means -> HandleDestroy (core
// stopped and deleted, icons freed) -> destructor.
//
// Layout (client area 771 x 419 below the menu bar): MainPanel fills the window; TopPanel (26
// high) carries the header bar on its lower 18 pixels; UnitPanel holds the list PBUnits and, at
// its right edge, the 16 pixel VScrollBar (shown only when the rows do not fit); InfoPanel (96
// high) at the bottom has a 1 pixel InfoLinePanel on top, the details area PBInfos and BConnect
// at (18, 70).
//
// Threads: everything runs on the UI thread except OnProductAdded, which the core calls on the
// network receive thread and which only posts event 1025, and only when none is pending: a burst
// of thousands of new products costs the UI thread one refresh, and a refresh costs what changed
// (the count, the scroll bar, the rows that came into view), not a walk of the whole list. The
// product list is read under its lock; the UI thread never calls into the core's agent while it
// holds that lock.
//
// Ownership: the window owns the core (and through it the products), its controls (Qt
// children), the row and details bitmaps and the kind icon provider. The agent factory is kept
// for HandleCreate. Product pointers (the selection) are the core's and live as long as it does.

#include <QImage>
#include <QWidget>

#include <atomic>
#include <optional>
#include <vector>

#include "app/resource_icon_provider.h"
#include "app/settings.h"
#include "catalogue/unitfinder_core.h"
#include "catalogue/unitfinder_core_handler.h"
#include "controls/font.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollBar;
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

    explicit TUnitFinderDialog(ZUserAgentFactory makeAgent, QWidget* parent = nullptr);
    ~TUnitFinderDialog() override;

    // Controls, named as in the window's form.
    QMenuBar* MainMenu1;
    QMenu* File1;
    QAction* Preferences1;
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
    void SelectProduct(ZProduct* product);
    void PaintList();
    void PaintRow(int index, int x, int y, ZProduct* product);
    void PaintInfo();

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

    ZUserAgentFactory makeAgent_;
    char settingsPath_[kSettingsPathSize] = {};
    bool closeOnConnect_ = false;
    std::vector<ZCIDRBlock> subnets_;  // the Subnets setting, swept beside the broadcasts
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
    // The selected product, null for none.
    ZProduct* selection_ = nullptr;
    ZFont listFont_;
    ZResourceIconProvider icons_;
    bool shown_ = false;
    bool destroyed_ = false;
};
