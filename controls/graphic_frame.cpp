#include "controls/graphic_frame.h"

#include <algorithm>
#include <array>

namespace {

// Each byte of colour moved towards face: face + (colour - face) * num / den.
TColor Fade(TColor colour, TColor face, int num, int den) {
    auto fade = [&](int c, int f) { return f + (c - f) * num / den; };
    return MakeColor(fade(ColorR(colour), ColorR(face)), fade(ColorG(colour), ColorG(face)),
                     fade(ColorB(colour), ColorB(face)));
}

}  // namespace

ZGraphicFrame::ZGraphicFrame(ZCanvas* canvas, const QWidget* offsetControl)
    : canvas_(canvas),
      offsetControl_(offsetControl),
      light_(ColorToRGB(clBtnHighlight)),
      dark_(ColorToRGB(clBtnShadow)),
      face_(ColorToRGB(clBtnFace)) {}

void ZGraphicFrame::SetCanvas(ZCanvas* canvas, const QWidget* offsetControl) {
    canvas_ = canvas;
    offsetControl_ = offsetControl;
}

void ZGraphicFrame::SetColors(TColor light, TColor dark, TColor face) {
    light_ = ColorToRGB(light);
    dark_ = ColorToRGB(dark);
    face_ = ColorToRGB(face);
}

void ZGraphicFrame::RingColors(int ring, int lineWidth, bool smooth, TColor* light,
                               TColor* dark) const {
    *light = light_;
    *dark = dark_;
    if (!smooth || light_ == dark_) {
        return;
    }
    if (lineWidth >= 3) {
        const int m = lineWidth - ring;
        *light = Fade(light_, face_, m, lineWidth);
        *dark = Fade(dark_, face_, m, lineWidth);
    } else if (ring >= 1) {
        // Two rings: the inner one halfway to the face (50/99 of the way back from the colour).
        *light = Fade(light_, face_, 50, 99);
        *dark = Fade(dark_, face_, 50, 99);
    }
}

void ZGraphicFrame::DrawRect(int left, int top, int right, int bottom, int lineWidth, bool smooth) {
    Draw(left, top, right - left, bottom - top, lineWidth, smooth);
}

void ZGraphicFrame::Draw(int x, int y, int width, int height, int lineWidth, bool smooth) {
    if (canvas_ == nullptr) {
        return;
    }
    const ZPen savedPen = canvas_->Pen();
    canvas_->Pen().style = psSolid;
    for (int r = 0; r < lineWidth; ++r) {
        const int left = x + r;
        const int top = y + r;
        const int right = x + width - r;
        const int bottom = y + height - r;
        TColor light = 0;
        TColor dark = 0;
        RingColors(r, lineWidth, smooth, &light, &dark);
        // Round shapes wider than one ring use a two-pixel pen and leave out the innermost ring,
        // which the pen of the ring outside it already covers.
        const bool widePen = lineWidth > 1;
        canvas_->Pen().width = 1;
        switch (shape_) {
            case shapeEllipse:
                if (widePen && r == lineWidth - 1) {
                    break;
                }
                canvas_->Pen().width = widePen ? 2 : 1;
                DrawEllipseRing(left, top, right, bottom, light, dark);
                break;
            case shapeRoundRect:
                if (widePen && r == lineWidth - 1) {
                    break;
                }
                canvas_->Pen().width = widePen ? 2 : 1;
                DrawRoundRing(left, top, right, bottom, std::max(0, cornerSize_ - r), widePen,
                              light, dark);
                break;
            default:
                DrawRectangleRing(left, top, right, bottom, light, dark);
                break;
        }
    }
    canvas_->Pen() = savedPen;
}

void ZGraphicFrame::DrawRectangleRing(int left, int top, int right, int bottom, TColor light,
                                      TColor dark) {
    if (light == dark) {
        canvas_->Pen().color = light;
        canvas_->Rectangle(left, top, right, bottom);
        return;
    }
    const std::array<QPoint, 3> upperLeft = {QPoint(left, bottom - 1), QPoint(left, top),
                                             QPoint(right - 1, top)};
    const std::array<QPoint, 3> lowerRight = {QPoint(right - 1, top), QPoint(right - 1, bottom - 1),
                                              QPoint(left, bottom - 1)};
    canvas_->Pen().color = light;
    canvas_->Polyline(upperLeft);
    canvas_->Pen().color = dark;
    canvas_->Polyline(lowerRight);
}

void ZGraphicFrame::DrawEllipseRing(int left, int top, int right, int bottom, TColor light,
                                    TColor dark) {
    canvas_->Pen().color = light;
    canvas_->Arc(left, top, right, bottom, right, top, left, bottom);
    canvas_->Pen().color = dark;
    canvas_->Arc(left, top, right, bottom, left, bottom, right, top);
}

void ZGraphicFrame::DrawRoundRing(int left, int top, int right, int bottom, int corner,
                                  bool widePen, TColor light, TColor dark) {
    if (light == dark) {
        canvas_->Pen().color = light;
        const int in = widePen ? 1 : 0;
        canvas_->RoundRect(left + in, top + in, right, bottom, corner, corner);
        return;
    }
    const int ox = offsetControl_ != nullptr ? offsetControl_->x() : 0;
    const int oy = offsetControl_ != nullptr ? offsetControl_->y() : 0;
    const int s = std::min(right - left, bottom - top) / 2;
    // The diagonal through the ring's corners splits it into its light and dark halves.
    std::array<QPoint, 5> half = {QPoint(left, bottom), QPoint(left, top - 1),
                                  QPoint(right, top - 1), QPoint(right - s, top - 1 + s),
                                  QPoint(left + s, bottom - s)};
    for (QPoint& p : half) {
        p += QPoint(ox, oy);
    }
    QRegion savedClip;
    const bool hadClip = canvas_->GetClipRgn(&savedClip);

    canvas_->IntersectClipRgn(ZCanvas::CreatePolygonRgn(half));
    canvas_->Pen().color = light;
    canvas_->RoundRect(left, top, right, bottom, corner, corner);

    canvas_->SelectClipRgn(hadClip ? &savedClip : nullptr);
    half[1] = QPoint(right + ox, bottom + oy);
    canvas_->IntersectClipRgn(ZCanvas::CreatePolygonRgn(half));
    canvas_->Pen().color = dark;
    canvas_->RoundRect(left, top, right, bottom, corner, corner);

    canvas_->SelectClipRgn(hadClip ? &savedClip : nullptr);
}
