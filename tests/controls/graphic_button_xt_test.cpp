#include "controls/graphic_button_xt.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

#include "controls/gradation_color.h"
#include "tests/controls/button_fixture.h"
#include "tests/controls/pixels.h"

namespace {

using ztest::At;
using ztest::Blank;
using ztest::Count;
using ztest::Grey;
using ztest::InkBox;
using ztest::kDark;
using ztest::kLight;
using ztest::SystemButtonTest;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kMarker = 0x00FF00;

TEST(GraphicButtonTest, InitialValues) {
    ZGraphicButtonXT b;
    EXPECT_TRUE(b.GetEnabled());
    EXPECT_EQ(b.GetMode(), comNormal);
    EXPECT_FALSE(b.GetStillDown());
    EXPECT_FALSE(b.GetTransparent());
    EXPECT_EQ(b.GetShape(), cogsRectangle);
    EXPECT_FALSE(b.GetUseOnlyBitmap());
    EXPECT_TRUE(b.GetShrinkOnUseOnlyBitmap());
    EXPECT_FALSE(b.GetTransparentBitmap());
    EXPECT_EQ(b.GetState(), 0);
    EXPECT_EQ(b.GetMinState(), 0);
    EXPECT_EQ(b.GetMaxState(), 1);
    EXPECT_TRUE(b.GetTextDisabled().isEmpty());
    EXPECT_TRUE(b.GetTextOff().isEmpty());
    EXPECT_TRUE(b.GetTextOn().isEmpty());
    EXPECT_EQ(b.GetTextVPosition(), toBottom);
    EXPECT_EQ(b.GetTextHPosition(), toHCenter);
    EXPECT_FALSE(b.GetTextFollowBitmap());
    EXPECT_FALSE(b.GetWordWrap());
    EXPECT_TRUE(b.GetSingleLine());
    EXPECT_EQ(b.GetXPercentPos(), 1);
    EXPECT_EQ(b.GetYPercentPos(), 1);
    EXPECT_EQ(b.GetTextColorDisabled(), 0x808080);
    EXPECT_EQ(b.GetTextColorOff(), 0);
    EXPECT_EQ(b.GetTextColorOn(), 0);
    EXPECT_EQ(b.GetFrameColor(), 0);
    EXPECT_EQ(b.GetBackGroundColor(), 0xC0C0C0);
    EXPECT_EQ(b.GetColorOff(), 0xC0C0C0);
    EXPECT_EQ(b.GetColorOn(), 0xC0C0C0);
    ASSERT_NE(b.GetBitmapOn(), nullptr);
    EXPECT_EQ(b.GetBitmapOn()->width(), 0);
    ASSERT_NE(b.GetBitmapOff(), nullptr);
    ASSERT_NE(b.GetBitmapDisable(), nullptr);
    EXPECT_EQ(b.GetBitmapPos(), copCenter);
    EXPECT_EQ(b.GetEmbossedWidth(), 2);
    EXPECT_EQ(b.GetFrameWidth(), 1);
    EXPECT_FALSE(b.GetEmbossedSmooth());
    EXPECT_TRUE(b.GetAutoScaleBitmap());
    EXPECT_FALSE(b.GetBitmapAsReference());
    ASSERT_NE(b.GetEffect(), nullptr);
    EXPECT_EQ(b.GetEffect()->GetEffectType(), coetNone);
    EXPECT_EQ(b.GetEffect()->GetGradationColor1(), 0x808080);  // 0xC0 * 2 / 3
    EXPECT_EQ(b.GetEffect()->GetGradationColor2(), 0xEBEBEB);  // smallest byte lifted to 235
}

TEST(GraphicButtonTest, TextOnFollowsTextOffUntilSetOnItsOwn) {
    ZGraphicButtonXT b;
    b.SetTextOff(QStringLiteral("Ok"));
    EXPECT_EQ(b.GetTextOn(), QStringLiteral("Ok"));
    b.SetTextOn(QStringLiteral("Yes"));
    b.SetTextOff(QStringLiteral("No"));
    EXPECT_EQ(b.GetTextOn(), QStringLiteral("Yes"));
    b.SetTextOff(QString());
    EXPECT_EQ(b.GetTextOn(), QStringLiteral("Yes"));
    b.SetTextOff(QStringLiteral("Again"));
    EXPECT_EQ(b.GetTextOn(), QStringLiteral("Again"));
}

TEST(GraphicButtonTest, PercentsBelowOneBecomeOne) {
    ZGraphicButtonXT b;
    b.SetXPercentPos(0);
    b.SetYPercentPos(-7);
    EXPECT_EQ(b.GetXPercentPos(), 1);
    EXPECT_EQ(b.GetYPercentPos(), 1);
    b.SetXPercentPos(150);
    EXPECT_EQ(b.GetXPercentPos(), 150);
}

TEST(GraphicButtonTest, UseOnlyBitmapShrinksToBitmapOff) {
    QImage off = Blank(30, 20, kRed);
    {
        ZGraphicButtonXT b;
        b.resize(75, 25);
        b.SetBitmapOff(&off);
        b.SetUseOnlyBitmap(true);  // shrinking is on from the start
        EXPECT_EQ(b.size(), QSize(30, 20));
    }
    {
        ZGraphicButtonXT b;
        b.resize(75, 25);
        b.SetShrinkOnUseOnlyBitmap(false);
        b.SetBitmapOff(&off);
        b.SetUseOnlyBitmap(true);
        EXPECT_EQ(b.size(), QSize(75, 25));
        b.SetShrinkOnUseOnlyBitmap(true);
        EXPECT_EQ(b.size(), QSize(30, 20));
    }
}

TEST(GraphicButtonTest, ShadeColoursThroughHsl) {
    struct Case {
        TColor base;
        TColor light;
        TColor dark;
    };
    const std::vector<Case> cases = {
        {0xC0C0C0, Grey(242), Grey(86)},  // L 0.753: (0.753 + 0.247 * 0.8), 0.753 * 0.45
        {0x000000, Grey(204), Grey(0)},
        {0xFFFFFF, Grey(255), Grey(114)},
        {clGrayText, Grey(225), Grey(49)},  // resolved to 0x6D6D6D first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        TColor light = 0;
        TColor dark = 0;
        ZGraphicButtonXT::ShadeColors(c.base, &light, &dark);
        EXPECT_EQ(light, c.light);
        EXPECT_EQ(dark, c.dark);
    }
    // Pure red keeps its hue: lightness 0.5 gives dark 0.225 (0.45 * 255 in red) and light 0.9.
    TColor light = 0;
    TColor dark = 0;
    ZGraphicButtonXT::ShadeColors(kRed, &light, &dark);
    EXPECT_EQ(dark, MakeColor(114, 0, 0));
    EXPECT_GE(ColorR(light), 254);
    EXPECT_EQ(ColorG(light), 204);
    EXPECT_EQ(ColorB(light), 204);
}

TEST_F(SystemButtonTest, SystemButtonLayout) {
    button_->Paint();
    const QImage& p = Picture();
    ASSERT_EQ(p.size(), QSize(75, 25));
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 75; ++x) {
            TColor expected = 0;
            if (x == 0 || y == 0 || x == 74 || y == 24) {
                expected = 0;  // FrameColor
            } else if ((x == 1 && y <= 23) || (y == 1 && x <= 72)) {
                expected = Grey(kLight);
            } else if (x == 73 || y == 23) {
                expected = Grey(kDark);
            } else {
                const int n = y - 2;  // 21 lines, 0xEB at the top to 0x68 at the bottom
                expected = Grey(0xEB + (0x68 - 0xEB) * n / 20);
            }
            ASSERT_EQ(At(p, x, y), expected) << x << "," << y;
        }
    }
    // What is on screen is the object bitmap.
    EXPECT_EQ(button_->grab().toImage().convertToFormat(QImage::Format_RGB32), p);
}

