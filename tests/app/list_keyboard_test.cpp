// The list from the keyboard: moving keys keep the selection in view, Enter connects, Ctrl+C
// copies the selected row.

#include <QClipboard>

#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

using ListKeyboardTest = FinderTest;

TEST_F(ListKeyboardTest, MovingKeysSelectAndKeepTheSelectionInView) {
    Open(54);  // three rows
    AnswerMany(10);
    EXPECT_EQ(window_->focusWidget(), window_->PBUnits);
    struct Step {
        Qt::Key key;
        int selected;
        int top;
    };
    const Step steps[] = {
        {Qt::Key_Down, 0, 0},  // without a selection: the first row on screen
        {Qt::Key_Down, 1, 0},     {Qt::Key_Down, 2, 0},     {Qt::Key_Down, 3, 1},
        {Qt::Key_End, 9, 7},      {Qt::Key_Down, 9, 7},  // held at the end
        {Qt::Key_PageUp, 6, 6},   {Qt::Key_Home, 0, 0},     {Qt::Key_Up, 0, 0},
        {Qt::Key_PageDown, 3, 1}, {Qt::Key_PageDown, 6, 4}, {Qt::Key_Up, 5, 4},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key).toString().toStdString());
        QTest::keyClick(window_->PBUnits, step.key);
        ASSERT_NE(window_->GetSelection(), nullptr);
        EXPECT_EQ(window_->GetSelection()->GetName().GetString(),
                  "Unit " + std::to_string(step.selected));
        EXPECT_EQ(window_->GetTopRow(), step.top);
        EXPECT_EQ(RowFill(Shot(window_->PBUnits), step.selected - step.top), kSelected);
    }
    // Enter connects as the double click does.
    QTest::keyClick(window_->PBUnits, Qt::Key_Return);
    EXPECT_EQ(opened_, (std::vector<std::string>{"http://10.0.0.6"}));
    QTest::keyClick(window_->PBUnits, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(opened_.size(), 2u);
}

TEST_F(ListKeyboardTest, CtrlCCopiesTheSelectedRowAsTabSeparatedText) {
    Open();
    DeviceAnswer answer;
    answer.name = "Stage\tLeft\nWing";  // a device's own tab and line break
    answer.address = "10.0.0.7";
    answer.model = "VXP HD 2";
    answer.version = "2.0.4";
    Answer(answer);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(window_->PBUnits, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());  // nothing selected
    ClickRow(0);
    QTest::keyClick(window_->PBUnits, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "Stage Left Wing\tVXP HD\t2.0.4\t10.0.0.7:4300\tVXP HD 2");
}

}  // namespace
}  // namespace ztest
