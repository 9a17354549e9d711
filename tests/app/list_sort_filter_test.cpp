// Sorting the list by a click on its header and filtering it as the user types.

#include "app/filter_field.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

class ListSortFilterTest : public FinderTest {
protected:
    void AnswerNamed(const std::string& name, const std::string& address, uint16_t port = 4300,
                     const std::string& info = "") {
        DeviceAnswer answer;
        answer.name = name;
        answer.address = address;
        answer.port = port;
        answer.info = info;
        Answer(answer);
    }

    std::string Content() { return store_.Content(window_->GetSettingsPath()); }

    // The sort arrow's rows in a header section: how many arrow pixels each of its four rows
    // has. The arrow is the section's rightmost ink, 7 pixels wide (without one, that ink is
    // the text's, and the counts make no arrow).
    std::vector<int> ArrowRows(int section) {
        TListHeader* header = window_->GetHeader();
        const QImage shot = Shot(header->viewport());
        const int left = header->GetSectionLeft(section);
        const QRect rows(left, 7, header->GetSectionWidth(section), 4);
        int right = -1;
        for (int x = rows.left(); x <= rows.right(); ++x) {
            if (CountIn(shot, QRect(x, rows.top(), 1, rows.height()), Grey(180)) > 0) {
                right = x;
            }
        }
        std::vector<int> counts;
        for (int y = rows.top(); y <= rows.bottom(); ++y) {
            counts.push_back(right < 0 ? 0 : CountIn(shot, QRect(right - 6, y, 7, 1), Grey(180)));
        }
        return counts;
    }
};

TEST_F(ListSortFilterTest, HeaderClicksSortReverseAndReturnToArrivalWithAnArrow) {
    Open(72);  // four rows
    AnswerNamed("E", "10.0.0.9");
    AnswerNamed("D", "10.0.0.10");
    AnswerNamed("C", "10.0.0.2", 4301);
    AnswerNamed("B", "10.0.0.2", 80);
    AnswerNamed("A", "10.0.0.100");
    const std::vector<int> up = {1, 3, 5, 7};
    const std::vector<int> down = {7, 5, 3, 1};
    EXPECT_NE(ArrowRows(3), up);
    EXPECT_NE(ArrowRows(3), down);

    ClickSection(3);  // Address: as numbers, then by port
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"B", "C", "E", "D", "A"}));
    EXPECT_EQ(ArrowRows(3), up);
    EXPECT_EQ(Content(), "[SETUP]\nSortColumn=3\nSortDescending=0\n");
    // Stripes follow the shown position.
    QImage list = Shot(window_->PBUnits);
    EXPECT_EQ(RowFill(list, 0), kEven);
    EXPECT_EQ(RowFill(list, 1), kOdd);

    // A new product lands where it belongs; the selection keeps its product and its row.
    ClickRow(1);
    ASSERT_STREQ(window_->GetSelection()->GetName().GetString(), "C");
    AnswerNamed("F", "10.0.0.1");
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"F", "B", "C", "E", "D", "A"}));
    EXPECT_STREQ(window_->GetSelection()->GetName().GetString(), "C");
    EXPECT_EQ(window_->GetTopRow(), 1);
    EXPECT_EQ(RowFill(Shot(window_->PBUnits), 1), kSelected);

    ClickSection(3);  // backwards
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"A", "D", "E", "C", "B", "F"}));
    EXPECT_EQ(ArrowRows(3), down);
    EXPECT_EQ(Content(), "[SETUP]\nSortColumn=3\nSortDescending=1\n");
    EXPECT_STREQ(window_->GetSelection()->GetName().GetString(), "C");
    const int at = window_->GetModel().ShownPositionOf(window_->GetSelection());
    EXPECT_GE(at, window_->GetTopRow());
    EXPECT_LT(at, window_->GetTopRow() + 4);

    ClickSection(3);  // the order of arrival again, no arrow
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"E", "D", "C", "B", "A", "F"}));
    EXPECT_NE(ArrowRows(3), up);
    EXPECT_NE(ArrowRows(3), down);
    EXPECT_EQ(Content(), "[SETUP]\nSortColumn=-1\nSortDescending=0\n");

    // Device Name sorts too, though its section takes no other click.
    ClickSection(0);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));
    EXPECT_EQ(ArrowRows(0), up);
    EXPECT_NE(ArrowRows(3), up);
}

TEST_F(ListSortFilterTest, ProductsPlacedAboveTheViewLeaveTheRowsOnScreenInPlace) {
    Open(54);  // three rows
    for (int i = 0; i < 6; ++i) {
        AnswerNamed("U" + std::to_string(i), "10.0.0." + std::to_string(10 + i));
    }
    ClickSection(3);
    ClickSection(3);  // by address, backwards: the newest addresses first
    // Shown from its start, the list stays there: a product placed first is seen at once.
    AnswerNamed("N1", "10.0.0.99");
    EXPECT_EQ(window_->GetTopRow(), 0);
    EXPECT_EQ(ShownNames().front(), "N1");
    // Scrolled down, the rows on screen stay where they are.
    window_->VScrollBar->setValue(2);
    const ZProduct* top = window_->GetModel().GetShown(2);
    AnswerNamed("N2", "10.0.0.98");
    EXPECT_EQ(window_->GetTopRow(), 3);
    EXPECT_EQ(window_->GetModel().GetShown(3), top);
}