TEST_F(SystemButtonTest, EffectChangesRepaintAtOnce) {
    button_->Paint();
    const QImage before = Picture();
    button_->GetEffect()->SetEffectType(coetNone);
    EXPECT_EQ(At(Picture(), 37, 12), 0xC0C0C0);
    auto replacement = std::make_unique<ZEffectXT>();
    ZEffectXT* raw = replacement.get();
    button_->SetEffect(std::move(replacement));
    EXPECT_EQ(button_->GetEffect(), raw);
    raw->SetGradationColor1(kRed);
    raw->SetGradationColor2(kRed);
    raw->SetEffectType(coetGradationLeft);
    EXPECT_EQ(At(Picture(), 37, 12), kRed);
    button_->SetEffect(nullptr);
    EXPECT_EQ(button_->GetEffect(), raw);
}

TEST_F(SystemButtonTest, ZeroFrameAndSmoothBevel) {
    button_->SetFrameWidth(0);
    button_->SetEmbossedWidth(2);
    button_->SetEmbossedSmooth(true);
    button_->GetEffect()->SetEffectType(coetNone);
    const QImage& p = Picture();
    EXPECT_EQ(At(p, 0, 12), Grey(kLight));
    EXPECT_EQ(At(p, 1, 12), Grey(192 + (kLight - 192) * 50 / 99));
    EXPECT_EQ(At(p, 74, 12), Grey(kDark));
    EXPECT_EQ(At(p, 37, 12), 0xC0C0C0);
}

