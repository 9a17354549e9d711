// The device list, its header bar and the details area, checked on the pixels they show.

#include <QScrollBar>

#include "app/bitmap_resources.h"
#include "app/cell_text.h"
#include "app/list_header.h"
#include "app/resource_icon_provider.h"
#include "controls/canvas.h"
#include "controls/graphic_button_xt.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

using ListViewTest = FinderTest;

TEST_F(ListViewTest, EmptyListIsAllBackgroundWithNothingToConnect) {
    Open();
    const QImage list = Shot(window_->PBUnits);
    EXPECT_EQ(CountIn(list, list.rect(), Grey(32)), list.width() * list.height());
    const QImage info = Shot(window_->PBInfos);
    // The details area is empty; only the Connect button sits on it.
    QRegion empty(info.rect());
    empty -= window_->BConnect->geometry().translated(0, -1);
    for (const QRect& r : empty) {
        EXPECT_EQ(CountIn(info, r, Grey(32)), r.width() * r.height());
    }
    EXPECT_FALSE(window_->BConnect->GetEnabled());
    EXPECT_TRUE(window_->VScrollBar->isHidden());
    EXPECT_EQ(window_->PBUnits->width(), 771);
}

TEST_F(ListViewTest, TenProductsInAHundredPixelsScrollByOneRow) {
    Open(100);
    AnswerMany(10);
    ASSERT_FALSE(window_->VScrollBar->isHidden());
    EXPECT_EQ(window_->VScrollBar->minimum(), 0);
    EXPECT_EQ(window_->VScrollBar->maximum(), 5);
    EXPECT_EQ(window_->VScrollBar->pageStep(), 1);
    EXPECT_EQ(window_->VScrollBar->geometry(), QRect(771 - 16, 0, 16, 100));
    EXPECT_EQ(window_->PBUnits->width(), 771 - 16);

    // Stripes follow the list index: rows 0..4 on screen show products 0..4, then 1..5.
    QImage list = Shot(window_->PBUnits);
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(RowFill(list, row), row % 2 == 0 ? kEven : kOdd);
    }
    // The sixth row is cut by the bottom edge but painted: its text shows.
    EXPECT_GT(CountIn(list, QRect(0, 90, list.width(), 10), Grey(220)), 5);
    window_->VScrollBar->setValue(1);
    list = Shot(window_->PBUnits);
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(RowFill(list, row), row % 2 == 0 ? kOdd : kEven);
    }
    // A click on the bar moves one row, like the arrow.
    window_->VScrollBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(window_->VScrollBar->value(), 2);
    // At the end the last product sits in the fifth row and the rest of the area is background.
    window_->VScrollBar->setValue(5);
    list = Shot(window_->PBUnits);
    EXPECT_EQ(RowFill(list, 4), kOdd);  // product 9
    EXPECT_EQ(CountIn(list, QRect(0, 90, list.width(), 10), Grey(32)), list.width() * 10);
}

TEST_F(ListViewTest, ScrollBarOnlyWhenTheRowsDoNotFit) {
    struct Case {
        int height;
        int products;
        bool bar;
    };
    const Case cases[] = {
        {17, 10, false},  // lower than one row
        {0, 10, false},   // no area at all
        {18, 1, false},   // fits exactly
        {18, 2, true},    // one row, two products
        {100, 5, false},  // five rows, five products
        {100, 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.height << " pixels, " << c.products << " products");
        Open(c.height);
        AnswerMany(c.products);
        EXPECT_EQ(!window_->VScrollBar->isHidden(), c.bar);
        if (!c.bar) {
            EXPECT_EQ(window_->VScrollBar->value(), 0);
        }
        window_.reset();
    }
}

TEST_F(ListViewTest, GrowingTheWindowHidesTheBarAndScrollsBackToTheTop) {
    Open(36);
    AnswerMany(4);
    window_->VScrollBar->setValue(2);
    SetListHeight(90);
    EXPECT_TRUE(window_->VScrollBar->isHidden());
    EXPECT_EQ(window_->VScrollBar->value(), 0);
    EXPECT_EQ(RowFill(Shot(window_->PBUnits), 0), kEven);
}

