// ZGradationColor fills a box with a two-colour gradient at any angle, as a run of parallel
// one-pixel lines cut to the box (or to the ellipse inscribed in it). Angle 0 runs from color1 at
// the left to color2 at the right, 90 from color1 at the top to color2 at the bottom, 180 and 270
// the other way round; angles outside 0 to 360 act as the nearer end.
//
//   ZGradationColor g(&canvas);
//   g.SetColor1(0x686868);
//   g.SetColor2(0xEBEBEB);
//   g.Draw(2, 2, 71, 21, 270);   // 0xEBEBEB at the top, 0x686868 at the bottom
//
// Lives for one paint call. The canvas and the offset control belong to the caller and must
// outlive every Draw; the offset control's position is added to the clip region, for a canvas
// whose device is the control's parent.
#pragma once

#include <QWidget>

#include "controls/canvas.h"
#include "controls/color.h"

class ZGradationColor {
public:
    explicit ZGradationColor(ZCanvas* canvas, const QWidget* offsetControl = nullptr);

    void SetCanvas(ZCanvas* canvas, const QWidget* offsetControl = nullptr);
    void SetColor1(TColor color) { color1_ = color; }
    void SetColor2(TColor color) { color2_ = color; }
    void SetElliptic(bool elliptic) { elliptic_ = elliptic; }
    TColor GetColor1() const { return color1_; }
    TColor GetColor2() const { return color2_; }
    bool GetElliptic() const { return elliptic_; }

    void Draw(int x, int y, int width, int height, int angle);

    // Colour of line n of count lines running from first to other: each byte moves by
    // (other - first) * n / (count - 1); the bytes are taken raw (system colours unresolved).
    static TColor LineColor(TColor first, TColor other, int n, int count);

private:
    TColor color1_ = clWhite;
    TColor color2_ = clBlack;
    ZCanvas* canvas_ = nullptr;
    const QWidget* offsetControl_ = nullptr;
    bool elliptic_ = false;
};
