// The font of a ZCanvas or a control: the typeface with its size and style, plus the text colour
// (which the toolkit keeps with the font).
//
//   ZFont f;                      // "MS Sans Serif", 11 pixels, black
//   f.font.setBold(true);
//   canvas.Font() = f;
//
// A plain value; copies are independent.
#pragma once

#include <QFont>
#include <QString>

#include "controls/color.h"

struct ZFont {
    // The toolkit's default font: "MS Sans Serif" at 8 points, which is 11 pixels at 96 dpi.
    static QFont DefaultFont() {
        QFont f(QStringLiteral("MS Sans Serif"));
        f.setPixelSize(11);
        return f;
    }

    QFont font = DefaultFont();
    TColor color = clWindowText;
};
