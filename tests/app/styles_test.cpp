// StyleButton and StyleControls.

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "app/bitmap_resources.h"
#include "app/font_substitutes.h"
#include "app/panel.h"
#include "app/styles.h"
#include "controls/graphic_button_xt.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

TEST(StyleButtonTest, DarkColoursBitmapsAndPlainText) {
    for (int icon : {0, 1, 2}) {
        SCOPED_TRACE(icon);
        ZGraphicButtonXT button;
        QImage own(16, 16, QImage::Format_RGB32);
        own.fill(Qt::green);
        button.SetBitmapOff(&own);
        ZFont bold = button.GetTextFont();
        bold.font.setBold(true);
        bold.font.setItalic(true);
        bold.font.setUnderline(true);
        button.SetTextFont(&bold);

        StyleButton(&button, icon);
        EXPECT_EQ(button.GetBackGroundColor(), Grey(32));
        EXPECT_EQ(button.GetColorOff(), Grey(32));
        EXPECT_EQ(button.GetColorOn(), Grey(32));
        EXPECT_FALSE(button.GetBitmapAsReference());
        EXPECT_EQ(*button.GetBkBitmapDisable(), LoadBitmapResource(1000));
        EXPECT_EQ(*button.GetBkBitmapOff(), LoadBitmapResource(1001));
        EXPECT_EQ(*button.GetBkBitmapOn(), LoadBitmapResource(1002));
        if (icon == 0) {
            // Icon 0 keeps the button's own icon bitmaps.
            ASSERT_NE(button.GetBitmapOff(), nullptr);
            EXPECT_EQ(button.GetBitmapOff()->pixel(3, 3), QColor(Qt::green).rgb());
        } else {
            ASSERT_NE(button.GetBitmapOff(), nullptr);
            ASSERT_NE(button.GetBitmapOn(), nullptr);
            EXPECT_EQ(*button.GetBitmapOff(), LoadBitmapResource(1099 + 2 * icon));
            EXPECT_EQ(*button.GetBitmapOn(), LoadBitmapResource(1100 + 2 * icon));
        }
        EXPECT_EQ(button.GetTextColorOff(), Grey(220));
        EXPECT_EQ(button.GetTextColorOn(), Grey(220));
        EXPECT_EQ(button.GetTextColorDisabled(), Grey(92));
        const QFont f = button.GetTextFont().font;
        EXPECT_FALSE(f.bold() || f.italic() || f.underline() || f.strikeOut());
    }
    StyleButton(nullptr, 1);  // nothing
}

TEST(StyleControlsTest, RecoloursPlainControlsRecursively) {
    QWidget form;
    QPalette dark = form.palette();
    dark.setColor(QPalette::Window, QColor(32, 32, 32));
    form.setPalette(dark);
    auto* label = new QLabel("Label", &form);
    auto* radio = new QRadioButton("Radio", &form);
    auto* group = new QGroupBox("Group", &form);
    auto* inner = new QCheckBox("Inner", group);
    auto* panel = new TPanel(&form, "Panel1");
    auto* deep = new QLabel("Deep", panel);
    auto* edit = new QLineEdit(&form);
    const TColor editColour = ControlFontColor(edit);
    form.setFont(PixelFont("Tahoma", 11));

    StyleControls(&form);
    for (QWidget* w :
         {static_cast<QWidget*>(label), static_cast<QWidget*>(radio), static_cast<QWidget*>(group),
          static_cast<QWidget*>(inner), static_cast<QWidget*>(deep)}) {
        SCOPED_TRACE(w->metaObject()->className());
        EXPECT_EQ(ControlFontColor(w), Grey(220));
    }
    EXPECT_EQ(ControlFontColor(edit), editColour);  // not a plain control
    EXPECT_FALSE(inner->autoFillBackground());
    StyleControls(nullptr);  // nothing
}

// The check box keeps the font it had when styled when the form's font changes later, whether
// the form's font was set by hand or is the application's.
TEST(StyleControlsTest, CheckBoxKeepsItsOwnFont) {
    for (bool formFontSet : {true, false}) {
        SCOPED_TRACE(formFontSet ? "form font set" : "application font");
        QWidget form;
        auto* group = new QGroupBox("Group", &form);
        auto* box = new QCheckBox("Inner", group);
        if (formFontSet) {
            form.setFont(PixelFont("Tahoma", 11));
        }
        const QFont before = box->font();
        StyleControls(&form);
        EXPECT_TRUE(box->testAttribute(Qt::WA_SetFont));
        form.setFont(PixelFont("Tahoma", before.pixelSize() > 0 ? before.pixelSize() + 9 : 29));
        EXPECT_EQ(box->font().pixelSize(), before.pixelSize());
        EXPECT_EQ(box->font().pointSizeF(), before.pointSizeF());
        EXPECT_EQ(box->font().family(), before.family());
    }
}

TEST(StyleControlsTest, OnlyPanelsNamedSplitPanelTurnGrey) {
    struct Case {
        const char* name;
        bool styled;
    };
    const Case cases[] = {
        {"SplitPanel1", true}, {"SplitPanel", true},   {"SplitPanelTop", true},
        {"Split", false},      {"splitPanel1", false}, {"MainPanel", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget form;
        auto* holder = new TPanel(&form, "Holder");
        auto* panel = new TPanel(holder, c.name);  // one level down: found by the recursion
        new QLabel("x", panel);
        StyleControls(&form);
        EXPECT_EQ(!panel->GetParentColor(), c.styled);
        EXPECT_EQ(panel->GetBevelOuter(), c.styled ? TPanel::bvNone : TPanel::bvRaised);
        if (c.styled) {
            EXPECT_EQ(panel->GetColor(), Grey(50));
            panel->resize(20, 20);
            EXPECT_EQ(At(Shot(panel), 10, 10), Grey(50));
            EXPECT_EQ(At(Shot(panel), 0, 0), Grey(50));  // no bevel
        }
    }
}

}  // namespace
}  // namespace ztest

namespace ztest {
namespace {

TEST(FontSubstitutesTest, WindowsFacesResolveToLiberationSans) {
    InstallFontSubstitutes();
    for (const char* family : {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial"}) {
        SCOPED_TRACE(family);
        const QFont font = PixelFont(family, 11);
        EXPECT_EQ(QFontInfo(font).family(), kSubstituteFamily);
        EXPECT_EQ(QFontInfo(font).pixelSize(), 11);
    }
}

}  // namespace
}  // namespace ztest
