#include "controls/gradation_color.h"

#include <algorithm>

ZGradationColor::ZGradationColor(ZCanvas* canvas, const QWidget* offsetControl)
    : canvas_(canvas), offsetControl_(offsetControl) {}

void ZGradationColor::SetCanvas(ZCanvas* canvas, const QWidget* offsetControl) {
    canvas_ = canvas;
    offsetControl_ = offsetControl;
}

TColor ZGradationColor::LineColor(TColor first, TColor other, int n, int count) {
    if (count < 2) {
        return first & 0xFFFFFF;
    }
    auto blend = [&](int f, int o) { return f + (o - f) * n / (count - 1); };
    return MakeColor(blend(ColorR(first), ColorR(other)), blend(ColorG(first), ColorG(other)),
                     blend(ColorB(first), ColorB(other)));
}

void ZGradationColor::Draw(int x, int y, int width, int height, int angle) {
    if (canvas_ == nullptr) {
        return;
    }
    const int ox = offsetControl_ != nullptr ? offsetControl_->x() : 0;
    const int oy = offsetControl_ != nullptr ? offsetControl_->y() : 0;
    QRegion savedClip;
    const bool hadClip = canvas_->GetClipRgn(&savedClip);
    canvas_->IntersectClipRgn(
        elliptic_ ? ZCanvas::CreateEllipticRgn(x + ox, y + oy, x + width + ox, y + height + oy)
                  : ZCanvas::CreateRectRgn(x + ox, y + oy, x + width + ox, y + height + oy));
    const ZPen savedPen = canvas_->Pen();
    canvas_->Pen().style = psSolid;
    canvas_->Pen().width = 1;  // the lines tile the box one pixel apart

    angle = std::clamp(angle, 0, 360);
    // Each sector gives k (how far a line leans), the extent the counter runs over, the line's
    // two ends for counter i, and which colour the first line has.
    int k = 0;
    int extent = 0;
    bool firstIsColor1 = true;
    int sector = 0;
    if (angle >= 315) {
        k = (360 - angle) * width / 90;
        extent = width;
        sector = 0;
    } else if (angle >= 270) {
        k = (angle - 270) * height / 90;
        extent = height;
        firstIsColor1 = false;
        sector = 1;
    } else if (angle >= 225) {
        k = (270 - angle) * height / 90;
        extent = height;
        firstIsColor1 = false;
        sector = 2;
    } else if (angle >= 180) {
        k = (angle - 180) * width / 90;
        extent = width;
        firstIsColor1 = false;
        sector = 3;
    } else if (angle >= 135) {
        k = (180 - angle) * width / 90;
        extent = width;
        firstIsColor1 = false;
        sector = 0;
    } else if (angle >= 90) {
        k = (angle - 90) * height / 90;
        extent = height;
        sector = 1;
    } else if (angle >= 45) {
        k = (90 - angle) * height / 90;
        extent = height;
        sector = 2;
    } else {
        k = angle * width / 90;
        extent = width;
        sector = 3;
    }
    const TColor first = firstIsColor1 ? color1_ : color2_;
    const TColor other = firstIsColor1 ? color2_ : color1_;
    const int count = extent + 2 * k;
    for (int i = -k; i < extent + k; ++i) {
        canvas_->Pen().color = LineColor(first, other, i + k, count);
        switch (sector) {
            case 0:  // leaning right going down
                canvas_->MoveTo(x + i - k, y);
                canvas_->LineTo(x + i + k, y + height);
                break;
            case 1:  // falling to the right
                canvas_->MoveTo(x, y + i - k);
                canvas_->LineTo(x + width, y + i + k);
                break;
            case 2:  // rising to the right
                canvas_->MoveTo(x, y + i + k);
                canvas_->LineTo(x + width, y + i - k);
                break;
            default:  // leaning left going down
                canvas_->MoveTo(x + i + k, y);
                canvas_->LineTo(x + i - k, y + height);
                break;
        }
    }

    canvas_->Pen() = savedPen;
    canvas_->SelectClipRgn(hadClip ? &savedClip : nullptr);
}
