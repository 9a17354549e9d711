#include "controls/graphic_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::Count;
using ztest::InkBox;

constexpr TColor kMarker = 0x00FF00;
constexpr TColor kGreyFace = 0x808080;

TColor Grey(int v) {
    return MakeColor(v, v, v);
}

QImage Frame(int w, int h, int shape, int lineWidth, bool smooth, TColor light, TColor dark,
             TColor face) {
    QImage image = Blank(w, h, kMarker);
    ZCanvas canvas(&image);
    canvas.Brush().style = bsClear;
    ZGraphicFrame frame(&canvas);
    frame.SetShape(shape);
    frame.SetColors(light, dark, face);
    frame.Draw(0, 0, w, h, lineWidth, smooth);
    return image;
}

TEST(GraphicFrameTest, DefaultsAreTheSystemButtonColours) {
    ZGraphicFrame frame(nullptr);
    EXPECT_EQ(frame.GetLight(), 0xFFFFFF);
    EXPECT_EQ(frame.GetDark(), 0xA0A0A0);
    EXPECT_EQ(frame.GetFace(), 0xF0F0F0);
    EXPECT_EQ(frame.GetShape(), 0);
    EXPECT_EQ(frame.GetCornerSize(), 10);
    frame.SetColors(clBtnShadow, clBtnHighlight, 0x123456);
    EXPECT_EQ(frame.GetLight(), 0xA0A0A0);  // resolved when set
    frame.Draw(0, 0, 10, 10, 2, true);      // no canvas: nothing
}

TEST(GraphicFrameTest, RectangleRingIsLightUpperLeftAndDarkLowerRight) {
    const QImage image = Frame(10, 8, 0, 1, false, clWhite, clBlack, kGreyFace);
    EXPECT_EQ(At(image, 0, 0), clWhite);
    EXPECT_EQ(At(image, 0, 7), clWhite);  // the light polyline starts at (L, B - 1)
    EXPECT_EQ(At(image, 8, 0), clWhite);
    EXPECT_EQ(At(image, 9, 0), clBlack);  // the dark polyline starts at (R - 1, T)
    EXPECT_EQ(At(image, 9, 7), clBlack);
    EXPECT_EQ(At(image, 1, 7), clBlack);
    EXPECT_EQ(At(image, 5, 4), kMarker);
    EXPECT_EQ(Count(image, clWhite), 7 + 9);  // (0,7)..(0,1) and (0,0)..(8,0)
    EXPECT_EQ(Count(image, clBlack), 7 + 9);  // (9,0)..(9,6) and (9,7)..(1,7)
}

TEST(GraphicFrameTest, SmoothFrameOfTwoRingsFadesTheInnerRingHalfway) {
    const QImage image = Frame(10, 8, 0, 2, true, clWhite, clBlack, kGreyFace);
    EXPECT_EQ(At(image, 0, 3), clWhite);
    EXPECT_EQ(At(image, 9, 3), clBlack);
    EXPECT_EQ(At(image, 1, 3), Grey(192));  // 128 + 127 * 50 / 99
    EXPECT_EQ(At(image, 8, 3), Grey(64));   // 128 - 128 * 50 / 99
    EXPECT_EQ(At(image, 4, 3), kMarker);
}

TEST(GraphicFrameTest, SmoothFrameOfThreeRingsFadesByThirds) {
    const QImage image = Frame(12, 10, 0, 3, true, clWhite, clBlack, kGreyFace);
    // m = 3, 2, 1 of 3: light 255, 212, 170; dark 0, 43, 86.
    const std::vector<int> light = {255, 212, 170};
    const std::vector<int> dark = {0, 43, 86};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(At(image, r, 5), Grey(light[static_cast<std::size_t>(r)]));
        EXPECT_EQ(At(image, 11 - r, 5), Grey(dark[static_cast<std::size_t>(r)]));
    }
}

