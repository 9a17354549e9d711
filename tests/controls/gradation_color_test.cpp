#include "controls/gradation_color.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::InkBox;

constexpr TColor kMarker = 0x00FF00;  // background that no gradient here produces

QImage Gradient(int imageW, int imageH, QRect box, int angle, TColor c1, TColor c2,
                bool elliptic = false) {
    QImage image = Blank(imageW, imageH, kMarker);
    ZCanvas canvas(&image);
    ZGradationColor g(&canvas);
    g.SetColor1(c1);
    g.SetColor2(c2);
    g.SetElliptic(elliptic);
    g.Draw(box.x(), box.y(), box.width(), box.height(), angle);
    return image;
}

TColor Grey(int v) {
    return MakeColor(v, v, v);
}

TEST(GradationColorTest, DefaultsAreWhiteToBlackInARectangle) {
    ZGradationColor g(nullptr);
    EXPECT_EQ(g.GetColor1(), clWhite);
    EXPECT_EQ(g.GetColor2(), clBlack);
    EXPECT_FALSE(g.GetElliptic());
    g.Draw(0, 0, 10, 10, 90);  // no canvas: nothing, no crash
}

TEST(GradationColorTest, Angle270RunsFromColor2AtTheTopToColor1AtTheBottom) {
    // color2 white, color1 black, 20 lines: line n has each byte 255 - 255 * n / 19.
    const QImage image = Gradient(12, 24, QRect(1, 2, 10, 20), 270, clBlack, clWhite);
    EXPECT_EQ(InkBox(image, kMarker), QRect(1, 2, 10, 20));
    for (int n = 0; n < 20; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(At(image, 1, 2 + n), Grey(255 - 255 * n / 19));
        EXPECT_EQ(At(image, 10, 2 + n), Grey(255 - 255 * n / 19));
    }
}

TEST(GradationColorTest, RightAnglesPutTheColoursOnTheirSides) {
    struct Case {
        int angle;
        QPoint firstLine;  // pixel on line 0
        QPoint lastLine;   // pixel on the last line
        TColor first;
    };
    // Box 10 x 20 at (0, 0); color1 black, color2 white.
    const std::vector<Case> cases = {
        {90, {5, 0}, {5, 19}, clBlack},    // color1 at the top
        {270, {5, 0}, {5, 19}, clWhite},   // color2 at the top
        {0, {0, 10}, {9, 10}, clBlack},    // color1 at the left
        {180, {0, 10}, {9, 10}, clWhite},  // color2 at the left
        {360, {0, 10}, {9, 10}, clBlack},  // as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        const QImage image = Gradient(10, 20, QRect(0, 0, 10, 20), c.angle, clBlack, clWhite);
        EXPECT_EQ(At(image, c.firstLine.x(), c.firstLine.y()), c.first);
        EXPECT_EQ(At(image, c.lastLine.x(), c.lastLine.y()),
                  c.first == clBlack ? clWhite : clBlack);
    }
}

TEST(GradationColorTest, Angle300MakesThirtyTwoSlantedLinesCutToTheBox) {
    // k = (300 - 270) * 20 / 90 = 6; lines run from (0, i - 6) to (100, i + 6), i = -6 .. 25,
    // so each drops 12 pixels across the box; line n = i + 6 goes from color2 to color1.
    const QRect box(3, 4, 100, 20);
    const TColor c1 = 0x0000F0;
    const TColor c2 = 0xF00000;
    const QImage image = Gradient(110, 30, box, 300, c1, c2);
    EXPECT_EQ(InkBox(image, kMarker), box);
    for (int x = 0; x < 100; ++x) {
        const int drop = (12 * x + 50) / 100;  // rows below its start where the line is at x
        for (int y = 0; y < 20; ++y) {
            const int n = y - drop + 12;  // the line through (x, y): i - 6 = y - drop
            ASSERT_EQ(At(image, box.x() + x, box.y() + y),
                      ZGradationColor::LineColor(c2, c1, n, 32))
                << x << "," << y;
        }
    }
    // The first and last of the 32 lines only touch the corners.
    EXPECT_EQ(At(image, box.x() + 99, box.y() + 0), ZGradationColor::LineColor(c2, c1, 0, 32));
    EXPECT_EQ(At(image, box.x(), box.y() + 19), ZGradationColor::LineColor(c2, c1, 31, 32));
}

TEST(GradationColorTest, AnglesOutsideTheRangeActAsTheNearerEnd) {
    const QRect box(0, 0, 30, 20);
    EXPECT_EQ(Gradient(30, 20, box, -45, clBlack, clWhite),
              Gradient(30, 20, box, 0, clBlack, clWhite));
    EXPECT_EQ(Gradient(30, 20, box, 400, clBlack, clWhite),
              Gradient(30, 20, box, 360, clBlack, clWhite));
    EXPECT_NE(Gradient(30, 20, box, 400, clBlack, clWhite),
              Gradient(30, 20, box, 350, clBlack, clWhite));
}

TEST(GradationColorTest, EllipticGradientLeavesTheCornersUntouched) {
    const QImage image = Gradient(40, 20, QRect(0, 0, 40, 20), 45, clBlack, clWhite, true);
    EXPECT_EQ(At(image, 0, 0), kMarker);
    EXPECT_EQ(At(image, 39, 0), kMarker);
    EXPECT_EQ(At(image, 0, 19), kMarker);
    EXPECT_EQ(At(image, 39, 19), kMarker);
    EXPECT_NE(At(image, 20, 10), kMarker);
    EXPECT_NE(At(image, 1, 10), kMarker);
}

TEST(GradationColorTest, ASingleLineHasTheFirstColour) {
    const QImage image = Gradient(10, 3, QRect(0, 1, 10, 1), 270, clBlack, clWhite);
    EXPECT_EQ(At(image, 4, 1), clWhite);  // 270: color2 first
    EXPECT_EQ(ZGradationColor::LineColor(0x102030, 0xFFFFFF, 0, 1), 0x102030);
}

TEST(GradationColorTest, SystemColoursBlendAsRawBytes) {
    // clBtnFace is 0xFF00000F: red byte 0x0F, green and blue 0.
    EXPECT_EQ(ZGradationColor::LineColor(clBtnFace, 0x0000FF, 0, 2), 0x00000F);
    EXPECT_EQ(ZGradationColor::LineColor(clBtnFace, 0x0000FF, 1, 2), 0x0000FF);
}

TEST(GradationColorTest, KeepsTheCallersClipAndAddsTheOffsetControlsPosition) {
    QWidget parent;
    QWidget child(&parent);
    child.move(10, 5);
    QImage image = Blank(60, 40, kMarker);
    {
        ZCanvas canvas(&image);
        canvas.SetViewportOrg(10, 5);  // the child draws on its parent's canvas
        const QRegion callers = ZCanvas::CreateRectRgn(0, 0, 25, 40);
        canvas.SelectClipRgn(&callers);
        ZGradationColor g(&canvas, &child);
        g.Draw(0, 0, 20, 10, 90);
        QRegion after;
        ASSERT_TRUE(canvas.GetClipRgn(&after));
        EXPECT_EQ(after, callers);
    }
    EXPECT_EQ(InkBox(image, kMarker), QRect(10, 5, 15, 10));
}

}  // namespace
