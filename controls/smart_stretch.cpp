#include "controls/smart_stretch.h"

#include <algorithm>

ZSmartStretch::ZSmartStretch(const QImage* source) : source_(source) {
    if (source_ != nullptr) {
        width_ = source_->width();
        height_ = source_->height();
        sourceHasAlpha_ = source_->hasAlphaChannel();
    }
}

void ZSmartStretch::SetSize(int width, int height) {
    if (width >= 0) {
        width_ = width;
    }
    if (height >= 0) {
        height_ = height;
    }
}

void ZSmartStretch::DrawPiece(ZCanvas* canvas, const QRect& source, const QRect& dest,
                              bool stretch) const {
    if (source.width() <= 0 || source.height() <= 0 || dest.width() <= 0 || dest.height() <= 0) {
        return;
    }
    QImage piece(source.size(),
                 sourceHasAlpha_ ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (sourceHasAlpha_) {
        piece.fill(Qt::transparent);
    }
    {
        ZCanvas pieceCanvas(&piece);
        pieceCanvas.CopyRect(QRect(QPoint(0, 0), source.size()), *source_, source);
    }
    if (stretch) {
        canvas->StretchDraw(dest, piece);
    } else {
        canvas->Draw(dest.x(), dest.y(), piece);
    }
}

void ZSmartStretch::Draw(ZCanvas* canvas, int x, int y, int width, int height) {
    if (canvas == nullptr || source_ == nullptr || source_->isNull()) {
        return;
    }
    SetSize(width, height);
    const int w = width_;
    const int h = height_;
    const int sw = source_->width();
    const int sh = source_->height();
    // Margins beyond the source would copy from outside it.
    const int L = std::clamp(left_, 0, sw);
    const int R = std::clamp(right_, 0, sw - L);
    const int T = std::clamp(top_, 0, sh);
    const int B = std::clamp(bottom_, 0, sh - T);

    // Rectangles below are (left, top, right, bottom) turned into QRect.
    auto box = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };

    if (L > 0 && T > 0) {
        DrawPiece(canvas, box(0, 0, L, T), box(x, y, x + L, y + T), false);
    }
    if (R > 0 && T > 0) {
        DrawPiece(canvas, box(sw - R, 0, sw, T), box(x + w - R, y, x + w, y + T), false);
    }
    if (L > 0 && B > 0) {
        DrawPiece(canvas, box(0, sh - B, L, sh), box(x, y + h - B, x + L, y + h), false);
    }
    if (R > 0 && B > 0) {
        DrawPiece(canvas, box(sw - R, sh - B, sw, sh), box(x + w - R, y + h - B, x + w, y + h),
                  false);
    }
    if (L > 0) {
        DrawPiece(canvas, box(0, T, L, sh - B), box(x, y + T, x + L, y + h - B), true);
    }
    if (T > 0) {
        DrawPiece(canvas, box(L, 0, sw - R, T), box(x + L, y, x + w - R, y + T), true);
    }
    if (R > 0) {
        DrawPiece(canvas, box(sw - R, T, sw, sh - B), box(x + w - R, y + T, x + w, y + h - B),
                  true);
    }
    if (B > 0) {
        DrawPiece(canvas, box(L, sh - B, sw - R, sh), box(x + L, y + h - B, x + w - R, y + h),
                  true);
    }
    DrawPiece(canvas, box(L, T, sw - R, sh - B), box(x + L, y + T, x + w - R, y + h - B), true);
}
