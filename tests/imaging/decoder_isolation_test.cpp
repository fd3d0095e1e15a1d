// A picture that fails to decode must not affect the next one decoded on the same thread: a
// JPEG cut inside its tables once left the thread's decoder failing every later file. Each
// operation that decodes runs a cut camera photo and then good ones, all on this thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "engine/catalog/photo_fields.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/jpegmeta/section_reader.h"
#include "engine/watermark/control_tracker.h"
#include "engine/watermark/watermark_batch.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::TempDir;

const char* const kGood[] = {"Canon_40D.jpg", "Nikon_D70.jpg", "Pentax_K10D.jpg"};

std::string realPhoto(const std::string& name) {
    return std::string(PIXMILL_REAL_PHOTOS) + "/" + name;
}

// A camera photo cut in the middle of its last Huffman table, where the decoder's header read
// fails in a way that once left the decoder failing every later file.
Bytes cutInsideTables(const Bytes& photo) {
    jpegmeta::SectionReader reader(photo);
    jpegmeta::SectionSpan span;
    std::uint64_t lastTable = 0;
    while (reader.next(span) == jpegmeta::SectionStep::Section && span.marker != 0xDA) {
        if (span.marker == 0xC4)
            lastTable = span.offset;
    }
    if (lastTable == 0)
        return {};
    return Bytes(photo.begin(), photo.begin() + std::ptrdiff_t(lastTable + 90));
}

class DecoderIsolation : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(realPhoto(kGood[0]))) {
            if (std::getenv("CI"))
                FAIL() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
            GTEST_SKIP() << "the real photos are not here";
        }
        std::filesystem::create_directory(dir.path() / "out");
        Bytes cut = cutInsideTables(testing::readFile(realPhoto("tests/28-hex_value.jpg")));
        ASSERT_FALSE(cut.empty());
        dir.write("0-cut.jpg", cut);
        for (const char* name : kGood) {
            std::filesystem::copy_file(realPhoto(name), dir.file(name));
            std::filesystem::permissions(dir.file(name), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
        }
    }
    CatalogItem item(const std::string& name) {
        // As the catalog fills it: the sizes come from the metadata reader, not the decoder.
        CatalogItem i;
        i.fileName = name;
        i.fullPath = dir.file(name);
        (void)readPhotoInfoInto(i.fullPath, i);
        if (i.width == 0)
            i.width = 4000, i.height = 3000;
        return i;
    }
    // Runs `operation` over the cut file and then the good ones, here on one thread.
    template <typename Operation>
    void cutThenGood(Operation operation) {
        testing::Recorder quiet;
        EXPECT_NE(operation(item("0-cut.jpg")), ItemStatus::Ok);
        for (const char* name : kGood)
            EXPECT_EQ(operation(item(name)), ItemStatus::Ok) << name;
    }
    TempDir dir;
    std::string out() { return dir.folder() + "out/"; }
};

TEST_F(DecoderIsolation, resize) {
    cutThenGood([&](const CatalogItem& i) {
        return resizeItem(i, {.bound = 64, .restoreExif = true}, out()).status;
    });
}

TEST_F(DecoderIsolation, crop) {
    cutThenGood([&](const CatalogItem& i) {
        return cropItem({0, 0, 32, 32}, i.fullPath, out() + i.fileName).status;
    });
}

TEST_F(DecoderIsolation, rotate) {
    cutThenGood([&](CatalogItem i) { return rotateFlipItem(i, kRotate90).status; });
}

TEST_F(DecoderIsolation, watermark) {
    CControlTracker group;
    cutThenGood([&](const CatalogItem& i) {
        return watermarkImage(i, group, out(), [](const std::string&) {}).status;
    });
}

TEST_F(DecoderIsolation, catalogThumbnails) {
    // The thumbnails of the good photos as a fresh thread draws them.
    std::vector<QImage> expected;
    std::thread([&] {
        for (const char* name : kGood)
            expected.push_back(renderCatalogThumbnail(item(name), 96, 72));
    }).join();
    const QImage blank = renderCatalogThumbnail(item("0-cut.jpg"), 96, 72);
    for (std::size_t n = 0; n < std::size(kGood); ++n) {
        const QImage got = renderCatalogThumbnail(item(kGood[n]), 96, 72);
        EXPECT_EQ(got, expected[n]) << kGood[n];
        EXPECT_NE(got, blank) << kGood[n];
    }
}

}  // namespace
}  // namespace pixmill
