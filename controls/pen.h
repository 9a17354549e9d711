// The pen of a ZCanvas: colour, width in pixels and style. Lines, outlines and arcs use it.
//
//   canvas.Pen().color = 0x0000FF;   // red
//   canvas.Pen().width = 1;
//
// A plain value owned by its canvas.
#pragma once

#include "controls/color.h"

enum ZPenStyle { psSolid, psClear };

struct ZPen {
    TColor color = clBlack;
    int width = 1;
    ZPenStyle style = psSolid;
};