TEST_F(SystemButtonTest, RoundButtonIsClippedToItsEllipse) {
    button_->SetShape(cogsRound);
    EXPECT_EQ(window_->childAt(10 + 37, 10 + 12), button_);
    EXPECT_NE(window_->childAt(10, 10), button_);  // corner: click-through
    EXPECT_NE(window_->childAt(10 + 74, 10 + 24), button_);
    button_->GetObjectBitmap()->fill(ToQColor(kMarker));
    button_->Paint();
    const QImage& p = Picture();
    EXPECT_EQ(At(p, 0, 0), kMarker);  // corners are not drawn
    EXPECT_EQ(At(p, 37, 0), 0);       // frame ring on top
    EXPECT_EQ(At(p, 74, 12), 0);      // and at the right and bottom, not under the face
    EXPECT_EQ(At(p, 37, 24), 0);
    EXPECT_NE(At(p, 37, 12), kMarker);  // elliptic gradient inside
    EXPECT_EQ(At(p, 37, 12), Grey(0xEB + (0x68 - 0xEB) * 10 / 20));
    button_->resize(41, 41);
    EXPECT_EQ(button_->mask().boundingRect(), QRect(0, 0, 41, 41));
    button_->SetShape(cogsRectangle);
    EXPECT_TRUE(button_->mask().isEmpty());
}

TEST_F(SystemButtonTest, BackgroundBitmapCoversOnlyItsOwnArea) {
    button_->Paint();
    const QImage before = Picture();
    QImage bk(20, 10, QImage::Format_ARGB32);
    bk.fill(Qt::transparent);
    bk.setPixel(0, 0, qRgba(0, 0, 255, 255));
    button_->SetBackGroundColor(kRed);
    button_->SetBkBitmapOff(&bk);
    const QImage& p = Picture();
    EXPECT_EQ(At(p, 0, 0), kBlue);
    EXPECT_EQ(At(p, 5, 5), kRed);  // BackGroundColor under the bitmap's transparent pixels
    EXPECT_EQ(At(p, 19, 9), kRed);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 75; ++x) {
            if (x >= 20 || y >= 10) {
                ASSERT_EQ(p.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
        }
    }
    // Sunken and disabled pictures fall back to the off picture.
    button_->SetEnabled(false);
    EXPECT_EQ(At(Picture(), 0, 0), kBlue);
    QImage disabled = Blank(20, 10, kMarker);
    button_->SetBkBitmapDisable(&disabled);
    EXPECT_EQ(At(Picture(), 0, 0), kMarker);
    button_->SetBkBitmapOff(nullptr);
    button_->SetEnabled(true);
    EXPECT_EQ(At(Picture(), 1, 1), Grey(kLight));  // the bevelled body again
}

