#include "controls/canvas.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::Count;
using ztest::InkBox;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

TEST(CanvasTest, LineToLeavesOutItsEndPoint) {
    struct Case {
        const char* name;
        QPoint from;
        QPoint to;
        std::vector<QPoint> pixels;
    };
    const std::vector<Case> cases = {
        {"right", {1, 1}, {5, 1}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"left", {5, 1}, {1, 1}, {{5, 1}, {4, 1}, {3, 1}, {2, 1}}},
        {"down", {2, 1}, {2, 4}, {{2, 1}, {2, 2}, {2, 3}}},
        {"up", {2, 4}, {2, 1}, {{2, 4}, {2, 3}, {2, 2}}},
        {"diagonal", {1, 1}, {4, 4}, {{1, 1}, {2, 2}, {3, 3}}},
        {"back diagonal", {4, 1}, {1, 4}, {{4, 1}, {3, 2}, {2, 3}}},
        {"same point", {3, 3}, {3, 3}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage image = Blank(8, 8);
        {
            ZCanvas canvas(&image);
            canvas.Pen().color = kRed;
            canvas.MoveTo(c.from.x(), c.from.y());
            canvas.LineTo(c.to.x(), c.to.y());
            EXPECT_EQ(canvas.PenPos(), c.to);
        }
        EXPECT_EQ(Count(image, kRed), static_cast<int>(c.pixels.size()));
        for (const QPoint& p : c.pixels) {
            EXPECT_EQ(At(image, p.x(), p.y()), kRed) << p.x() << "," << p.y();
        }
    }
}

TEST(CanvasTest, ShallowLineStepsAtTheRoundedHalfway) {
    // 100 across, 12 down: column x lies (12x + 50) / 100 rows below the start.
    QImage image = Blank(100, 20);
    {
        ZCanvas canvas(&image);
        canvas.Pen().color = kRed;
        canvas.MoveTo(0, 3);
        canvas.LineTo(100, 15);
    }
    EXPECT_EQ(Count(image, kRed), 100);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(At(image, x, 3 + (12 * x + 50) / 100), kRed) << x;
    }
}

TEST(CanvasTest, PolylineDrawsEachSegmentWithoutTheLastPoint) {
    QImage image = Blank(8, 8);
    {
        ZCanvas canvas(&image);
        canvas.Pen().color = kRed;
        canvas.MoveTo(7, 7);
        const std::array<QPoint, 3> points = {QPoint(1, 5), QPoint(1, 1), QPoint(5, 1)};
        canvas.Polyline(points);
        EXPECT_EQ(canvas.PenPos(), QPoint(7, 7));
    }
    EXPECT_EQ(Count(image, kRed), 8);  // (1,5)..(1,2) and (1,1)..(4,1)
    EXPECT_EQ(At(image, 1, 5), kRed);
    EXPECT_EQ(At(image, 4, 1), kRed);
    EXPECT_EQ(At(image, 5, 1), clWhite);
}

TEST(CanvasTest, RectangleIsPenOutlineAroundBrushFill) {
    QImage image = Blank(8, 8);
    {
        ZCanvas canvas(&image);
        canvas.Pen().color = kRed;
        canvas.Brush().color = kBlue;
        canvas.Rectangle(1, 1, 6, 5);
    }
    EXPECT_EQ(InkBox(image, clWhite), QRect(1, 1, 5, 4));
    EXPECT_EQ(At(image, 1, 1), kRed);
    EXPECT_EQ(At(image, 5, 4), kRed);
    EXPECT_EQ(At(image, 2, 2), kBlue);
    EXPECT_EQ(At(image, 4, 3), kBlue);
    EXPECT_EQ(Count(image, kBlue), 3 * 2);
}

TEST(CanvasTest, RectangleWithoutPenFillsOnePixelLess) {
    QImage image = Blank(8, 8);
    {
        ZCanvas canvas(&image);
        canvas.Pen().style = psClear;
        canvas.Brush().color = kBlue;
        canvas.Rectangle(1, 1, 6, 5);
    }
    EXPECT_EQ(InkBox(image, clWhite), QRect(1, 1, 4, 3));
}

