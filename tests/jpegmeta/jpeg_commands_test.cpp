// The metadata commands over real files: what each leaves in a file, and what it never does.
#include "engine/jpegmeta/jpeg_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "jpegmeta/diagnostics_capture.h"
#include "support/failing_file_ops.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill::jpegmeta {
namespace {

using testing::ByteVector;
using testing::DiagnosticsCapture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::JpegBuilder;
using testing::TiffBuilder;

constexpr time_t kOldTime = 1300000000;  // 2011-03-13

// Markers of the metadata sections given, then those of the tiny image's frame, tables and SOS.
std::vector<int> withImage(std::vector<int> markers) {
    for (int m : {0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA})
        markers.push_back(m);
    return markers;
}

ByteVector exif72() {
    TiffBuilder tiff;
    tiff.ifd0()
        .ascii(0x010F, "Canon")
        .rational(0x011A, 72, 1)
        .rational(0x011B, 72, 1)
        .shortValue(0x0128, 2);
    tiff.exifIfd().ascii(0x9003, "2012:05:01 10:20:30");
    return tiff.build();
}

class JpegCommands : public ::testing::Test {
  protected:
    std::string make(const std::string& name, const ByteVector& bytes, mode_t mode = 0640) {
        const std::string path = dir_.file(name);
        testing::writeBytes(path, bytes);
        ::chmod(path.c_str(), mode);
        const struct timespec times[2] = {{kOldTime, 0}, {kOldTime, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }
    static struct stat statusOf(const std::string& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        return status;
    }
    JpegCommandResult run(MetadataCommand kind, const std::string& path,
                          const std::string& text = {}) {
        return processJpegFile(path, JpegCommandOptions::forCommand(kind, text));
    }
    static ByteVector scanOf(const ByteVector& jpeg) {
        ByteVector scan;
        testing::listSections(jpeg, &scan);
        return scan;
    }

    testing::TempDir dir_;
    DiagnosticsCapture capture_;
};

TEST_F(JpegCommands, deleteExifWritesJfifFromItsResolutionAndKeepsTimesAndImage) {
    const std::string path =
        make("a.jpg", JpegBuilder().exif(exif72()).comment("c").image().build());
    const ByteVector before = testing::readBytes(path);
    EXPECT_EQ(run(MetadataCommand::DeleteExif, path).status, JpegCommandStatus::Modified);
    const ByteVector after = testing::readBytes(path);
    const ByteVector jfif = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I',
                             'F',  0,    1,    1,    1, 0,  72,  0,   72};
    EXPECT_EQ(ByteVector(after.begin(), after.begin() + 18), jfif);
    EXPECT_EQ(testing::markersOf(after), withImage({0xE0, 0xFE}));
    EXPECT_EQ(scanOf(after), scanOf(before));
    const struct stat status = statusOf(path);
    EXPECT_EQ(status.st_mtime, kOldTime);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(capture_.out, "Modified: " + path + "\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".t"));

    // Deleting twice equals deleting once: the second run leaves the file alone.
    EXPECT_EQ(run(MetadataCommand::DeleteExif, path).status, JpegCommandStatus::Unchanged);
    EXPECT_EQ(testing::readBytes(path), after);
}

TEST_F(JpegCommands, nothingToDoLeavesFilesByteForByteAndTimesUntouched) {
    const ByteVector plain = JpegBuilder().jfif().comment("same").image().build();
    struct Case {
        MetadataCommand kind;
        std::string text;
    };
    for (const Case& c :
         {Case{MetadataCommand::DeleteExif, ""}, Case{MetadataCommand::DeleteNonOriginal, ""},
          Case{MetadataCommand::AddComment, "same"}}) {
        const std::string path = make("p.jpg", plain);
        EXPECT_EQ(run(c.kind, path, c.text).status, JpegCommandStatus::Unchanged);
        EXPECT_EQ(testing::readBytes(path), plain);
        EXPECT_EQ(statusOf(path).st_mtime, kOldTime);
    }
    EXPECT_THAT(capture_.out, HasSubstr("Comment not modified\n"));
}

TEST_F(JpegCommands, addCommentReplacesEveryEarlierComment) {
    const std::string path =
        make("c.jpg", JpegBuilder().comment("one").comment("two").image().build());
    EXPECT_EQ(run(MetadataCommand::AddComment, path, "新的说明").status,
              JpegCommandStatus::Modified);
    std::vector<int> markers = testing::markersOf(testing::readBytes(path));
    EXPECT_EQ(std::count(markers.begin(), markers.end(), 0xFE), 1);
    const ByteVector after = testing::readBytes(path);
    const std::string stored(reinterpret_cast<const char*>(after.data()), after.size());
    EXPECT_THAT(stored, HasSubstr("新的说明"));
    EXPECT_EQ(run(MetadataCommand::AddComment, path, "新的说明").status,
              JpegCommandStatus::Unchanged);

    // A long text is cut to 2000 bytes, never inside a character (3 bytes each here).
    EXPECT_EQ(run(MetadataCommand::AddComment, path, std::string(1999, 'a') + "说").status,
              JpegCommandStatus::Modified);
    for (const testing::SectionSummary& s : testing::listSections(testing::readBytes(path))) {
        if (s.marker == 0xFE) {
            EXPECT_EQ(s.length, 1999 + 2);
        }
    }
}

TEST_F(JpegCommands, pureJpegLeavesFrameTablesAndScanBehindFreshJfif) {
    const ByteVector file = JpegBuilder()
                                .jfif()
                                .exif(exif72())
                                .xmp()
                                .icc()
                                .iptc()
                                .adobe(1)
                                .comment("c")
                                .section(0xEF, "x")
                                .image()
                                .build();
    const std::string path = make("pure.jpg", file);
    EXPECT_EQ(run(MetadataCommand::PureJpeg, path).status, JpegCommandStatus::Modified);
    const ByteVector after = testing::readBytes(path);
    EXPECT_EQ(testing::markersOf(after), withImage({0xE0}));
    EXPECT_EQ(scanOf(after), scanOf(file));
}

TEST_F(JpegCommands, deleteNonOriginalKeepsExifIptcXmpAndComment) {
    const std::string path =
        make("n.jpg",
             JpegBuilder().exif(exif72()).icc().xmp().iptc().comment("c").adobe(1).image().build());
    EXPECT_EQ(run(MetadataCommand::DeleteNonOriginal, path).status, JpegCommandStatus::Modified);
    std::vector<int> markers = testing::markersOf(testing::readBytes(path));
    markers.resize(4);
    EXPECT_THAT(markers, ElementsAre(0xE1, 0xE1, 0xED, 0xFE));
}

TEST_F(JpegCommands, readOnlyFilesAreSkippedByEveryOperation) {
    const ByteVector file = JpegBuilder().exif(exif72()).icc().comment("c").image().build();
    const std::string path = make("ro.jpg", file, 0444);
    for (MetadataCommand kind :
         {MetadataCommand::DeleteExif, MetadataCommand::DeleteNonOriginal,
          MetadataCommand::DeleteComment, MetadataCommand::AddComment, MetadataCommand::PureJpeg}) {
        EXPECT_EQ(run(kind, path, "x").status, JpegCommandStatus::Skipped);
    }
    EXPECT_EQ(shiftShootingTime(path, 1).status, JpegCommandStatus::Skipped);
    EXPECT_EQ(testing::readBytes(path), file);
    EXPECT_THAT(capture_.out, HasSubstr("Skipping readonly file '" + path + "'\n"));
}

TEST_F(JpegCommands, filesThatAreNotUsableJpegsAreLeftAlone) {
    struct Case {
        const char* name;
        ByteVector bytes;
        JpegCommandStatus status;
        const char* message;
    };
    const ByteVector good = JpegBuilder().exif(exif72()).image().build();
    const Case cases[] = {
        {"png.jpg",
         {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0},
         JpegCommandStatus::Skipped,
         "Not JPEG: "},
        {"empty.jpg", {}, JpegCommandStatus::Skipped, "Not JPEG: "},
        {"cut.jpg", ByteVector(good.begin(), good.begin() + 40), JpegCommandStatus::Failed,
         "\nError : Premature end of file?\nin file '"},
        {"noimage.jpg",
         {0xFF, 0xD8, 0xFF, 0xD9, 0, 2},
         JpegCommandStatus::Skipped,
         "No image in jpeg!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = make(c.name, c.bytes);
        const JpegCommandResult result = run(MetadataCommand::PureJpeg, path);
        EXPECT_EQ(result.status, c.status);
        EXPECT_FALSE(result.message.empty());  // the reason reaches the row, not only stderr
        if (c.status == JpegCommandStatus::Failed) {
            EXPECT_EQ(result.message, "Premature end of file?");
        }
        EXPECT_EQ(testing::readBytes(path), c.bytes);
        EXPECT_THAT(capture_.err, HasSubstr(c.message));
    }
    JpegCommandResult missing = run(MetadataCommand::PureJpeg, dir_.file("missing.jpg"));
    EXPECT_EQ(missing.status, JpegCommandStatus::Failed);
    EXPECT_EQ(missing.message, "No such file");
    JpegCommandResult longName =
        run(MetadataCommand::PureJpeg, dir_.folder() + std::string(259, 'n'));
    EXPECT_EQ(longName.message, "filename too long");
}

TEST_F(JpegCommands, rewriteLeavesAnotherFileOfAnOldTemporaryNameAloneAndFollowsLinks) {
    const std::string path = make("l.jpg", JpegBuilder().exif(exif72()).image().build());
    testing::writeBytes(path + ".t", {1, 2, 3});
    const std::string link = dir_.file("link.jpg");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    EXPECT_EQ(run(MetadataCommand::DeleteExif, link).status, JpegCommandStatus::Modified);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testing::markersOf(testing::readBytes(path)).front(), 0xE0);
    EXPECT_EQ(testing::readBytes(path + ".t"), (ByteVector{1, 2, 3}));
}

TEST_F(JpegCommands, failedRewriteLeavesTheOriginalAndNoTemporary) {
    using Op = testing::FailingFileOps::Op;
    const ByteVector file = JpegBuilder().exif(exif72()).image().build();
    for (Op op : {Op::WriteNewFile, Op::RenameReplacing}) {
        const std::string path = make("f.jpg", file);
        testing::FailingFileOps ops;
        ops.failAt(op, 1);
        JpegCommandResult result =
            processJpegFile(path, JpegCommandOptions::forCommand(MetadataCommand::DeleteExif), ops);
        EXPECT_EQ(result.status, JpegCommandStatus::Failed);
        EXPECT_EQ(testing::readBytes(path), file);
        EXPECT_FALSE(std::filesystem::exists(path + ".t"));
    }
    EXPECT_THAT(capture_.err, HasSubstr("\nError : Could not open file for write"));
    EXPECT_THAT(capture_.out, ::testing::Not(HasSubstr("Modified:")));
}

TEST_F(JpegCommands, transferExifCarriesTheSourceMetadataByteForByte) {
    TiffBuilder sourceExif;
    // Upright, so the carry has nothing to make true in it (a turned source's EXIF is given
    // Orientation 1: ImageMetadata's carry tests).
    sourceExif.ifd0().ascii(0x010F, "Source").shortValue(0x0112, 1);
    sourceExif.thumbnail(testing::tinyJpeg());
    const ByteVector exif = sourceExif.build();
    // A folder name holding "&i" must not change which source is read.
    std::filesystem::create_directory(dir_.file("a&ib"));
    const std::string source = make(
        "a&ib/src.jpg", JpegBuilder().icc().comment("src").exif(exif).xmp().iptc().image().build());
    const std::string target =
        make("out.jpg", JpegBuilder().comment("own").adobe(1).image().build());
    EXPECT_EQ(transferExif(source, target).status, JpegCommandStatus::Modified);
    const ByteVector after = testing::readBytes(target);
    EXPECT_EQ(testing::markersOf(after), withImage({0xE1, 0xFE, 0xED, 0xE1, 0xEE}));
    const std::string text(after.begin(), after.end());
    EXPECT_NE(text.find(std::string(exif.begin(), exif.end())), std::string::npos);
    EXPECT_THAT(text, HasSubstr("src"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("own")));

    const std::string png = make("p.png", {0x89, 'P', 'N', 'G', 0, 0});
    const ByteVector targetBefore = testing::readBytes(target);
    EXPECT_EQ(transferExif(png, target).status, JpegCommandStatus::Skipped);
    EXPECT_EQ(testing::readBytes(target), targetBefore);
}

TEST_F(JpegCommands, entryPointsRunOnSeveralThreadsAtOnce) {
    const ByteVector file = JpegBuilder().exif(exif72()).icc().comment("c").image().build();
    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i)
        paths.push_back(make("t" + std::to_string(i) + ".jpg", file));
    const std::string source = make("s.jpg", file);
    std::vector<std::thread> threads;
    std::vector<JpegCommandStatus> results(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        threads.emplace_back([&, i] {
            results[i] = i % 2 ? transferExif(source, paths[i]).status
                               : run(MetadataCommand::PureJpeg, paths[i]).status;
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(results[i], JpegCommandStatus::Modified) << i;
        EXPECT_EQ(testing::markersOf(testing::readBytes(paths[i])).front(), i % 2 ? 0xE1 : 0xE0);
    }
}

}  // namespace
}  // namespace pixmill::jpegmeta