TEST_F(SystemButtonTest, UseOnlyBitmapDrawsABackdropOnlyForAlphaBitmaps) {
    button_->SetShrinkOnUseOnlyBitmap(false);
    QImage opaque = Blank(10, 10, kRed);
    button_->SetBitmapOff(&opaque);
    button_->GetObjectBitmap()->fill(ToQColor(kMarker));
    button_->SetUseOnlyBitmap(true);
    EXPECT_EQ(At(Picture(), 0, 0), kMarker);  // no body
    EXPECT_EQ(At(Picture(), 37, 12), kRed);   // the status bitmap, centred

    QImage alpha(10, 10, QImage::Format_ARGB32);
    alpha.fill(qRgba(0, 0, 255, 255));
    button_->SetBitmapOff(&alpha);
    EXPECT_EQ(At(Picture(), 0, 0), 0xC0C0C0);  // a plain ColorOff area
    EXPECT_EQ(At(Picture(), 37, 12), kBlue);
}

TEST_F(SystemButtonTest, StatusBitmapPositions) {
    QImage bitmap = Blank(8, 6, kRed);
    button_->SetBitmapOff(&bitmap);
    struct Case {
        ZGCPosition position;
        QPoint at;
    };
    // a = 2; centred positions centre on the whole 75 x 25 button.
    const std::vector<Case> cases = {
        {copCenter, {33, 9}},    {copTopCenter, {33, 2}},   {copBottomCenter, {33, 17}},
        {copLeftCenter, {2, 9}}, {copRightCenter, {65, 9}}, {copTopLeft, {2, 2}},
        {copTopRight, {65, 2}},  {copBottomLeft, {2, 17}},  {copBottomRight, {65, 17}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.position));
        button_->SetBitmapPos(c.position);
        QImage p = Picture();
        EXPECT_EQ(Count(p, kRed), 8 * 6);
        EXPECT_EQ(At(p, c.at.x(), c.at.y()), kRed);
        EXPECT_EQ(At(p, c.at.x() + 7, c.at.y() + 5), kRed);
    }
}

class ScaledButton : public ZGraphicButtonXT {
public:
    using ZGraphicButtonXT::ZGraphicButtonXT;

protected:
    int GetScaleFactorForDevice() const override { return 150; }
};

TEST(GraphicButtonTest, StatusBitmapScalesWithTheDisplayAndIsClippedToTheInnerBox) {
    ScaledButton b;
    b.resize(75, 25);
    QImage bitmap = Blank(8, 6, kRed);
    b.SetBitmapOff(&bitmap);
    // 12 x 9 at ((75 - 12) / 2, (25 - 9) / 2), truncated.
    QImage p = *b.GetObjectBitmap();
    EXPECT_EQ(Count(p, kRed), 12 * 9);
    EXPECT_EQ(At(p, 31, 8), kRed);
    EXPECT_EQ(At(p, 42, 16), kRed);
    b.SetAutoScaleBitmap(false);
    EXPECT_EQ(Count(*b.GetObjectBitmap(), kRed), 8 * 6);

    QImage big = Blank(100, 40, kBlue);
    b.SetBitmapOff(&big);
    const QImage& q = *b.GetObjectBitmap();
    EXPECT_EQ(At(q, 3, 3), kBlue);
    EXPECT_NE(At(q, 2, 12), kBlue);  // the bevel stays
    EXPECT_NE(At(q, 72, 12), kBlue);
    EXPECT_EQ(Count(q, kBlue), (75 - 6) * (25 - 6));
}

TEST_F(SystemButtonTest, TransparentBitmapLeavesOutItsCornerColour) {
    QImage bitmap = Blank(8, 6, kRed);
    bitmap.setPixel(4, 3, ToQColor(kBlue).rgb());
    button_->SetBitmapOff(&bitmap);
    button_->SetTransparentBitmap(true);
    EXPECT_EQ(Count(Picture(), kRed), 0);
    EXPECT_EQ(Count(Picture(), kBlue), 1);
}