TEST_F(ListSortFilterTest, TheSortFromTheSettingsFileHoldsAtStartVersionsAsVersions) {
    store_.SetContent(SettingsPath(), "[SETUP]\nSortColumn=2\nSortDescending=1\n");
    Open();
    for (const char* version : {"6.9", "6.10", "6.2", "6.10"}) {
        DeviceAnswer answer;
        answer.name = std::string("v") + version;
        answer.address = "10.0.0." + std::to_string(window_->GetModel().GetCount() + 1);
        answer.version = version;
        Answer(answer);
    }
    // 6.10 twice: the one that came first stays first.
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"v6.10", "v6.10", "v6.9", "v6.2"}));
    EXPECT_STREQ(window_->GetModel().GetShown(0)->GetAddressText().GetString(), "10.0.0.2");
}

TEST_F(ListSortFilterTest, TypingFiltersEscapeClearsAndCtrlFOpensTheField) {
    Open(100);
    AnswerNamed("Stage Left", "10.0.0.1");
    AnswerNamed("Stage Right", "10.0.0.2");
    AnswerNamed("Foyer", "10.0.0.3", 4300,
                "<data><systemconfig><entry serial=\"SN-1234\"/></systemconfig></data>");
    // The list has the focus from the start.
    EXPECT_EQ(window_->focusWidget(), window_->PBUnits);
    EXPECT_TRUE(window_->EFilter->isHidden());
    EXPECT_TRUE(window_->GetShownCountText().isEmpty());

    // A blank does not open the field; a letter typed on the list does, with the letter in it,
    // and the rest goes to the field.
    QTest::keyClick(window_->PBUnits, ' ');
    EXPECT_TRUE(window_->EFilter->isHidden());
    QTest::keyClick(window_->PBUnits, 'S');
    ASSERT_TRUE(window_->EFilter->isVisible());
    EXPECT_EQ(window_->EFilter->text(), "S");
    EXPECT_EQ(window_->focusWidget(), window_->EFilter);
    QTest::keyClicks(window_->EFilter, "TAGE");
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Stage Left", "Stage Right"}));
    EXPECT_EQ(window_->GetShownCountText(), "2 of 3 shown");
    // The field sits at the details area's right end, level with Connect, the count left of it.
    EXPECT_EQ(window_->EFilter->geometry(), QRect(771 - 18 - 200, 70, 200, 20));
    const QImage info = Shot(window_->PBInfos);
    EXPECT_GT(CountIn(info, QRect(771 - 18 - 200 - 120, 69, 112, 20), Grey(220)), 20);
    EXPECT_EQ(At(Shot(window_->EFilter), 190, 10), Grey(50));

    // Moving keys and Enter work from the field: the first row is picked and connected.
    QTest::keyClick(window_->EFilter, Qt::Key_Down);
    ASSERT_NE(window_->GetSelection(), nullptr);
    EXPECT_STREQ(window_->GetSelection()->GetName().GetString(), "Stage Left");
    QTest::keyClick(window_->EFilter, Qt::Key_Return);
    EXPECT_EQ(opened_, (std::vector<std::string>{"http://10.0.0.1"}));

    // Escape: every product again, the selection kept, the list focused.
    QTest::keyClick(window_->EFilter, Qt::Key_Escape);
    EXPECT_TRUE(window_->EFilter->isHidden());
    EXPECT_EQ(window_->focusWidget(), window_->PBUnits);
    EXPECT_EQ(ShownNames().size(), 3u);
    EXPECT_TRUE(window_->GetShownCountText().isEmpty());
    EXPECT_STREQ(window_->GetSelection()->GetName().GetString(), "Stage Left");

    // Ctrl+F opens an empty field; a filter that hides the selection ends it.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(window_->EFilter->isVisible());
    EXPECT_EQ(window_->focusWidget(), window_->EFilter);
    QTest::keyClicks(window_->EFilter, "sn-12");  // the serial counts
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Foyer"}));
    EXPECT_EQ(window_->GetSelection(), nullptr);
    EXPECT_FALSE(window_->BConnect->GetEnabled());
    // Widened again: every product whose texts hold it (the client's name is in every one).
    window_->EFilter->setText("browser");
    EXPECT_EQ(ShownNames().size(), 3u);
    // A new product is filtered as it arrives.
    window_->EFilter->setText("stage");
    AnswerNamed("Backstage", "10.0.0.4");
    AnswerNamed("Booth", "10.0.0.5");
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Stage Left", "Stage Right", "Backstage"}));
    EXPECT_EQ(window_->GetShownCountText(), "3 of 5 shown");
}

}  // namespace
}  // namespace ztest