TEST(CanvasTest, ClipRegionsSelectIntersectAndRestore) {
    QImage image = Blank(10, 10);
    {
        ZCanvas canvas(&image);
        EXPECT_FALSE(canvas.GetClipRgn(nullptr));
        const QRegion left = ZCanvas::CreateRectRgn(0, 0, 6, 10);
        canvas.SelectClipRgn(&left);
        canvas.IntersectClipRgn(ZCanvas::CreateRectRgn(3, 0, 10, 4));
        QRegion now;
        ASSERT_TRUE(canvas.GetClipRgn(&now));
        EXPECT_EQ(now, QRegion(3, 0, 3, 4));
        EXPECT_EQ(canvas.GetClipRect(), QRect(3, 0, 3, 4));
        canvas.Brush().color = kRed;
        canvas.FillRect(QRect(0, 0, 10, 10));
        canvas.SelectClipRgn(nullptr);
        EXPECT_FALSE(canvas.GetClipRgn(nullptr));
        canvas.Brush().color = kBlue;
        canvas.FillRect(QRect(9, 9, 1, 1));
    }
    EXPECT_EQ(InkBox(image, clWhite), QRect(3, 0, 7, 10));
    EXPECT_EQ(Count(image, kRed), 12);
    EXPECT_EQ(At(image, 9, 9), kBlue);
}

// Elliptic and polygon clips hold whatever clip the canvas had before: none yet, one removed
// (which turns the painter's clipping off), or a rectangle that was removed.
TEST(CanvasTest, EllipticAndPolygonRegionsLeaveTheCornersOut) {
    enum Before { kFresh, kRemoved, kRectangleRemoved };
    for (Before before : {kFresh, kRemoved, kRectangleRemoved}) {
        SCOPED_TRACE(before);
        QImage image = Blank(20, 10);
        {
            ZCanvas canvas(&image);
            if (before == kRectangleRemoved) {
                const QRegion rect = ZCanvas::CreateRectRgn(0, 0, 20, 10);
                canvas.SelectClipRgn(&rect);
            }
            if (before != kFresh) {
                canvas.SelectClipRgn(nullptr);
            }
            const QRegion ellipse = ZCanvas::CreateEllipticRgn(0, 0, 10, 10);
            canvas.SelectClipRgn(&ellipse);
            canvas.Brush().color = kRed;
            canvas.FillRect(QRect(0, 0, 10, 10));
            const std::array<QPoint, 3> triangle = {QPoint(10, 0), QPoint(20, 0), QPoint(10, 10)};
            const QRegion polygon = ZCanvas::CreatePolygonRgn(triangle);
            canvas.SelectClipRgn(&polygon);
            canvas.Brush().color = kBlue;
            canvas.FillRect(QRect(10, 0, 10, 10));
            // Removed and selected again: the second ellipse clips as the first did.
            canvas.SelectClipRgn(nullptr);
            canvas.SelectClipRgn(&ellipse);
            canvas.Brush().color = kRed;
            canvas.FillRect(QRect(0, 0, 10, 10));
        }
        EXPECT_EQ(At(image, 0, 0), clWhite);
        EXPECT_EQ(At(image, 9, 9), clWhite);
        EXPECT_EQ(At(image, 5, 5), kRed);
        EXPECT_EQ(At(image, 0, 5), kRed);
        EXPECT_EQ(At(image, 11, 1), kBlue);
        EXPECT_EQ(At(image, 19, 9), clWhite);
    }
}

// Ellipse, RoundRect with corners as large as the box, and a whole Arc over one box trace the
// same outline, which lies on the box (right and bottom outside it).
TEST(CanvasTest, EllipseRoundRectAndArcTraceOneOutline) {
    const QRect boxes[] = {QRect(2, 3, 40, 30), QRect(1, 1, 21, 21), QRect(0, 0, 10, 7),
                           QRect(5, 2, 3, 3)};
    for (const QRect& box : boxes) {
        SCOPED_TRACE(testing::Message() << box.width() << "x" << box.height());
        auto draw = [&](auto shape) {
            QImage image = Blank(50, 40);
            ZCanvas canvas(&image);
            canvas.Pen().color = kRed;
            canvas.Brush().style = bsClear;
            shape(canvas, box.left(), box.top(), box.left() + box.width(),
                  box.top() + box.height());
            return image;
        };
        const QImage ellipse =
            draw([](ZCanvas& c, int l, int t, int r, int b) { c.Ellipse(l, t, r, b); });
        const QImage round = draw([&](ZCanvas& c, int l, int t, int r, int b) {
            c.RoundRect(l, t, r, b, box.width(), box.height());
        });
        const QImage arc = draw([](ZCanvas& c, int l, int t, int r, int b) {
            c.Arc(l, t, r, b, r, (t + b) / 2, r, (t + b) / 2);
        });
        EXPECT_EQ(InkBox(ellipse, clWhite), box);
        EXPECT_EQ(InkBox(arc, clWhite), box);
        EXPECT_EQ(InkBox(round, clWhite), box);
        EXPECT_TRUE(arc == ellipse);
        EXPECT_TRUE(round == ellipse);
    }
}

