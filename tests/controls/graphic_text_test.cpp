#include "controls/graphic_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::InkBox;

constexpr TColor kInk = 0x0000FF;

ZFont TestFont() {
    ZFont f;
    f.font = QFont(QStringLiteral("Arial"));
    f.font.setPixelSize(12);
    f.color = kInk;
    return f;
}

class GraphicTextTest : public ::testing::Test {
protected:
    GraphicTextTest() : font_(TestFont()) {}

    // What the text object draws into the box (10, 10, 80, 30) of a 120 x 60 image.
    QImage Drawn(ZGCTextHPos h, ZGCTextVPos v, int xp, int yp, bool singleLine, const QString& s,
                 ZGraphicText* reuse = nullptr) {
        QImage image = Blank(120, 60);
        ZCanvas canvas(&image);
        ZGraphicText local(&canvas);
        ZGraphicText& text = reuse != nullptr ? *reuse : local;
        text.SetCanvas(&canvas);
        text.SetFont(&font_);
        text.SetPosition(h, v, xp, yp);
        text.SetMode(singleLine, false);
        text.Draw(s, 10, 10, 80, 30);
        return image;
    }
    // The same text put with TextOut at (x, y), cut to the box.
    QImage Expected(int x, int y, const QString& s) {
        QImage image = Blank(120, 60);
        ZCanvas canvas(&image);
        canvas.Font() = font_;
        canvas.SetBkMode(ZCanvas::bkTransparent);
        const QRegion box = ZCanvas::CreateRectRgn(10, 10, 90, 40);
        canvas.SelectClipRgn(&box);
        canvas.TextOut(x, y, s);
        return image;
    }
    int Width(const QString& s) {
        QImage scratch = Blank(1, 1);
        ZCanvas canvas(&scratch);
        canvas.Font() = font_;
        return canvas.TextWidth(s);
    }
    int Height() {
        QImage scratch = Blank(1, 1);
        ZCanvas canvas(&scratch);
        canvas.Font() = font_;
        return canvas.TextHeight(QStringLiteral("X"));
    }

    ZFont font_;
};

TEST_F(GraphicTextTest, SingleLinePositions) {
    const QString s = QStringLiteral("A&b");
    const int tw = Width(s);
    const int th = Height();
    struct Case {
        const char* name;
        ZGCTextHPos h;
        ZGCTextVPos v;
        int x;
        int y;
    };
    // Box (10, 10, 80, 30), percents 25 and 50.
    const std::vector<Case> cases = {
        {"top left", toLeft, toTop, 10, 10},
        {"bottom right", toRight, toBottom, 90 - tw, 40 - th},
        {"centre", toHCenter, toVCenter, 10 + (80 - tw) / 2, 10 + (30 - th) / 2},
        {"2/4", toH2_4, toV2_4, 10 + 80 / 4, 10 + 30 / 4},
        {"3/4 is the quarter doubled", toH3_4, toV3_4, 10 + 40, 10 + 14},
        {"percent", toHPercent, toVPercent, 10 + 80 * 25 / 100, 10 + 30 * 50 / 100},
        {"percent from the far side", toPercentRight, toPercentBottom, 90 - 80 * 25 / 100,
         40 - 30 * 50 / 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage drawn = Drawn(c.h, c.v, 25, 50, true, s);
        EXPECT_NE(InkBox(drawn, clWhite), QRect());
        EXPECT_EQ(drawn, Expected(c.x, c.y, s));
    }
}

TEST_F(GraphicTextTest, NullTextOrNoCanvasDrawsNothing) {
    EXPECT_EQ(InkBox(Drawn(toLeft, toTop, 0, 0, true, QString()), clWhite), QRect());
    ZGraphicText text(nullptr);
    text.Draw(QStringLiteral("x"), 0, 0, 10, 10);
}

TEST_F(GraphicTextTest, SeveralLinesWithAPercentPositionAreCentredFromThenOn) {
    QImage scratch = Blank(1, 1);
    ZGraphicText text(nullptr);
    const QString s = QStringLiteral("ab\ncdef");
    const QImage drawn = Drawn(toHPercent, toV3_4, 10, 10, false, s, &text);
    EXPECT_EQ(text.GetHPosition(), toHCenter);
    EXPECT_EQ(text.GetVPosition(), toVCenter);
    const int tw = Width(QStringLiteral("cdef"));
    const int th = 2 * Height();
    QImage expected = Blank(120, 60);
    {
        ZCanvas canvas(&expected);
        canvas.Font() = font_;
        canvas.SetBkMode(ZCanvas::bkTransparent);
        QRect r(10 + (80 - tw) / 2, 10 + (30 - th) / 2, tw, th);
        canvas.DrawText(s, &r, ZCanvas::DT_CENTER | ZCanvas::DT_NOPREFIX);
    }
    EXPECT_EQ(drawn, expected);
}

TEST_F(GraphicTextTest, SeveralLinesAtTheBottomRight) {
    const QString s = QStringLiteral("a&b\nc");
    const QImage drawn = Drawn(toRight, toBottom, 0, 0, false, s);
    const int tw = Width(QStringLiteral("a&b"));
    const int th = 2 * Height();
    QImage expected = Blank(120, 60);
    {
        ZCanvas canvas(&expected);
        canvas.Font() = font_;
        canvas.SetBkMode(ZCanvas::bkTransparent);
        // Right edge on the box's right, one pixel wider than the text; down by twice half the
        // spare height.
        QRect r(90 - tw - 1, 10 + 2 * ((30 - th) / 2), tw + 1, th);
        canvas.DrawText(s, &r, ZCanvas::DT_RIGHT | ZCanvas::DT_BOTTOM | ZCanvas::DT_NOPREFIX);
    }
    EXPECT_EQ(drawn, expected);
}

TEST_F(GraphicTextTest, RestoresClipAndBackgroundModeAndKeepsItsOwnFont) {
    QImage image = Blank(120, 60);
    ZCanvas canvas(&image);
    ZGraphicText text(&canvas);
    ZFont f = TestFont();
    text.SetFont(&f);
    f.color = clBlack;  // the object holds a copy
    text.SetMode(true, false);
    text.Draw(QStringLiteral("WWWWWWWWWW"), 10, 10, 20, 30);
    EXPECT_EQ(canvas.GetBkMode(), ZCanvas::bkOpaque);
    EXPECT_FALSE(canvas.GetClipRgn(nullptr));
    EXPECT_EQ(canvas.Font().color, kInk);
    const QRect ink = InkBox(image, clWhite);
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 29);
    text.SetFont(nullptr);
    EXPECT_EQ(text.GetFont(), nullptr);
}

}  // namespace
