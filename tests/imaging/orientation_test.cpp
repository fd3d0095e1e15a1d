// The same photo stored with each EXIF Orientation 1..8: everything the program shows or
// writes of it is the picture as it is meant to be seen.
#include "engine/imaging/orientation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/catalog/photo_fields.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/resize_batch.h"
#include "engine/jpegmeta/exif_orientation.h"
#include "engine/watermark/control_tracker.h"
#include "engine/watermark/watermark_batch.h"
#include "imaging/imaging_fixtures.h"
#include "jpegmeta/oracle_support.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::lumaPsnr;
using testing::quadrantAt;
using testing::quadrants;
using testing::TempDir;

std::string photo(const std::string& shape, int orientation) {
    return std::string(PIXMILL_REAL_PHOTOS) + "/orientation/" + shape + "_" +
           std::to_string(orientation) + ".jpg";
}

// The quadrant colours at the four corners, clockwise from the top left.
std::string corners(const QImage& image) {
    int w = image.width() - 3, h = image.height() - 3;
    return {quadrantAt(image, 2, 2), quadrantAt(image, w, 2), quadrantAt(image, w, h),
            quadrantAt(image, 2, h)};
}

TEST(Turns, eachOrientationTurnsStoredPixelsUpright) {
    // Stored pixels for each orientation, made from the upright picture by the inverse turn.
    const QImage upright = quadrants(40, 20);
    const char* expected = "rgbw";
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const Turn turn = turnForOrientation(orientation);
        Turn inverse = Turn::None;
        for (int t = 0; t < 8; ++t) {
            if (composeTurns(turn, Turn(t)) == Turn::None)
                inverse = Turn(t);
        }
        EXPECT_EQ(composeTurns(inverse, turn), Turn::None);
        const QImage stored = turnImage(upright, inverse);
        EXPECT_EQ(stored.size(), orientation >= 5 ? QSize(20, 40) : QSize(40, 20));
        EXPECT_EQ(corners(turnImage(stored, turn)), expected) << orientation;
    }
    // Orientation 6 is stored turned a quarter counter-clockwise: its top-left corner shows
    // at the top right.
    EXPECT_EQ(corners(turnImage(quadrants(40, 20), turnForOrientation(6))), "wrgb");
    EXPECT_EQ(turnForOrientation(0), Turn::None);
    EXPECT_EQ(turnForOrientation(9), Turn::None);
    EXPECT_EQ(composeTurns(Turn::Clockwise, Turn::Clockwise), Turn::HalfTurn);
    EXPECT_EQ(composeTurns(Turn::MirrorLeftRight, Turn::Clockwise), Turn::Transverse);
}

class OrientedPhotos : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(photo("landscape", 1))) {
            if (testing::inContinuousIntegration())
                FAIL() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
            GTEST_SKIP() << "the real photos are not here";
        }
    }
    CatalogItem item(const std::string& path) {
        CatalogItem i;
        i.fullPath = path;
        i.fileName = std::filesystem::path(path).filename().string();
        (void)readPhotoInfoInto(path, i);
        i.isExif = 1;
        return i;
    }
    // Each orientation's output against the upright photo's: it matches the upright output
    // better, by a clear margin, than any turned or mirrored version of it.
    template <typename Output>
    void eachAgainstUpright(Output output) {
        for (const char* shape : {"landscape", "portrait"}) {
            const QImage upright = output(photo(shape, 1), std::string(shape) + "1");
            ASSERT_FALSE(upright.isNull());
            for (int orientation = 2; orientation <= 8; ++orientation) {
                const std::string tag = shape + std::to_string(orientation);
                const QImage shown = output(photo(shape, orientation), tag);
                ASSERT_EQ(shown.size(), upright.size()) << tag;
                const double right = lumaPsnr(shown, upright);
                for (int t = 1; t < 8; ++t) {
                    const QImage wrong = turnImage(upright, Turn(t));
                    if (wrong.size() == shown.size()) {
                        EXPECT_GT(right, lumaPsnr(shown, wrong) + 3.0) << tag << " turn " << t;
                    }
                }
            }
        }
    }
    TempDir dir;
};

TEST_F(OrientedPhotos, sizesAreThoseOfTheShownPicture) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (const char* shape : {"landscape", "portrait"}) {
            const QSize shown =
                std::string(shape) == "landscape" ? QSize(600, 450) : QSize(450, 600);
            CatalogItem i = item(photo(shape, orientation));
            EXPECT_EQ(QSize(i.width, i.height), shown) << shape << orientation;
            EXPECT_EQ(imageFileSize(testing::readFile(i.fullPath)), shown);
            EXPECT_EQ(loadImage(i.fullPath).image.size(), shown);
            EXPECT_EQ(loadImage(i.fullPath, QSize(150, 150)).image.size(), shown / 2);
        }
    }
}

TEST_F(OrientedPhotos, thumbnailsAreUpright) {
    eachAgainstUpright([&](const std::string& path, const std::string&) {
        return renderCatalogThumbnail(item(path), 160, 120);
    });
}

TEST_F(OrientedPhotos, resizedCopiesAreUprightAndSayOrientationOne) {
    eachAgainstUpright([&](const std::string& path, const std::string& tag) {
        std::filesystem::create_directories(dir.file(tag));
        ItemOutcome outcome =
            resizeItem(item(path), {.bound = 300, .restoreExif = true}, dir.file(tag) + "/");
        EXPECT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        const Bytes written = testing::readFile(outcome.output);
        EXPECT_EQ(jpegmeta::readOrientation(written), 1);
        return decodeImage(written).image;
    });
}

TEST_F(OrientedPhotos, cropRectanglesAreOnTheUprightPicture) {
    eachAgainstUpright([&](const std::string& path, const std::string& tag) {
        const std::string out = dir.file(tag + ".png");
        ItemOutcome outcome = cropItem({.x = 100, .y = 50, .width = 250, .height = 120}, path, out);
        EXPECT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        return loadImage(outcome.output).image;
    });
}

TEST_F(OrientedPhotos, watermarkedCopiesAreUpright) {
    CControlTracker noLayers;
    eachAgainstUpright([&](const std::string& path, const std::string& tag) {
        std::filesystem::create_directories(dir.file(tag));
        ItemOutcome outcome =
            watermarkImage(item(path), noLayers, dir.file(tag) + "/", [](const std::string&) {});
        EXPECT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        return loadImage(outcome.output).image;
    });
}

}  // namespace
}  // namespace pixmill
