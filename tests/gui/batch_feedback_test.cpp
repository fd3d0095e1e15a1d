// What the main window tells the user about a batch: the end line with its counts, the results
// window, refused starts, the start button while a batch runs, and the catalog following files
// a batch changed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QToolButton>

#include <atomic>
#include <functional>

#include "catalog_fixture.h"
#include "engine/platform/status.h"
#include "gui/app/batch_results.h"
#include "gui/app/main_dialog.h"
#include "gui/controls/base_tool_dlg.h"

namespace pixmill {
namespace {

using testing::waitUntil;

class BatchFeedbackTest : public testing::SettingsFixture {
  protected:
    BatchFeedbackTest() {
        plugins_.shell = &shell_;
        window_ = std::make_unique<CMainDlg>(settings, plugins_);
        window_->resize(960, 640);
    }

    // The window shown: its first showing loads the three pictures.
    void loadThreePictures() {
        for (const char* name : {"a.png", "b.png", "c.png"})
            writePicture(name, 8, 8);
        window_->show();
        ASSERT_TRUE(waitUntil(
            [&] { return !window_->workRunning() && window_->catalogModel().rowCount() == 3; }));
    }

    // Runs one batch of `kind` whose rows report what `routine` returns, to its end.
    void run(std::function<ItemOutcome(const WorkedRow&)> routine,
             BatchKind kind = BatchKind::Crop) {
        BatchJob job{kind,
                     [routine](WorkedRow& row, const BatchEnvironment&) {
                         setStatusText(1,
                                       "正在处理第 " + std::to_string(row.row + 1) + " 个图片……");
                         return routine(row);
                     },
                     {},
                     {}};
        ASSERT_EQ(window_->batchDriver().start(job, window_->batchEnvironment()), "");
        ASSERT_TRUE(waitUntil([&] { return !window_->workRunning(); }));
    }

    QLabel* part(int index) const { return window_->statusPart(index); }

    testing::RecordingShell shell_;
    CatalogPlugins plugins_;
    std::unique_ptr<CMainDlg> window_;
};

ItemOutcome failed(const char* why) {
    return {ItemStatus::Failed, {}, why};
}

TEST_F(BatchFeedbackTest, TheEndLineCountsTheRowsAndFailuresOpenTheResultsOnce) {
    ASSERT_NO_FATAL_FAILURE(loadThreePictures());
    run([](const WorkedRow& row) {
        if (row.row == 1)
            return failed("输出目录不存在：/x/");
        if (row.row == 2)
            return ItemOutcome{ItemStatus::Skipped, {}, "只读文件"};
        return ItemOutcome{};
    });
    // The progress text is replaced, not left to look like a batch still running.
    EXPECT_EQ(part(1)->text(), QStringLiteral("完成：1 张成功，1 张跳过，1 张失败"));
    ASSERT_NE(window_->resultsDialog(), nullptr);
    EXPECT_TRUE(window_->resultsDialog()->isVisible());
    EXPECT_TRUE(window_->resultsButton()->isVisible());
    QTableWidget* table = window_->resultsDialog()->table();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 0)->text(), "b.png");
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("失败"));
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("输出目录不存在：/x/"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("只读文件"));

    // Selectable and copyable: the selection, else every row.
    table->selectRow(1);
    window_->resultsDialog()->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("c.png\t跳过\t只读文件"));
    table->clearSelection();
    EXPECT_EQ(window_->resultsDialog()->copyText().split('\n').size(), 2);

    // Closed, it comes back from the status line's button.
    window_->resultsDialog()->close();
    window_->resultsButton()->click();
    EXPECT_TRUE(window_->resultsDialog()->isVisible());
    window_->resultsDialog()->close();

    // Skipped rows alone are listed but do not pop up; a clean batch hides the button.
    run([](const WorkedRow& row) {
        return row.row == 0 ? ItemOutcome{ItemStatus::Skipped, {}, "不是 JPEG"} : ItemOutcome{};
    });
    EXPECT_EQ(part(1)->text(), QStringLiteral("完成：2 张成功，1 张跳过"));
    EXPECT_FALSE(window_->resultsDialog()->isVisible());
    EXPECT_TRUE(window_->resultsButton()->isVisible());
    EXPECT_EQ(window_->resultsDialog()->table()->rowCount(), 1);
    run([](const WorkedRow&) { return ItemOutcome{ItemStatus::Unchanged, {}, "没有 EXIF"}; });
    EXPECT_EQ(part(1)->text(), QStringLiteral("完成：0 张成功，3 张无需改动"));
    EXPECT_FALSE(window_->resultsButton()->isVisible());
}

