#pragma once
// TAboutDialog: the modal dialog that shows the program's title with its version (read from the
// caption of the window that opened it), a copyright line and the program's icon. A mouse press
// anywhere on it ends it with 1.
//
//   TAboutDialog about(mainWindow);      // mainWindow is its parent: LProduct shows its caption
//   about.exec();
//
// Layout (client area 368 x 168, fixed): LProduct at top 32, centred when shown; LCopyright at
// (119, 64); Image1, the 32 x 32 icon, at (163, 104). Font "Tahoma" 8 pt.
//
// Ownership: the dialog owns its controls (Qt children); it is made for one showing.

#include <QDialog>

class QLabel;

class TAboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 368;
    static constexpr int kClientHeight = 168;

    explicit TAboutDialog(QWidget* owner);

    QLabel* LProduct;
    QLabel* LCopyright;
    QLabel* Image1;

    void HandleCreate();
    virtual void ApplyStyle();
    void FormShow();
    void FormMouseDown();

    // The close box ends the dialog as Cancel would (2).
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
