// What the batch operations make of the input-only formats: resize, crop and the catalog's
// thumbnail read them and write JPEG under the base name with ".jpg"; rotate and the metadata
// commands leave them alone with a message; a damaged file writes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/batch/metadata_job.h"
#include "engine/imaging/batch_output.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/colour_profile.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/input_formats.h"
#include "engine/imaging/output_format.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/jpegmeta/exif_orientation.h"
#include "engine/jpegmeta/photo_info.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrantAt;
using testing::quadrants;
using testing::TempDir;

class InputOutputs : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.path() / "out");
        const QImage picture = quadrants(240, 160);
        for (const char* name : {"a.webp", "b.TIF", "c.gif"}) {
            const std::string extension = std::string(name).substr(2);
            const char* format = extension == "TIF" ? "tiff" : extension.c_str();
            dir.write(name, testing::writtenAs(picture, format));
        }
        const std::string heic = std::string(PIXMILL_REAL_PHOTOS) + "/heic/samplefilehub.heif";
        if (std::filesystem::exists(heic)) {
            std::filesystem::copy_file(heic, dir.file("d.heif"));
        } else if (std::getenv("CI")) {
            FAIL() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
        }
    }

    CatalogItem item(const std::string& name) const {
        CatalogItem item;
        item.fileName = name;
        item.fullPath = dir.file(name);
        const QSize size = imageFileSize(testing::readFile(item.fullPath));
        item.width = size.width();
        item.height = size.height();
        return item;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> all = {"a.webp", "b.TIF", "c.gif"};
        if (std::filesystem::exists(dir.file("d.heif")))
            all.push_back("d.heif");
        return all;
    }

    std::string out() const { return dir.folder() + "out/"; }

    TempDir dir;
};

TEST(OutputNaming, keptFormatIsJpegForJpegAndInputOnlySourcesUnderTheBaseName) {
    struct Case {
        const char* source;
        EncodedFormat kept;
        const char* output;
    } cases[] = {
        {"IMG_1.HEIC", EncodedFormat::Jpeg, "IMG_1.jpg"},
        {"a.b.webp", EncodedFormat::Jpeg, "a.b.jpg"},
        {"scan.tiff", EncodedFormat::Jpeg, "scan.jpg"},
        {"x.gif", EncodedFormat::Jpeg, "x.jpg"},
        {"photo.JPEG", EncodedFormat::Jpeg, "photo.JPEG"},
        {"p.png", EncodedFormat::Png, "p.png"},
        {"b.BMP", EncodedFormat::Bmp, "b.BMP"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writtenFormat(OutputOptions{}, formatOfFileName(c.source)), c.kept) << c.source;
        EXPECT_EQ(outputFileName(c.source, c.kept), c.output) << c.source;
        CatalogItem item;
        item.fileName = c.source;
        EXPECT_EQ(outputPathFor("/o/", item), std::string("/o/") + c.output);
    }
    EXPECT_EQ(outputFileName("p.png", EncodedFormat::Jpeg), "p.jpg");
    EXPECT_EQ(outputFileName("IMG_1.HEIC", EncodedFormat::Webp), "IMG_1.webp");
}

TEST_F(InputOutputs, resizeWritesJpegUnderTheBaseNameWhetherOrNotThePictureFits) {
    for (int bound : {120, 4000}) {
        for (const std::string& name : names()) {
            SCOPED_TRACE(name + " at " + std::to_string(bound));
            const CatalogItem source = item(name);
            ItemOutcome outcome = resizeItem(source, {bound, true}, out());
            ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
            const std::string expected = out() + outputFileName(name, EncodedFormat::Jpeg);
            EXPECT_EQ(outcome.output, expected);
            const Bytes written = testing::readFile(expected);
            EXPECT_EQ(sniffImageFormat(written), ImageFileFormat::Jpeg);
            const QSize size = imageFileSize(written);
            EXPECT_EQ(size, bound >= std::max(source.width, source.height)
                                ? QSize(source.width, source.height)
                                : resizedSize(source.width, source.height, bound));
            if (name != "d.heif") {
                const QImage image = decodeImage(written).image;
                EXPECT_EQ(quadrantAt(image, 5, 5), 'r');
                EXPECT_EQ(quadrantAt(image, image.width() - 5, image.height() - 5), 'b');
            }
            EXPECT_FALSE(std::filesystem::exists(out() + name));
        }
    }
}

