#include "controls/smart_stretch.h"

#include <gtest/gtest.h>

#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::InkBox;

constexpr TColor kMarker = 0x00FF00;

// 3 x 3 source, each pixel its own colour: corners, edges and centre of a one-pixel border.
QImage Cells() {
    QImage source = Blank(3, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            source.setPixel(x, y, qRgb(10 + 40 * x, 10 + 40 * y, 200));
        }
    }
    return source;
}

TColor Cell(int x, int y) {
    return MakeColor(10 + 40 * x, 10 + 40 * y, 200);
}

TEST(SmartStretchTest, ZeroMarginsAreAPlainStretch) {
    const QImage source = Cells();
    QImage stretched = Blank(20, 20, kMarker);
    QImage plain = Blank(20, 20, kMarker);
    {
        ZCanvas canvas(&stretched);
        ZSmartStretch s(&source);
        EXPECT_EQ(s.GetWidth(), 3);
        s.Draw(&canvas, 2, 3, 9, 12);
        ZCanvas other(&plain);
        other.StretchDraw(QRect(2, 3, 9, 12), source);
    }
    EXPECT_EQ(stretched, plain);
}

TEST(SmartStretchTest, BordersKeepTheirSizeWhileTheMiddleStretches) {
    const QImage source = Cells();
    QImage image = Blank(20, 20, kMarker);
    {
        ZCanvas canvas(&image);
        ZSmartStretch s(&source);
        s.SetLeft(1);
        s.SetRight(1);
        s.SetTop(1);
        s.SetBottom(1);
        s.Draw(&canvas, 0, 0, 9, 6);
    }
    EXPECT_EQ(InkBox(image, kMarker), QRect(0, 0, 9, 6));
    EXPECT_EQ(At(image, 0, 0), Cell(0, 0));
    EXPECT_EQ(At(image, 8, 0), Cell(2, 0));
    EXPECT_EQ(At(image, 0, 5), Cell(0, 2));
    EXPECT_EQ(At(image, 8, 5), Cell(2, 2));
    for (int x = 1; x < 8; ++x) {
        EXPECT_EQ(At(image, x, 0), Cell(1, 0)) << x;
        EXPECT_EQ(At(image, x, 3), Cell(1, 1)) << x;
    }
    for (int y = 1; y < 5; ++y) {
        EXPECT_EQ(At(image, 0, y), Cell(0, 1)) << y;
        EXPECT_EQ(At(image, 8, y), Cell(2, 1)) << y;
    }
}

TEST(SmartStretchTest, AlphaSourcesStayTransparentWhereTheyAre) {
    QImage source(2, 2, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    QImage image = Blank(4, 4, kMarker);
    {
        ZCanvas canvas(&image);
        ZSmartStretch s(&source);
        s.SetLeft(1);
        s.SetTop(1);
        s.Draw(&canvas, 0, 0, 4, 4);
    }
    EXPECT_EQ(At(image, 0, 0), 0x0000FF);
    EXPECT_EQ(At(image, 3, 3), kMarker);
}

TEST(SmartStretchTest, OversizedMarginsAndTargetsStayInside) {
    const QImage source = Cells();
    QImage image = Blank(20, 20, kMarker);
    ZCanvas canvas(&image);
    ZSmartStretch s(&source);
    s.SetLeft(5);  // more than the source is wide
    s.SetRight(-2);
    s.SetTop(2);
    s.SetBottom(2);
    s.Draw(&canvas, 0, 0, 2, 2);  // smaller than the margins
    s.SetSize(-1, 7);
    EXPECT_EQ(s.GetWidth(), 2);
    EXPECT_EQ(s.GetHeight(), 7);
    ZSmartStretch none(nullptr);
    none.Draw(&canvas, 0, 0, 5, 5);
    s.Draw(nullptr, 0, 0, 5, 5);
}

}  // namespace
