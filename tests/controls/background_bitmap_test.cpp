#include "controls/background_bitmap.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <vector>

#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::Count;
using ztest::InkBox;

constexpr TColor kMarker = 0x00FF00;
constexpr TColor kRed = 0x0000FF;

QImage Draw(const QImage& bitmap, ZGCBitmapPattern pattern, ZGCPosition position, QRect box,
            bool elliptic = false) {
    QImage image = Blank(40, 40, kMarker);
    ZCanvas canvas(&image);
    ZBackgroundBitmap bg(&canvas);
    bg.SetBitmap(&bitmap);
    bg.SetPattern(pattern);
    bg.SetPosition(position);
    bg.SetElliptic(elliptic);
    bg.Draw(box.x(), box.y(), box.width(), box.height());
    return image;
}

TEST(BackgroundBitmapTest, NinePositions) {
    const QImage bitmap = Blank(4, 3, kRed);
    const QRect box(10, 10, 20, 15);  // centre: x 18, y 16
    struct Case {
        ZGCPosition position;
        QPoint at;
    };
    const std::vector<Case> cases = {
        {copCenter, {18, 16}},     {copTopCenter, {18, 10}},   {copBottomCenter, {18, 22}},
        {copLeftCenter, {10, 16}}, {copRightCenter, {26, 16}}, {copTopLeft, {10, 10}},
        {copTopRight, {26, 10}},   {copBottomLeft, {10, 22}},  {copBottomRight, {26, 22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.position));
        EXPECT_EQ(InkBox(Draw(bitmap, cobpNone, c.position, box), kMarker),
                  QRect(c.at, QSize(4, 3)));
    }
}

TEST(BackgroundBitmapTest, StretchCoversTheBox) {
    const QImage image = Draw(Blank(4, 3, kRed), cobpStretch, copTopLeft, QRect(5, 6, 20, 15));
    EXPECT_EQ(InkBox(image, kMarker), QRect(5, 6, 20, 15));
    EXPECT_EQ(Count(image, kRed), 20 * 15);
}

TEST(BackgroundBitmapTest, FillOverANarrowBoxDrawsOneColumnOfTiles) {
    QImage tile = Blank(4, 3, kRed);
    tile.setPixel(0, 0, qRgb(0, 0, 0));  // mark each tile's corner
    const QImage image = Draw(tile, cobpFill, copTopLeft, QRect(10, 10, 3, 10));
    EXPECT_EQ(InkBox(image, kMarker), QRect(10, 10, 3, 10));
    for (int y = 10; y < 20; ++y) {
        EXPECT_EQ(At(image, 10, y), (y - 10) % 3 == 0 ? clBlack : kRed) << y;
    }
}

TEST(BackgroundBitmapTest, FillTilesRowsFromTheTopLeft) {
    QImage tile = Blank(4, 3, kRed);
    tile.setPixel(0, 0, qRgb(0, 0, 0));
    const QImage image = Draw(tile, cobpFill, copTopLeft, QRect(2, 2, 10, 7));
    EXPECT_EQ(InkBox(image, kMarker), QRect(2, 2, 10, 7));
    EXPECT_EQ(Count(image, clBlack), 3 * 3);
    EXPECT_EQ(At(image, 10, 8), clBlack);
}

TEST(BackgroundBitmapTest, EllipticClipLeavesTheCornersAndEmptyBitmapsDrawNothing) {
    const QImage image = Draw(Blank(40, 40, kRed), cobpNone, copTopLeft, QRect(0, 0, 40, 20), true);
    EXPECT_EQ(At(image, 0, 0), kMarker);
    EXPECT_EQ(At(image, 20, 10), kRed);
    // An empty tile would never move on; it counts as no bitmap.
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(InkBox(Draw(QImage(), cobpFill, copTopLeft, QRect(0, 0, 40, 40)), kMarker), QRect());
    EXPECT_LT(timer.elapsed(), 5000);
}

}  // namespace
