// The metadata batch jobs: their threading pattern, progress texts and item outcomes.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/batch/batch_table.h"
#include "engine/batch/metadata_job.h"
#include "jpegmeta/diagnostics_capture.h"
#include "support/jpeg_builder.h"
#include "support/status_recorder.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::JpegBuilder;
using testing::TiffBuilder;

// A photo with a 20-character shooting time.
std::string photo(const testing::TempDir& dir, const std::string& name, const std::string& date) {
    TiffBuilder tiff;
    std::vector<std::uint8_t> value(date.begin(), date.end());
    value.resize(20, 0);
    tiff.exifIfd().entry(0x9003, 2, 20, value);
    const std::string path = dir.file(name);
    testing::writeBytes(path, JpegBuilder().exif(tiff.build()).image().build());
    return path;
}

TEST(MetadataJob, reportsProgressAndOutcomes) {
    testing::TempDir dir;
    testing::StatusRecorder status;
    testing::DiagnosticsCapture capture;
    WorkedRow row;
    row.item.number = 4;
    row.item.fileName = "a.jpg";
    row.item.fullPath = photo(dir, "a.jpg", "2012:05:01 10:20:30");
    BatchEnvironment env;

    BatchJob shift = makeMetadataJob(BatchKind::ShiftTime, {"", 24});
    EXPECT_EQ(batchKindInfo(shift.kind).pattern, BatchPattern::PerItem);
    EXPECT_EQ(shift.perItem(row, env).status, ItemStatus::Ok);
    EXPECT_EQ(row.item.shootingDate, "2012:05:02 10:20:30");

    BatchJob comment = makeMetadataJob(BatchKind::AddComment, {"hello", 0});
    EXPECT_EQ(batchKindInfo(comment.kind).pattern, BatchPattern::Sequential);
    EXPECT_EQ(comment.perItem(row, env).status, ItemStatus::Ok);
    EXPECT_EQ(comment.perItem(row, env).status, ItemStatus::Unchanged);
    EXPECT_EQ(makeMetadataJob(BatchKind::DeleteExif, {}).perItem(row, env).status, ItemStatus::Ok);
    ::chmod(row.item.fullPath.c_str(), 0400);
    EXPECT_EQ(makeMetadataJob(BatchKind::PureJpeg, {}).perItem(row, env).status,
              ItemStatus::Skipped);
    status.uninstall();
    const std::vector<std::string> texts = status.texts();
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts.front(), "已校正第 5 张图片：a.jpg");
    EXPECT_EQ(texts.back(), "正在处理第 5 张图片：a.jpg");
    EXPECT_FALSE(makeMetadataJob(BatchKind::Resize, {}).perItem);
}

}  // namespace
}  // namespace pixmill
