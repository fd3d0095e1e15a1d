// CMYK pictures converted through their profiles, and colour profiles carried into outputs.
#include "engine/imaging/colour_profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/catalog/folder_scan.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/png_chunks.h"
#include "engine/imaging/resize_batch.h"
#include "engine/jpegmeta/icc_profile.h"
#include "engine/watermark/watermark_batch.h"
#include "imaging/imaging_fixtures.h"
#include "jpegmeta/oracle_support.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::readFile;
using testing::TempDir;

constexpr const char* kProfiles = "/usr/share/color/icc/ghostscript/";

// Ink patches, 8 pixels wide each, as fractions of full ink: C, M, Y, K.
const std::vector<std::array<int, 4>> kPatches = {
    {100, 0, 0, 0}, {0, 100, 0, 0}, {0, 0, 100, 0},   {0, 0, 0, 100},
    {50, 50, 0, 0}, {0, 0, 0, 50},  {20, 40, 60, 10}, {0, 0, 0, 0},
};

// A CMYK JPEG of the patches, stored the Adobe way (inverted inks), as TurboJPEG writes it.
Bytes cmykPatches() {
    const int width = int(kPatches.size()) * 8, height = 8;
    std::vector<std::uint8_t> inks(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c)
                inks[(std::size_t(y) * width + x) * 4 + c] =
                    std::uint8_t(255 - kPatches[std::size_t(x / 8)][std::size_t(c)] * 255 / 100);
    return testing::cmykJpeg(inks, width, height);
}

Bytes withProfile(const Bytes& jpeg, const Bytes& profile) {
    return *jpegmeta::withJpegIccProfile(jpeg, profile);
}

// The largest difference of one colour channel between the patch centres of two pictures.
int largestPatchDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int i = 0; i < int(kPatches.size()); ++i) {
        QColor p = a.pixelColor(i * 8 + 4, 4), q = b.pixelColor(i * 8 + 4, 4);
        largest = std::max({largest, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                            std::abs(p.blue() - q.blue())});
    }
    return largest;
}

bool haveImageMagick() {
    if (!testing::runCommand("command -v convert").empty())
        return true;
    if (testing::inContinuousIntegration())
        ADD_FAILURE() << "ImageMagick's convert is missing";
    return false;
}

// ImageMagick's conversion of `jpeg` to sRGB: through its own profile, or `cmykProfile` first;
// perceptual, with the darkest ink mapped to black.
QImage convertedByImageMagick(const TempDir& dir, const Bytes& jpeg,
                              const std::string& cmykProfile) {
    dir.write("oracle.jpg", jpeg);
    std::string first = cmykProfile.empty() ? "" : " -profile " + cmykProfile;
    testing::runCommand("convert " + dir.file("oracle.jpg") +
                        " -intent Perceptual -black-point-compensation" + first + " -profile " +
                        kProfiles + "srgb.icc " + dir.file("oracle.png"));
    return QImage(QString::fromStdString(dir.file("oracle.png")));
}

