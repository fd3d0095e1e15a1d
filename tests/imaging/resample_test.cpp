#include "engine/imaging/resample.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <thread>

#include "imaging/imaging_fixtures.h"

namespace pixmill {
namespace {

TEST(Resample, flatColourStaysFlatAtEverySize) {
    QImage flat(97, 61, QImage::Format_RGBX8888);
    flat.fill(QColor(12, 130, 250));
    for (QSize size : {QSize(1, 1), QSize(13, 7), QSize(96, 60), QSize(200, 150)}) {
        QImage out = resampleImage(flat, size);
        ASSERT_EQ(out.size(), size);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                ASSERT_EQ(out.pixelColor(x, y), QColor(12, 130, 250)) << x << "," << y;
            }
        }
    }
}

TEST(Resample, downscalingAveragesInsteadOfAliasing) {
    // One-pixel stripes reduced fourfold: sampling would give black or white, a filter that
    // widens with the reduction gives the average grey everywhere.
    QImage stripes(400, 40, QImage::Format_RGBX8888);
    for (int x = 0; x < 400; ++x) {
        QColor c = x % 2 ? Qt::white : Qt::black;
        for (int y = 0; y < 40; ++y)
            stripes.setPixelColor(x, y, c);
    }
    QImage out = resampleImage(stripes, QSize(100, 10));
    for (int x = 2; x < 98; ++x)
        EXPECT_NEAR(out.pixelColor(x, 5).red(), 128, 2) << x;
}

TEST(Resample, keepsGeometry) {
    QImage out = resampleImage(testing::quadrants(400, 300), QSize(80, 60));
    EXPECT_EQ(testing::quadrantAt(out, 5, 5), 'r');
    EXPECT_EQ(testing::quadrantAt(out, 75, 5), 'g');
    EXPECT_EQ(testing::quadrantAt(out, 75, 55), 'b');
    EXPECT_EQ(testing::quadrantAt(out, 5, 55), 'w');
    // The boundary between halves lands where it belongs: column 39 red, column 40 green.
    EXPECT_GT(out.pixelColor(38, 5).red(), 200);
    EXPECT_GT(out.pixelColor(41, 5).green(), 200);
}

TEST(Resample, alphaIsPremultipliedAndFlattened) {
    QImage half(40, 40, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(0, 0, 20, 40, QColor(255, 0, 0, 255));
    QImage out = resampleImage(half, QSize(10, 10));
    ASSERT_TRUE(out.hasAlphaChannel());
    // Transparent pixels carry no colour into their neighbours.
    QColor edge = out.pixelColor(4, 5);
    EXPECT_EQ(edge.green(), 0);
    EXPECT_GT(edge.red(), 240);

    QImage flat = flattenOnto(half, 0xFFFFFF);
    EXPECT_FALSE(flat.hasAlphaChannel());
    EXPECT_EQ(flat.pixelColor(30, 5), QColor(Qt::white));
    EXPECT_EQ(flat.pixelColor(5, 5), QColor(Qt::red));
}

TEST(Resample, rowsSharedAcrossThreadsGiveTheSamePicture) {
    // Large enough for the rows to be split between the caller and the helper threads, from
    // several callers at once as a batch on the pool does.
    QImage source = testing::quadrants(1600, 1200);
    QImage expected = resampleImage(source, QSize(640, 480));
    std::vector<std::thread> callers;
    std::vector<QImage> results(3);
    for (int i = 0; i < 3; ++i)
        callers.emplace_back([&, i] { results[i] = resampleImage(source, QSize(640, 480)); });
    for (std::thread& t : callers)
        t.join();
    for (const QImage& result : results)
        EXPECT_EQ(result, expected);
}

TEST(Resample, nullInputsGiveNull) {
    EXPECT_TRUE(resampleImage(QImage(), QSize(4, 4)).isNull());
    EXPECT_TRUE(resampleImage(testing::quadrants(8, 8), QSize(0, 4)).isNull());
}

}  // namespace
}  // namespace pixmill
