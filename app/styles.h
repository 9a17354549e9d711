#pragma once
// The program's dark look, applied to a dialog after it is made: StyleButton turns a graphic
// button into the dark button with an optional icon; StyleControls recolours the plain controls
// of a window or panel, and of every container inside it.
//
//   StyleButton(okButton, 1);          // dark backgrounds, the OK icon, plain 220 grey text
//   StyleButton(cancelButton, 2);      // the same with the Cancel icon
//   StyleControls(mainPanel);          // labels, check boxes, group boxes, "SplitPanel..." panels
//
// Colours (red, green, blue): button background, off and on 32, 32, 32; text of plain controls
// and button text 220, 220, 220; disabled button text 92, 92, 92; panels named "SplitPanel..."
// 50, 50, 50. Nothing is owned; the controls keep their own copies of the bitmaps.

#include "controls/color.h"

class QWidget;
class ZGraphicButtonXT;

inline const TColor kStyleButtonColor = MakeColor(32, 32, 32);
inline const TColor kStyleTextColor = MakeColor(220, 220, 220);
inline const TColor kStyleDisabledTextColor = MakeColor(92, 92, 92);
inline const TColor kStyleSplitPanelColor = MakeColor(50, 50, 50);

// Null button: nothing. icon 0 keeps the button's own icon bitmaps; icon n loads bitmap resources
// 1099 + 2n (off) and 1100 + 2n (on).
void StyleButton(ZGraphicButtonXT* button, int icon);

// The dark button backgrounds alone (bitmap resources for disabled, off and on), for a button that
// keeps its own colours and text. Null button: nothing.
void SetButtonBackgrounds(ZGraphicButtonXT* button);

// For each direct child of parent, in order: labels, radio buttons and group boxes get the text
// colour; check boxes keep a font of their own, take the parent's colour and get the text colour;
// panels whose names begin with "SplitPanel" get their own colour 50, 50, 50 and no bevel; a
// child with children of its own is then styled the same way. Null parent: nothing.
void StyleControls(QWidget* parent);

// The text colour of a plain control (its palette's window text), as TColor.
TColor ControlFontColor(const QWidget* control);
