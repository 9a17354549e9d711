// ZGraphicFrame draws a bevelled (embossed) frame of lineWidth one-pixel rings inside a box:
// light on the upper-left, dark on the lower-right, around a rectangle, an ellipse or a rounded
// rectangle. A smooth frame fades its rings from full contrast outside to the face colour inside.
//
//   ZGraphicFrame frame(&canvas);
//   frame.SetColors(clWhite, clBlack, 0x808080);
//   frame.Draw(0, 0, 75, 25, 2, true);   // outer ring white/black, inner ring 192/64
//
// Lives for one paint call; canvas and offset control belong to the caller. Draw leaves the
// canvas's pen as it found it; a ring drawn with Rectangle or RoundRect is filled with the
// canvas's current brush.
#pragma once

#include <QWidget>

#include "controls/canvas.h"
#include "controls/color.h"

class ZGraphicFrame {
public:
    enum Shape { shapeRectangle = 0, shapeEllipse = 1, shapeRoundRect = 2 };

    // Light, dark and face start as the system's button highlight, shadow and face colours.
    explicit ZGraphicFrame(ZCanvas* canvas, const QWidget* offsetControl = nullptr);

    void SetCanvas(ZCanvas* canvas, const QWidget* offsetControl = nullptr);
    // System colours are resolved here, once.
    void SetColors(TColor light, TColor dark, TColor face);
    void SetShape(int shape) { shape_ = shape; }
    void SetCornerSize(int cornerSize) { cornerSize_ = cornerSize; }
    TColor GetLight() const { return light_; }
    TColor GetDark() const { return dark_; }
    TColor GetFace() const { return face_; }
    int GetShape() const { return shape_; }
    int GetCornerSize() const { return cornerSize_; }

    // lineWidth rings, the outermost on (x, y) to (x + width, y + height), each next one a pixel
    // further in.
    void Draw(int x, int y, int width, int height, int lineWidth, bool smooth);
    void DrawRect(int left, int top, int right, int bottom, int lineWidth, bool smooth);

    // The light and dark colours of ring r (0 outermost) of a frame lineWidth rings wide.
    void RingColors(int ring, int lineWidth, bool smooth, TColor* light, TColor* dark) const;

private:
    void DrawRectangleRing(int left, int top, int right, int bottom, TColor light, TColor dark);
    void DrawEllipseRing(int left, int top, int right, int bottom, TColor light, TColor dark);
    void DrawRoundRing(int left, int top, int right, int bottom, int corner, bool widePen,
                       TColor light, TColor dark);

    ZCanvas* canvas_ = nullptr;
    const QWidget* offsetControl_ = nullptr;
    TColor light_;
    TColor dark_;
    TColor face_;
    int shape_ = shapeRectangle;
    int cornerSize_ = 10;
};
