// The pool behind decoded pictures: memory is reused, never while an image still uses it.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <thread>
#include <vector>

#include "engine/imaging/pixel_pool.h"

namespace pixmill {
namespace {

TEST(PixelPoolTest, MemoryReturnsWhenTheLastCopyGoesAndServesTheNextPictureOfThatSize) {
    releasePooledMemory();
    EXPECT_EQ(pooledBytes(), 0u);
    QImage first = pooledImage(64, 48, QImage::Format_RGBX8888);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.bytesPerLine(), 64 * 4);
    first.fill(Qt::red);
    const uchar* memory = first.constBits();
    const std::size_t idleBefore = pooledBlockCount();
    ASSERT_EQ(idleBefore, 0u);

    QImage copy = first;  // shares the pixels
    first = QImage();
    EXPECT_EQ(pooledBlockCount(), idleBefore);  // the copy still uses them
    EXPECT_EQ(copy.pixelColor(10, 10), QColor(Qt::red));
    copy = QImage();
    EXPECT_EQ(pooledBlockCount(), idleBefore + 1);

    QImage second = pooledImage(48, 64, QImage::Format_RGBX8888);  // portrait: same bytes
    EXPECT_EQ(second.constBits(), memory);
    EXPECT_EQ(pooledBlockCount(), idleBefore);
    // A block much larger than the need is not handed out for it.
    second = QImage();
    QImage small = pooledImage(8, 8, QImage::Format_RGBX8888);
    EXPECT_NE(small.constBits(), memory);
}

TEST(PixelPoolTest, AWriteToACopyNeverReachesTheOriginal) {
    QImage original = pooledImage(16, 16, QImage::Format_RGB888);
    ASSERT_FALSE(original.isNull());
    EXPECT_EQ(original.bytesPerLine(), 48);
    original.fill(Qt::blue);
    QImage copy = original;
    copy.setPixelColor(0, 0, Qt::green);
    EXPECT_EQ(original.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(copy.pixelColor(0, 0), QColor(Qt::green));
}

TEST(PixelPoolTest, ThreadsTakingAndGivingBackKeepTheirOwnPixels) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int round = 0; round < 50; ++round) {
                QImage image = pooledImage(100 + round % 3, 80, QImage::Format_RGBX8888);
                const QColor colour(t * 60, round, 0);
                image.fill(colour);
                std::this_thread::yield();
                if (image.pixelColor(99, 79) != colour)
                    ++wrong[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
    EXPECT_LE(pooledBlockCount(), std::max(2u, std::thread::hardware_concurrency()));
}

}  // namespace
}  // namespace pixmill