TEST(CanvasTest, ViewportOriginMovesDrawingButNotClipRegions) {
    QImage image = Blank(10, 10);
    {
        ZCanvas canvas(&image);
        const QRegion clip = ZCanvas::CreateRectRgn(0, 0, 5, 10);
        canvas.SelectClipRgn(&clip);
        canvas.SetViewportOrg(3, 2);
        EXPECT_EQ(canvas.GetClipRect(), QRect(-3, -2, 5, 10));
        canvas.Brush().color = kRed;
        canvas.FillRect(QRect(0, 0, 4, 4));  // device (3,2)-(7,6), clipped at x = 5
    }
    EXPECT_EQ(InkBox(image, clWhite), QRect(3, 2, 2, 4));
}

TEST(CanvasTest, SystemColoursResolveThroughTheLow12Bits) {
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0);
    EXPECT_EQ(ColorToRGB(clBtnHighlight), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(clBtnShadow), 0xA0A0A0);
    EXPECT_EQ(ColorToRGB(static_cast<TColor>(0xFF000FFFu)), 0);  // unknown index: black
    EXPECT_EQ(ColorToRGB(0x12345678), 0x345678);
    QImage image = Blank(2, 1);
    {
        ZCanvas canvas(&image);
        canvas.Brush().color = clBtnFace;
        canvas.FillRect(QRect(0, 0, 1, 1));
    }
    EXPECT_EQ(At(image, 0, 0), 0xF0F0F0);
}

TEST(CanvasTest, DrawLeavesOutTheTransparentColour) {
    QImage picture = Blank(2, 2, kRed);
    picture.setPixel(1, 1, ToQColor(kBlue).rgb());
    QImage image = Blank(4, 4);
    {
        ZCanvas canvas(&image);
        canvas.Draw(0, 0, picture, kRed);
        canvas.StretchDraw(QRect(2, 2, 2, 2), picture);
    }
    EXPECT_EQ(At(image, 0, 0), clWhite);
    EXPECT_EQ(At(image, 1, 1), kBlue);
    EXPECT_EQ(At(image, 2, 2), kRed);
}

