#include "engine/jpegmeta/exif_orientation.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/jpegmeta/exif_thumbnail_writer.h"
#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/tiff_walker.h"
#include "support/jpeg_builder.h"

namespace pixmill::jpegmeta {
namespace {

using testing::ByteVector;
using testing::JpegBuilder;
using testing::TiffBuilder;

constexpr std::size_t kExifHeader = 6;

// An EXIF block with an Orientation, pixel dimensions (X as SHORT, Y as LONG), a thumbnail
// directory stating its own Orientation, and a thumbnail.
ByteVector exifBlock(std::uint16_t orientation, bool bigEndian = false) {
    TiffBuilder tiff(bigEndian);
    tiff.ifd0().ascii(0x010F, "Maker").shortValue(kTagOrientation, orientation);
    tiff.exifIfd().shortValue(kTagPixelXDimension, 4000).longValue(kTagPixelYDimension, 3000);
    tiff.ifd1().shortValue(kTagOrientation, 1);
    tiff.thumbnail(testing::tinyJpeg());
    return tiff.build();
}

ByteVector payloadOf(const ByteVector& block) {
    ByteVector payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), block.begin(), block.end());
    return payload;
}

// Reads a SHORT or LONG tag of the first directory or the EXIF directory.
class TagReader : public TiffVisitor {
  public:
    TagReader(const ByteOrderReader& block, unsigned tag) : block_(block), tag_(tag) {}
    bool enter(const TiffDirectory& d) override { return d.reachedBy != TiffLink::Next; }
    void entry(const TiffDirectory&, const TiffEntry& e, TiffFault) override {
        if (e.tag == tag_)
            value = tiffNumber(block_, e, true);
    }
    double value = -1;

  private:
    const ByteOrderReader& block_;
    unsigned tag_;
};

double tagOf(const ByteVector& payload, unsigned tag) {
    TiffHeader header;
    Bytes tiff = Bytes(payload).subspan(kExifHeader);
    EXPECT_EQ(readTiffHeader(tiff, header), TiffHeaderFault::None);
    ByteOrderReader block(tiff, header.bigEndian);
    TagReader reader(block, tag);
    walkTiff(block, header.firstDirectory, reader);
    return reader.value;
}

TEST(ExifOrientation, readsTheFirstDirectoryAndTreatsOtherValuesAsOne) {
    for (int value : {1, 2, 5, 6, 8})
        EXPECT_EQ(readOrientation(JpegBuilder().exif(exifBlock(value)).image().build()), value);
    for (int value : {0, 9, 300})
        EXPECT_EQ(readOrientation(JpegBuilder().exif(exifBlock(value, true)).image().build()), 1);
    EXPECT_EQ(readOrientation(JpegBuilder().image().build()), 1);
    EXPECT_EQ(readOrientation(ByteVector{0xFF, 0xD8, 0xFF}), 1);
}

TEST(ExifOrientation, uprightPayloadSetsOrientationAndSizeInPlace) {
    for (bool bigEndian : {false, true}) {
        ByteVector payload = payloadOf(exifBlock(6, bigEndian));
        ByteVector kept = uprightExifPayload(payload, {.width = 900, .height = 70000});
        ASSERT_EQ(kept.size(), payload.size());
        EXPECT_EQ(tagOf(kept, kTagOrientation), 1);
        EXPECT_EQ(tagOf(kept, kTagPixelXDimension), 900);
        EXPECT_EQ(tagOf(kept, kTagPixelYDimension), 70000);  // a LONG holds it
        EXPECT_EQ(readPayloadOrientation(kept), 1);

        ByteVector tooWide = uprightExifPayload(payload, {.width = 70000, .height = 5});
        EXPECT_EQ(tagOf(tooWide, kTagPixelXDimension), 4000);  // a SHORT cannot: left

        ByteVector stripped =
            uprightExifPayload(payload, {.width = 1, .height = 2, .dropThumbnail = true});
        EXPECT_LT(stripped.size(), payload.size());
        EXPECT_EQ(tagOf(stripped, kTagOrientation), 1);
    }
}

TEST(ExifOrientation, wholeFileEditKeepsEveryOtherByte) {
    const std::string xmp = "<x tiff:Orientation=\"6\"/><tiff:Orientation>8</tiff:Orientation>";
    ByteVector file = JpegBuilder()
                          .exif(exifBlock(6))
                          .xmp(xmp)
                          .comment("kept")
                          .image()
                          .raw({'v', 'i', 'd', 'e', 'o'})
                          .build();
    std::optional<ByteVector> edited =
        withUprightExif(file, {.width = 16, .height = 16, .dropThumbnail = true});
    ASSERT_TRUE(edited);
    EXPECT_EQ(readOrientation(*edited), 1);
    EXPECT_TRUE(exifThumbnail(*edited).empty());
    EXPECT_FALSE(exifThumbnail(file).empty());
    const std::string text(edited->begin(), edited->end());
    EXPECT_NE(text.find("tiff:Orientation=\"1\"/><tiff:Orientation>1<"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 5), "video");
    ByteVector scanBefore, scanAfter;
    EXPECT_EQ(testing::markersOf(*edited), testing::markersOf(file));
    testing::listSections(file, &scanBefore);
    testing::listSections(*edited, &scanAfter);
    EXPECT_EQ(scanAfter, scanBefore);

    EXPECT_FALSE(withUprightExif(ByteVector{1, 2, 3}, {}));
    ByteVector cut(file.begin(), file.begin() + 40);
    EXPECT_FALSE(withUprightExif(cut, {}));
}