TEST(GraphicButtonTest, BitmapsAreCopiedOrBorrowed) {
    ZGraphicButtonXT b;
    QImage picture = Blank(4, 4, kRed);
    b.SetBitmapOn(&picture);
    ASSERT_NE(b.GetBitmapOn(), &picture);
    picture.fill(Qt::black);
    EXPECT_EQ(At(*b.GetBitmapOn(), 0, 0), kRed);

    b.SetBitmapAsReference(true);
    EXPECT_EQ(b.GetBitmapOn(), nullptr);
    EXPECT_EQ(b.GetBkBitmapOn(), nullptr);
    b.SetBitmapOn(&picture);
    EXPECT_EQ(b.GetBitmapOn(), &picture);
    b.SetBkBitmapOff(&picture);
    EXPECT_EQ(b.GetBkBitmapOff(), &picture);

    // Back to copies: a borrowed background bitmap is never written to.
    b.SetBitmapAsReference(false);
    ASSERT_NE(b.GetBitmapOn(), nullptr);
    EXPECT_EQ(b.GetBitmapOn()->width(), 0);
    QImage other = Blank(2, 2, kBlue);
    b.SetBkBitmapOff(&other);
    EXPECT_NE(b.GetBkBitmapOff(), &picture);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(At(picture, 0, 0), clBlack);
    b.SetBkBitmapOff(nullptr);
    QImage* created = b.GetBkBitmapOff();  // created empty on first access
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->width(), 0);
}

