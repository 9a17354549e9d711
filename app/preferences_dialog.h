#pragma once
// TPreferencesDialog: the modal dialog that edits the program's one setting, close-on-connect.
// Ok (or Enter) ends it with 1, Cancel (or Escape, or the close box) with 2; a press on the
// dialog's own surface ends it with 1. The caller reads the check box afterwards.
//
//   TPreferencesDialog dialog(mainWindow);
//   dialog.CBCloseOnConnect->setChecked(closeOnConnect);
//   if (dialog.exec() != 0) closeOnConnect = dialog.CBCloseOnConnect->isChecked();
//
// Layout (client area 464 x 86, fixed): MainPanel above a 35 pixel ButtonPanel whose top line is
// ButtonLinePanel; the check box at (16, 16) in MainPanel; BOk and BCancel, 75 x 25, at (309, 5)
// and (385, 5) in ButtonPanel. Font "Tahoma" 8 pt.
//
// Ownership: the dialog owns its controls (Qt children); it is made for one showing.

#include <QDialog>

class QCheckBox;
class TPanel;
class ZGraphicButtonXT;

class TPreferencesDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 464;
    static constexpr int kClientHeight = 86;

    explicit TPreferencesDialog(QWidget* owner);

    TPanel* MainPanel;
    QCheckBox* CBCloseOnConnect;
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

    // The close box and every other way of rejecting the dialog end it as Cancel does.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
