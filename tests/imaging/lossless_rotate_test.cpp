// Rotation and mirroring of JPEGs on their coefficients: against jpegtran -perfect, in round
// trips, with grey, CMYK, 4:4:4 and trailing bytes, composed with the stored Orientation.
#include "engine/imaging/lossless_transform.h"

#include <gtest/gtest.h>

#include <turbojpeg.h>

#include <sys/stat.h>

#include <filesystem>

#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/jpegmeta/exif_orientation.h"
#include "engine/jpegmeta/image_metadata.h"
#include "imaging/imaging_fixtures.h"
#include "jpegmeta/oracle_support.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::readFile;
using testing::TempDir;

// Smooth with detail in every direction, so any wrong turn or lost block shows.
QImage pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGBX8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x * 255 / width, y * 255 / height, (x * y) % 256));
    return image;
}

// A JPEG straight from libturbojpeg with the given sampling and pixel format (TJPF_CMYK makes
// a YCCK file, TJPF_GRAY a one-component one).
Bytes encodeWith(int width, int height, int pixelFormat, int subsampling) {
    const int channels = tjPixelSize[pixelFormat];
    std::vector<unsigned char> pixels(std::size_t(width) * height * channels);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i * 7 + i / (width * channels) * 3) % 251);
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(handle, pixels.data(), width, 0, height, pixelFormat, &out, &size,
                          subsampling, 90, 0),
              0);
    Bytes bytes(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

struct Header {
    int width = 0, height = 0, subsampling = -1, colorspace = -1;
};
Header headerOf(const Bytes& file) {
    Header h;
    tjhandle handle = tjInitDecompress();
    tjDecompressHeader3(handle, file.data(), file.size(), &h.width, &h.height, &h.subsampling,
                        &h.colorspace);
    tjDestroy(handle);
    return h;
}

// Sections before the image as markers, then the rest of the file from the first frame on.
Bytes fromFrame(const Bytes& file) {
    for (const testing::Segment& s : testing::segmentsOf(file)) {
        if (s.marker == 0xDB || s.marker == 0xC0 || s.marker == 0xC2 || s.marker == 0xC4)
            return Bytes(file.begin() + std::ptrdiff_t(s.offset), file.end());
    }
    return {};
}

CatalogItem itemFor(const std::string& path) {
    CatalogItem item;
    item.fullPath = path;
    item.fileName = std::filesystem::path(path).filename().string();
    const QSize size = imageFileSize(readFile(path));
    item.width = size.width();
    item.height = size.height();
    return item;
}

ItemOutcome turn(const std::string& path, int code) {
    CatalogItem item = itemFor(path);
    return rotateFlipItem(item, code);
}

bool haveJpegtran() {
    return !testing::runCommand("command -v jpegtran").empty();
}

TEST(LosslessRotation, equalsJpegtranPerfect) {
    if (!haveJpegtran()) {
        if (testing::inContinuousIntegration())
            FAIL() << "jpegtran (libjpeg-turbo-progs) is missing";
        GTEST_SKIP() << "jpegtran is not installed";
    }
    TempDir dir;
    const std::string phone = std::string(PIXMILL_REAL_PHOTOS) + "/mobile/jolla.jpg";
    std::vector<std::pair<std::string, Bytes>> sources = {
        {"444", encodeWith(64, 48, TJPF_RGB, TJSAMP_444)},
        {"grey", encodeWith(40, 24, TJPF_GRAY, TJSAMP_GRAY)},
        {"422", encodeWith(48, 32, TJPF_RGB, TJSAMP_422)},
    };
    if (std::filesystem::exists(phone))
        sources.push_back({"phone", readFile(phone)});
    else if (testing::inContinuousIntegration())
        FAIL() << "the real photos are missing";
    const std::pair<int, const char*> ops[] = {{kRotate90, "-rotate 90"},
                                               {kRotate270, "-rotate 270"},
                                               {kFlipX, "-flip horizontal"},
                                               {kFlipY, "-flip vertical"}};
    for (const auto& [name, bytes] : sources) {
        for (const auto& [code, option] : ops) {
            SCOPED_TRACE(name + " " + option);
            const std::string ours = dir.file(name + ".jpg");
            const std::string theirs = dir.file(name + "-jpegtran.jpg");
            dir.write(name + ".jpg", bytes);
            testing::runCommand("jpegtran -perfect -copy all " + std::string(option) +
                                " -outfile " + theirs + " " + ours);
            ASSERT_TRUE(std::filesystem::exists(theirs));
            ItemOutcome outcome = turn(ours, code);
            ASSERT_EQ(outcome.status, ItemStatus::Ok);
            EXPECT_EQ(outcome.message, "");  // no fallback
            const Bytes a = readFile(ours), b = readFile(theirs);
            EXPECT_EQ(fromFrame(a), fromFrame(b));  // tables and scan data byte for byte
            EXPECT_EQ(decodeImage(a).image, decodeImage(b).image);
            EXPECT_NEAR(double(a.size()), double(bytes.size()), 0.05 * double(bytes.size()));
        }
    }
}

TEST(LosslessRotation, roundTripsKeepSamplingColourSectionsAndTrailingBytes) {
    TempDir dir;
    static constexpr char kVideo[] =
        "\0\0\0\x18"
        "ftypmp42 motion photo video";
    const Bytes video(kVideo, kVideo + sizeof kVideo - 1);
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"444", encodeWith(64, 48, TJPF_RGB, TJSAMP_444)},
        {"420", encodeWith(64, 48, TJPF_RGB, TJSAMP_420)},
        {"grey", encodeWith(40, 24, TJPF_GRAY, TJSAMP_GRAY)},
        {"cmyk", encodeWith(32, 16, TJPF_CMYK, TJSAMP_444)},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A comment, an unknown APP9 and trailing bytes, as a phone's motion photo has.
        Bytes file = {0xFF, 0xD8, 0xFF, 0xE9, 0x00, 0x06, 'a', 'p',
                      'p',  '9',  0xFF, 0xFE, 0x00, 0x04, 'h', 'i'};
        file.reserve(file.size() + c.bytes.size() + video.size());
        file.insert(file.end(), c.bytes.begin() + 2, c.bytes.end());
        file.insert(file.end(), video.begin(), video.end());
        const std::string path = dir.file(std::string(c.name) + ".jpg");
        dir.write(std::string(c.name) + ".jpg", file);
        const Header before = headerOf(file);

        ASSERT_EQ(turn(path, kRotate90).status, ItemStatus::Ok);
        const Bytes once = readFile(path);
        const Header after = headerOf(once);
        EXPECT_EQ(after.width, before.height);
        EXPECT_EQ(after.subsampling,
                  before.subsampling == TJSAMP_422 ? TJSAMP_440 : before.subsampling);
        EXPECT_EQ(after.colorspace, before.colorspace);
        EXPECT_TRUE(std::equal(video.rbegin(), video.rend(), once.rbegin()));
        const std::string text(once.begin(), once.end());
        EXPECT_NE(text.find("app9"), std::string::npos);
        EXPECT_NE(text.find("hi"), std::string::npos);

        for (int code : {kRotate90, kRotate90, kRotate90, kRotate90, kFlipX, kFlipX, kFlipY, kFlipY,
                         kRotate270, kRotate90})
            ASSERT_EQ(turn(path, code).status, ItemStatus::Ok);
        EXPECT_EQ(readFile(path), once);  // byte for byte
        for (int code : {kRotate90, kRotate90, kRotate90})
            ASSERT_EQ(turn(path, code).status, ItemStatus::Ok);
        // Four quarter turns from the original: the same coefficients, so the same pixels.
        EXPECT_EQ(decodeImage(readFile(path)).image, decodeImage(file).image);
    }
}