TEST(ImageDataEnd, findsTheEndOfTheLastScanBeforeTrailingBytes) {
    ByteVector plain = JpegBuilder().image().build();
    EXPECT_EQ(imageDataEnd(plain), plain.size());
    ByteVector trailing = plain;
    for (std::uint8_t b : {0xFF, 0xD8, 0xFF, 0xD9, 0x00})
        trailing.push_back(b);
    EXPECT_EQ(imageDataEnd(trailing), plain.size());
    ByteVector cut(plain.begin(), plain.end() - 2);
    EXPECT_FALSE(imageDataEnd(cut));
    EXPECT_FALSE(imageDataEnd(ByteVector{0xFF, 0xD8, 0xFF, 0xD9}));
}

// The tags of the directory the first one links to, by tag.
class SecondDirectory : public TiffVisitor {
  public:
    explicit SecondDirectory(const ByteOrderReader& block) : block_(block) {}
    bool enter(const TiffDirectory& d) override {
        return d.nesting == 0 || d.reachedBy == TiffLink::Next;
    }
    void entry(const TiffDirectory& d, const TiffEntry& e, TiffFault fault) override {
        if (d.reachedBy == TiffLink::Next && fault == TiffFault::None)
            tags[e.tag] = tiffNumber(block_, e, true);
    }
    std::map<unsigned, double> tags;

  private:
    const ByteOrderReader& block_;
};

TEST(ExifThumbnailWriter, aThumbnailLeftOutIsWrittenAgainWhereReadersLookForIt) {
    ByteVector thumbnail = testing::tinyJpeg();
    thumbnail.insert(thumbnail.begin() + 2, {0xFF, 0xFE, 0, 4, 'n', 'w'});  // told apart
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian);
        const ByteVector dropped = withoutExifThumbnail(payloadOf(exifBlock(6, bigEndian)));
        ASSERT_EQ(exifThumbnail(JpegBuilder().section(0xE1, dropped).image().build()).size(), 0u);
        const ByteVector file = JpegBuilder().section(0xE1, dropped).image().build();
        std::optional<ByteVector> with = withExifThumbnail(file, thumbnail);
        ASSERT_TRUE(with);
        const Bytes found = exifThumbnail(*with);
        EXPECT_EQ(ByteVector(found.begin(), found.end()), thumbnail);
        EXPECT_EQ(testing::imageSections(*with), testing::imageSections(file));
        EXPECT_EQ(readOrientation(*with), 6);

        // Compression 6 (JPEG) and a resolution beside the thumbnail's place and length.
        const std::optional<ByteVector> payload = exifPayloadWithThumbnail(dropped, thumbnail);
        ASSERT_TRUE(payload);
        TiffHeader header;
        const Bytes tiff = Bytes(*payload).subspan(kExifHeader);
        ASSERT_EQ(readTiffHeader(tiff, header), TiffHeaderFault::None);
        const ByteOrderReader block(tiff, header.bigEndian);
        SecondDirectory second(block);
        walkTiff(block, header.firstDirectory, second);
        EXPECT_EQ(second.tags[0x0103], 6);
        EXPECT_EQ(second.tags[kTagXResolution], 72);
        EXPECT_EQ(second.tags[kTagThumbnailLength], double(thumbnail.size()));
        EXPECT_EQ(int(second.tags[kTagThumbnailOffset]) % 2, 0);
        // Nothing before the new directory moved: only the first directory's link changed.
        std::size_t changed = 0;
        for (std::size_t i = 0; i < dropped.size(); ++i)
            changed += dropped[i] != (*payload)[i];
        EXPECT_GE(changed, 1u);
        EXPECT_LE(changed, 4u);

        // A payload that links a thumbnail already, or one that would not fit, gets none.
        EXPECT_FALSE(withExifThumbnail(*with, thumbnail));
        ByteVector huge = thumbnail;
        huge.insert(huge.begin() + 2, 0xFFFF, 0);
        EXPECT_FALSE(withExifThumbnail(file, huge));
        EXPECT_FALSE(withExifThumbnail(file, ByteVector{1, 2, 3, 4}));
    }
}

}  // namespace
}  // namespace pixmill::jpegmeta