TEST_F(ListViewTest, SelectingPaintsTheRowOrangeWithBlackTextAndRestoresThePrevious) {
    Open(100);
    AnswerMany(3);
    ClickRow(0);
    QImage list = Shot(window_->PBUnits);
    EXPECT_EQ(RowFill(list, 0), kSelected);
    const QRect nameCell(19, 0, 140, 18);
    EXPECT_GT(CountIn(list, nameCell, MakeColor(0, 0, 0)), 10);
    EXPECT_EQ(CountIn(list, nameCell, Grey(220)), 0);
    ClickRow(1);
    list = Shot(window_->PBUnits);
    EXPECT_EQ(RowFill(list, 0), kEven);
    EXPECT_GT(CountIn(list, nameCell, Grey(220)), 10);
    EXPECT_EQ(CountIn(list, nameCell, MakeColor(0, 0, 0)), 0);
    EXPECT_EQ(RowFill(list, 1), kSelected);
    EXPECT_TRUE(window_->BConnect->GetEnabled());
    // A press below the last row selects nothing and disables Connect.
    ClickRow(4);
    EXPECT_EQ(window_->GetSelection(), nullptr);
    EXPECT_FALSE(window_->BConnect->GetEnabled());
    EXPECT_EQ(RowFill(Shot(window_->PBUnits), 1), kOdd);
}

TEST_F(ListViewTest, CellsStartAtTheColumnEdgesWithTheKindIconLeftOfTheName) {
    Open(100);
    DeviceAnswer answer;
    answer.service = "zelvane.conductor6";
    answer.name = "Stage";
    answer.model = "cndsolo";
    Answer(answer);
    const QImage list = Shot(window_->PBUnits);
    // Edges: sections 180, 180, 100, 140 wide from x 0.
    const int edges[] = {-1, 179, 359, 459, 599};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(window_->GetColumnEdge(k), edges[k]);
    }
    // The kind icon at (0, 1), its magenta left out.
    const QImage icon = LoadBitmapResource(30001 + 8);
    ASSERT_FALSE(icon.isNull());
    int keyed = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const TColor pixel = FromQRgb(icon.pixel(x, y));
            if (pixel == 0xFF00FF) {
                ++keyed;
                EXPECT_EQ(At(list, x, y + 1), kEven);
            } else {
                EXPECT_EQ(At(list, x, y + 1), pixel);
            }
        }
    }
    EXPECT_GT(keyed, 0);
    // Texts start 20 pixels right of edge 0 and 4 right of the others (plus the glyph's bearing).
    const int starts[] = {19, 183, 363, 463, 603};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        const int ink = InkLeft(list, QRect(starts[k], 0, 60, 18), kEven);
        EXPECT_GE(ink, starts[k]);
        EXPECT_LE(ink, starts[k] + 2);
    }
    // Row text is light grey on the stripe.
    EXPECT_GT(CountIn(list, QRect(183, 0, 170, 18), Grey(220)), 10);
}

