// The metadata batch jobs: their threading pattern, progress texts and item outcomes.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "engine/batch/batch_driver.h"
#include "engine/batch/batch_table.h"
#include "engine/batch/metadata_job.h"
#include "jpegmeta/diagnostics_capture.h"
#include "support/failing_file_ops.h"
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

// A metadata batch run by the driver, whose rewrites are made durable a block at a time.
class MetadataBatch : public ::testing::Test, public BatchObserver {
  protected:
    void batchProgress(int done, int total) override {
        progress.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    void batchEnd(BatchKind, const std::string&, const std::vector<RowOutcome>& rows) override {
        outcomes = rows;
    }

    // Photos named p0.jpg... with a shooting time each, the catalog's rows in that order.
    void addPhotos(int from, int to) {
        for (int i = from; i < to; ++i)
            addRow("p" + std::to_string(i) + ".jpg", true);
    }
    void addRow(const std::string& name, bool newPhoto) {
        if (newPhoto)
            photo(dir, name, "2012:05:01 10:20:30");
        CatalogItem item;
        item.fileName = name;
        item.fullPath = dir.file(name);
        items.push_back(item);
    }
    void run(BatchKind kind, FileOps& ops) {
        model.resetRows(QString::fromStdString(dir.folder()), items);
        BatchDriver driver(model, gate, this);
        BatchEnvironment env;
        env.currentFolder = dir.folder();
        env.fileOps = &ops;
        ASSERT_EQ(driver.start(makeMetadataJob(kind, {}), env), "");
        driver.wait();
    }
    ItemStatus status(size_t row) const { return outcomes.at(row).outcome.status; }
    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TempDir dir;
    testing::StatusRecorder status_;
    testing::DiagnosticsCapture capture;
    std::vector<CatalogItem> items;
    CatalogModel model;
    WorkGate gate;
    std::vector<std::string> progress;
    std::vector<RowOutcome> outcomes;
};

// A write, flush or rename that fails fails its own row only: the photo keeps its old bytes, the
// temporary goes, and the rows around it in the block are still rewritten.
TEST_F(MetadataBatch, aFailedRewriteInABlockFailsOnlyItsRowAndLeavesItsPhotoAlone) {
    using Op = testing::FailingFileOps::Op;
    for (Op failing : {Op::WriteNewFile, Op::FlushFile, Op::RenameReplacing}) {
        SCOPED_TRACE(static_cast<int>(failing));
        items.clear();
        for (const std::string& name : namesInFolder())
            std::filesystem::remove(dir.file(name));
        addPhotos(0, 4);
        const std::vector<unsigned char> old = testing::readFile(dir.file("p2.jpg"));
        testing::FailingFileOps ops;
        ops.failAt(failing, 3);
        progress.clear();
        run(BatchKind::DeleteExif, ops);
        ASSERT_EQ(outcomes.size(), 4u);
        for (size_t row : {0u, 1u, 3u})
            EXPECT_EQ(status(row), ItemStatus::Ok) << row;
        EXPECT_EQ(status(2), ItemStatus::Failed);
        EXPECT_NE(outcomes[2].outcome.message.find("p2.jpg"), std::string::npos);
        EXPECT_EQ(testing::readFile(dir.file("p2.jpg")), old);
        EXPECT_LT(testing::readFile(dir.file("p1.jpg")).size(), old.size());  // EXIF gone
        EXPECT_EQ(namesInFolder(),
                  (std::vector<std::string>{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg"}));
        EXPECT_EQ(progress.back(), "4/4");
        EXPECT_EQ(progress.size(), 5u);
    }
}

// Two rows naming one file (a link beside its target) and more rows than one block holds: the
// second rewrite of the file waits for nothing of ours and reads the first one's result.
TEST_F(MetadataBatch, aFileStagedTwiceInOneBatchIsRewrittenOnceInTurn) {
    addPhotos(0, 2);
    std::filesystem::create_symlink("p1.jpg", dir.file("z-link.jpg"));
    addRow("z-link.jpg", false);
    addPhotos(2, 40);
    run(BatchKind::DeleteExif, systemFileOps());
    ASSERT_EQ(outcomes.size(), 41u);
    for (size_t row = 0; row < 41; ++row) {
        // p1.jpg had lost its EXIF already when the link's row read it.
        EXPECT_EQ(status(row), row == 2 ? ItemStatus::Unchanged : ItemStatus::Ok) << row;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("z-link.jpg")));
    EXPECT_EQ(namesInFolder().size(), 41u);
    EXPECT_EQ(progress.size(), 42u);
    EXPECT_EQ(progress.back(), "41/41");
}

}  // namespace
}  // namespace pixmill