TEST(CanvasTest, CopyRectReplacesPixelsIncludingAlpha) {
    QImage source(2, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    source.setPixel(1, 0, qRgba(0, 0, 0, 0));
    QImage target(2, 1, QImage::Format_ARGB32);
    target.fill(qRgba(0, 255, 0, 255));
    {
        ZCanvas canvas(&target);
        canvas.CopyRect(QRect(0, 0, 2, 1), source, QRect(0, 0, 2, 1));
    }
    EXPECT_EQ(target.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(target.pixel(1, 0)), 0);
}

class CanvasTextTest : public ::testing::Test {
protected:
    CanvasTextTest() : image_(Blank(120, 60)), canvas_(&image_) {
        canvas_.Font().font = QFont(QStringLiteral("Arial"));
        canvas_.Font().font.setPixelSize(12);
        canvas_.Font().color = kRed;
        canvas_.SetBkMode(ZCanvas::bkTransparent);
    }
    int Width(const QString& s) { return canvas_.TextWidth(s); }
    int LineHeight() { return canvas_.TextHeight(QStringLiteral("X")); }

    QImage image_;
    ZCanvas canvas_;
};

TEST_F(CanvasTextTest, CalcRectMeasuresWithoutDrawing) {
    QRect r(5, 6, 200, 200);
    const int h = canvas_.DrawText(QStringLiteral("Hello"), &r,
                                   ZCanvas::DT_CALCRECT | ZCanvas::DT_SINGLELINE);
    EXPECT_EQ(r, QRect(5, 6, Width(QStringLiteral("Hello")), LineHeight()));
    EXPECT_EQ(h, LineHeight());
    EXPECT_EQ(InkBox(image_, clWhite), QRect());
}

TEST_F(CanvasTextTest, SingleLineAlignsByTheFlags) {
    const QString text = QStringLiteral("WW");
    const int w = Width(text);
    const int lh = LineHeight();
    struct Case {
        const char* name;
        unsigned flags;
        int x;  // expected left of the text box, relative to the rect (10, 5, 100, 40)
        int y;
    };
    const std::vector<Case> cases = {
        {"top left", ZCanvas::DT_SINGLELINE, 0, 0},
        {"centre", ZCanvas::DT_SINGLELINE | ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER, (100 - w) / 2,
         (40 - lh) / 2},
        {"bottom right", ZCanvas::DT_SINGLELINE | ZCanvas::DT_RIGHT | ZCanvas::DT_BOTTOM, 100 - w,
         40 - lh},
        {"vcenter needs singleline", ZCanvas::DT_VCENTER | ZCanvas::DT_BOTTOM, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image_.fill(Qt::white);
        canvas_.SetBkMode(ZCanvas::bkOpaque);  // the line's box shows in the brush colour
        canvas_.Brush().color = kBlue;
        QRect r(10, 5, 100, 40);
        canvas_.DrawText(text, &r, c.flags);
        const QRect ink = InkBox(image_, clWhite);
        EXPECT_EQ(ink, QRect(10 + c.x, 5 + c.y, w, lh));
    }
}

TEST_F(CanvasTextTest, WordBreakWrapsBetweenWords) {
    const QString text = QStringLiteral("aaa bbb ccc");
    const int limit = Width(QStringLiteral("aaa bbb")) + 1;
    QRect r(0, 0, limit, 100);
    canvas_.DrawText(text, &r, ZCanvas::DT_WORDBREAK | ZCanvas::DT_CALCRECT);
    EXPECT_EQ(r.height(), 2 * LineHeight());
    EXPECT_EQ(r.width(), Width(QStringLiteral("aaa bbb")));
    QRect narrow(0, 0, 1, 100);  // words never split, one per line
    canvas_.DrawText(text, &narrow, ZCanvas::DT_WORDBREAK | ZCanvas::DT_CALCRECT);
    EXPECT_EQ(narrow.height(), 3 * LineHeight());
    QRect lines(0, 0, 500, 100);
    canvas_.DrawText(QStringLiteral("one\r\ntwo\nthree"), &lines, ZCanvas::DT_CALCRECT);
    EXPECT_EQ(lines.height(), 3 * LineHeight());
}

TEST_F(CanvasTextTest, AmpersandUnderlinesUnlessNoPrefix) {
    QRect measured(0, 0, 200, 50);
    canvas_.DrawText(QStringLiteral("&Ok"), &measured,
                     ZCanvas::DT_CALCRECT | ZCanvas::DT_SINGLELINE);
    EXPECT_EQ(measured.width(), Width(QStringLiteral("Ok")));
    QRect literal(0, 0, 200, 50);
    canvas_.DrawText(QStringLiteral("&Ok"), &literal,
                     ZCanvas::DT_CALCRECT | ZCanvas::DT_SINGLELINE | ZCanvas::DT_NOPREFIX);
    EXPECT_EQ(literal.width(), Width(QStringLiteral("&Ok")));
    QRect doubled(0, 0, 200, 50);
    canvas_.DrawText(QStringLiteral("a&&b"), &doubled,
                     ZCanvas::DT_CALCRECT | ZCanvas::DT_SINGLELINE);
    EXPECT_EQ(doubled.width(), Width(QStringLiteral("a&b")));

    // The underline runs below the baseline, under the O only.
    QImage plain = Blank(120, 60);
    {
        ZCanvas other(&plain);
        other.Font() = canvas_.Font();
        other.SetBkMode(ZCanvas::bkTransparent);
        QRect r(10, 10, 100, 40);
        other.DrawText(QStringLiteral("Ok"), &r, ZCanvas::DT_SINGLELINE);
    }
    QRect r(10, 10, 100, 40);
    canvas_.DrawText(QStringLiteral("&Ok"), &r, ZCanvas::DT_SINGLELINE);
    const QRect underlined = InkBox(image_, clWhite);
    const QRect bare = InkBox(plain, clWhite);
    EXPECT_GT(underlined.bottom(), bare.bottom());
    const int oWidth = Width(QStringLiteral("O"));
    for (int x = 10 + oWidth + 1; x < 110; ++x) {
        EXPECT_EQ(At(image_, x, underlined.bottom()), clWhite) << x;
    }
}

TEST_F(CanvasTextTest, DrawTextIsClippedToItsRectangle) {
    QRect r(10, 10, 8, 40);
    canvas_.DrawText(QStringLiteral("WWWWWW"), &r, ZCanvas::DT_SINGLELINE);
    const QRect ink = InkBox(image_, clWhite);
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 17);
    QRegion none;
    EXPECT_FALSE(canvas_.GetClipRgn(&none));  // the caller's clip (none) is back
}

TEST_F(CanvasTextTest, TextOutPutsTheTopLeftAtThePointAndKeepsAmpersands) {
    canvas_.SetBkMode(ZCanvas::bkOpaque);
    canvas_.Brush().color = kBlue;
    canvas_.TextOut(7, 9, QStringLiteral("&A"));
    EXPECT_EQ(InkBox(image_, clWhite), QRect(7, 9, Width(QStringLiteral("&A")), LineHeight()));
}

TEST(CanvasTest, InactiveCanvasDrawsNothing) {
    QImage empty;
    ZCanvas canvas(&empty);
    EXPECT_FALSE(canvas.IsActive());
    canvas.Rectangle(0, 0, 10, 10);
    canvas.LineTo(5, 5);
    QRect r(0, 0, 100, 100);
    canvas.DrawText(QStringLiteral("x"), &r, ZCanvas::DT_SINGLELINE);
    ZCanvas none(nullptr);
    EXPECT_FALSE(none.IsActive());
}

}  // namespace