TEST_F(ListViewTest, HeaderSectionsAreOwnerDrawnWithMinimumsAndTheLastSectionRule) {
    Open();
    TListHeader* header = window_->GetHeader();
    const char* texts[] = {"Device Name", "Type/Model", "Version", "Address", "Description"};
    const int minimums[] = {128, 100, 100, 100, 100};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(header->GetSectionText(k), texts[k]);
        EXPECT_EQ(header->GetSectionMinWidth(k), minimums[k]);
        EXPECT_EQ(header->GetSectionClickable(k), k != 0);
    }
    // The last section runs from the fourth section's left edge to the header's end and beyond.
    EXPECT_EQ(header->GetSectionWidth(4), 771 - header->GetSectionLeft(3));
    header->SetSectionWidth(0, 60);
    EXPECT_EQ(header->GetSectionWidth(0), 128);
    EXPECT_EQ(header->GetSectionWidth(4), 771 - header->GetSectionLeft(3));

    const QImage shot = Shot(header);
    EXPECT_EQ(shot.size(), QSize(771, 18));
    // Dark sections, 180 grey text 2 pixels in from each section's left edge, no lines.
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const int left = header->GetSectionLeft(k);
        const int ink = InkLeft(shot, QRect(left, 0, 40, 18), Grey(32));
        EXPECT_GE(ink, left + 2);
        EXPECT_LE(ink, left + 4);
    }
    EXPECT_GT(CountIn(shot, shot.rect(), Grey(180)), 100);
    for (int x = 0; x < shot.width(); ++x) {
        EXPECT_EQ(At(shot, x, 0), Grey(32));
    }
}

TEST_F(ListViewTest, DraggingTheTypeModelDividerMovesTheLaterColumns) {
    Open(100);
    AnswerMany(3);
    QImage before = Shot(window_->PBUnits);
    TListHeader* header = window_->GetHeader();
    const int divider = header->GetSectionLeft(2);
    ASSERT_EQ(divider, 360);
    QWidget* viewport = header->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(divider - 1, 9));
    QMouseEvent move(QEvent::MouseMove, QPointF(divider + 39, 9),
                     viewport->mapToGlobal(QPointF(divider + 39, 9)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(divider + 39, 9));
    QCoreApplication::processEvents();
    EXPECT_EQ(header->GetSectionWidth(1), 220);
    EXPECT_EQ(header->GetSectionLeft(2), 400);
    EXPECT_EQ(header->GetSectionWidth(4), 771 - header->GetSectionLeft(3));

    QImage after = Shot(window_->PBUnits);
    EXPECT_EQ(window_->GetColumnEdge(2), 399);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const TColor fill = row % 2 == 0 ? kEven : kOdd;
        // Version, Address and Description texts all moved right by 40 pixels; the name and
        // Type/Model did not.
        const int xs[][2] = {{19, 19}, {183, 183}, {363, 403}, {463, 503}, {603, 643}};
        for (const auto& x : xs) {
            const int wasAt = InkLeft(before, QRect(x[0], row * 18, 30, 18), fill);
            const int nowAt = InkLeft(after, QRect(x[1], row * 18, 30, 18), fill);
            ASSERT_GE(wasAt, 0);
            EXPECT_EQ(nowAt - wasAt, x[1] - x[0]);
        }
    }
}

// What the details area must show for a product: drawn here the way the window draws it.
QImage ExpectedDetails(QSize size, const QString& l1, const QString& l2, const QString& l3) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(ToQColor(Grey(32)));
    ZCanvas canvas(&image);
    canvas.Font().font = PixelFont("Arial", 14);
    canvas.Font().color = Grey(220);
    canvas.Brush() = ZBrush{Grey(32), bsSolid};
    canvas.TextOut(10, 6, l1);
    const int h1 = canvas.TextHeight(l1);
    canvas.TextOut(40, 6 + h1 + 8, l2);
    const int h2 = canvas.TextHeight(l2);
    canvas.TextOut(40, 6 + h1 + 8 + h2 + 4, l3);
    return image;
}