TEST_F(BatchFeedbackTest, RowsDoneWithANoteAreListedAfterTheFailuresWithoutOpeningTheWindow) {
    ASSERT_NO_FATAL_FAILURE(loadThreePictures());
    const char* note = "最低质量仍超过目标大小 20 KB：已按质量 1 写出 31.0 KB";
    run([&](const WorkedRow& row) {
        if (row.row == 0)
            return ItemOutcome{ItemStatus::Ok, "/out/a.jpg", note};
        return row.row == 1 ? failed("无法解码") : ItemOutcome{};
    });
    ASSERT_NE(window_->resultsDialog(), nullptr);
    QTableWidget* table = window_->resultsDialog()->table();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("失败"));
    EXPECT_EQ(table->item(1, 0)->text(), "a.png");
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("成功（附说明）"));
    EXPECT_EQ(table->item(1, 2)->text(), QString::fromUtf8(note));
    window_->resultsDialog()->close();

    // Notes alone: listed behind the button, the window not opened.
    run([&](const WorkedRow& row) {
        return row.row == 2 ? ItemOutcome{ItemStatus::Ok, "/out/c.jpg", note} : ItemOutcome{};
    });
    EXPECT_EQ(part(1)->text(), QStringLiteral("完成：3 张成功"));
    EXPECT_FALSE(window_->resultsDialog()->isVisible());
    EXPECT_TRUE(window_->resultsButton()->isVisible());
    ASSERT_EQ(window_->resultsDialog()->table()->rowCount(), 1);
    EXPECT_EQ(window_->resultsDialog()->table()->item(0, 0)->text(), "c.png");
}

TEST_F(BatchFeedbackTest, StaleTextsGoWhenABatchOrALoadStartsAndLongOnesShowWholeAsTips) {
    ASSERT_NO_FATAL_FAILURE(loadThreePictures());
    const QString longText =
        QStringLiteral("有一张图片处理失败，这一行文字比状态栏左边的格子宽得多");
    setStatusText(0, longText.toStdString());
    EXPECT_EQ(part(0)->toolTip(), longText);
    setStatusText(0, "短");
    EXPECT_TRUE(part(0)->toolTip().isEmpty());

    setStatusText(0, longText.toStdString());
    run([](const WorkedRow& row) { return row.row == 0 ? failed("坏文件") : ItemOutcome{}; });
    EXPECT_TRUE(part(0)->text().isEmpty());
    EXPECT_TRUE(window_->resultsButton()->isVisible());

    setStatusText(0, longText.toStdString());
    ASSERT_TRUE(window_->imageList()->loadFolder());
    ASSERT_TRUE(waitUntil([&] { return !window_->workRunning(); }));
    EXPECT_TRUE(part(0)->text().isEmpty());
    EXPECT_FALSE(window_->resultsButton()->isVisible());
    EXPECT_FALSE(window_->resultsDialog()->isVisible());
}

class CountingPanel : public CBaseToolDlg {
  public:
    CountingPanel() : CBaseToolDlg(137, QStringLiteral("缩略图")) {}
    bool StartBatch() override { return ++starts, true; }
    void initDialog() override {}
    int starts = 0;
};

