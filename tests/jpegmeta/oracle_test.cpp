// End to end over JPEGs made by ImageMagick and libjpeg, checked with exiftool as the oracle:
// every operation leaves a valid JPEG with exactly the expected metadata, the same scan bytes,
// the same decoded pixels and the same modification time.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/info_command.h"
#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/jpegmeta/photo_info.h"
#include "jpegmeta/diagnostics_capture.h"
#include "jpegmeta/oracle_support.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill::jpegmeta {
namespace {

using testing::ByteVector;
using ::testing::HasSubstr;

std::string run(const std::string& command) {
    return testing::runCommand(command);
}

bool haveTools() {
    return std::system(
               "command -v exiftool >/dev/null && command -v convert >/dev/null && "
               "command -v cjpeg >/dev/null") == 0;
}

// exiftool's validation findings, one per line, without its "OK" and count lines.
std::vector<std::string> findings(const std::string& path) {
    std::vector<std::string> lines;
    const std::string out = run("exiftool -q -q -validate -error -warning -a -s3 '" + path + "'");
    std::size_t start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = out.substr(start, end - start);
        if (line != "OK" && line.find(" Warning") == std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

std::string pixels(const std::string& path) {
    return run("convert '" + path + "' -depth 8 rgb:-");
}

ByteVector scanOf(const std::string& path) {
    ByteVector scan;
    testing::listSections(testing::readBytes(path), &scan);
    return scan;
}

class Oracle : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveTools()) {
            // In CI this suite is what catches a writer's faults: a missing tool is a failure.
            if (testing::inContinuousIntegration())
                FAIL() << "exiftool, ImageMagick and cjpeg are needed";
            GTEST_SKIP() << "exiftool, ImageMagick and cjpeg are needed";
        }
    }
    // The hard files, each with EXIF (big-endian, thumbnail), XMP, IPTC and a comment added.
    std::vector<std::string> makeFamily() {
        const std::string d = dir_.folder();
        const std::string commands[] = {
            "convert -size 64x48 gradient:red-blue -quality 90 " + d + "baseline.jpg",
            "convert -size 64x48 gradient:green-white -interlace JPEG " + d + "progressive.jpg",
            "convert -size 64x48 gradient:red-blue ppm:- | cjpeg -restart 1 > " + d + "restart.jpg",
            "convert -size 64x48 gradient:cyan-yellow -colorspace CMYK " + d + "cmyk.jpg",
            "convert -size 64x48 gradient:red-blue ppm:- | cjpeg -grayscale > " + d + "gray.jpg",
        };
        std::vector<std::string> paths;
        for (const std::string& command : commands) {
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
            paths.push_back(command.substr(command.rfind(' ') + 1));
        }
        for (const std::string& path : paths) {
            const std::string tag =
                "exiftool -q -q -overwrite_original -Make=Canon -Model='EOS 5D' "
                "-DateTimeOriginal='2012:05:01 10:20:30' -ExposureTime=0.01 -FNumber=4 -ISO=100 "
                "-XResolution=72 -YResolution=72 -ResolutionUnit=inches -XMP:Title=t "
                "-IPTC:Keywords=k -Comment=c '-ThumbnailImage<=" +
                path + "' " + path;
            EXPECT_EQ(std::system(tag.c_str()), 0);
            const struct timespec times[2] = {{1300000000, 0}, {1300000000, 0}};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
        return paths;
    }
    testing::TempDir dir_;
    testing::DiagnosticsCapture capture_;
};

TEST_F(Oracle, everyOperationOnEveryHardFile) {
    struct Expect {
        MetadataCommand kind;
        const char* gone;  // exiftool tags that must be absent afterwards
        const char* kept;  // and present
    };
    const Expect operations[] = {
        {MetadataCommand::DeleteExif, "-EXIF:Make", "-XMP:Title -IPTC:Keywords -File:Comment"},
        {MetadataCommand::DeleteNonOriginal, "",
         "-EXIF:Make -XMP:Title -IPTC:Keywords -File:Comment"},
        {MetadataCommand::DeleteComment, "-File:Comment", "-EXIF:Make -XMP:Title -IPTC:Keywords"},
        {MetadataCommand::AddComment, "", "-EXIF:Make -XMP:Title -IPTC:Keywords"},
        {MetadataCommand::PureJpeg, "-EXIF:Make -XMP:Title -IPTC:Keywords -File:Comment", ""},
    };
    for (const std::string& original : makeFamily()) {
        const std::string pixelsBefore = pixels(original);
        const std::vector<std::string> findingsBefore = findings(original);
        ASSERT_FALSE(pixelsBefore.empty());
        for (const Expect& op : operations) {
            SCOPED_TRACE(original + " kind " + std::to_string(static_cast<int>(op.kind)));
            const std::string path = original + ".work.jpg";
            std::filesystem::copy_file(original, path,
                                       std::filesystem::copy_options::overwrite_existing);
            const struct timespec times[2] = {{1300000000, 0}, {1300000000, 0}};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
            processJpegFile(path, JpegCommandOptions::forCommand(op.kind, "new comment"));

            // Nothing exiftool finds wrong that it did not already find in the original.
            for (const std::string& finding : findings(path)) {
                EXPECT_THAT(findingsBefore, ::testing::Contains(finding));
            }
            if (*op.gone) {
                EXPECT_EQ(run(std::string("exiftool -s3 ") + op.gone + " '" + path + "'"), "");
            }
            if (*op.kept) {
                const std::string kept =
                    run(std::string("exiftool -s3 ") + op.kept + " '" + path + "'");
                EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'),
                          std::count(op.kept, op.kept + std::strlen(op.kept), '-'));
            }
            if (op.kind == MetadataCommand::AddComment) {
                EXPECT_EQ(run("exiftool -s3 -File:Comment '" + path + "'"), "new comment\n");
            }
            EXPECT_EQ(scanOf(path), scanOf(original));
            EXPECT_EQ(pixels(path), pixelsBefore);
            struct stat status;
            ASSERT_EQ(::stat(path.c_str(), &status), 0);
            EXPECT_EQ(status.st_mtime, 1300000000);
        }
    }
}