TEST_F(ListViewTest, DetailsShowNameClientAndSerial) {
    struct Case {
        const char* name;
        DeviceAnswer answer;
        QString shownName;
        QString client;
        QString serial;
        bool connect;
    };
    DeviceAnswer web;
    web.name = "Projector";
    web.info = "<data><systemconfig><entry serial=\"VX-0042\"/></systemconfig></data>";
    DeviceAnswer conductor;
    conductor.service = "zelvane.conductor5";
    conductor.name = "Booth";
    // A device that sends its texts in Windows-1252: one byte for each accented letter.
    DeviceAnswer western = web;
    western.name = "Caf\xE9 Sc\xE8ne";
    western.info = "<data><systemconfig><entry serial=\"N\xB0 7\"/></systemconfig></data>";
    DeviceAnswer utf8 = web;
    utf8.name = "Caf\xC3\xA9 Sc\xC3\xA8ne";
    const Case cases[] = {
        {"web page", web, "Projector", "Editor/Client: WEB Browser", "Serial: VX-0042", true},
        {"client not installed", conductor, "Booth",
         "Editor/Client: Zelvane Conductor [Not Installed]", "Serial: N/A", false},
        {"Windows-1252 texts", western, QString::fromUtf8("Caf\u00e9 Sc\u00e8ne"),
         "Editor/Client: WEB Browser", QString::fromUtf8("Serial: N\u00b0 7"), true},
        {"UTF-8 texts", utf8, QString::fromUtf8("Caf\u00e9 Sc\u00e8ne"),
         "Editor/Client: WEB Browser", "Serial: VX-0042", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open();
        store_.SetContent(window_->GetSettingsPath(), "");
        Answer(c.answer);
        ClickRow(0);
        EXPECT_EQ(window_->BConnect->GetEnabled(), c.connect);
        QImage info = Shot(window_->PBInfos);
        const QImage expected = ExpectedDetails(info.size(), c.shownName + ":", c.client, c.serial);
        // Compare everywhere but under the Connect button.
        const QRect button = window_->BConnect->geometry().translated(0, -1);
        int differing = 0;
        for (int y = 0; y < info.height(); ++y) {
            for (int x = 0; x < info.width(); ++x) {
                if (!button.contains(x, y) && info.pixel(x, y) != expected.pixel(x, y)) {
                    ++differing;
                }
            }
        }
        EXPECT_EQ(differing, 0);
        window_.reset();
    }
}

TEST_F(ListViewTest, NotInstalledClientDisablesConnectAndDoubleClickDoesNothing) {
    store_.SetContent(SettingsPath(), "[SETUP]\nCloseOnConnect=1\n");
    Open();
    // A Cuedeck 7 reports its client as present but cannot connect; a Conductor's client is
    // missing. Neither may launch, and with close-on-connect on the window must stay.
    const std::pair<const char*, const char*> devices[] = {{"zelvane.conductor5", "10.0.2.1"},
                                                           {"zelvane.cuedeck7", "10.0.2.2"}};
    for (const auto& [service, address] : devices) {
        DeviceAnswer answer;
        answer.service = service;
        answer.address = address;
        Answer(answer);
    }
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        ClickRow(row);
        EXPECT_FALSE(window_->BConnect->GetEnabled());
        QTest::mouseDClick(window_->PBUnits, Qt::LeftButton, Qt::NoModifier,
                           QPoint(50, row * 18 + 9));
        QCoreApplication::processEvents();
        EXPECT_TRUE(window_->isVisible());
        EXPECT_NE(window_->GetCore(), nullptr);
        EXPECT_TRUE(opened_.empty());
        // The disabled button takes no click either.
        QTest::mouseClick(window_->BConnect, Qt::LeftButton);
        EXPECT_TRUE(window_->isVisible());
    }
}

TEST_F(ListViewTest, ConnectLaunchesUnderTheHourglassAndDoubleClickDoesTheSame) {
    Open();
    DeviceAnswer answer;
    answer.address = "10.0.0.7";
    Answer(answer);
    ClickRow(0);
    ASSERT_TRUE(window_->BConnect->GetEnabled());
    QTest::mouseClick(window_->BConnect, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], "http://10.0.0.7");
    EXPECT_TRUE(hourglassAtLaunch_);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::mouseDClick(window_->PBUnits, Qt::LeftButton, Qt::NoModifier, QPoint(50, 9));
    EXPECT_EQ(opened_.size(), 2u);
    // Close-on-connect is off: the window stays.
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(ListViewTest, CloseOnConnectClosesAfterALaunchThatFails) {
    for (bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "launch fails" : "launch works");
        store_.SetContent(SettingsPath(), "[SETUP]\nCloseOnConnect=1\n");
        shellResult_ = fails ? zplat::SE_ERR_NOASSOC : zplat::SHELL_EXECUTE_STARTED;
        log_.calls.clear();
        opened_.clear();
        Open();
        Answer(DeviceAnswer{});
        ClickRow(0);
        QTest::mouseClick(window_->BConnect, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
        QCoreApplication::processEvents();
        EXPECT_EQ(opened_.size(), 1u);
        EXPECT_FALSE(window_->isVisible());
        EXPECT_TRUE(LogHas("Stop"));
        window_.reset();
    }
}

