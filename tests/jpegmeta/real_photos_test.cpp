// Every real camera and phone JPEG of the shared corpus through the photo information, each
// metadata command and a resize with EXIF restored. The commands must leave the image data
// byte for byte, and exiftool (the oracle) must find nothing wrong in any result that it did
// not already find in the original.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/info_command.h"
#include "engine/catalog/photo_fields.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/resample.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/jpegmeta/photo_info.h"
#include "jpegmeta/diagnostics_capture.h"
#include "jpegmeta/oracle_support.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill::jpegmeta {
namespace {

namespace fs = std::filesystem;
using testing::ByteVector;

const fs::path kPhotos = PIXMILL_REAL_PHOTOS;

std::string run(const std::string& command) {
    return testing::runCommand(command);
}

// exiftool's warnings and errors (validation included) for every file of a folder, by name.
std::map<std::string, std::set<std::string>> findings(const fs::path& folder) {
    std::map<std::string, std::set<std::string>> result;
    const std::string out =
        run("exiftool -a -s -validate -Warning -Error '" + folder.string() + "'");
    std::string current;
    std::size_t start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = out.substr(start, end - start);
        if (line.rfind("======== ", 0) == 0) {
            current = fs::path(line.substr(9)).filename().string();
            result[current];
        } else if (line.rfind("Warning", 0) == 0 || line.rfind("Error", 0) == 0) {
            result[current].insert(line);
        }
    }
    return result;
}

// exiv2's warnings and errors for a file, one a line.
std::set<std::string> exiv2Findings(const fs::path& file) {
    const std::string out = run("{ exiv2 -pa '" + file.string() + "' 2>&1 >/dev/null; }");
    std::set<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.insert(out.substr(start, end - start));
    return lines;
}

// The mean difference, per channel, between `thumbnail` and the picture scaled to its size.
double meanDifference(const QImage& thumbnail, const QImage& picture) {
    const QImage a = thumbnail.convertToFormat(QImage::Format_RGBX8888);
    const QImage b = resampleImage(picture, a.size()).convertToFormat(QImage::Format_RGBX8888);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 4; ++x)
            sum += std::abs(int(a.constScanLine(y)[x]) - int(b.constScanLine(y)[x]));
    return sum / (double(a.width()) * a.height() * 4);
}

// The bytes from the SOS section on (its marker, the section, the scan data).
ByteVector fromScan(const ByteVector& file) {
    ByteVector scan;
    for (const testing::SectionSummary& section : testing::listSections(file, &scan)) {
        if (section.marker == 0xDA) {
            const auto from = static_cast<long>(scan.size()) + section.length + 2;
            return ByteVector(file.end() - from, file.end());
        }
    }
    return {};
}

class RealPhotos : public ::testing::Test {
  protected:
    void SetUp() override {
        const bool ci = testing::inContinuousIntegration();
        const bool tools = std::system("command -v exiftool >/dev/null") == 0;
        if (!tools || !fs::exists(kPhotos)) {
            if (ci)
                FAIL() << "exiftool and " << kPhotos << " are needed";
            GTEST_SKIP() << "exiftool or the real photos are missing";
        }
        for (const auto& entry : fs::recursive_directory_iterator(kPhotos)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".jpg" || extension == ".JPG"))
                photos_.push_back(entry.path());
        }
        ASSERT_GT(photos_.size(), 80u);
    }
    // The photos copied flat into `folder`, writable, under names that tell them apart.
    std::vector<fs::path> copyInto(const fs::path& folder) {
        fs::create_directories(folder);
        std::vector<fs::path> copies;
        for (const fs::path& photo : photos_) {
            std::string name = fs::relative(photo, kPhotos).string();
            std::replace(name.begin(), name.end(), '/', '_');
            copies.push_back(folder / name);
            fs::copy_file(photo, copies.back());
            fs::permissions(copies.back(), fs::perms::owner_write, fs::perm_options::add);
        }
        return copies;
    }
    std::vector<fs::path> photos_;
    testing::TempDir dir_;
    testing::DiagnosticsCapture quiet_;
};

TEST_F(RealPhotos, infoReadsEveryPhoto) {
    for (const fs::path& photo : photos_) {
        SCOPED_TRACE(photo.string());
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(cli::runInfoCommand(photo.string()), 0);
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_THAT(out, ::testing::HasSubstr("\nwidth\t"));
        PhotoInfo info;
        if (readPhotoInfoFile(photo.string(), info)) {
            EXPECT_GT(info.width, 0);  // the frame is found whenever the scan is reached
        }
    }
}

