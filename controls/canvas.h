// ZCanvas: the drawing surface of the graphic controls, with the semantics of the toolkit canvas
// they were written for, over a QPainter on a QImage (an off-screen bitmap) or on a widget inside
// its paintEvent. Antialiasing is off for shapes and text, so every pixel is predictable:
//   - pen, brush and font are plain values read at each call (Pen(), Brush(), Font());
//   - MoveTo/LineTo and Polyline leave out the end point of each line;
//   - Rectangle, Ellipse and RoundRect take (left, top, right, bottom) with right and bottom
//     outside the figure, outline in the pen and inside in the brush;
//   - clip regions are in device coordinates, drawing calls in logical ones
//     (device = logical + viewport origin);
//   - DrawText takes the DT_ flags below; an ampersand underlines the next character unless
//     DT_NOPREFIX is given ("&&" draws one ampersand), and the text is clipped to its rectangle;
//   - colours are TColor (0x00BBGGRR, negative = system colour).
//
//   QImage bitmap(75, 25, QImage::Format_RGB32);
//   ZCanvas canvas(&bitmap);
//   canvas.Pen().color = clBlack;
//   canvas.Brush().color = 0xC0C0C0;
//   canvas.Rectangle(0, 0, 75, 25);
//   QRect r(0, 0, 75, 25);
//   canvas.DrawText("&Ok", &r, ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER | ZCanvas::DT_SINGLELINE);
//
// The canvas paints on the device it was given for its own lifetime; the device must outlive it
// and must not be resized meanwhile. Images handed to the drawing calls are only read during the
// call. A canvas on a null image, or on a widget outside its paintEvent, draws nothing.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>

#include <optional>
#include <span>

#include "controls/brush.h"
#include "controls/color.h"
#include "controls/font.h"
#include "controls/pen.h"

class ZCanvas {
public:
    // DrawText flags, with the system's values.
    static constexpr unsigned DT_TOP = 0x0;
    static constexpr unsigned DT_LEFT = 0x0;
    static constexpr unsigned DT_CENTER = 0x1;
    static constexpr unsigned DT_RIGHT = 0x2;
    static constexpr unsigned DT_VCENTER = 0x4;  // only with DT_SINGLELINE
    static constexpr unsigned DT_BOTTOM = 0x8;   // only with DT_SINGLELINE
    static constexpr unsigned DT_WORDBREAK = 0x10;
    static constexpr unsigned DT_SINGLELINE = 0x20;
    static constexpr unsigned DT_NOCLIP = 0x100;
    static constexpr unsigned DT_CALCRECT = 0x400;
    static constexpr unsigned DT_NOPREFIX = 0x800;

    // Background modes of text output: transparent leaves the background alone, opaque fills
    // each text line's box with the brush colour first.
    enum BkMode { bkTransparent = 1, bkOpaque = 2 };

    explicit ZCanvas(QPaintDevice* device);
    ~ZCanvas();
    ZCanvas(const ZCanvas&) = delete;
    ZCanvas& operator=(const ZCanvas&) = delete;

    // False when there is nothing to paint on; every drawing call is then a no-op.
    bool IsActive() const { return painter_.isActive(); }
    // Size of the device in device pixels.
    int DeviceWidth() const { return deviceWidth_; }
    int DeviceHeight() const { return deviceHeight_; }

    ZPen& Pen() { return pen_; }
    ZBrush& Brush() { return brush_; }
    ZFont& Font() { return font_; }

    // Logical (0, 0) is drawn at device (x, y). Clip regions stay in device coordinates.
    void SetViewportOrg(int x, int y);
    QPoint GetViewportOrg() const { return origin_; }

    // Returns the previous mode. The initial mode is opaque.
    int SetBkMode(int mode);
    int GetBkMode() const { return bkMode_; }

    void MoveTo(int x, int y) { penPos_ = QPoint(x, y); }
    void LineTo(int x, int y);
    QPoint PenPos() const { return penPos_; }
    // Lines through the points, each leaving out its end point (the last point is not drawn).
    void Polyline(std::span<const QPoint> points);

    void Rectangle(int left, int top, int right, int bottom);
    // Fills (left, top) to (right, bottom) exclusive with the brush; no outline.
    void FillRect(const QRect& rect);
    void Ellipse(int left, int top, int right, int bottom);
    // Rectangle with corners rounded by ellipses cornerWidth x cornerHeight.
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    // The part of the ellipse in the box from the radial through (x3, y3) counter-clockwise to
    // the radial through (x4, y4), in the pen; nothing is filled.
    void Arc(int left, int top, int right, int bottom, int x3, int y3, int x4, int y4);

    // The image at its own size with its top-left at (x, y); alpha is blended. With a transparent
    // colour, pixels of that colour are left out.
    void Draw(int x, int y, const QImage& image);
    void Draw(int x, int y, const QImage& image, TColor transparentColor);
    // The image scaled (nearest pixel) onto the rectangle (x, y, width, height).
    void StretchDraw(const QRect& dest, const QImage& image);
    void StretchDraw(const QRect& dest, const QImage& image, TColor transparentColor);
    // Copies the source rectangle of the image onto dest, replacing the pixels (no blending),
    // scaling when the sizes differ.
    void CopyRect(const QRect& dest, const QImage& source, const QRect& sourceRect);

    // Text with its top-left corner at (x, y) in the font; ampersands are drawn as they are.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

    // Formats the text in rect (x, y, width, height) by the DT_ flags and returns the text's
    // height. With DT_CALCRECT nothing is drawn and rect's width and height become the text's
    // extent (its left and top stay).
    int DrawText(const QString& text, QRect* rect, unsigned flags);

    // Regions, in device coordinates; right and bottom are outside the region.
    static QRegion CreateRectRgn(int left, int top, int right, int bottom);
    static QRegion CreateEllipticRgn(int left, int top, int right, int bottom);
    static QRegion CreatePolygonRgn(std::span<const QPoint> points);

    // Copies the current clip region into *out and returns true; false when there is none.
    bool GetClipRgn(QRegion* out) const;
    // Makes rgn the clip region; null removes the clip.
    void SelectClipRgn(const QRegion* rgn);
    // Intersects the clip region with rgn (rgn alone when there was no clip).
    void IntersectClipRgn(const QRegion& rgn);
    // The bounding box of what can be drawn, in logical coordinates.
    QRect GetClipRect() const;

private:
    void ApplyClip();
    void ThinLine(int x0, int y0, int x1, int y1);
    void FillPixels(int x, int y, int width, int height, const QColor& color);
    void SetShapePen();
    void SetShapeBrush();
    QFont PaintFont() const;
    void DrawTextLine(int x, int y, const QString& line, bool prefix);

    QPainter painter_;
    int deviceWidth_ = 0;
    int deviceHeight_ = 0;
    ZPen pen_;
    ZBrush brush_;
    ZFont font_;
    QPoint penPos_;
    QPoint origin_;
    int bkMode_ = bkOpaque;
    std::optional<QRegion> clip_;
};