TEST_F(ListViewTest, LongTextsFromTheNetworkAreCutAt127Bytes) {
    Open();
    DeviceAnswer answer;
    answer.name = std::string(300, 'N');
    answer.model = std::string(1000, 'M');
    answer.version = std::string(5000, 'V');
    answer.address = "10.0.0.9";
    Answer(answer);
    ClickRow(0);
    // Painted like any other row (the sanitizer builds watch the buffers).
    const QImage list = Shot(window_->PBUnits);
    EXPECT_EQ(At(list, 590, 9), kSelected);  // after the short address text
    EXPECT_GT(CountIn(list, QRect(19, 0, 150, 18), MakeColor(0, 0, 0)), 10);
    EXPECT_GT(CountIn(Shot(window_->PBInfos), QRect(10, 6, 700, 16), Grey(220)), 10);
}

TEST(CellTextTest, CutsAt127BytesNeverInsideACharacter) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::string a126(126, 'a');
    const std::string a127(127, 'a');
    std::string eAcute127;  // U+00E9 127 times, in UTF-8
    for (int i = 0; i < 127; ++i) {
        eAcute127 += "\xc3\xa9";
    }
    const Case cases[] = {
        {"short", "Booth 2", "Booth 2"},
        {"exactly 127", a127, a127},
        {"128 cut to 127", a127 + "b", a127},
        {"thousands", std::string(5000, 'x'), std::string(127, 'x')},
        // U+00E9 is C3 A9: starting at byte 126 its second byte would be the 128th.
        {"two-byte character at the cut", a126 + "\xc3\xa9", a126},
        // U+20AC is E2 82 AC: starting at byte 125 it would end at 128.
        {"three-byte character at the cut", std::string(125, 'a') + "\xe2\x82\xac",
         std::string(125, 'a')},
        {"character that ends at 127", std::string(124, 'a') + "\xe2\x82\xac" + "z",
         std::string(124, 'a') + "\xe2\x82\xac"},
        // Not UTF-8, so Windows-1252: each byte is one character, and 127 of them stay.
        {"stray continuation bytes", a126 + "\x80\x80\x80\x80\x80", a126 + "\xe2\x82\xac"},
        {"Windows-1252 e acute", "Caf\xe9", "Caf\xc3\xa9"},
        {"Windows-1252 text cut at 127 characters", std::string(200, '\xe9'), eAcute127},
        // The bytes C3 A9 read as UTF-8 would be one e acute, but the text as a whole is not
        // UTF-8 (its last byte), so they are two Windows-1252 characters.
        {"decided on the whole text, not on what is kept", "\xc3\xa9" + a126 + "\xe9",
         "\xc3\x83\xc2\xa9" + std::string(125, 'a')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString cell = CellText("%s", c.text.c_str());
        EXPECT_EQ(cell,
                  QString::fromUtf8(c.expected.data(), static_cast<qsizetype>(c.expected.size())));
        EXPECT_LE(cell.toUtf8().size(), 127 * 3);
    }
    EXPECT_EQ(CellText("%s:%d", std::string(200, '1').c_str(), 4258).size(), 127);
    EXPECT_EQ(CellText("%s:%d", "10.0.0.5", 4258), "10.0.0.5:4258");
}

}  // namespace
}  // namespace ztest