TEST_F(Oracle, photoInfoAgreesWithExiftoolInBothByteOrders) {
    for (const char* order : {"II", "MM"}) {
        SCOPED_TRACE(order);
        const std::string path = dir_.file(std::string(order) + ".jpg");
        ASSERT_EQ(std::system(("convert -size 40x30 xc:gray " + path).c_str()), 0);
        ASSERT_EQ(
            std::system(("exiftool -q -q -overwrite_original -ExifByteOrder=" + std::string(order) +
                         " -Make=Sony -Model=A7 -DateTimeOriginal='2014:11:02 03:04:05' "
                         "-ExposureTime=0.002 -FNumber=2.8 -ISO=800 -ExposureCompensation=-0.7 "
                         "-Orientation#=8 -EXIF:Flash#=1 '-ThumbnailImage<=" +
                         path + "' " + path)
                            .c_str()),
            0);
        PhotoInfo info;
        ASSERT_TRUE(readPhotoInfoFile(path, info));
        EXPECT_EQ(run("exiftool -s3 -ExifByteOrder# " + path), std::string(order) + "\n");
        EXPECT_EQ(info.cameraMake, "Sony");
        EXPECT_EQ(info.cameraModel, "A7");
        EXPECT_EQ(info.dateTime, "2014:11:02 03:04:05");
        EXPECT_FLOAT_EQ(info.exposureTime, 0.002f);
        EXPECT_FLOAT_EQ(info.apertureFNumber, 2.8f);
        EXPECT_EQ(info.isoEquivalent, 800);
        EXPECT_NEAR(info.exposureBias, -0.7, 0.01);
        EXPECT_EQ(info.orientation, 8);
        EXPECT_EQ(info.flashUsed, 1);
        EXPECT_EQ(info.width, 40);
        EXPECT_EQ(std::to_string(info.thumbnailSize) + "\n",
                  run("exiftool -s3 -ThumbnailLength " + path));
    }
}

TEST_F(Oracle, transferAndCarryGiveAnEncodedCopyTheSourceMetadata) {
    const std::string source = makeFamily().front();
    const std::string target = dir_.file("resized.jpg");
    ASSERT_EQ(std::system(("convert " + source + " -strip -resize 32x24 " + target).c_str()), 0);
    const std::string pixelsBefore = pixels(target);
    const ByteVector encoded = testing::readBytes(target);
    EXPECT_EQ(transferExif(source, target).status, JpegCommandStatus::Modified);
    EXPECT_EQ(run("exiftool -s3 -Make -XMP:Title -IPTC:Keywords -Comment " + target),
              "Canon\nt\nk\nc\n");
    EXPECT_EQ(pixels(target), pixelsBefore);

    // What resize and rotation do in memory: the encoder's fresh stream given the source's
    // sections, with and without the EXIF thumbnail.
    for (bool dropThumbnail : {false, true}) {
        SCOPED_TRACE(dropThumbnail);
        std::optional<ByteVector> carried = carryMetadata(testing::readBytes(source), encoded,
                                                          {.removeExifThumbnail = dropThumbnail});
        ASSERT_TRUE(carried.has_value());
        const std::string copy = dir_.file(dropThumbnail ? "carried-bare.jpg" : "carried.jpg");
        testing::writeBytes(copy, *carried);
        EXPECT_EQ(pixels(copy), pixelsBefore);
        EXPECT_EQ(
            run("exiftool -s3 -Make -DateTimeOriginal -XMP:Title -IPTC:Keywords -Comment " + copy),
            "Canon\n2012:05:01 10:20:30\nt\nk\nc\n");
        EXPECT_EQ(run("exiftool -s3 -ThumbnailLength " + copy) == "", dropThumbnail);
        for (const std::string& finding : findings(copy)) {
            EXPECT_THAT(findings(source), ::testing::Contains(finding));
        }
    }
}

TEST_F(Oracle, infoCommandPrintsFieldsAndSections) {
    const std::string path = makeFamily().front();
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(cli::runInfoCommand(path), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_THAT(out, HasSubstr("cameraMake\tCanon\n"));
    EXPECT_THAT(out, HasSubstr("dateTime\t2012:05:01 10:20:30\n"));
    EXPECT_THAT(out, HasSubstr("width\t64\n"));
    EXPECT_THAT(out, HasSubstr("section\tFFE1\t"));
    EXPECT_THAT(out, HasSubstr("section\tFFDA\t"));
    EXPECT_EQ(cli::runInfoCommand(dir_.file("missing.jpg")), 3);
}

}  // namespace
}  // namespace pixmill::jpegmeta
