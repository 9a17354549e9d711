#pragma once
// TPreferencesDialog: the modal dialog that edits the program's settings, on two pages chosen by
// the tabs at its top. "General": close-on-connect and whether products that stopped answering
// are hidden. "Subnets": the routed subnets searched beside the local network and the rate of
// requests sent to them. Ok (or Enter) ends it with 1, Cancel (or Escape, or the close box) with
// 2; a press on the dialog's own surface ends it with 1. The Subnets page applies the rules zunit
// applies to --subnet and --rate (ZSubnetCheck) and names every entry it refuses: at once for
// the entries it was given, and again when it is to end with 1 after the page was edited, when
// a refusal keeps it open on that page. Entries left as given never keep it open (the finder
// ignores those it cannot use, as it always did). The caller reads the controls, and with
// SubnetsChanged GetSubnets and GetSweepRate, afterwards.
//
//   TPreferencesDialog dialog(mainWindow);
//   dialog.CBCloseOnConnect->setChecked(closeOnConnect);
//   dialog.SetSubnets(subnetTexts, sweepRate);
//   if (dialog.exec() == 1 && dialog.SubnetsChanged()) {
//       subnets = dialog.GetSubnets();
//       rate = dialog.GetSweepRate();
//   }
//
// Layout (client area 464 x 205, fixed; font "Tahoma" 8 pt): PageTabs (22 high) at the top; the
// pages MainPanel and SubnetPanel below it, one shown at a time; a 35 pixel ButtonPanel at the
// bottom whose top line is ButtonLinePanel, with BOk and BCancel, 75 x 25, at (309, 5) and
// (385, 5). In MainPanel the check boxes at (16, 16) and (16, 40); in SubnetPanel the list of
// blocks, the rate and, below them, the refusals.
//
// Ownership: the dialog owns its controls (Qt children); it is made for one showing.

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

#include "net/cidr_block.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TPageTabs;
class TPanel;
class ZGraphicButtonXT;

class TPreferencesDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 464;
    static constexpr int kClientHeight = 205;
    enum Page { kGeneralPage = 0, kSubnetsPage = 1 };

    explicit TPreferencesDialog(QWidget* owner);

    TPageTabs* PageTabs;
    TPanel* MainPanel;
    QCheckBox* CBCloseOnConnect;
    QCheckBox* CBHideSilent;
    TPanel* SubnetPanel;
    QLabel* LSubnets;
    QPlainTextEdit* MSubnets;
    QLabel* LRate;
    QLineEdit* ERate;
    QLabel* LRefused;
    TPanel* ButtonPanel;
    TPanel* ButtonLinePanel;
    ZGraphicButtonXT* BOk;
    ZGraphicButtonXT* BCancel;

    void HandleCreate();
    virtual void ApplyStyle();
    void FormShow();
    void BOkClick();
    void BCancelClick();
    // Enter runs BOkClick, Escape BCancelClick; true when the key was used.
    bool FormKeyPress(int key);
    void FormMouseDown();
    // Shows a page (the tabs follow).
    void ShowPage(int page);

    // The subnet entries to show (valid or not) and the rate; refused entries are named.
    void SetSubnets(const std::vector<std::string>& texts, uint32_t rate);
    // Whether the Subnets page differs from what SetSubnets showed.
    bool SubnetsChanged() const;
    // True when the page is as given or passes the rules; false, with the refusals named and
    // the page shown, otherwise.
    bool CheckSubnets();
    // What the last check that refused nothing accepted.
    const std::vector<ZCIDRBlock>& GetSubnets() const { return subnets_; }
    uint32_t GetSweepRate() const { return sweepRate_; }

    // The close box and every other way of rejecting the dialog end it as Cancel does.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Ends the dialog with 1 once the Subnets page passes its check.
    void Accept();
    // Applies the rules to the page: every refusal, also named on the page (none: the accepted
    // blocks and rate are kept).
    std::vector<std::string> Refusals();

    std::vector<ZCIDRBlock> subnets_;
    uint32_t sweepRate_ = 0;
    QString shownSubnets_;
    QString shownRate_;
};
