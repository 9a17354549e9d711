#include "controls/background_bitmap.h"

ZBackgroundBitmap::ZBackgroundBitmap(ZCanvas* canvas, const QWidget* offsetControl)
    : canvas_(canvas), offsetControl_(offsetControl) {}

void ZBackgroundBitmap::SetCanvas(ZCanvas* canvas, const QWidget* offsetControl) {
    canvas_ = canvas;
    offsetControl_ = offsetControl;
}

void ZBackgroundBitmap::SetBitmap(const QImage* bitmap) {
    if (bitmap != nullptr) {
        bitmap_ = *bitmap;
    } else {
        bitmap_.reset();
    }
}

void ZBackgroundBitmap::Draw(int x, int y, int width, int height) {
    // An empty bitmap would tile forever without moving on.
    if (canvas_ == nullptr || !bitmap_ || bitmap_->width() <= 0 || bitmap_->height() <= 0) {
        return;
    }
    const QImage& bitmap = *bitmap_;
    const int bw = bitmap.width();
    const int bh = bitmap.height();
    const int ox = offsetControl_ != nullptr ? offsetControl_->x() : 0;
    const int oy = offsetControl_ != nullptr ? offsetControl_->y() : 0;
    QRegion savedClip;
    const bool hadClip = canvas_->GetClipRgn(&savedClip);
    canvas_->IntersectClipRgn(
        elliptic_ ? ZCanvas::CreateEllipticRgn(x + ox, y + oy, x + width + ox, y + height + oy)
                  : ZCanvas::CreateRectRgn(x + ox, y + oy, x + width + ox, y + height + oy));

    switch (pattern_) {
        case cobpStretch:
            canvas_->StretchDraw(QRect(x, y, width, height), bitmap);
            break;
        case cobpFill: {
            int left = x;
            int top = y;
            while (top < y + height) {
                canvas_->Draw(left, top, bitmap);
                left += bw;
                if (left > x + width) {
                    left = x;
                    top += bh;
                }
            }
            break;
        }
        case cobpNone: {
            const int cx = x + (width - bw) / 2;
            const int cy = y + (height - bh) / 2;
            const int right = x + width - bw;
            const int bottom = y + height - bh;
            QPoint at(x, y);
            switch (position_) {
                case copCenter:
                    at = QPoint(cx, cy);
                    break;
                case copTopCenter:
                    at = QPoint(cx, y);
                    break;
                case copBottomCenter:
                    at = QPoint(cx, bottom);
                    break;
                case copLeftCenter:
                    at = QPoint(x, cy);
                    break;
                case copRightCenter:
                    at = QPoint(right, cy);
                    break;
                case copTopLeft:
                    at = QPoint(x, y);
                    break;
                case copTopRight:
                    at = QPoint(right, y);
                    break;
                case copBottomLeft:
                    at = QPoint(x, bottom);
                    break;
                case copBottomRight:
                    at = QPoint(right, bottom);
                    break;
            }
            canvas_->Draw(at.x(), at.y(), bitmap);
            break;
        }
    }

    canvas_->SelectClipRgn(hadClip ? &savedClip : nullptr);
}