TEST(LosslessRotation, composesTheUsersTurnWithTheStoredOrientation) {
    TempDir dir;
    // Stored turned a quarter counter-clockwise with Orientation 6: shown upright.
    const QImage upright = pattern(64, 32);
    const QImage stored = turnImage(upright, Turn::CounterClockwise);
    const Bytes exif = testing::exifPayload(6, testing::jpegWith(stored.scaled(16, 32), {}));
    dir.write("a.jpg", testing::jpegWith(stored, {{0xE1, exif}}));
    const QImage shown = loadImage(dir.file("a.jpg")).image;
    ASSERT_EQ(shown.size(), QSize(64, 32));

    ItemOutcome outcome = turn(dir.file("a.jpg"), kRotate90);
    ASSERT_EQ(outcome.status, ItemStatus::Ok);
    EXPECT_EQ(outcome.message, "");
    const Bytes after = readFile(dir.file("a.jpg"));
    EXPECT_EQ(jpegmeta::readOrientation(after), 1);
    EXPECT_FALSE(jpegmeta::exifThumbnail(after).empty());  // made again
    const QImage turned = decodeImage(after).image;
    // What the user saw, turned clockwise (the coefficients only moved; the decoder's chroma
    // smoothing alone differs).
    EXPECT_GT(testing::lumaPsnr(turned, turnImage(shown, Turn::Clockwise)), 45.0);
    EXPECT_LT(testing::lumaPsnr(turned, turnImage(shown, Turn::CounterClockwise)), 30.0);
}

