// The finder's pictures of itself: written once enough products are listed, with the named row
// selected, and the window closed afterwards.

#include <QTemporaryDir>

#include "app/filter_field.h"
#include "app/screenshot_runner.h"
#include "tests/app/finder_fixture.h"

namespace ztest {
namespace {

using ScreenshotRunnerTest = FinderTest;

TEST_F(ScreenshotRunnerTest, WaitsForTheProductsSelectsTheRowAndWritesThreePictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Open(54);  // three rows: the named product is the fifth, so the list scrolls to it
    TScreenshotRunner::Options options;
    options.mainFile = dir.filePath("main.png");
    options.preferencesFile = dir.filePath("preferences.png");
    options.aboutFile = dir.filePath("about.png");
    options.products = 6;
    options.timeoutMs = 5000;
    options.selectName = "Unit 4";
    TScreenshotRunner runner(window_.get(), options);
    runner.Start();
    AnswerMany(5);
    QTest::qWait(300);
    EXPECT_TRUE(window_->isVisible());  // five of six: still waiting
    EXPECT_FALSE(QFile::exists(options.mainFile));
    DeviceAnswer sixth;
    sixth.name = "Unit 5";
    sixth.address = "10.0.0.99";
    Answer(sixth);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->isVisible(); }, 3000));
    EXPECT_TRUE(runner.Succeeded());
    EXPECT_EQ(window_->VScrollBar->value(), 2);  // rows 2, 3 and 4 on screen
    const QImage main(options.mainFile);
    EXPECT_EQ(main.size(), window_->size());
    EXPECT_EQ(QImage(options.preferencesFile).size(), QSize(464, 205));
    EXPECT_EQ(QImage(options.aboutFile).size(), QSize(368, 168));
    // Product 4 is selected: the last of the three rows.
    const QPoint row = window_->PBUnits->mapTo(window_.get(), QPoint(700, 2 * 18 + 9));
    EXPECT_EQ(FromQRgb(main.pixel(row)), kSelected);
}

TEST_F(ScreenshotRunnerTest, SortsWaitsForTheSilentProductAndPicturesItTheFilterAndSubnets) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Open(100);
    TScreenshotRunner::Options options;
    options.mainFile = dir.filePath("main.png");
    options.silentFile = dir.filePath("silent.png");
    options.filteredFile = dir.filePath("filtered.png");
    options.subnetsFile = dir.filePath("subnets.png");
    options.products = 3;
    options.timeoutMs = 5000;
    options.selectName = "Unit 1";
    options.silentName = "Unit 2";
    options.filterText = "unit 1";
    options.sortColumn = ZProductListModel::kAddress;
    TScreenshotRunner runner(window_.get(), options);
    runner.Start();
    for (const char* address : {"10.0.0.30", "10.0.0.20", "10.0.0.10"}) {
        DeviceAnswer answer;
        answer.name = "Unit " + std::to_string(window_->GetModel().GetCount());
        answer.address = address;
        Answer(answer);
    }
    QTest::qWait(300);
    EXPECT_TRUE(window_->isVisible());  // all listed, none silent yet: still waiting
    // Unit 2 stops answering; the others go on.
    nowMs_ += 3000;
    for (const char* address : {"10.0.0.30", "10.0.0.20"}) {
        DeviceAnswer answer;
        answer.address = address;
        Answer(answer);
    }
    Pass(2001);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->isVisible(); }, 3000));
    EXPECT_TRUE(runner.Succeeded());
    EXPECT_EQ(window_->GetModel().GetSortColumn(), ZProductListModel::kAddress);
    // By address: Unit 2 (10.0.0.10), Unit 1, Unit 0. Unit 1 selected in the main picture,
    // Unit 2 in the silent one.
    const auto rowFill = [this](const QString& file, int row) {
        const QPoint at = window_->PBUnits->mapTo(window_.get(), QPoint(700, row * 18 + 9));
        return FromQRgb(QImage(file).pixel(at));
    };
    EXPECT_EQ(rowFill(options.mainFile, 1), kSelected);
    EXPECT_EQ(rowFill(options.silentFile, 0), kSelected);
    EXPECT_EQ(rowFill(options.silentFile, 1), kOdd);
    EXPECT_EQ(QImage(options.filteredFile).size(), window_->size());
    EXPECT_EQ(QImage(options.subnetsFile).size(), QSize(464, 205));
    EXPECT_TRUE(window_->EFilter->isHidden());  // the filter closed again after its picture
}

TEST_F(ScreenshotRunnerTest, ShootsWhenTheTimeIsUpEvenWithoutProducts) {
    QTemporaryDir dir;
    Open();
    TScreenshotRunner::Options options;
    options.mainFile = dir.filePath("only.png");
    options.products = 3;
    options.timeoutMs = 200;
    TScreenshotRunner runner(window_.get(), options);
    runner.Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->isVisible(); }, 3000));
    EXPECT_TRUE(runner.Succeeded());
    EXPECT_TRUE(QFile::exists(options.mainFile));
}

}  // namespace
}  // namespace ztest
