// ZSmartStretch scales a bitmap with nine-slice scaling: the four corners keep their size, the
// four edges stretch along one axis, the centre along both.
//
//   ZSmartStretch stretch(&picture);    // 100 x 25 button background
//   stretch.SetLeft(4);
//   stretch.SetRight(4);
//   stretch.Draw(&canvas, 0, 0, 160, 25);
//
// The source bitmap belongs to the caller and must outlive the object; the canvas is only used
// during Draw.
#pragma once

#include <QImage>

#include "controls/canvas.h"

class ZSmartStretch {
public:
    explicit ZSmartStretch(const QImage* source);

    // Margins in source pixels. Margins are used cut to the source, so pieces never reach
    // outside it.
    void SetTop(int top) { top_ = top; }
    void SetBottom(int bottom) { bottom_ = bottom; }
    void SetLeft(int left) { left_ = left; }
    void SetRight(int right) { right_ = right; }
    // Each value is taken only when it is not negative.
    void SetSize(int width, int height);
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }

    // SetSize(width, height), then the nine pieces onto (x, y). Nothing without a canvas or an
    // empty source.
    void Draw(ZCanvas* canvas, int x, int y, int width, int height);

private:
    // One piece: the source rectangle copied out (into a cleared 32-bit bitmap when the source has
    // alpha) and drawn at its size or stretched onto dest.
    void DrawPiece(ZCanvas* canvas, const QRect& source, const QRect& dest, bool stretch) const;

    const QImage* source_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int top_ = 0;
    int bottom_ = 0;
    int left_ = 0;
    int right_ = 0;
    bool sourceHasAlpha_ = false;
};