TEST(LosslessRotation, partialBlocksFallBackToReencodingAndSaySo) {
    TempDir dir;
    const QImage picture = pattern(30, 20);  // not a whole number of 16-pixel blocks
    ASSERT_TRUE(saveAsJpeg(picture, {}, dir.file("a.jpg")));
    const QImage before = loadImage(dir.file("a.jpg")).image;
    ItemOutcome outcome = turn(dir.file("a.jpg"), kRotate90);
    ASSERT_EQ(outcome.status, ItemStatus::Ok);
    EXPECT_NE(outcome.message.find("not a whole number of blocks"), std::string::npos);
    EXPECT_NE(outcome.message.find("encoded again"), std::string::npos);
    const QImage after = loadImage(dir.file("a.jpg")).image;
    EXPECT_GT(testing::lumaPsnr(after, turnImage(before, Turn::Clockwise)), 40.0);
    // A transpose keeps every block edge where it was: lossless whatever the size.
    EXPECT_TRUE(turnJpegLosslessly(readFile(dir.file("a.jpg")), Turn::Transpose).isOk());
    EXPECT_EQ(turnJpegLosslessly(readFile(dir.file("a.jpg")), Turn::Clockwise).code(),
              kLosslessNotWholeBlocks);
}

TEST(LosslessRotation, badInputLeavesTheFileAsItWas) {
    TempDir dir;
    testing::Recorder quiet;
    const Bytes good = encodeWith(32, 32, TJPF_RGB, TJSAMP_420);
    // Cut inside its tables, damaged in the frame header, and read-only.
    dir.write("cut.jpg", Bytes(good.begin(), good.begin() + 120));
    Bytes damaged = good;
    for (const testing::Segment& s : testing::segmentsOf(damaged)) {
        if (s.marker == 0xC0)
            damaged[s.offset + 5] = damaged[s.offset + 6] = 0;  // height 0
    }
    dir.write("damaged.jpg", damaged);
    dir.write("readonly.jpg", good);
    ::chmod(dir.file("readonly.jpg").c_str(), 0444);
    for (const char* name : {"cut.jpg", "damaged.jpg", "readonly.jpg"}) {
        SCOPED_TRACE(name);
        const Bytes before = readFile(dir.file(name));
        ItemOutcome outcome = turn(dir.file(name), kRotate90);
        EXPECT_NE(outcome.status, ItemStatus::Ok);
        EXPECT_EQ(readFile(dir.file(name)), before);
    }
    EXPECT_EQ(turn(dir.file("readonly.jpg"), kFlipX).status, ItemStatus::Skipped);
    EXPECT_EQ(turnJpegLosslessly(Bytes{}, Turn::Clockwise).code(), kLosslessLibrary);

    // An Orientation outside 1..8 counts as 1: the turn is the user's alone.
    Bytes exif = testing::exifPayload(9, {});
    dir.write("nine.jpg", testing::jpegWith(pattern(32, 16), {{0xE1, exif}}));
    const QImage shown = loadImage(dir.file("nine.jpg")).image;
    ASSERT_EQ(turn(dir.file("nine.jpg"), kRotate90).status, ItemStatus::Ok);
    const QImage turned = loadImage(dir.file("nine.jpg")).image;
    EXPECT_GT(testing::lumaPsnr(turned, turnImage(shown, Turn::Clockwise)), 45.0);
}

}  // namespace
}  // namespace pixmill
