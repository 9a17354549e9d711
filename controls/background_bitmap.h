// ZBackgroundBitmap draws a bitmap into a box: once at one of nine positions, stretched over the
// box, or tiled from its top-left corner; always cut to the box (or its inscribed ellipse).
//
//   ZBackgroundBitmap bg(&canvas);
//   bg.SetBitmap(&picture);
//   bg.SetPattern(cobpFill);
//   bg.Draw(0, 0, 100, 25);
//
// Lives for one paint call; canvas and offset control belong to the caller. The object keeps its
// own copy of the bitmap given to SetBitmap.
#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

#include "controls/canvas.h"
#include "controls/graphic_enums.h"

class ZBackgroundBitmap {
public:
    explicit ZBackgroundBitmap(ZCanvas* canvas, const QWidget* offsetControl = nullptr);

    void SetCanvas(ZCanvas* canvas, const QWidget* offsetControl = nullptr);
    // Non-null: keeps a copy; null: drops it.
    void SetBitmap(const QImage* bitmap);
    void SetPattern(ZGCBitmapPattern pattern) { pattern_ = pattern; }
    void SetPosition(ZGCPosition position) { position_ = position; }
    void SetElliptic(bool elliptic) { elliptic_ = elliptic; }

    // Nothing without a canvas or without a bitmap (an empty bitmap counts as none).
    void Draw(int x, int y, int width, int height);

private:
    ZCanvas* canvas_ = nullptr;
    const QWidget* offsetControl_ = nullptr;
    ZGCBitmapPattern pattern_ = cobpNone;
    bool elliptic_ = false;
    std::optional<QImage> bitmap_;
    ZGCPosition position_ = copTopLeft;
};
