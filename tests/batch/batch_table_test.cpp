// The batch table every front end is built from, and checkStart, the one refusal path.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "engine/batch/batch_driver.h"
#include "engine/batch/batch_starter.h"
#include "engine/batch/batch_table.h"

namespace pixmill {
namespace {

TEST(BatchTableTest, EveryKindHasOneEntryAndEveryMenuEntryOneId) {
    std::set<int> kinds, ids;
    for (const BatchKindInfo& info : batchTable()) {
        EXPECT_TRUE(kinds.insert(static_cast<int>(info.kind)).second) << info.name;
        EXPECT_EQ(&batchKindInfo(info.kind), &info);
        EXPECT_FALSE(info.menu.empty()) << info.name;
        for (const BatchMenuEntry& entry : info.menu) {
            EXPECT_TRUE(ids.insert(entry.id).second) << entry.caption;
            const BatchKindInfo* owner = nullptr;
            EXPECT_EQ(batchMenuEntry(entry.id, &owner), &entry);
            EXPECT_EQ(owner, &info);
            // Only a confirmed entry asks, and it always has its question.
            EXPECT_EQ(entry.confirmation != nullptr, entry.start == MenuStart::Confirmed);
        }
        // The kinds that write new files are exactly those that open the output folder.
        EXPECT_EQ(info.usesOutputFolder, info.endFolder == EndFolder::OutputDir) << info.name;
    }
    EXPECT_EQ(kinds.size(), static_cast<size_t>(kBatchKindCount));
    EXPECT_EQ(batchMenuEntry(command::kMore), nullptr);
    EXPECT_EQ(batchMenuEntry(command::kOpenOutputFolder), nullptr);
}

TEST(BatchTableTest, DestructiveCommandsAskTheirOwnQuestion) {
    const std::pair<int, const char*> questions[] = {
        {command::kDeleteExif, "确定要删除图片Exif信息？删除后将无法恢复"},
        {command::kDeleteComment, "删除jpeg信息中的备注，确定删除吗？"},
        {command::kDeleteNonOriginalExif,
         "删除非原始exif信息（例如Photoshop，美图秀秀之类编辑后修改的信息），确定删除吗？"},
        {command::kPureJpeg, "删除所有jpeg文件非必须的信息，图片不会失真，确定删除吗？"},
    };
    for (const auto& [id, question] : questions)
        EXPECT_STREQ(batchMenuEntry(id)->confirmation, question) << id;
}

TEST(BatchTableTest, KindsThatShareTheMetadataStateRunOneItemAtATime) {
    for (BatchKind kind :
         {BatchKind::DeleteExif, BatchKind::DeleteNonOriginal, BatchKind::DeleteComment,
          BatchKind::AddComment, BatchKind::PureJpeg, BatchKind::Crop}) {
        EXPECT_EQ(batchKindInfo(kind).pattern, BatchPattern::Sequential)
            << batchKindInfo(kind).name;
    }
    EXPECT_EQ(batchKindInfo(BatchKind::Rename).pattern, BatchPattern::WholeBatch);
    for (BatchKind kind :
         {BatchKind::RotateFlip, BatchKind::ShiftTime, BatchKind::Resize, BatchKind::Watermark}) {
        EXPECT_EQ(batchKindInfo(kind).pattern, BatchPattern::PerItem) << batchKindInfo(kind).name;
    }
}

class CheckStartTest : public ::testing::Test {
  protected:
    void fill(int rows) {
        std::vector<CatalogItem> items(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            items[static_cast<size_t>(i)].fileName = std::to_string(i) + ".jpg";
        model.resetRows(QStringLiteral("/nowhere/"), std::move(items));
    }
    CatalogModel model;
    WorkGate gate;
};

TEST_F(CheckStartTest, MenuCommandsNeedATickedRowWhateverTheyStart) {
    // An empty catalog has nothing ticked either: the menu says so, not "no images".
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::MenuCommand), kNothingTickedMessage);
    fill(2);
    model.setAllTicked(false);
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::MenuCommand, BatchKind::Rename),
              kNothingTickedMessage);
    model.setTicked(1, true);
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::MenuCommand), "");
    // The menu leaves a running batch to the starter's own refusal.
    ASSERT_TRUE(gate.tryEnter(WorkKind::Batch));
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::MenuCommand), "");
    gate.leave();
}

TEST_F(CheckStartTest, StarterRefusesBusyWorkThenAnEmptyCatalogThenNothingTicked) {
    ASSERT_TRUE(gate.tryEnter(WorkKind::Load));
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::Starter), WorkGate::refusalFor(WorkKind::Load));
    EXPECT_EQ(checkStart(model, nullptr, StartOrigin::Starter), kNoImagesMessage);
    gate.leave();
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::Starter), kNoImagesMessage);
    fill(3);
    model.setAllTicked(false);
    // A panel's batch runs over no rows; an operation started at once needs one.
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::Starter, BatchKind::Resize), "");
    EXPECT_EQ(checkStart(model, &gate, StartOrigin::Starter, BatchKind::Crop),
              kNothingTickedMessage);
    BatchObserver observer;
    BatchDriver driver(model, gate, &observer);
    EXPECT_EQ(driver.checkStart(BatchKind::DeleteExif), kNothingTickedMessage);
}

// The driver takes the pattern from the table: a sequential kind never overlaps its items,
// a per-item kind spreads them over the pool.
TEST_F(CheckStartTest, DriverRunsEachKindByItsTablePattern) {
    fill(6);
    BatchObserver observer;
    BatchDriver driver(model, gate, &observer, 3);
    for (BatchKind kind : {BatchKind::DeleteComment, BatchKind::RotateFlip}) {
        std::atomic<int> active{0}, peak{0};
        BatchJob job{kind,
                     [&](WorkedRow&, const BatchEnvironment&) {
                         const int now = ++active;
                         int previous = peak.load();
                         while (now > previous && !peak.compare_exchange_weak(previous, now)) {
                         }
                         std::this_thread::sleep_for(std::chrono::milliseconds(20));
                         --active;
                         return ItemOutcome{};
                     },
                     {},
                     {}};
        ASSERT_EQ(driver.start(job, BatchEnvironment{}), "");
        driver.wait();
        if (batchKindInfo(kind).pattern == BatchPattern::Sequential)
            EXPECT_EQ(peak.load(), 1);
        else
            EXPECT_GT(peak.load(), 1);
    }
}

}  // namespace
}  // namespace pixmill
