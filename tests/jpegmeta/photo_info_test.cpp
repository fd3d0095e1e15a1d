// PhotoInfoReader over bytes in memory and over files.
#include "engine/jpegmeta/photo_info.h"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "jpegmeta/diagnostics_capture.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill::jpegmeta {
namespace {

using testing::ByteVector;
using testing::JpegBuilder;
using testing::TiffBuilder;

TiffBuilder cameraExif(bool bigEndian) {
    TiffBuilder tiff(bigEndian);
    tiff.ifd0()
        .ascii(0x010F, "NIKON CORPORATION")
        .ascii(0x0110, "NIKON D90")
        .shortValue(0x0112, 6)
        .rational(0x011A, 300, 1)
        .rational(0x011B, 300, 1)
        .shortValue(0x0128, 2);
    tiff.exifIfd()
        .rational(0x829A, 1, 250)
        .rational(0x829D, 56, 10)
        .shortValue(0x8822, 2)
        .shortValue(0x8827, 200)
        .undefined(0x9000, "0221")
        .ascii(0x9003, "2012:11:05 08:10:45")
        .signedRational(0x9204, -1, 3)
        .shortValue(0x9207, 5)
        .shortValue(0x9208, 1)
        .shortValue(0x9209, 0x19)
        .rational(0x920A, 180, 10)
        .longValue(0xA002, 4000)
        .longValue(0xA003, 3000)
        .rational(0xA20E, 4000, 1)
        .shortValue(0xA210, 3);
    tiff.interop().ascii(0x0001, "R98");
    tiff.thumbnail(testing::tinyJpeg());
    return tiff;
}

bool parseBytes(const ByteVector& bytes, PhotoInfo& info, std::string* error = nullptr) {
    PhotoInfoReader reader(&info);
    const Result<> walked = reader.parse(bytes);
    if (error)
        *error = walked ? reader.exifFault() : walked.message();
    return walked.isOk();
}

TEST(PhotoInfoReader, readsACameraPhotoInEitherByteOrder) {
    PhotoInfo little, big;
    const ByteVector littleFile = JpegBuilder().exif(cameraExif(false).build()).image().build();
    const ByteVector bigFile = JpegBuilder().exif(cameraExif(true).build()).image().build();
    ASSERT_TRUE(parseBytes(littleFile, little));
    ASSERT_TRUE(parseBytes(bigFile, big));
    for (const PhotoInfo* info : {&little, &big}) {
        EXPECT_TRUE(info->isExif);
        EXPECT_EQ(info->cameraMake, "NIKON CORPORATION");
        EXPECT_EQ(info->cameraModel, "NIKON D90");
        EXPECT_EQ(info->dateTime, "2012:11:05 08:10:45");
        EXPECT_EQ(info->version, "0221");
        EXPECT_EQ(info->orientation, 6);
        EXPECT_EQ(info->width, 16);
        EXPECT_EQ(info->height, 16);
        EXPECT_EQ(info->isColor, 1);
        EXPECT_EQ(info->process, 0xC0);
        EXPECT_FLOAT_EQ(info->exposureTime, 0.004f);
        EXPECT_FLOAT_EQ(info->apertureFNumber, 5.6f);
        EXPECT_FLOAT_EQ(info->exposureBias, -1.0f / 3);
        EXPECT_EQ(info->isoEquivalent, 200);
        EXPECT_EQ(info->exposureProgram, 2);
        EXPECT_EQ(info->whiteBalance, 1);
        EXPECT_EQ(info->meteringMode, 5);
        EXPECT_EQ(info->flashUsed, 1);
        EXPECT_FLOAT_EQ(info->focalLength, 18);
        EXPECT_FLOAT_EQ(info->resolutionUnit, 1);
        EXPECT_FLOAT_EQ(info->xResolution, 300);
        EXPECT_FLOAT_EQ(info->ccdWidth, 0.3937008f * 4000 / 4000);
        EXPECT_EQ(info->thumbnailSize, testing::tinyJpeg().size());
    }
    // The thumbnail is found through IFD0's link to IFD1, at the same place in both files.
    EXPECT_EQ(little.thumbnailOffset, big.thumbnailOffset);
    const ByteVector thumbnail(
        littleFile.begin() + static_cast<long>(little.thumbnailOffset),
        littleFile.begin() + static_cast<long>(little.thumbnailOffset + little.thumbnailSize));
    EXPECT_EQ(thumbnail, testing::tinyJpeg());
}

TEST(PhotoInfoReader, derivedAndCorrectedValues) {
    struct Case {
        const char* name;
        void (*fill)(TiffBuilder&);
        void (*check)(const PhotoInfo&, const std::string& error);
    };
    const Case cases[] = {
        // A phone's low ISO is shown as written, not multiplied.
        {"iso 32 as written", [](TiffBuilder& t) { t.exifIfd().shortValue(0x8827, 32); },
         [](const PhotoInfo& i, const std::string&) { EXPECT_EQ(i.isoEquivalent, 32); }},
        {"iso 49 as written", [](TiffBuilder& t) { t.exifIfd().shortValue(0x8827, 49); },
         [](const PhotoInfo& i, const std::string&) { EXPECT_EQ(i.isoEquivalent, 49); }},
        {"iso 50 is kept", [](TiffBuilder& t) { t.exifIfd().shortValue(0x8827, 50); },
         [](const PhotoInfo& i, const std::string&) { EXPECT_EQ(i.isoEquivalent, 50); }},
        {"orientation 9",
         [](TiffBuilder& t) { t.ifd0().shortValue(0x0112, 9).ascii(0x0110, "After"); },
         [](const PhotoInfo& i, const std::string& error) {
             EXPECT_EQ(i.orientation, 0);
             EXPECT_EQ(error, "Undefined rotation value");
             EXPECT_EQ(i.cameraModel, "After");
         }},
        {"shutter speed", [](TiffBuilder& t) { t.exifIfd().signedRational(0x9201, 8, 1); },
         [](const PhotoInfo& i, const std::string&) {
             EXPECT_FLOAT_EQ(i.exposureTime, 1.0f / 256);
         }},
        {"aperture value", [](TiffBuilder& t) { t.exifIfd().rational(0x9202, 4, 1); },
         [](const PhotoInfo& i, const std::string&) { EXPECT_FLOAT_EQ(i.apertureFNumber, 4); }},
        {"ascii user comment",
         [](TiffBuilder& t) {
             t.exifIfd().undefined(0x9286, std::string("ASCII\0\0\0hello   ", 16));
         },
         [](const PhotoInfo& i, const std::string&) {
             EXPECT_EQ(i.comments, "hello");
             EXPECT_EQ(i.userCommentLength, 16);
         }},
        {"long make is cut", [](TiffBuilder& t) { t.ifd0().ascii(0x010F, std::string(50, 'm')); },
         [](const PhotoInfo& i, const std::string&) {
             EXPECT_EQ(i.cameraMake, std::string(31, 'm'));
         }},
        {"maker and model lose trailing blanks and NULs",
         [](TiffBuilder& t) {
             t.ifd0()
                 .undefined(0x010F, std::string("OLYMPUS    \0\0", 13))
                 .ascii(0x0110, "E-M5   ");
         },
         [](const PhotoInfo& i, const std::string&) {
             EXPECT_EQ(i.cameraMake, "OLYMPUS");
             EXPECT_EQ(i.cameraModel, "E-M5");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TiffBuilder tiff;
        c.fill(tiff);
        const ByteVector file = JpegBuilder().exif(tiff.build()).image().build();
        const ByteVector before = file;
        PhotoInfo info;
        std::string error;
        EXPECT_TRUE(parseBytes(file, info, &error));
        c.check(info, error);
        EXPECT_EQ(file, before);
    }
}

TEST(PhotoInfoReader, sectionWalkLimits) {
    const ByteVector image = testing::imageSections(testing::tinyJpeg());
    PhotoInfo info;
    testing::DiagnosticsCapture capture;
    EXPECT_TRUE(parseBytes(JpegBuilder().fill(5).comment("x").image().build(), info));
    EXPECT_FALSE(parseBytes(JpegBuilder().fill(6).comment("x").image().build(), info));
    EXPECT_EQ(capture.out, "too many padding unsigned chars\n");

    // However many sections come before the scan, the frame is found: 40 comments in front
    // of the tiny image's DQT, SOF, DHT x4 and SOS.
    JpegBuilder many;
    for (int i = 0; i < 40; ++i)
        many.comment("c");
    std::string error;
    PhotoInfo framed;
    EXPECT_TRUE(parseBytes(many.image().build(), framed, &error)) << error;
    EXPECT_GT(framed.width, 0);
    EXPECT_GT(framed.height, 0);
}

TEST(PhotoInfoReader, exifHeaderChecks) {
    auto withFirstOffset = [](std::uint32_t offset) {
        ByteVector tiff = {'I', 'I', 42, 0, static_cast<std::uint8_t>(offset), 0, 0, 0};
        tiff.resize(offset, 0);
        const ByteVector ifd = {1, 0, 0x0F, 0x01, 2, 0, 4, 0, 0, 0, 'A', 'B', 'C', 0, 0, 0, 0, 0};
        tiff.insert(tiff.end(), ifd.begin(), ifd.end());
        return JpegBuilder().exif(tiff).image().build();
    };
    // The first directory is read wherever the header puts it.
    for (std::uint32_t offset : {8u, 16u, 18u, 64u}) {
        PhotoInfo info;
        EXPECT_TRUE(parseBytes(withFirstOffset(offset), info));
        EXPECT_TRUE(info.isExif) << offset;
        EXPECT_EQ(info.cameraMake, "ABC") << offset;
    }
    PhotoInfo info;
    std::string error;
    ByteVector pastEnd = {'I', 'I', 42, 0, 0xF0, 0, 0, 0};
    parseBytes(JpegBuilder().exif(pastEnd).image().build(), info, &error);
    EXPECT_EQ(error, "Suspicious offset of first IFD value");
    EXPECT_FALSE(info.isExif);

    parseBytes(
        JpegBuilder().section(0xE1, std::string("Exif\0\0XX*\0\x08\0\0\0", 14)).image().build(),
        info, &error);
    EXPECT_EQ(error, "Invalid Exif alignment marker.");
}

TEST(PhotoInfoReader, hostileDirectoriesCannotEscapeOrLoop) {
    // IFD0 at 8 whose next-directory link and EXIF subdirectory both point back at itself.
    ByteVector loop = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x69, 0x87, 4,
                       0,   1,   0,  0, 0, 8, 0, 0, 0, 8, 0,    0,    0};
    // A count whose byte size (count x 8) does not fit in 32 bits.
    ByteVector huge = {'I', 'I',  42, 0, 8,    0, 0, 0, 1, 0, 0x1A, 0x01, 5,
                       0,   0x01, 0,  0, 0x20, 0, 0, 0, 0, 0, 0,    0,    0};
    // An entry count that runs past the block.
    ByteVector oversized = {'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    struct Case {
        ByteVector tiff;
        const char* error;
    };
    for (const Case& c : {Case{loop, ""}, Case{huge, "Illegal pointer offset value in EXIF."},
                          Case{oversized, "Illegally sized directory"}}) {
        PhotoInfo info;
        std::string error;
        EXPECT_TRUE(parseBytes(JpegBuilder().exif(c.tiff).image().build(), info, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(PhotoInfoReader, aDamagedEntryCostsThatEntryOnly) {
    // Make, an entry with format code 0x63, Model: both names are read.
    const ByteVector tiff = {'I', 'I', 42, 0,   8,   0,   0,   0,   3,    0,    0x0F, 0x01, 2,
                             0,   4,   0,  0,   0,   'A', 'B', 'C', 0,    0x32, 0x01, 0x63, 0,
                             1,   0,   0,  0,   0,   0,   0,   0,   0x10, 0x01, 2,    0,    4,
                             0,   0,   0,  'X', 'Y', 'Z', 0,   0,   0,    0,    0};
    PhotoInfo info;
    std::string error;
    EXPECT_TRUE(parseBytes(JpegBuilder().exif(tiff).image().build(), info, &error));
    EXPECT_EQ(info.cameraMake, "ABC");
    EXPECT_EQ(info.cameraModel, "XYZ");
    EXPECT_TRUE(info.isExif);
    EXPECT_EQ(error, "Illegal format code in EXIF dir");
}

TEST(PhotoInfoReader, truncatedFileStopsAtItsEnd) {
    ByteVector file = JpegBuilder().exif(cameraExif(false).build()).image().build();
    for (std::size_t cut : {std::size_t{1}, std::size_t{3}, std::size_t{40}, std::size_t{300}}) {
        ByteVector shorter(file.begin(), file.begin() + static_cast<long>(cut));
        PhotoInfo info;
        EXPECT_FALSE(parseBytes(shorter, info)) << cut;
    }
}

TEST(PhotoInfoFile, readOnlyAndLongHeadsAreRead) {
    testing::TempDir dir;
    // An APP2 section of 60 KB before the EXIF one: the head must be read beyond its first part.
    JpegBuilder builder;
    for (int i = 0; i < 3; ++i)
        builder.section(0xE2, std::string(60000, 'i'));
    const std::string path = dir.file("ro.jpg");
    testing::writeBytes(path, builder.exif(cameraExif(false).build()).image().build());
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    PhotoInfo info;
    EXPECT_TRUE(readPhotoInfoFile(path, info));
    EXPECT_EQ(info.cameraModel, "NIKON D90");

    EXPECT_FALSE(readPhotoInfoFile(dir.file("missing.jpg"), info));
    EXPECT_EQ(info.cameraModel, "");
}

}  // namespace
}  // namespace pixmill::jpegmeta
