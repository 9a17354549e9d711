#pragma once
// The program's bitmaps, compiled in with Qt's resource system from resources/resources.qrc
// (the program's target lists that file): bitmap resource n is ":/bitmaps/<n>.xpm".
//
//   QImage background = LoadBitmapResource(kBmpButtonOff);   // 100 x 25, 24-bit
//   if (background.isNull()) { /* no such resource */ }
//
// Returned images are values owned by the caller.

#include <QIcon>
#include <QImage>

// Button backgrounds (100 x 25): disabled, off, on.
inline constexpr int kBmpButtonDisabled = 1000;
inline constexpr int kBmpButtonOff = 1001;
inline constexpr int kBmpButtonOn = 1002;
// Button icon n: off 1099 + 2n, on 1100 + 2n (icon 1 is OK, icon 2 is Cancel).
inline constexpr int kBmpIconBase = 1099;
// Magenta marks the transparent pixels of the icons and kind bitmaps.
inline constexpr unsigned kBitmapKeyColor = 0xFF00FF;

// The bitmap as a 32-bit opaque image (24-bit bitmaps have no alpha); a null image when there is
// no resource with that number.
QImage LoadBitmapResource(int id);

// The program icon at the sizes drawn for it (32 and 48 pixels).
QIcon ProgramIcon();
// One size of it as an image (null for a size that was not drawn).
QImage ProgramIconImage(int size);
