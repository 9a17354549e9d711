#pragma once
// The colours of the device list and of the controls drawn in its look (the header bar, the
// filter field, the Preferences' page tabs and edit fields), as red, green, blue.
//
//   canvas.Brush() = ZBrush{index % 2 == 0 ? kListEvenRow : kListOddRow, bsSolid};
//   SetListColors(editField);
//
// Constants and one function; no state, no ownership.

#include "controls/color.h"

// The window's, the header bar's and the list's background.
inline const TColor kListBackground = MakeColor(32, 32, 32);
// Row fills by list position, and of the selected product's row.
inline const TColor kListEvenRow = MakeColor(50, 50, 50);
inline const TColor kListOddRow = MakeColor(32, 32, 32);
inline const TColor kListSelectedRow = MakeColor(237, 146, 6);
// Row texts, on an ordinary row and on the selected one.
inline const TColor kListRowText = MakeColor(220, 220, 220);
inline const TColor kListSelectedText = MakeColor(0, 0, 0);
// Texts of products that stopped answering: dimmed, and grey on the selection's orange.
inline const TColor kListSilentText = MakeColor(120, 120, 120);
inline const TColor kListSilentSelectedText = MakeColor(90, 90, 90);
// The header bar's texts.
inline const TColor kListHeaderText = MakeColor(180, 180, 180);

class QWidget;

// An edit field in the list's colours: 220 grey text on the even rows' 50 grey, selected text
// black on the selection's orange, in the active and the inactive window alike.
void SetListColors(QWidget* edit);
