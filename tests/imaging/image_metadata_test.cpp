#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/exif_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/imaging_fixtures.h"

namespace pixmill {
namespace {

using jpegmeta::carryMetadata;
using jpegmeta::exifThumbnail;
using jpegmeta::readJpegDensity;
using jpegmeta::withoutExifThumbnail;
using jpegmeta::writeJfifDensity;

using testing::isExifSegment;
using testing::Segment;
using testing::segmentsOf;

using testing::bytesOf;
using testing::exifPayload;
using testing::jpegWith;
using testing::quadrants;

Bytes iccPayload(const char* colourSpace) {
    Bytes p = bytesOf(std::string_view("ICC_PROFILE\0\x01\x01", 14));
    Bytes profile(128, 0);
    std::copy_n(colourSpace, 4, profile.begin() + 16);
    p.insert(p.end(), profile.begin(), profile.end());
    return p;
}

std::vector<std::uint8_t> markers(ByteSpan file) {
    std::vector<std::uint8_t> out;
    for (const Segment& s : segmentsOf(file))
        out.push_back(s.marker);
    return out;
}

// The bytes from the first DQT on: what the encoder made of the pixels.
Bytes imageData(ByteSpan file) {
    for (const Segment& s : segmentsOf(file))
        if (s.marker == 0xDB)
            return Bytes(file.begin() + std::ptrdiff_t(s.offset), file.end());
    return {};
}

TEST(ImageMetadata, densityFromJfifOrExif) {
    Bytes plain = jpegWith(quadrants(16, 16), {});
    EXPECT_EQ(readJpegDensity(plain).x, 0.0f);  // the encoder's header gives an aspect only

    writeJfifDensity(plain, {72.4f, 150.0f});
    EXPECT_EQ(readJpegDensity(plain).x, 72.0f);
    EXPECT_EQ(readJpegDensity(plain).y, 150.0f);

    Bytes withExif = jpegWith(quadrants(16, 16), {{0xE1, exifPayload(1, {})}});
    EXPECT_EQ(readJpegDensity(withExif).x, 300.0f);

    // Dots per centimetre become dots per inch, in the JFIF header and in EXIF alike.
    Bytes perCm = jpegWith(quadrants(16, 16), {});
    perCm[13] = 2;  // units: dots per centimetre
    perCm[14] = 0, perCm[15] = 100, perCm[16] = 0, perCm[17] = 50;
    EXPECT_FLOAT_EQ(readJpegDensity(perCm).x, 254.0f);
    EXPECT_FLOAT_EQ(readJpegDensity(perCm).y, 127.0f);
    Bytes exifCm = exifPayload(1, {});
    // ResolutionUnit is IFD0's fourth entry: its value sits 8 + 2 + 3 * 12 + 8 bytes in.
    ASSERT_EQ(exifCm[6 + 8 + 2 + 3 * 12 + 8], 2);
    exifCm[6 + 8 + 2 + 3 * 12 + 8] = 3;
    Bytes withCm = jpegWith(quadrants(16, 16), {{0xE1, exifCm}});
    EXPECT_FLOAT_EQ(readJpegDensity(withCm).x, 762.0f);
}

TEST(ImageMetadata, thumbnailIsFoundAndRemoved) {
    Bytes thumbnail = jpegWith(quadrants(8, 8), {});
    for (bool inside : {false, true}) {
        SCOPED_TRACE(inside ? "thumbnail inside the directory data" : "thumbnail at the end");
        Bytes payload = exifPayload(6, thumbnail, inside);
        Bytes file = jpegWith(quadrants(16, 16), {{0xE1, payload}});
        ByteSpan found = exifThumbnail(file);
        ASSERT_EQ(found.size(), thumbnail.size());
        EXPECT_TRUE(std::equal(found.begin(), found.end(), thumbnail.begin()));

        Bytes stripped = withoutExifThumbnail(payload);
        Bytes strippedFile = jpegWith(quadrants(16, 16), {{0xE1, stripped}});
        EXPECT_TRUE(exifThumbnail(strippedFile).empty());
        EXPECT_EQ(readJpegDensity(strippedFile).x, 300.0f);  // IFD0 untouched
        const std::size_t expected =
            inside ? payload.size() : payload.size() - thumbnail.size() - 30;  // IFD1 is 30
        EXPECT_EQ(stripped.size(), expected);
    }
}

TEST(ImageMetadata, thumbnailRemovalSurvivesHostileDirectories) {
    Bytes payload = exifPayload(1, jpegWith(quadrants(8, 8), {}));
    // IFD1 pointing back at IFD0, and entry counts running past the end.
    Bytes loop = payload;
    loop[6 + 58] = 8;  // IFD0's link, 8 + 2 + 4 * 12 bytes in
    loop[6 + 59] = 0;
    Bytes huge = payload;
    huge[6 + 8] = 0xFF;
    huge[6 + 9] = 0xFF;
    for (const Bytes& bytes : {loop, huge, Bytes(payload.begin(), payload.begin() + 20)}) {
        Bytes out = withoutExifThumbnail(bytes);
        EXPECT_LE(out.size(), bytes.size());
    }
}

TEST(ImageMetadata, carriesMetadataSectionsWithoutTouchingImageData) {
    Bytes exif = exifPayload(1, jpegWith(quadrants(8, 8), {}));
    Bytes xmp = bytesOf(std::string_view("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    Bytes source = jpegWith(quadrants(32, 32), {{0xE1, exif},
                                                {0xE1, xmp},
                                                {0xE2, iccPayload("RGB ")},
                                                {0xED, bytesOf("Photoshop 3.0")},
                                                {0xEE, bytesOf("Adobe-transform")},
                                                {0xFE, bytesOf("a comment")}});
    Bytes encoded = jpegWith(quadrants(16, 16), {});

    std::optional<Bytes> carried = carryMetadata(source, encoded);
    ASSERT_TRUE(carried);
    // EXIF first with no JFIF header before it, then comment, IPTC, XMP and the RGB profile;
    // no APP14, and the encoder's own JFIF header is gone.
    EXPECT_EQ(markers(*carried).size(), markers(encoded).size() + 4);
    std::vector<std::uint8_t> expected = {0xE1, 0xFE, 0xED, 0xE1, 0xE2, 0xDB};
    std::vector<std::uint8_t> got = markers(*carried);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
    EXPECT_EQ(imageData(*carried), imageData(encoded));
    EXPECT_FALSE(exifThumbnail(*carried).empty());

    std::optional<Bytes> stripped = carryMetadata(source, encoded, {.removeExifThumbnail = true});
    ASSERT_TRUE(stripped);
    EXPECT_TRUE(exifThumbnail(*stripped).empty());
    EXPECT_EQ(imageData(*stripped), imageData(encoded));
}

TEST(ImageMetadata, carryIntoAnUprightPictureSaysOrientationOne) {
    // The source was shown turned: its thumbnail lies the old way and goes.
    Bytes source =
        jpegWith(quadrants(32, 16), {{0xE1, exifPayload(6, jpegWith(quadrants(8, 8), {}))}});
    std::optional<Bytes> carried = carryMetadata(source, jpegWith(quadrants(16, 32), {}));
    ASSERT_TRUE(carried);
    EXPECT_EQ(jpegmeta::readOrientation(source), 6);
    EXPECT_EQ(jpegmeta::readOrientation(*carried), 1);
    EXPECT_TRUE(exifThumbnail(*carried).empty());
}

TEST(ImageMetadata, carryOrdersTheSectionsWhateverTheSourceOrder) {
    // A source ordered COM, APP0, APP1 with a second comment: EXIF, then the first comment.
    Bytes exif = exifPayload(1, {});
    Bytes jfif = bytesOf(std::string_view("JFIF\0\x01\x01\x01\0\x48\0\x48\0\0", 14));
    Bytes source =
        jpegWith(quadrants(16, 16),
                 {{0xFE, bytesOf("first")}, {0xE0, jfif}, {0xE1, exif}, {0xFE, bytesOf("second")}});
    Bytes encoded = jpegWith(quadrants(16, 16), {});
    std::optional<Bytes> carried = carryMetadata(source, encoded);
    ASSERT_TRUE(carried);
    std::vector<Segment> got = segmentsOf(*carried);
    ASSERT_GE(got.size(), 3u);
    EXPECT_TRUE(isExifSegment(got[0]));
    EXPECT_EQ(got[1].marker, 0xFE);
    EXPECT_EQ(std::string(got[1].payload.begin(), got[1].payload.end()), "first");
    EXPECT_EQ(got[2].marker, 0xDB);
    EXPECT_EQ(imageData(*carried), imageData(encoded));
}

TEST(ImageMetadata, iccProfileIsCarriedOnlyForRgb) {
    Bytes encoded = jpegWith(quadrants(16, 16), {});
    for (const char* space : {"RGB ", "CMYK", "GRAY"}) {
        Bytes source = jpegWith(quadrants(16, 16), {{0xE2, iccPayload(space)}});
        std::optional<Bytes> carried = carryMetadata(source, encoded);
        ASSERT_TRUE(carried);
        std::vector<std::uint8_t> got = markers(*carried);
        bool hasIcc = std::count(got.begin(), got.end(), 0xE2) == 1;
        EXPECT_EQ(hasIcc, std::string(space) == "RGB ") << space;
    }
    EXPECT_FALSE(carryMetadata(bytesOf("not a jpeg"), encoded));
}

}  // namespace
}  // namespace pixmill