TEST(GraphicFrameTest, EqualLightAndDarkDrawRectanglesFilledByTheBrush) {
    QImage image = Blank(10, 8, kMarker);
    {
        ZCanvas canvas(&image);
        canvas.Brush() = ZBrush{0x0000FF, bsSolid};
        ZGraphicFrame frame(&canvas);
        frame.SetColors(clBlack, clBlack, clBlack);
        frame.Draw(0, 0, 10, 8, 2, true);
        EXPECT_EQ(canvas.Pen().color, clBlack);  // pen restored (its default)
    }
    EXPECT_EQ(At(image, 0, 0), clBlack);
    EXPECT_EQ(At(image, 1, 1), clBlack);
    EXPECT_EQ(At(image, 9, 7), clBlack);
    EXPECT_EQ(At(image, 8, 6), clBlack);
    EXPECT_EQ(At(image, 4, 4), 0x0000FF);
}

TEST(GraphicFrameTest, EllipseOfTwoRingsDrawsOnlyTheOuterRing) {
    // Smooth, so a drawn inner ring would show its faded colours.
    const QImage image = Frame(40, 20, 1, 2, true, clWhite, clBlack, kGreyFace);
    EXPECT_GT(Count(image, clWhite), 0);
    EXPECT_GT(Count(image, clBlack), 0);
    EXPECT_EQ(Count(image, Grey(192)), 0);
    EXPECT_EQ(Count(image, Grey(64)), 0);
    EXPECT_EQ(At(image, 0, 0), kMarker);
    EXPECT_EQ(At(image, 20, 10), kMarker);
    EXPECT_EQ(At(image, 20, 0), clWhite);   // top: light half
    EXPECT_EQ(At(image, 20, 19), clBlack);  // bottom: dark half
    // The ring lies on its box, right and bottom included.
    EXPECT_EQ(InkBox(image, kMarker), QRect(0, 0, 40, 20));
    EXPECT_NE(At(image, 39, 10), kMarker);
    EXPECT_NE(At(image, 0, 10), kMarker);
}

// With a clip of the caller's, which comes back afterwards, and without one.
TEST(GraphicFrameTest, RoundedRectangleSplitsAlongTheDiagonal) {
    for (bool callersClip : {true, false}) {
        SCOPED_TRACE(callersClip ? "caller's clip" : "no clip");
        QImage image = Blank(40, 20, kMarker);
        {
            ZCanvas canvas(&image);
            canvas.Brush().style = bsClear;
            const QRegion callers = ZCanvas::CreateRectRgn(0, 0, 40, 20);
            if (callersClip) {
                canvas.SelectClipRgn(&callers);
            }
            ZGraphicFrame frame(&canvas);
            frame.SetShape(2);
            frame.SetColors(clWhite, clBlack, kGreyFace);
            frame.Draw(0, 0, 40, 20, 1, false);
            QRegion after;
            ASSERT_EQ(canvas.GetClipRgn(&after), callersClip);
            if (callersClip) {
                EXPECT_EQ(after, callers);
            }
        }
        EXPECT_EQ(At(image, 0, 0), kMarker);  // rounded corner
        EXPECT_EQ(At(image, 20, 0), clWhite);
        EXPECT_EQ(At(image, 0, 10), clWhite);
        EXPECT_EQ(At(image, 20, 19), clBlack);
        EXPECT_EQ(At(image, 39, 10), clBlack);
        EXPECT_EQ(At(image, 20, 10), kMarker);
    }
}

TEST(GraphicFrameTest, RingColoursOfNonSmoothFramesAreTheColoursThemselves) {
    ZGraphicFrame frame(nullptr);
    frame.SetColors(clWhite, clBlack, kGreyFace);
    TColor light = 0;
    TColor dark = 0;
    frame.RingColors(2, 3, false, &light, &dark);
    EXPECT_EQ(light, clWhite);
    EXPECT_EQ(dark, clBlack);
}

}  // namespace
