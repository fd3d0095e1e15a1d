#include <QBuffer>
#include <QImage>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "engine/imaging/image_io.h"
#include "engine/imaging/pixel_budget.h"

namespace pixmill {
namespace {

TEST(PixelBudget, aShareWaitsForTheBytesItNeedsAndNeverExceedsTheWhole) {
    PixelBudget budget(100);
    EXPECT_FALSE(budget.acquire(101));  // more than the whole: refused at once
    PixelBudget::Share first = budget.acquire(70);
    ASSERT_TRUE(first);
    std::atomic<bool> granted{false};
    std::thread waiter([&] {
        PixelBudget::Share second = budget.acquire(40);
        granted = true;
        EXPECT_LE(budget.inUse(), 100u);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(granted);
    first.reset();
    waiter.join();
    EXPECT_TRUE(granted);
    EXPECT_EQ(budget.inUse(), 0u);
}

// Layer pictures held for a whole batch: together they never exceed the budget, and a decode
// they leave no room for is refused instead of waiting for ever, also one already waiting.
TEST(PixelBudget, lastingSharesFitTheWholeAndNothingWaitsForThem) {
    PixelBudget budget(100);
    PixelBudget::Share layer = budget.acquireLasting(60);
    ASSERT_TRUE(layer);
    EXPECT_FALSE(budget.acquireLasting(50));
    EXPECT_FALSE(budget.acquire(50));  // would wait for the layer until the batch ends
    PixelBudget::Share decode = budget.acquire(30);
    ASSERT_TRUE(decode);
    std::atomic<bool> answered{false};
    std::thread waiter([&] {
        EXPECT_FALSE(budget.acquire(35));  // waits for `decode`; then a layer leaves only 30
        answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(answered);
    PixelBudget::Share another = budget.acquireLasting(10);  // fits beside `decode`
    ASSERT_TRUE(another);
    waiter.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(budget.inUse(), 100u);
    decode.reset();
    another.reset();
    layer.reset();
    EXPECT_EQ(budget.inUse(), 0u);
    EXPECT_EQ(budget.lastingInUse(), 0u);
}

Bytes pngOf(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(data.begin(), data.end());
}

TEST(PixelBudget, refusesWhatCannotFitOrWhatTheFileCannotHoldBeforeDecoding) {
    PixelBudget budget(1 << 20);
    // 300 x 300 four-byte pixels, twice: 720,000 bytes fit in 1 MiB; 600 x 600 do not.
    Result<PixelBudget::Share> share =
        reserveDecode(pngOf({300, 300}), int(ImageFileFormat::Png), {}, budget);
    EXPECT_EQ(share.message(), "");
    ASSERT_TRUE(share.isOk());
    EXPECT_TRUE(*share);
    EXPECT_EQ(budget.inUse(), 300u * 300 * 8);
    share->reset();
    Result<PixelBudget::Share> refused =
        reserveDecode(pngOf({600, 600}), int(ImageFileFormat::Png), {}, budget);
    const std::string tooLarge = refused.message();
    EXPECT_NE(tooLarge.find("图片太大"), std::string::npos) << tooLarge;
    EXPECT_FALSE(refused.isOk());
    EXPECT_EQ(budget.inUse(), 0u);

    // A JPEG header claiming 20000 x 20000 in a few hundred bytes.
    Bytes claimed = {0xFF, 0xD8, 0xFF, 0xC0, 0,    17, 8, 0x4E, 0x20, 0x4E, 0x20, 3,
                     1,    0x22, 0,    2,    0x11, 0,  3, 0x11, 0,    0xFF, 0xDA, 0,
                     12,   3,    1,    0,    2,    0,  3, 0,    0,    63,   0};
    claimed.resize(400, 0);
    PixelBudget roomy(std::size_t(1) << 40);
    Result<PixelBudget::Share> claimedShare =
        reserveDecode(claimed, int(ImageFileFormat::Jpeg), {}, roomy);
    const std::string damaged = claimedShare.message();
    EXPECT_NE(damaged.find("20000 × 20000"), std::string::npos) << damaged;
    EXPECT_FALSE(claimedShare.isOk());
}

}  // namespace
}  // namespace pixmill