TEST(CmykColour, convertedThroughTheEmbeddedOrStandardProfileAsImageMagickDoes) {
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    const Bytes plain = cmykPatches();
    const Bytes psProfile = readFile(std::string(kProfiles) + "ps_cmyk.icc");
    ASSERT_FALSE(psProfile.empty());
    const Bytes embedded = withProfile(plain, psProfile);

    LoadedImage standard = decodeImage(plain);
    LoadedImage own = decodeImage(embedded);
    ASSERT_FALSE(standard.isNull());
    ASSERT_FALSE(own.isNull());
    EXPECT_EQ(standard.colourNote, "");
    EXPECT_EQ(own.colourNote, "");
    EXPECT_TRUE(own.iccProfile.empty());  // the output holds sRGB, not CMYK

    QImage oracleStandard = convertedByImageMagick(dir, plain, kStandardCmykProfilePath);
    QImage oracleOwn = convertedByImageMagick(dir, embedded, "");
    ASSERT_FALSE(oracleStandard.isNull());
    ASSERT_FALSE(oracleOwn.isNull());
    EXPECT_LE(largestPatchDifference(standard.image, oracleStandard), 4);
    EXPECT_LE(largestPatchDifference(own.image, oracleOwn), 4);
    // The two profiles differ enough that using the wrong one would show.
    EXPECT_GT(largestPatchDifference(oracleStandard, oracleOwn), 10);
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

// The plain ink formula: full cyan is (0, 255, 255), full yellow (255, 255, 0), half black
// (128, 128, 128). Through the standard profile they are (0, 175, 239), (255, 242, 0) and
// (148, 150, 152).
void expectNaiveColours(const QImage& image) {
    EXPECT_TRUE(near(image.pixelColor(4, 4), QColor(0, 255, 255)))
        << image.pixelColor(4, 4).name().toStdString();
    EXPECT_TRUE(near(image.pixelColor(20, 4), QColor(255, 255, 0)))
        << image.pixelColor(20, 4).name().toStdString();
    EXPECT_TRUE(near(image.pixelColor(44, 4), QColor(128, 128, 128)))
        << image.pixelColor(44, 4).name().toStdString();
}

TEST(CmykColour, anUnreadableProfileFallsBackToTheInkFormulaWithANote) {
    Bytes junk(600, 0x5A);
    LoadedImage damaged = decodeImage(withProfile(cmykPatches(), junk));
    ASSERT_FALSE(damaged.isNull());
    expectNaiveColours(damaged.image);
    EXPECT_NE(damaged.colourNote.find("cannot be read"), std::string::npos) << damaged.colourNote;

    // An RGB profile in a CMYK picture cannot describe its inks either.
    LoadedImage wrongKind =
        decodeImage(withProfile(cmykPatches(), readFile(std::string(kProfiles) + "srgb.icc")));
    expectNaiveColours(wrongKind.image);
    EXPECT_FALSE(wrongKind.colourNote.empty());

    // Without a profile of its own and without the standard one.
    QImage inks = QImage(8 * 3, 8, QImage::Format_RGBX8888);
    inks.fill(QColor(0, 255, 255, 255));  // inverted inks: full cyan
    std::string note = convertCmykToSrgb(inks, {}, true, "/nonexistent/cmyk.icc");
    EXPECT_EQ(inks.pixelColor(1, 1), QColor(0, 255, 255));
    inks.fill(QColor(0, 255, 255, 255));
    EXPECT_EQ(convertCmykToSrgb(inks, {}, true), "");
    EXPECT_FALSE(near(inks.pixelColor(1, 1), QColor(0, 255, 255)));
    EXPECT_NE(note.find("standard CMYK profile cannot be read"), std::string::npos) << note;
}

class ProfileCarry : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.path() / "out");
        out = dir.folder() + "out/";
        profile = readFile(std::string(kProfiles) + "a98.icc");
        ASSERT_TRUE(jpegmeta::isRgbIccProfile(profile));
        Bytes plain = *encodeJpeg(testing::quadrants(400, 300), 95);
        dir.write("plain.jpg", withProfile(plain, profile));
        Bytes exif =
            testing::jpegWith(testing::quadrants(400, 300), {{0xE1, testing::exifPayload(1, {})}});
        dir.write("exif.jpg", withProfile(exif, profile));
    }
    CatalogItem item(const std::string& name, bool exif) {
        CatalogItem i;
        i.fileName = name;
        i.fullPath = dir.file(name);
        i.width = 400;
        i.height = 300;
        i.isExif = exif;
        return i;
    }
    TempDir dir;
    std::string out;
    Bytes profile;
};

