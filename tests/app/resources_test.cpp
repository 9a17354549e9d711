// The bitmaps and icons as the program loads them from its compiled-in resources.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

namespace {

const QRgb kMagenta = qRgb(255, 0, 255);

QImage Bitmap(int id) {
    return QImage(QString(":/bitmaps/%1.xpm").arg(id));
}

TEST(ResourcesTest, ButtonBackgroundsAreOpaqueAndDark) {
    for (int id : {1000, 1001, 1002}) {
        SCOPED_TRACE(id);
        QImage image = Bitmap(id);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(100, 25));
        EXPECT_FALSE(image.hasAlphaChannel());
        // Dark: the body's middle is well below half brightness, and the key colour never shows.
        EXPECT_LT(qGray(image.pixel(50, 12)), 96);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                ASSERT_NE(image.pixel(x, y) & 0xFFFFFF, kMagenta & 0xFFFFFF);
            }
        }
    }
}

TEST(ResourcesTest, IconsAreOpaqueWithMagentaAsTheirKeyColour) {
    std::vector<int> ids = {1101, 1102, 1103, 1104};
    for (int id = 30001; id <= 30012; ++id) {
        ids.push_back(id);
    }
    std::vector<QImage> kinds;
    for (int id : ids) {
        SCOPED_TRACE(id);
        QImage image = Bitmap(id);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(16, id == 30012 ? 13 : 16));
        EXPECT_FALSE(image.hasAlphaChannel());
        // Buttons take an icon's top-left pixel as its transparent colour, the list magenta.
        EXPECT_EQ(image.pixel(0, 0), kMagenta);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                drawn += image.pixel(x, y) != kMagenta ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, 40);
        if (id >= 30001) {
            kinds.push_back(image.convertToFormat(QImage::Format_RGB32));
        }
    }
    for (size_t a = 0; a < kinds.size(); ++a) {
        for (size_t b = a + 1; b < kinds.size(); ++b) {
            EXPECT_NE(kinds[a], kinds[b]) << "kinds " << a << " and " << b << " look the same";
        }
    }
    // The on state of OK and Cancel differs from their off state.
    EXPECT_NE(Bitmap(1101), Bitmap(1102));
    EXPECT_NE(Bitmap(1103), Bitmap(1104));
}

TEST(ResourcesTest, ProgramIconAtTwoSizes) {
    for (int size : {32, 48}) {
        SCOPED_TRACE(size);
        QImage image(QString(":/icons/zunitfinder-%1.png").arg(size));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);                  // rounded corner
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);  // solid body
    }
}

}  // namespace