TEST_F(BatchFeedbackTest, AStartWhileABatchRunsIsRefusedInAMessageAndTheButtonShowsTheBatch) {
    ASSERT_NO_FATAL_FAILURE(loadThreePictures());
    QStringList messages;
    window_->setMessenger([&](const QString& text) { messages << text; });
    auto* panel = new CountingPanel;
    window_->setToolbox(panel);
    window_->setActivePanel([&] { return panel; });
    window_->setStartCaption(QStringLiteral("开始批量缩图"));

    std::atomic<bool> release{false};
    const BatchJob job = testing::heldBatch(BatchKind::Crop, release);
    ASSERT_EQ(window_->batchDriver().start(job, window_->batchEnvironment()), "");
    ASSERT_TRUE(waitUntil([&] { return !window_->progressBar()->isHidden(); }));
    EXPECT_EQ(window_->startButton()->text(), QStringLiteral("正在批量处理……"));
    // A panel switch meanwhile does not hide that the batch runs.
    window_->setStartCaption(QStringLiteral("开始批量重命名"));
    EXPECT_EQ(window_->startButton()->text(), QStringLiteral("正在批量处理……"));

    window_->startButton()->click();
    EXPECT_EQ(messages, QStringList{QStringLiteral("正在进行批量处理，请等处理完成后再操作")});
    EXPECT_EQ(panel->starts, 0);

    release = true;
    ASSERT_TRUE(waitUntil([&] { return !window_->workRunning(); }));
    EXPECT_EQ(window_->startButton()->text(), QStringLiteral("开始批量重命名"));
}

TEST_F(BatchFeedbackTest, AResultsFolderThatCannotBeOpenedIsNamedInTheStatusLine) {
    ASSERT_NO_FATAL_FAILURE(loadThreePictures());
    settings.outputDir = QString::fromStdString(program.folder());
    shell_.folderOpens = false;
    run([](const WorkedRow&) { return ItemOutcome{}; });
    EXPECT_EQ(shell_.folders.size(), 1);
    EXPECT_EQ(part(1)->text(), QStringLiteral("完成：3 张成功。结果在：%1")
                                   .arg(QDir::toNativeSeparators(settings.outputDir)));
    shell_.folderOpens = true;
    run([](const WorkedRow&) { return ItemOutcome{}; });
    EXPECT_EQ(part(1)->text(), QStringLiteral("完成：3 张成功"));
}

TEST_F(BatchFeedbackTest, RowsChangedInPlaceAreReadAgainWhenTheBatchEnds) {
    std::atomic<int> reads{0};
    plugins_.reader = [&](const std::string& path, CatalogItem& item) {
        ++reads;
        // The "details" follow the file's length, so a change of content shows.
        item.isoEquivalent = QFileInfo(QString::fromStdString(path)).size() > 10 ? 800 : 100;
    };
    window_ = std::make_unique<CMainDlg>(settings, plugins_);
    ASSERT_NO_FATAL_FAILURE(loadThreePictures());
    const int loaded = reads;
    ASSERT_EQ(window_->catalogModel().item(1).isoEquivalent, 800);  // a PNG is more than 10 bytes

    const auto shrink = [](const WorkedRow& row) {
        if (row.row != 1)
            return ItemOutcome{ItemStatus::Unchanged, {}, ""};
        QFile file(QString::fromStdString(row.item.fullPath));
        if (!file.open(QIODevice::WriteOnly))
            return failed("cannot write");
        file.write("tiny");
        return ItemOutcome{};
    };
    // An output-folder batch leaves the originals alone: nothing is read again.
    run(shrink, BatchKind::Resize);
    QCoreApplication::processEvents();
    EXPECT_EQ(reads, loaded);
    writePicture("b.png", 8, 8);
    // An in-place batch: the changed row alone is read again.
    run(shrink, BatchKind::DeleteExif);
    ASSERT_TRUE(waitUntil([&] { return window_->catalogModel().item(1).fileSize == 4; }));
    EXPECT_EQ(window_->catalogModel().item(1).isoEquivalent, 100);
    EXPECT_EQ(window_->catalogModel().item(1).fileName, "b.png");
    EXPECT_EQ(reads, loaded + 1);
}

TEST(BatchEndText, NamesOnlyTheCountsThatAreNotZero) {
    EXPECT_EQ(batchEndText({5, 0, 0, 0}), QStringLiteral("完成：5 张成功"));
    EXPECT_EQ(batchEndText({0, 2, 0, 1}), QStringLiteral("完成：0 张成功，2 张无需改动，1 张失败"));
}

}  // namespace
}  // namespace pixmill
