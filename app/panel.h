#pragma once
// TPanel: the toolkit's panel, a plain container that paints its own colour (or lets its
// parent's colour show through) with an optional outer bevel, and keeps the mouse presses that
// land on it from reaching the window below (a press on a panel is not a press on the form).
//
//   auto* bottom = new TPanel(dialog, "ButtonPanel");
//   bottom->SetBevelOuter(TPanel::bvNone);
//   bottom->SetColor(MakeColor(20, 20, 20));        // stops taking the parent's colour
//
// A new panel takes its parent's colour and has a raised bevel, as the toolkit's panels do.
// Ownership: a QWidget child of its parent; it owns nothing beyond what Qt gives it.

#include <QWidget>

#include "controls/color.h"

class TPanel : public QWidget {
    Q_OBJECT

public:
    enum Bevel { bvNone, bvLowered, bvRaised };

    TPanel(QWidget* parent, const QString& name);

    // Setting a colour makes the panel paint it (ParentColor off).
    void SetColor(TColor color);
    TColor GetColor() const { return color_; }
    // On: nothing is painted below the bevel, so the parent's colour shows.
    void SetParentColor(bool parentColor);
    bool GetParentColor() const { return parentColor_; }
    void SetBevelOuter(Bevel bevel);
    Bevel GetBevelOuter() const { return bevelOuter_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    Bevel bevelOuter_ = bvRaised;
};
