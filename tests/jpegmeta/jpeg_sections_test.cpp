// The section reader and writer over bytes in memory.
#include "engine/jpegmeta/jpeg_sections.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "jpegmeta/diagnostics_capture.h"
#include "support/jpeg_builder.h"

namespace pixmill::jpegmeta {
namespace {

using testing::ByteVector;
using testing::DiagnosticsCapture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::JpegBuilder;
using testing::TiffBuilder;

ByteVector exifAt72Dpi() {
    TiffBuilder tiff;
    tiff.ifd0()
        .ascii(0x010F, "Canon")
        .rational(0x011A, 72, 1)
        .rational(0x011B, 72, 1)
        .shortValue(0x0128, 2);
    return tiff.build();
}

Result<> load(JpegEngine& engine, const ByteVector& bytes, int mode = kLoadMeta | kLoadScan) {
    return engine.loadJpegBytes(bytes, mode);
}

ByteVector save(JpegEngine& engine) {
    Result<ByteVector> out = engine.saveJpeg();
    EXPECT_TRUE(out);
    return out ? *out : ByteVector{};
}

std::vector<int> types(const JpegEngine& engine) {
    std::vector<int> result;
    for (const JpegSection& s : engine.sections().entries())
        result.push_back(s.type);
    return result;
}

TEST(SectionTable, growsByHalfOfItsCapacity) {
    SectionTable table;
    std::vector<int> capacities;
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(table.ensureRoom());
        if (capacities.empty() || capacities.back() != table.capacity()) {
            capacities.push_back(table.capacity());
        }
        table.append(JpegSection{});
    }
    EXPECT_THAT(capacities, ElementsAre(5, 7, 10, 15, 22));
}

TEST(SectionReader, dropsJfifAndWritesExifFirst) {
    JpegEngine engine;
    ASSERT_TRUE(load(engine, JpegBuilder().jfif().exif(exifAt72Dpi()).image().build()));
    EXPECT_EQ(types(engine).front(), kApp1);
    EXPECT_EQ(types(engine).back(), kScanData);
    ByteVector out = save(engine);
    EXPECT_THAT(ByteVector(out.begin(), out.begin() + 4), ElementsAre(0xFF, 0xD8, 0xFF, 0xE1));
}

TEST(SectionWriter, jfifHeaderComesFromExifResolutionEvenAfterExifIsGone) {
    JpegEngine engine;
    ASSERT_TRUE(load(engine, JpegBuilder().exif(exifAt72Dpi()).image().build()));
    ASSERT_TRUE(engine.dropSectionOfType(kApp1));
    ByteVector out = save(engine);
    const ByteVector expected = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F',
                                 0,    1,    1,    1,    0, 72, 0,   72,  0,   0};
    EXPECT_EQ(ByteVector(out.begin(), out.begin() + 20), expected);
}

TEST(SectionWriter, defaultJfifHeaderWithoutExifOrJfif) {
    JpegEngine engine;
    ASSERT_TRUE(load(engine, JpegBuilder().image().build()));
    ByteVector out = save(engine);
    EXPECT_EQ(out[13], 1);                   // units
    EXPECT_EQ(out[14] << 8 | out[15], 300);  // X density
    EXPECT_EQ(out[16] << 8 | out[17], 300);  // Y density
    // Everything after the fresh header is the input's frame, tables and scan unchanged.
    ByteVector rest(out.begin() + 20, out.end());
    EXPECT_EQ(rest, testing::imageSections(testing::tinyJpeg()));
}

TEST(SectionReader, keepsOnlyWhatTheModeAsksFor) {
    const ByteVector file = JpegBuilder()
                                .exif(exifAt72Dpi())
                                .section(0xE1, "Ducky\0")  // neither EXIF nor XMP
                                .xmp()
                                .iptc()
                                .comment("first")
                                .comment("second")
                                .icc()
                                .image()
                                .build();
    JpegEngine meta;
    ASSERT_TRUE(load(meta, file));
    std::vector<int> kept = types(meta);
    kept.resize(5);
    EXPECT_THAT(kept, ElementsAre(kApp1, kXmpSection, kApp13, kCom, kApp2));
    EXPECT_EQ(meta.fileInfo().comment, "first");

    JpegEngine scanOnly;
    ASSERT_TRUE(load(scanOnly, file, kLoadScan));
    EXPECT_EQ(types(scanOnly).front(), kApp2);

    JpegEngine headOnly;
    ASSERT_TRUE(load(headOnly, file, kLoadMeta));
    EXPECT_EQ(types(headOnly).back(), kSos);
    EXPECT_FALSE(headOnly.haveAll());
    DiagnosticsCapture capture;
    EXPECT_FALSE(headOnly.saveJpeg());
    EXPECT_THAT(capture.err, HasSubstr("Can't write back - didn't read all"));
}

TEST(SectionReader, commentTextIsCleanedAndCut) {
    std::string text = "a\r\nb\rc\x01\td";
    text += std::string(3000, 'x');
    JpegEngine engine;
    ASSERT_TRUE(load(engine, JpegBuilder().comment(text).image().build()));
    EXPECT_EQ(engine.fileInfo().comment.substr(0, 8), "a\nb?c?\td");
    EXPECT_EQ(engine.fileInfo().comment.size(), 1998u - 1);  // one CR left out
}