TEST_F(InputOutputs, resizeCarriesAPhonePicturesExifMadeUprightWhenAsked) {
    const std::string phone = std::string(PIXMILL_REAL_PHOTOS) + "/heic/iphone_13_pro_max.HEIC";
    if (!std::filesystem::exists(phone))
        GTEST_SKIP() << "the real photos are not here";
    std::filesystem::copy_file(phone, dir.file("IMG_1.HEIC"));
    CatalogItem source = item("IMG_1.HEIC");
    source.isExif = 1;
    for (bool restore : {true, false}) {
        SCOPED_TRACE(restore);
        ASSERT_EQ(resizeItem(source, {400, restore}, out()).status, ItemStatus::Ok);
        const Bytes written = testing::readFile(out() + "IMG_1.jpg");
        EXPECT_EQ(imageFileSize(written), QSize(300, 400));
        jpegmeta::PhotoInfo info;
        jpegmeta::PhotoInfoReader reader(&info);
        (void)reader.parse(written);
        EXPECT_EQ(info.isExif, restore);
        EXPECT_EQ(info.cameraModel, restore ? "iPhone 13 Pro Max" : "");
        EXPECT_EQ(info.dateTime, restore ? "2022:02:16 12:55:41" : "");
        // The pixels are already turned: a viewer must not turn them again.
        EXPECT_EQ(jpegmeta::readOrientation(written), 1);
        EXPECT_FALSE(rgbProfileOf(written).empty());  // Display P3 either way
    }
}

TEST_F(InputOutputs, cropWritesJpegUnderTheBaseName) {
    for (const std::string& name : names()) {
        SCOPED_TRACE(name);
        const std::string output = out() + outputFileName(name, EncodedFormat::Jpeg);
        ItemOutcome outcome = cropItem({130, 90, 100, 60}, dir.file(name),
                                       outputPathFor(out(), item(name)), systemFileOps());
        ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        EXPECT_EQ(outcome.output, output);
        const LoadedImage cut = decodeImage(testing::readFile(output));
        EXPECT_EQ(cut.format, ImageFileFormat::Jpeg);
        EXPECT_EQ(cut.image.size(), QSize(100, 60));
        if (name != "d.heif") {
            EXPECT_EQ(quadrantAt(cut.image, 50, 30), 'b');
        }
    }
}

TEST_F(InputOutputs, thumbnailsAreDrawnFromEveryInputOnlyFormat) {
    for (const std::string& name : names()) {
        SCOPED_TRACE(name);
        const QImage thumb = renderCatalogThumbnail(item(name), 200, 160);
        ASSERT_EQ(thumb.size(), QSize(200, 160));
        // Drawn, not the empty black box of an undecodable file.
        int drawn = 0;
        for (int y = 0; y < thumb.height(); ++y) {
            for (int x = 0; x < thumb.width(); ++x)
                drawn += thumb.pixelColor(x, y) != QColor(Qt::black);
        }
        EXPECT_GT(drawn, 200 * 130 * 9 / 10);
        if (name != "d.heif") {
            EXPECT_EQ(quadrantAt(thumb, 40, 30), 'r');
            EXPECT_EQ(quadrantAt(thumb, 160, 130), 'b');
        }
    }
}

TEST_F(InputOutputs, rotateAndTheMetadataCommandsSkipThemAndChangeNothing) {
    for (const std::string& name : names()) {
        SCOPED_TRACE(name);
        const Bytes before = testing::readFile(dir.file(name));
        CatalogItem row = item(name);
        ItemOutcome turned = rotateFlipItem(row, kRotate90);
        EXPECT_EQ(turned.status, ItemStatus::Skipped);
        EXPECT_NE(turned.message.find("不能旋转"), std::string::npos) << turned.message;
        EXPECT_EQ(row.width, item(name).width);  // the row keeps its size
        for (BatchKind kind : {BatchKind::DeleteExif, BatchKind::PureJpeg, BatchKind::AddComment,
                               BatchKind::ShiftTime}) {
            WorkedRow worked{0, item(name)};
            BatchEnvironment env;
            ItemOutcome outcome = makeMetadataJob(kind, {"comment", 5}).perItem(worked, env);
            EXPECT_EQ(outcome.status, ItemStatus::Skipped) << int(kind);
            EXPECT_NE(outcome.message.find("不是 JPEG 图片"), std::string::npos);
        }
        EXPECT_EQ(testing::readFile(dir.file(name)), before);
    }
    // By its bytes too: a WebP under a JPEG name is not turned as one.
    dir.write("disguised.jpg", testing::readFile(dir.file("a.webp")));
    CatalogItem disguised = item("disguised.jpg");
    EXPECT_EQ(rotateFlipItem(disguised, kRotate90).status, ItemStatus::Skipped);
}

TEST_F(InputOutputs, damagedInputsOverwriteNoEarlierOutput) {
    Bytes webp = testing::readFile(dir.file("a.webp"));
    for (std::size_t i = 40; i < webp.size(); ++i)
        webp[i] ^= 0x5A;
    dir.write("bad.webp", webp);
    dir.write("empty.gif", std::string_view("GIF89a"));
    for (const char* name : {"bad.webp", "empty.gif"}) {
        SCOPED_TRACE(name);
        const std::string output = out() + outputFileName(name, EncodedFormat::Jpeg);
        dir.write("out/" + outputFileName(name, EncodedFormat::Jpeg), std::string_view("old"));
        ItemOutcome outcome = resizeItem(item(name), {100, true}, out());
        EXPECT_EQ(outcome.status, ItemStatus::Failed);
        EXPECT_NE(outcome.message.find("图片已损坏"), std::string::npos) << outcome.message;
        EXPECT_EQ(testing::readText(output), "old");
    }
}

}  // namespace
}  // namespace pixmill