TEST_F(ProfileCarry, resizeCropAndWatermarkOutputsCarryTheProfile) {
    ASSERT_EQ(resizeItem(item("plain.jpg", false), {200, false}, out).status, ItemStatus::Ok);
    EXPECT_EQ(jpegmeta::readJpegIccProfile(readFile(out + "plain.jpg")), profile);
    ASSERT_EQ(resizeItem(item("exif.jpg", true), {200, true}, out).status, ItemStatus::Ok);
    EXPECT_EQ(jpegmeta::readJpegIccProfile(readFile(out + "exif.jpg")), profile);

    ASSERT_EQ(cropItem({0, 0, 100, 100}, dir.file("plain.jpg"), out + "cut.jpg").status,
              ItemStatus::Ok);
    EXPECT_EQ(jpegmeta::readJpegIccProfile(readFile(out + "cut.jpg")), profile);
    ASSERT_EQ(cropItem({0, 0, 100, 100, {.format = OutputFormat::Png}}, dir.file("plain.jpg"),
                       out + "cut.png")
                  .status,
              ItemStatus::Ok);
    EXPECT_EQ(rgbProfileOf(readFile(out + "cut.png")), profile);  // as iCCP
    // and from that PNG on into a JPEG again
    ASSERT_EQ(
        cropItem({0, 0, 50, 50, {.format = OutputFormat::Jpeg}}, out + "cut.png", out + "again.jpg")
            .status,
        ItemStatus::Ok);
    EXPECT_EQ(jpegmeta::readJpegIccProfile(readFile(out + "again.jpg")), profile);

    CControlTracker group;
    std::filesystem::create_directory(dir.path() / "stamped");
    ASSERT_EQ(watermarkImage(item("exif.jpg", true), group, dir.folder() + "stamped/", {}).status,
              ItemStatus::Ok);
    EXPECT_EQ(jpegmeta::readJpegIccProfile(readFile(dir.folder() + "stamped/exif.jpg")), profile);
}

TEST(ProfileCarryRealPhotos, everyCameraProfileReachesTheOutputs) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "out");
    int withProfile = 0;
    for (const char* name : {"Canon_40D.jpg", "Nikon_D70.jpg", "Pentax_K10D.jpg"}) {
        const std::string path = std::string(PIXMILL_REAL_PHOTOS) + "/" + name;
        if (!std::filesystem::exists(path)) {
            if (testing::inContinuousIntegration())
                FAIL() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
            GTEST_SKIP() << "the real photos are not here";
        }
        SCOPED_TRACE(name);
        const Bytes profile = jpegmeta::readJpegIccProfile(readFile(path));
        ASSERT_TRUE(jpegmeta::isRgbIccProfile(profile));
        ++withProfile;
        std::filesystem::copy_file(path, dir.file(name));
        CatalogItem item;
        item.fileName = name;
        item.fullPath = dir.file(name);
        readPhotoDetails(item.fullPath, item);
        ASSERT_EQ(resizeItem(item, {120, false}, dir.folder() + "out/").status, ItemStatus::Ok);
        EXPECT_EQ(jpegmeta::readJpegIccProfile(readFile(dir.folder() + "out/" + name)), profile);
        const std::string cut = dir.folder() + "out/cut.png";
        ASSERT_EQ(
            cropItem({0, 0, 64, 64, {.format = OutputFormat::Png}}, item.fullPath, cut).status,
            ItemStatus::Ok);
        EXPECT_EQ(rgbProfileOf(readFile(cut)), profile);
    }
    EXPECT_EQ(withProfile, 3);
}

TEST(IccProfile, chunksThatDoNotFormOneProfileAreIgnored) {
    Bytes big(150000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = std::uint8_t(i * 7);
    Bytes jpeg = withProfile(*encodeJpeg(testing::quadrants(16, 16), 90), big);
    EXPECT_EQ(jpegmeta::readJpegIccProfile(jpeg), big);  // three chunks joined in order
    // The second chunk renumbered as the first: one number twice, one missing.
    std::size_t second = 0;
    for (const testing::Segment& s : testing::segmentsOf(jpeg))
        if (s.marker == 0xE2 && s.payload[12] == 2)
            second = std::size_t(s.payload.data() - jpeg.data()) + 12;
    ASSERT_NE(second, 0u);
    jpeg[second] = 1;
    EXPECT_TRUE(jpegmeta::readJpegIccProfile(jpeg).empty());
}

}  // namespace
}  // namespace pixmill