TEST(SectionReader, paddingWarningAboveTenFillBytes) {
    for (int fill : {9, 10}) {
        DiagnosticsCapture capture;
        JpegEngine engine;
        ASSERT_TRUE(load(engine, JpegBuilder().fill(fill).comment("x").image().build()));
        if (fill == 9) {
            EXPECT_EQ(capture.err, "");
        } else {
            EXPECT_THAT(
                capture.err,
                HasSubstr("\nNonfatal Error : Extraneous 10 padding bytes before section FE\n"));
        }
    }
}

TEST(SectionReader, malformedFiles) {
    const ByteVector image = testing::imageSections(testing::tinyJpeg());
    struct Case {
        const char* name;
        ByteVector bytes;
        Severity severity;  // every case fails; a Warning is bytes holding no JPEG image
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, Severity::Warning, ""},
        {"png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Severity::Warning, ""},
        {"length 0", {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x00}, Severity::Error, "invalid marker"},
        {"length 1", {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01}, Severity::Error, "invalid marker"},
        {"short payload",
         {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x09, 'a'},
         Severity::Error,
         "Premature end of file?"},
        {"end inside a length",
         {0xFF, 0xD8, 0xFF, 0xFE, 0x00},
         Severity::Error,
         "Premature end of file?"},
        {"eoi first", {0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02}, Severity::Warning, "No image in jpeg!"},
        {"ends before a marker",
         {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x03, 'a', 0xFF, 0xFF},
         Severity::Warning,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticsCapture capture;
        JpegEngine engine;
        Result<> loaded = load(engine, c.bytes);
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.severity(), c.severity);
        EXPECT_THAT(capture.err, HasSubstr(c.message));
        EXPECT_EQ(engine.sections().count(), 0);  // released after every failure
        if (c.severity == Severity::Error) {
            EXPECT_THAT(capture.err, HasSubstr("\nError : " + std::string(c.message) + "\n"));
            EXPECT_EQ(loaded.message(), c.message);
        }
    }
}

TEST(SectionEditing, insertSectionPlacesAfterLeadingApplicationSections) {
    JpegEngine withExif;
    ASSERT_TRUE(load(withExif, JpegBuilder().exif(exifAt72Dpi()).image().build()));
    ASSERT_EQ(types(withExif)[1], 0xDB);
    ASSERT_TRUE(withExif.insertSection(kCom, {0, 2}));
    EXPECT_EQ(types(withExif)[1], kCom);

    JpegEngine plain;
    ASSERT_TRUE(load(plain, JpegBuilder().image().build()));
    ASSERT_TRUE(plain.insertSection(kCom, {0, 2}));
    EXPECT_EQ(types(plain)[0], kCom);
    ASSERT_TRUE(plain.insertSection(kApp1, {0, 2}));
    EXPECT_EQ(types(plain)[0], kApp1);
}

TEST(SectionEditing, dropSectionOfTypeRemovesOnlyTheFirstAndNeverTheScan) {
    JpegEngine engine;
    ASSERT_TRUE(
        load(engine, JpegBuilder().exif(exifAt72Dpi()).exif(exifAt72Dpi()).image().build()));
    EXPECT_TRUE(engine.dropSectionOfType(kApp1));
    EXPECT_EQ(types(engine).front(), kApp1);
    EXPECT_TRUE(engine.dropSectionOfType(kApp1));
    EXPECT_FALSE(engine.dropSectionOfType(kApp1));
    EXPECT_FALSE(engine.dropSectionOfType(kScanData));
}

TEST(SectionEditing, keepOnlyMetadataSectionsOrdersExifCommentIptcXmp) {
    JpegEngine engine;
    ASSERT_TRUE(load(
        engine, JpegBuilder().xmp().iptc().comment("c").exif(exifAt72Dpi()).icc().image().build()));
    engine.keepOnlyMetadataSections();
    EXPECT_THAT(types(engine), ElementsAre(kApp1, kCom, kApp13, kXmpSection));
}

TEST(SectionEditing, nonEssentialSectionsGoButColourSectionsOfCmykAndRgbStay) {
    const ByteVector ycbcr = JpegBuilder().icc().adobe(1).section(0xEC, "x").image().build();
    JpegEngine engine;
    ASSERT_TRUE(load(engine, ycbcr));
    EXPECT_TRUE(engine.dropNonEssentialSections());
    for (int type : types(engine))
        EXPECT_FALSE(type >= 0xE2 && type <= 0xEF) << type;
    EXPECT_FALSE(engine.dropNonEssentialSections());

    // The same tiny frame with its transform flag saying RGB: APP14 must stay, no JFIF added.
    JpegEngine rgb;
    ASSERT_TRUE(load(rgb, JpegBuilder().icc().adobe(0).image().build()));
    EXPECT_TRUE(rgb.dropNonEssentialSections());
    EXPECT_EQ(types(rgb).front(), kApp14);
    ByteVector out = save(rgb);
    EXPECT_EQ(testing::markersOf(out).front(), kApp14);
}

}  // namespace
}  // namespace pixmill::jpegmeta
