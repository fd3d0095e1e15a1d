#include "engine/imaging/jpeg_segments.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/imaging_fixtures.h"

namespace pixmill {
namespace {

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
    for (const JpegSegment& s : readJpegSegments(file))
        out.push_back(s.marker);
    return out;
}

// The bytes from the first DQT on: what the encoder made of the pixels.
Bytes imageData(ByteSpan file) {
    for (const JpegSegment& s : readJpegSegments(file))
        if (s.marker == 0xDB)
            return Bytes(file.begin() + std::ptrdiff_t(s.offset), file.end());
    return {};
}

TEST(JpegSegments, rejectsMalformedSegmentTables) {
    const Bytes cases[] = {
        {},
        {0xFF, 0xD8},
        {0x89, 'P', 'N', 'G'},
        {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0x00},        // length below two
        {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10, 'E', 'x'},    // length past the end
        {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x02, 0x12, 0x34},  // no marker after a segment
    };
    for (const Bytes& bytes : cases)
        EXPECT_TRUE(readJpegSegments(bytes).empty());
}

TEST(JpegSegments, readsSegmentsUpToTheScan) {
    Bytes file = jpegWith(quadrants(16, 16), {{0xFE, bytesOf("note")}});
    std::vector<JpegSegment> segments = readJpegSegments(file);
    ASSERT_GE(segments.size(), 4u);
    EXPECT_EQ(segments[0].marker, 0xFE);  // inserted right after SOI
    EXPECT_EQ(std::string(segments[0].payload.begin(), segments[0].payload.end()), "note");
    EXPECT_EQ(segments[0].offset, 2u);
    EXPECT_EQ(segments[0].size, 8u);
    EXPECT_EQ(segments[1].marker, 0xE0);  // then the encoder's JFIF header
    EXPECT_EQ(segments.back().marker, 0xDA);
}

TEST(JpegSegments, densityFromJfifOrExif) {
    Bytes plain = jpegWith(quadrants(16, 16), {});
    EXPECT_EQ(readJpegDensity(plain).x, 0.0f);  // the encoder's header gives an aspect only

    writeJfifDensity(plain, {72.4f, 150.0f});
    EXPECT_EQ(readJpegDensity(plain).x, 72.0f);
    EXPECT_EQ(readJpegDensity(plain).y, 150.0f);

    Bytes withExif = jpegWith(quadrants(16, 16), {{0xE1, exifPayload(1, {})}});
    EXPECT_EQ(readJpegDensity(withExif).x, 300.0f);
}

TEST(JpegSegments, thumbnailIsFoundAndRemoved) {
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

TEST(JpegSegments, thumbnailRemovalSurvivesHostileDirectories) {
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

TEST(JpegSegments, carriesMetadataSectionsWithoutTouchingImageData) {
    Bytes exif = exifPayload(6, jpegWith(quadrants(8, 8), {}));
    Bytes xmp = bytesOf(std::string_view("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    Bytes source = jpegWith(quadrants(32, 32), {{0xE1, exif},
                                                {0xE1, xmp},
                                                {0xE2, iccPayload("RGB ")},
                                                {0xED, bytesOf("Photoshop 3.0")},
                                                {0xEE, bytesOf("Adobe-transform")},
                                                {0xFE, bytesOf("a comment")}});
    Bytes encoded = jpegWith(quadrants(16, 16), {});

    std::optional<Bytes> carried = carryMetadataSections(source, encoded);
    ASSERT_TRUE(carried);
    EXPECT_EQ(markers(*carried).size(), markers(encoded).size() + 5);
    std::vector<std::uint8_t> expected = {0xE0, 0xE1, 0xE1, 0xE2, 0xED, 0xFE};
    std::vector<std::uint8_t> got = markers(*carried);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));  // no APP14
    EXPECT_EQ(imageData(*carried), imageData(encoded));
    EXPECT_FALSE(exifThumbnail(*carried).empty());

    std::optional<Bytes> stripped =
        carryMetadataSections(source, encoded, {.removeExifThumbnail = true});
    ASSERT_TRUE(stripped);
    EXPECT_TRUE(exifThumbnail(*stripped).empty());
    EXPECT_EQ(imageData(*stripped), imageData(encoded));
}

TEST(JpegSegments, iccProfileIsCarriedOnlyForRgb) {
    Bytes encoded = jpegWith(quadrants(16, 16), {});
    for (const char* space : {"RGB ", "CMYK", "GRAY"}) {
        Bytes source = jpegWith(quadrants(16, 16), {{0xE2, iccPayload(space)}});
        std::optional<Bytes> carried = carryMetadataSections(source, encoded);
        ASSERT_TRUE(carried);
        std::vector<std::uint8_t> got = markers(*carried);
        bool hasIcc = std::count(got.begin(), got.end(), 0xE2) == 1;
        EXPECT_EQ(hasIcc, std::string(space) == "RGB ") << space;
    }
    EXPECT_FALSE(carryMetadataSections(bytesOf("not a jpeg"), encoded));
}

}  // namespace
}  // namespace pixmill
