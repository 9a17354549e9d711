// Products whose devices stopped answering: dimmed after two search cycles without an answer,
// said so in the details, normal again when they answer, hidden when the Preferences say so.

#include <QCheckBox>
#include <QTimer>

#include "app/preferences_dialog.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

class SilentProductsTest : public FinderTest {
protected:
    static inline const TColor kSilentText = Grey(120);

    DeviceAnswer Device(const char* name, const char* address) {
        DeviceAnswer answer;
        answer.name = name;
        answer.address = address;
        return answer;
    }

    // Text pixels of a colour in the name cell of a screen row.
    int NameInk(int row, TColor color) {
        return CountIn(Shot(window_->PBUnits), QRect(19, row * 18, 140, 18), color);
    }
};

TEST_F(SilentProductsTest, DimmedAfterTwoSearchCyclesAndNormalWhenBack) {
    Open(100);
    Answer(Device("Projector", "10.0.0.1"));
    Answer(Device("Booth", "10.0.0.2"));
    // Two and a half search cycles (5 s): the projector answered last at the start, the booth
    // 1.5 s ago.
    Pass(3500);
    Answer(Device("Booth", "10.0.0.2"));
    Pass(1500);
    EXPECT_EQ(window_->GetModel().GetSilentCount(), 0u);  // 5 s exactly is not past the rule
    Pass(1);
    EXPECT_EQ(window_->GetModel().GetSilentCount(), 1u);
    EXPECT_GT(NameInk(0, kSilentText), 10);
    EXPECT_EQ(NameInk(0, Grey(220)), 0);
    EXPECT_GT(NameInk(1, Grey(220)), 10);
    EXPECT_EQ(NameInk(1, kSilentText), 0);

    // Selected, the details say since when it is silent, beside its name.
    ClickRow(0);
    const QRect note(120, 0, 400, 26);
    EXPECT_GT(CountIn(Shot(window_->PBInfos), note, kSilentText), 20);
    ClickRow(1);
    EXPECT_EQ(CountIn(Shot(window_->PBInfos), note, kSilentText), 0);

    // It answers again: normal at the next look.
    Answer(Device("Projector", "10.0.0.1"));
    Pass(0);
    EXPECT_EQ(window_->GetModel().GetSilentCount(), 0u);
    EXPECT_GT(NameInk(0, Grey(220)), 10);
    EXPECT_EQ(NameInk(0, kSilentText), 0);
    // The list kept its two products all along: the core forgets none.
    EXPECT_EQ(window_->GetListedCount(), 2);
}

TEST_F(SilentProductsTest, PreferencesHideThemAndTheCountSaysSo) {
    Open(100);
    Answer(Device("Projector", "10.0.0.1"));
    Answer(Device("Booth", "10.0.0.2"));
    Pass(3000);
    Answer(Device("Booth", "10.0.0.2"));
    Pass(2500);
    ASSERT_EQ(window_->GetModel().GetSilentCount(), 1u);
    ClickRow(0);  // the silent projector
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TPreferencesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->CBHideSilent->isChecked());
        dialog->CBHideSilent->setChecked(true);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    window_->Preferences1->trigger();
    EXPECT_TRUE(window_->GetHideSilent());
    EXPECT_EQ(store_.Content(SettingsPath()), "[SETUP]\nCloseOnConnect=0\nHideSilent=1\n");
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Booth"}));
    EXPECT_EQ(window_->GetShownCountText(), "1 of 2 shown");
    EXPECT_EQ(window_->GetSelection(), nullptr);  // a hidden product is no selection
    EXPECT_FALSE(window_->BConnect->GetEnabled());
    // Back: shown in its place again.
    Answer(Device("Projector", "10.0.0.1"));
    Pass(0);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Projector", "Booth"}));
    EXPECT_TRUE(window_->GetShownCountText().isEmpty());
    // The setting holds at the next start.
    Open(100);
    EXPECT_TRUE(window_->GetHideSilent());
}

}  // namespace
}  // namespace ztest
