// The batch driver: the walking rule, the three patterns, notifications and refusals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "engine/batch/batch_driver.h"
#include "engine/platform/status.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

class RecordingObserver : public BatchObserver {
  public:
    void batchBegin(BatchKind kind) override {
        std::lock_guard lock(mutex);
        events.push_back("begin " + std::to_string(static_cast<int>(kind)));
    }
    void batchProgress(int done, int total) override {
        std::lock_guard lock(mutex);
        progress.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    void batchEnd(BatchKind kind, const std::string& folder,
                  const std::vector<RowOutcome>& rows) override {
        std::lock_guard lock(mutex);
        events.push_back("end " + std::to_string(static_cast<int>(kind)));
        endFolder = folder;
        outcomes = rows;
        finishedAtEnd = finished.load();
    }
    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<std::string> progress;
    std::string endFolder;
    std::vector<RowOutcome> outcomes;
    std::atomic<int> finished{0};
    int finishedAtEnd = -1;
};

class BatchDriverTest : public ::testing::Test {
  protected:
    void fill(int rows) {
        std::vector<CatalogItem> items(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i) {
            items[static_cast<size_t>(i)].fileName = std::to_string(i) + ".jpg";
            items[static_cast<size_t>(i)].fullPath =
                folder.folder() + items[static_cast<size_t>(i)].fileName;
        }
        model.resetRows(QString::fromStdString(folder.folder()), std::move(items));
    }
    BatchEnvironment environment() const {
        BatchEnvironment env;
        env.currentFolder = folder.folder();
        env.outputDir = output.folder();
        return env;
    }
    testing::TempDir folder, output;
    CatalogModel model;
    WorkGate gate;
    RecordingObserver observer;
};

TEST_F(BatchDriverTest, NothingTickedStillSendsBothNotificationsAndNamesTheEndFolder) {
    fill(3);
    model.setAllTicked(false);
    BatchDriver driver(model, gate, &observer);
    EXPECT_EQ(driver.checkStart(BatchKind::Resize), "");
    EXPECT_EQ(driver.checkStart(BatchKind::Crop), kNothingTickedMessage);
    BatchJob job{BatchKind::Resize,
                 [](WorkedRow&, const BatchEnvironment&) { return ItemOutcome{}; },
                 {},
                 {}};
    EXPECT_EQ(driver.start(job, environment()), "");
    driver.wait();
    EXPECT_EQ(observer.events, (std::vector<std::string>{"begin 4", "end 4"}));
    EXPECT_EQ(observer.endFolder, output.folder());
    EXPECT_TRUE(observer.outcomes.empty());
}

TEST_F(BatchDriverTest, EmptyCatalogIsRefusedByTheStartersCheck) {
    BatchDriver driver(model, gate, &observer);
    EXPECT_EQ(driver.checkStart(BatchKind::Rename), kNoImagesMessage);
}

TEST_F(BatchDriverTest, SequentialWalkCountsRowsNotTickedRows) {
    fill(5);
    for (int row : {0, 1, 3})
        model.setTicked(row, false);
    BatchDriver driver(model, gate, &observer);
    std::vector<int> seen;
    BatchJob job{
        BatchKind::Crop,
        [&](WorkedRow& row, const BatchEnvironment&) {
            seen.push_back(row.row + 1);
            return ItemOutcome{row.row == 4 ? ItemStatus::Failed : ItemStatus::Ok, "", "x"};
        },
        {},
        {}};
    driver.start(job, environment());
    driver.wait();
    EXPECT_EQ(seen, (std::vector<int>{3, 5}));
    EXPECT_EQ(observer.progress, (std::vector<std::string>{"0/2", "1/2", "2/2"}));
    ASSERT_EQ(observer.outcomes.size(), 2u);
    EXPECT_EQ(observer.outcomes[1].row, 4);
    EXPECT_EQ(observer.outcomes[1].fileName, "4.jpg");
    EXPECT_EQ(observer.outcomes[1].outcome.status, ItemStatus::Failed);
    EXPECT_EQ(observer.endFolder, output.folder());
}

TEST_F(BatchDriverTest, PerItemRunsOnTheBoundedPoolAndEndsAfterEveryItem) {
    fill(10);
    BatchDriver driver(model, gate, &observer, 2);
    std::atomic<int> active{0}, peak{0};
    BatchJob job{BatchKind::RotateFlip,
                 [&](WorkedRow& row, const BatchEnvironment&) {
                     const int now = ++active;
                     int previous = peak.load();
                     while (now > previous && !peak.compare_exchange_weak(previous, now)) {
                     }
                     std::this_thread::sleep_for(std::chrono::milliseconds(5));
                     --active;
                     ++observer.finished;
                     return ItemOutcome{ItemStatus::Ok, row.item.fileName, ""};
                 },
                 {},
                 {}};
    driver.start(job, environment());
    driver.wait();
    EXPECT_EQ(observer.finishedAtEnd, 10);
    ASSERT_EQ(observer.progress.size(), 11u);  // every count once, in order, under the lock
    EXPECT_EQ(observer.progress.back(), "10/10");
    EXPECT_LE(peak.load(), 2);
    ASSERT_EQ(observer.outcomes.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(observer.outcomes[static_cast<size_t>(i)].outcome.output,
                  std::to_string(i) + ".jpg");
    }
    EXPECT_EQ(observer.endFolder, "");  // rotating has no end folder
}

TEST_F(BatchDriverTest, OneBatchAtATimeAndNoneDuringALoad) {
    fill(2);
    BatchDriver driver(model, gate, &observer);
    std::atomic<bool> release{false};
    BatchJob slow{BatchKind::DeleteExif,
                  [&](WorkedRow&, const BatchEnvironment&) {
                      while (!release)
                          std::this_thread::sleep_for(std::chrono::milliseconds(1));
                      return ItemOutcome{};
                  },
                  {},
                  {}};
    EXPECT_EQ(driver.start(slow, environment()), "");
    EXPECT_EQ(driver.start(slow, environment()), WorkGate::refusalFor(WorkKind::Batch));
    release = true;
    driver.wait();

    ASSERT_TRUE(gate.tryEnter(WorkKind::Load));
    EXPECT_EQ(driver.start(slow, environment()), WorkGate::refusalFor(WorkKind::Load));
    gate.leave();
    EXPECT_EQ(observer.events.size(), 2u);  // only the first batch ran
}

TEST_F(BatchDriverTest, RenamedRecordsAreWrittenBackAndOtherKindsLeaveThemAlone) {
    fill(3);
    model.setTicked(1, false);
    BatchDriver driver(model, gate, &observer);
    BatchJob rename{BatchKind::Rename,
                    {},
                    [](std::vector<WorkedRow>& rows, const BatchEnvironment&) {
                        for (size_t i = 0; i < rows.size(); ++i) {
                            rows[i].item.fileName = "new" + std::to_string(i);
                            rows[i].item.number = static_cast<int>(i) + 10;
                        }
                        return std::vector<ItemOutcome>(rows.size());
                    },
                    {}};
    driver.start(rename, environment());
    driver.wait();
    EXPECT_EQ(model.item(0).fileName, "new0");
    EXPECT_EQ(model.item(1).fileName, "1.jpg");
    EXPECT_EQ(model.item(2).fileName, "new1");
    EXPECT_EQ(model.item(2).number, 11);
    EXPECT_EQ(observer.endFolder, folder.folder());

    BatchJob resize{BatchKind::Resize,
                    [](WorkedRow& row, const BatchEnvironment&) {
                        row.item.fileName = "changed";
                        return ItemOutcome{};
                    },
                    {},
                    {}};
    driver.start(resize, environment());
    driver.wait();
    EXPECT_EQ(model.item(0).fileName, "new0");
}

TEST_F(BatchDriverTest, AFailedPrepareFailsEveryRowButStillEnds) {
    fill(2);
    BatchDriver driver(model, gate, &observer);
    int worked = 0;
    BatchJob job{BatchKind::Watermark,
                 [&](WorkedRow&, const BatchEnvironment&) {
                     ++worked;
                     return ItemOutcome{};
                 },
                 {},
                 []() -> Result<> { return makeError("layout unreadable"); }};
    driver.start(job, environment());
    driver.wait();
    EXPECT_EQ(worked, 0);
    ASSERT_EQ(observer.outcomes.size(), 2u);
    EXPECT_EQ(observer.outcomes[0].outcome.status, ItemStatus::Failed);
    EXPECT_EQ(observer.events.back(), "end 5");
}

}  // namespace
}  // namespace pixmill