TEST_F(RealPhotos, metadataCommandsKeepTheImageDataAndAddNoFindings) {
    const fs::path originals = dir_.path() / "originals";
    const std::vector<fs::path> sources = copyInto(originals);
    const auto before = findings(originals);
    const MetadataCommand kinds[] = {
        MetadataCommand::DeleteExif, MetadataCommand::DeleteNonOriginal,
        MetadataCommand::DeleteComment, MetadataCommand::AddComment, MetadataCommand::PureJpeg};
    for (MetadataCommand kind : kinds) {
        const fs::path folder = dir_.path() / ("kind" + std::to_string(static_cast<int>(kind)));
        const std::vector<fs::path> copies = copyInto(folder);
        for (std::size_t i = 0; i < copies.size(); ++i) {
            SCOPED_TRACE(copies[i].string());
            const ByteVector original = testing::readBytes(sources[i]);
            const JpegCommandResult result = processJpegFile(
                copies[i].string(), JpegCommandOptions::forCommand(kind, "Pixmill 测试"));
            if (result.status == JpegCommandStatus::Failed) {
                EXPECT_FALSE(result.message.empty());
            }
            if (result.status == JpegCommandStatus::Modified) {
                EXPECT_FALSE(fromScan(original).empty());
                EXPECT_EQ(fromScan(testing::readBytes(copies[i])), fromScan(original));
            } else {
                EXPECT_EQ(testing::readBytes(copies[i]), original);
            }
        }
        for (const auto& [name, found] : findings(folder)) {
            for (const std::string& finding : found)
                EXPECT_TRUE(before.at(name).count(finding))
                    << "kind " << static_cast<int>(kind) << ": " << name << ": " << finding;
        }
    }
}

TEST_F(RealPhotos, resizeWithExifRestoredAddsNoFindings) {
    const fs::path originals = dir_.path() / "originals";
    const std::vector<fs::path> sources = copyInto(originals);
    const auto before = findings(originals);
    const fs::path out = dir_.path() / "out";
    fs::create_directories(out);
    int restored = 0;
    for (const fs::path& source : sources) {
        CatalogItem item;
        item.fileName = source.filename().string();
        item.fullPath = source.string();
        (void)readPhotoInfoInto(item.fullPath, item);
        const ItemOutcome outcome =
            resizeItem(item, {.bound = 48, .restoreExif = true}, out.string() + "/");
        if (outcome.status != ItemStatus::Ok || !item.isExif || item.width <= 48)
            continue;
        ++restored;
        // EXIF first, with no JFIF header in front of it.
        EXPECT_EQ(testing::markersOf(testing::readBytes(outcome.output)).front(), 0xE1)
            << item.fileName;
    }
    EXPECT_GT(restored, 50);
    for (const auto& [name, found] : findings(out)) {
        for (const std::string& finding : found) {
            // A maker note's preview that the camera stored after the EXIF section (its offset
            // counts from the file) cannot come along into a re-encoded picture.
            if (finding.find("MakerNotes:PreviewImageStart is past end of file") !=
                std::string::npos)
                continue;
            EXPECT_TRUE(before.at(name).count(finding)) << name << ": " << finding;
        }
    }
}

TEST_F(RealPhotos, aTurnMakesTheThumbnailAgainFromTheTurnedPictureWithoutNewFindings) {
    const fs::path originals = dir_.path() / "originals";
    const std::vector<fs::path> sources = copyInto(originals);
    const auto before = findings(originals);
    const fs::path turnedFolder = dir_.path() / "turned";
    const std::vector<fs::path> copies = copyInto(turnedFolder);
    const bool exiv2 = std::system("command -v exiv2 >/dev/null") == 0;
    int remade = 0;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        SCOPED_TRACE(copies[i].string());
        if (exifThumbnail(testing::readBytes(sources[i])).empty())
            continue;
        CatalogItem item;
        item.fileName = copies[i].filename().string();
        item.fullPath = copies[i].string();
        (void)readPhotoInfoInto(item.fullPath, item);  // a damaged photo still gives its size
        if (rotateFlipItem(item, kRotate90).status != ItemStatus::Ok)
            continue;
        const ByteVector turned = testing::readBytes(copies[i]);
        const Bytes made = exifThumbnail(turned);
        ASSERT_FALSE(made.empty());
        ++remade;
        // 160 pixels on the long side, and the turned picture, not the old one.
        QImage thumbnail;
        ASSERT_TRUE(thumbnail.loadFromData(made.data(), int(made.size()), "JPEG"));
        Result<QImage> picture = decodeJpeg(turned, QSize(160, 160));
        ASSERT_TRUE(picture);
        const std::optional<JpegHeader> frame = readJpegHeader(turned);
        ASSERT_TRUE(frame);
        EXPECT_EQ(std::max(thumbnail.width(), thumbnail.height()),
                  std::min(160, std::max(frame->width, frame->height)));
        EXPECT_EQ(thumbnail.width() > thumbnail.height(), picture->width() > picture->height());
        EXPECT_LT(meanDifference(thumbnail, *picture), 12.0);
        if (exiv2) {
            for (const std::string& finding : exiv2Findings(copies[i]))
                EXPECT_TRUE(exiv2Findings(sources[i]).count(finding)) << finding;
        }
    }
    EXPECT_GT(remade, 40);
    for (const auto& [name, found] : findings(turnedFolder)) {
        for (const std::string& finding : found)
            EXPECT_TRUE(before.at(name).count(finding)) << name << ": " << finding;
    }
}

}  // namespace
}  // namespace pixmill::jpegmeta