class CaptionTest : public SystemButtonTest {
protected:
    void SetUp() override {
        SystemButtonTest::SetUp();
        font_.font = QFont(QStringLiteral("Arial"));
        font_.font.setPixelSize(12);
        button_->SetTextFont(&font_);
        button_->SetTextColorOff(kRed);
        button_->SetTextColorOn(kBlue);
    }
    // The object bitmap of the same button without a caption, with text drawn on it by draw,
    // inside the caption clip (m = 3).
    template <typename Draw>
    QImage Expected(Draw draw) {
        const QString off = button_->GetTextOff();
        const QString on = button_->GetTextOn();
        const QString disabled = button_->GetTextDisabled();
        button_->SetTextOff(QString());
        button_->SetTextOn(QString());
        button_->SetTextDisabled(QString());
        button_->Paint();
        QImage image = Picture();
        {
            ZCanvas canvas(&image);
            canvas.Font() = font_;
            canvas.SetBkMode(ZCanvas::bkTransparent);
            const QRegion clip = ZCanvas::CreateRectRgn(3, 3, 72, 22);
            canvas.SelectClipRgn(&clip);
            draw(canvas);
        }
        button_->SetTextOff(off);
        button_->SetTextOn(on);
        button_->SetTextDisabled(disabled);
        button_->Paint();
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

TEST_F(CaptionTest, SingleLineAtTheBottomCentreKeepsAmpersands) {
    const QString text = QStringLiteral("C&onnect");
    button_->SetTextOff(text);
    const int tw = Width(text);
    const int th = Height();
    // iw = 75 - 6, m = 3: x = (69 - tw) / 2 + 3, y = 25 - th - 3.
    const QImage expected = Expected([&](ZCanvas& c) {
        c.Font().color = kRed;
        c.TextOut((69 - tw) / 2 + 3, 25 - th - 3, text);
    });
    EXPECT_EQ(Picture(), expected);
    EXPECT_GT(Count(Picture(), kRed), 0);
}

TEST_F(CaptionTest, SingleLinePositionTable) {
    const QString text = QStringLiteral("Ok");
    button_->SetTextOff(text);
    const int tw = Width(text);
    const int th = Height();
    struct Case {
        const char* name;
        ZGCTextHPos h;
        ZGCTextVPos v;
        int x;
        int y;
    };
    // W 75, H 25, m 3, iw 69, ih 19; percents 50.
    const std::vector<Case> cases = {
        {"top left", toLeft, toTop, 3, 3},
        {"right, centre", toRight, toVCenter, 75 - tw - 3, (19 - th) / 2 + 3},
        {"quarters", toH2_4, toV2_4, 69 / 4 + 3, 19 / 4 + 3},
        {"three quarters", toH3_4, toV3_4, (69 / 4) * 2 + 3, (19 / 4) * 2 + 3},
        {"percent", toHPercent, toVPercent, 69 * 50 / 100 + 3, 19 * 50 / 100 + 3},
        {"percent from the far side", toPercentRight, toPercentBottom, 75 - 69 * 50 / 100,
         19 - 19 * 50 / 100},
    };
    button_->SetXPercentPos(50);
    button_->SetYPercentPos(50);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button_->SetHorizotalPosition(c.h);
        button_->SetVerticalPosition(c.v);
        const QImage expected = Expected([&](ZCanvas& canvas) {
            canvas.Font().color = kRed;
            canvas.TextOut(c.x, c.y, text);
        });
        EXPECT_EQ(Picture(), expected);
    }
}

TEST_F(CaptionTest, PercentBottomOfOneHundredPutsTheTopAtZero) {
    button_->SetTextOff(QStringLiteral("Ok"));
    button_->SetVerticalPosition(toPercentBottom);
    button_->SetYPercentPos(100);
    const int tw = Width(QStringLiteral("Ok"));
    const QImage expected = Expected([&](ZCanvas& c) {
        c.Font().color = kRed;
        c.TextOut((69 - tw) / 2 + 3, 0, QStringLiteral("Ok"));
    });
    EXPECT_EQ(Picture(), expected);
}

TEST_F(CaptionTest, FollowBitmapCentresRightOfALeftBitmap) {
    QImage bitmap = Blank(16, 16, kMarker);
    button_->SetBitmapOff(&bitmap);
    button_->SetBitmapPos(copLeftCenter);
    button_->SetTextFollowBitmap(true);
    button_->SetHorizotalPosition(toLeft);  // plays no part
    button_->SetTextOff(QStringLiteral("&Ok"));
    // Area (2 + 16, 2) to (73, 23), centred on one line; the ampersand underlines.
    const QImage expected = Expected([&](ZCanvas& c) {
        c.Font().color = kRed;
        QRect area(18, 2, 73 - 18, 21);
        c.DrawText(QStringLiteral("&Ok"), &area,
                   ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER | ZCanvas::DT_SINGLELINE);
    });
    EXPECT_EQ(Picture(), expected);
}

TEST_F(CaptionTest, FollowBitmapWithoutABitmapUsesTheRightHalf) {
    button_->SetBitmapPos(copLeftCenter);
    button_->SetTextFollowBitmap(true);
    button_->SetTextOff(QStringLiteral("Ok"));
    const QImage expected = Expected([&](ZCanvas& c) {
        c.Font().color = kRed;
        QRect area(2 + 71 / 2, 2, 73 - (2 + 71 / 2), 21);
        c.DrawText(QStringLiteral("Ok"), &area,
                   ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER | ZCanvas::DT_SINGLELINE);
    });
    EXPECT_EQ(Picture(), expected);
}

TEST_F(CaptionTest, SeveralLinesAreMeasuredAndMovedByThePositions) {
    const QString text = QStringLiteral("Two\nlines");
    button_->setGeometry(10, 10, 75, 45);
    button_->SetSingleLine(false);
    button_->SetTextOff(text);
    const int tw = Width(QStringLiteral("lines"));
    const int th = 2 * Height();
    struct Case {
        const char* name;
        ZGCTextHPos h;
        ZGCTextVPos v;
        unsigned flags;
        QRect box;  // the measured box after the moves; area (2, 2, 71, 41)
    };
    const std::vector<Case> cases = {
        {"centre", toHCenter, toVCenter, ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER,
         QRect(2 + (71 - tw) / 2, 2 + (41 - th) / 2, tw, th)},
        {"top left moves right by one", toLeft, toTop, 0, QRect(3, 2, tw, th)},
        {"bottom right", toRight, toBottom, ZCanvas::DT_RIGHT | ZCanvas::DT_BOTTOM,
         QRect(73 - tw - 1, 2 + 2 * ((41 - th) / 2), tw + 1, th)},
        {"quarters centre", toH2_4, toVPercent, ZCanvas::DT_CENTER | ZCanvas::DT_VCENTER,
         QRect(2 + (71 - tw) / 2, 2 + (41 - th) / 2, tw, th)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button_->SetHorizotalPosition(c.h);
        button_->SetVerticalPosition(c.v);
        QImage expected = Expected([&](ZCanvas& canvas) {
            const QRegion clip = ZCanvas::CreateRectRgn(3, 3, 72, 42);
            canvas.SelectClipRgn(&clip);
            canvas.Font().color = kRed;
            QRect box = c.box;
            canvas.DrawText(text, &box, c.flags);
        });
        EXPECT_EQ(Picture(), expected);
    }
}

TEST_F(CaptionTest, DisabledShowsTextOffInTheDisabledColourAndTheDisabledBitmap) {
    const TColor kGrey = 0x808080;
    button_->SetTextOff(QStringLiteral("Ok"));
    QImage off = Blank(6, 6, kMarker);
    button_->SetBitmapOff(&off);
    button_->SetBitmapPos(copTopLeft);  // clear of the caption
    button_->SetEnabled(false);
    EXPECT_FALSE(button_->isEnabled());
    EXPECT_GT(Count(Picture(), kGrey), 0);
    EXPECT_EQ(Count(Picture(), kRed), 0);
    EXPECT_EQ(Count(Picture(), kMarker), 0);  // no BitmapDisable: no status bitmap
    QImage disabled = Blank(6, 6, kBlue);
    button_->SetBitmapDisable(&disabled);
    EXPECT_EQ(Count(Picture(), kBlue), 36);
    button_->SetTextColorDisabled(kMarker);  // repaints while disabled
    EXPECT_GT(Count(Picture(), kMarker), 0);
    button_->SetEnabled(true);
    const QImage enabled = Picture();
    button_->SetTextDisabled(QStringLiteral("Busy"));  // no repaint while enabled
    button_->SetTextColorDisabled(kGrey);
    EXPECT_EQ(Picture(), enabled);
    EXPECT_GT(Count(enabled, kRed), 0);
}

TEST_F(CaptionTest, OnStateShowsTextOnAndTheSunkenBodyWithStillDown) {
    button_->SetTextOff(QStringLiteral("Off"));
    button_->SetTextOn(QStringLiteral("On"));
    button_->SetState(1);
    EXPECT_TRUE(Raised());
    EXPECT_GT(Count(Picture(), kBlue), 0);
    EXPECT_EQ(Count(Picture(), kRed), 0);
    button_->SetStillDown(true);
    EXPECT_TRUE(Sunken());
    button_->SetState(2);  // anything but 1 is off
    EXPECT_TRUE(Raised());
    EXPECT_GT(Count(Picture(), kRed), 0);
}

TEST_F(SystemButtonTest, TransparentButtonDrawsNothing) {
    // A parent that paints itself red all over.
    class RedWidget : public QWidget {
    public:
        using QWidget::QWidget;

    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter p(this);
            p.fillRect(rect(), Qt::red);
        }
    };
    RedWidget parent;
    parent.resize(100, 50);
    auto* b = new ZGraphicButtonXT(&parent);
    b->setGeometry(10, 10, 75, 25);
    b->SetTextOff(QStringLiteral("Ok"));
    b->SetTransparent(true);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    b->Paint();
    const QImage shot = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Count(shot, kRed), 100 * 50);
    EXPECT_EQ(Count(*b->GetObjectBitmap(), 0x010000), 75 * 25);  // all key colour
    b->SetTransparent(false);
    const QImage opaque = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Count(opaque, kRed), 100 * 50 - 75 * 25);
}

}  // namespace

namespace {

TEST_F(SystemButtonTest, FreeAngleEffectDrawsItsSectorAndClampsTheAngle) {
    auto faceAt = [](int angle) {
        QImage image = ztest::Blank(75, 25);
        ZCanvas canvas(&image);
        ZGradationColor g(&canvas);
        g.SetColor1(0x686868);
        g.SetColor2(0xEBEBEB);
        g.Draw(2, 2, 71, 21, angle);
        return image.copy(2, 2, 71, 21);
    };
    button_->GetEffect()->SetAngle(45);
    button_->GetEffect()->SetEffectType(coetGradationFreeAngle);
    EXPECT_EQ(Picture().copy(2, 2, 71, 21), faceAt(45));
    button_->GetEffect()->SetAngle(400);
    EXPECT_EQ(Picture().copy(2, 2, 71, 21), faceAt(360));
}

}  // namespace
