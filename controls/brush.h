// The brush of a ZCanvas: the fill of rectangles, ellipses and rounded rectangles, and the text
// background in opaque background mode.
//
//   canvas.Brush().color = 0xC0C0C0;
//   canvas.Brush().style = bsSolid;
//
// A plain value owned by its canvas.
#pragma once

#include "controls/color.h"

enum ZBrushStyle { bsSolid, bsClear };

struct ZBrush {
    TColor color = clWhite;
    ZBrushStyle style = bsSolid;
};
