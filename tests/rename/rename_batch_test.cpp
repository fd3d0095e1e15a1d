#include <climits>
#include <filesystem>
#include <regex>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/rename/file_digest.h"
#include "engine/rename/rename_batch.h"
#include "engine/rename/rename_journal.h"
#include "support/failing_file_ops.h"
#include "support/status_recorder.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::FailingFileOps;
using ::testing::HasSubstr;
using testing::readText;
using testing::StatusRecorder;
using testing::TempDir;

constexpr std::string_view kGuid = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";

// A folder whose files hold their own names, so that a test can tell where each one went.
struct Folder {
    TempDir dir;
    FailingFileOps fileOps;
    BatchEnvironment env;
    std::vector<WorkedRow> rows;

    explicit Folder(int catalogRows = 0) {
        env.currentFolder = dir.folder();
        env.catalogRows = catalogRows;
        env.fileOps = &fileOps;
    }
    // Adds a worked row at catalog row `row` (by default the next one).
    CatalogItem& add(const std::string& name, int row = -1) {
        dir.write(name, "content of " + name);
        WorkedRow worked;
        worked.row = row >= 0 ? row : static_cast<int>(rows.size());
        worked.item.number = worked.row;
        worked.item.fileName = name;
        worked.item.fullPath = dir.file(name);
        rows.push_back(worked);
        return rows.back().item;
    }
    std::set<std::string> names() const {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename() != kRenameUndoName)  // checked on its own
                result.insert(entry.path().filename().string());
        }
        return result;
    }
    std::vector<std::string> finalNames(const RenameParams& params) const {
        const RenamePlan plan = planRename(params, rows, env, kGuid);
        EXPECT_FALSE(plan.refused()) << plan.refusal;
        std::vector<std::string> result;
        for (const RenamePlanEntry& entry : plan.entries)
            result.push_back(entry.finalName);
        return result;
    }
};

RenameParams ruleParams(std::string rule, int start = 1, int increment = 1,
                        ExtensionCase extensionCase = ExtensionCase::Lower) {
    RenameParams params;
    params.rule = std::move(rule);
    params.start = start;
    params.increment = increment;
    params.extensionCase = extensionCase;
    return params;
}

using Names = std::vector<std::string>;

TEST(RenamePlan, numbersByStartAndIncrementPaddedToTheRowCount) {
    const struct {
        int catalogRows, start, increment;
        Names expected;
    } cases[] = {
        {12, 1, 1, {"01.jpg", "02.jpg", "03.jpg"}},
        {9, 1, 1, {"1.jpg", "2.jpg", "3.jpg"}},
        {100, 1, 1, {"001.jpg", "002.jpg", "003.jpg"}},
        {12, 5, 10, {"05.jpg", "15.jpg", "25.jpg"}},
        {12, 100, 1, {"100.jpg", "101.jpg", "102.jpg"}},
    };
    for (const auto& c : cases) {
        Folder folder(c.catalogRows);
        // Ticked rows need not be adjacent: numbers count ticked rows only.
        folder.add("a.jpg", 0);
        folder.add("b.jpg", 4);
        folder.add("c.jpg", 7);
        EXPECT_EQ(folder.finalNames(ruleParams("<no>", c.start, c.increment)), c.expected)
            << c.catalogRows << " rows, start " << c.start;
    }
}

TEST(RenamePlan, keepsTheExtensionInTheChosenCase) {
    Folder folder(3);
    folder.add("IMG_1.jpg");
    folder.add("Mixed.Jpg");
    folder.add("noext");
    EXPECT_EQ(folder.finalNames(ruleParams("<no>", 1, 1, ExtensionCase::Upper)),
              (Names{"1.JPG", "2.JPG", "3"}));
    EXPECT_EQ(folder.finalNames(ruleParams("<no>", 1, 1, ExtensionCase::Keep)),
              (Names{"1.jpg", "2.Jpg", "3"}));
    EXPECT_EQ(folder.finalNames(ruleParams("<no>", 1, 1, ExtensionCase::Lower)),
              (Names{"1.jpg", "2.jpg", "3"}));
}

TEST(RenamePlan, cleansTheExpandedRule) {
    const struct {
        const char* rule;
        const char* expected;
    } cases[] = {{"<originalname>-<no>", "a.b-1.jpg"},
                 {"a:b*c?", "abc.jpg"},
                 {"<foo>", "foo.jpg"},
                 {"x..", "x.jpg"},
                 {" x ", "x.jpg"},
                 {"<photodate>", "20121117 081045.jpg"}};
    for (const auto& c : cases) {
        Folder folder(1);
        folder.add("a.b.jpg").shootingDate = "2012:11:17 08:10:45";
        EXPECT_EQ(folder.finalNames(ruleParams(c.rule)), Names{c.expected}) << c.rule;
    }
}

TEST(RenamePlan, previewsTheRuleForTheSampleItemUncleaned) {
    EXPECT_EQ(renamePreview("<no>"), "1");
    EXPECT_EQ(renamePreview("<originalname>:<a>"), "圣托里尼岛日照:5.6");
}

TEST(RenamePlan, namesTheFileDigest) {
    Folder folder(1);
    folder.add("a.jpg");
    const std::string digest = fileMd5Hex(folder.dir.file("a.jpg"));
    EXPECT_EQ(folder.finalNames(ruleParams("<md5>")), Names{digest + ".jpg"});
}

// Each conflict refuses the whole batch before anything moves, naming the first culprit.
TEST(RenameBatch, refusesConflictsWithoutMovingAnything) {
    const struct {
        const char* what;
        RenameParams params;
        std::function<void(Folder&)> setUp;
        const char* message;
    } cases[] = {
        {"two rows, one name", ruleParams("same"), [](Folder&) {},
         "第 1 个图片 a.jpg 和第 2 个图片 b.jpg 的新文件名都是 same.jpg"},
        {"a name an unticked file has", ruleParams("<no>"),
         [](Folder& f) { f.dir.write("2.jpg", "not ticked"); },
         "第 2 个图片 b.jpg 的新文件名 2.jpg 已被目录中的其他文件占用"},
        {"an empty base name", ruleParams("<maker>"), [](Folder&) {},
         "第 1 个图片 a.jpg 按此规则得到的文件名为空"},
        {"a blank base name", ruleParams(" :? "), [](Folder&) {}, "按此规则得到的文件名为空"},
        {"a hidden name", ruleParams(" . "), [](Folder&) {},
         "第 1 个图片 a.jpg 的新文件名 ..jpg 以“.”开头，会成为隐藏文件"},
        {"a name too long", ruleParams(std::string(252, 'x') + "<no>"), [](Folder&) {},
         "第 1 个图片 a.jpg 的新文件名超过 255 字节的长度上限"},
        {"a file gone since the scan", ruleParams("<no>"),
         [](Folder& f) { std::filesystem::remove(f.dir.file("b.jpg")); },
         "找不到第 2 个图片 b.jpg"},
        {"a number past the int range", ruleParams("<no>", INT_MAX), [](Folder&) {},
         "第 2 个图片的编号超出 2147483647"},
        {"an increment of 0", ruleParams("<originalname>", 1, 0), [](Folder&) {},
         "第 1 个图片和第 2 个图片的编号都是 1"},
    };
    for (const auto& c : cases) {
        Folder folder(3);
        folder.add("a.jpg");
        folder.add("b.jpg");
        c.setUp(folder);
        const auto before = folder.names();
        const auto rowsBefore = folder.rows;
        StatusRecorder status;
        const auto outcomes = runRename(c.params, folder.rows, folder.env, kGuid);
        EXPECT_EQ(folder.fileOps.calls(FailingFileOps::Op::MoveNoReplace), 0) << c.what;
        EXPECT_EQ(folder.names(), before) << c.what;
        ASSERT_EQ(outcomes.size(), 2u);
        for (const ItemOutcome& outcome : outcomes) {
            EXPECT_EQ(outcome.status, ItemStatus::Failed) << c.what;
            EXPECT_THAT(outcome.message, HasSubstr(c.message)) << c.what;
            EXPECT_THAT(outcome.message, ::testing::StartsWith("重命名已取消：")) << c.what;
        }
        ASSERT_FALSE(status.texts().empty());
        EXPECT_EQ(status.texts().back(), outcomes[0].message) << c.what;
        for (size_t i = 0; i < rowsBefore.size(); ++i)
            EXPECT_EQ(folder.rows[i].item.fileName, rowsBefore[i].item.fileName) << c.what;
    }
}

TEST(RenameBatch, reusesNamesTheTickedFilesGiveUp) {
    Folder folder(5);
    folder.add("1.jpg", 1);
    folder.add("2.jpg", 3);
    StatusRecorder status;
    const auto outcomes = runRename(ruleParams("<no>", 2), folder.rows, folder.env, kGuid);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"2.jpg", "3.jpg"}));
    EXPECT_EQ(readText(folder.dir.file("2.jpg")), "content of 1.jpg");
    EXPECT_EQ(readText(folder.dir.file("3.jpg")), "content of 2.jpg");
    const std::string tmp = folder.dir.folder() + std::string(kGuid);
    EXPECT_EQ(folder.fileOps.moves(), (Names{folder.dir.file("1.jpg") + " -> " + tmp + "2.jpg",
                                             folder.dir.file("2.jpg") + " -> " + tmp + "3.jpg",
                                             tmp + "2.jpg -> " + folder.dir.file("2.jpg"),
                                             tmp + "3.jpg -> " + folder.dir.file("3.jpg")}));
    EXPECT_EQ(status.texts(), (Names{"正在预处理第 2 个图片……", "正在预处理第 4 个图片……",
                                     "正在重命名第 2 个图片……", "正在重命名第 4 个图片……"}));
    for (size_t i = 0; i < 2; ++i) {
        const CatalogItem& item = folder.rows[i].item;
        EXPECT_EQ(outcomes[i].status, ItemStatus::Ok);
        EXPECT_EQ(item.number, int(i) + 2);
        EXPECT_EQ(item.fileName, std::to_string(i + 2) + ".jpg");
        EXPECT_EQ(item.fullPath, folder.dir.file(item.fileName));
        EXPECT_EQ(outcomes[i].output, item.fullPath);
    }
}

// Whichever move fails, in either pass, every file ends under its old name with its own
// content, no temporary name is left and the items are as they were.
TEST(RenameBatch, putsEveryFileBackWhenAnyMoveFails) {
    for (int failing = 1; failing <= 6; ++failing) {
        Folder folder(3);
        for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
            folder.add(name);
        const auto rowsBefore = folder.rows;
        folder.fileOps.failAt(FailingFileOps::Op::MoveNoReplace, failing, EACCES);
        StatusRecorder status;
        const auto outcomes = runRename(ruleParams("<no>", 2), folder.rows, folder.env, kGuid);
        EXPECT_EQ(folder.names(), (std::set<std::string>{"1.jpg", "2.jpg", "3.jpg"})) << failing;
        for (size_t i = 0; i < 3; ++i) {
            const CatalogItem& item = folder.rows[i].item;
            EXPECT_EQ(readText(item.fullPath), "content of " + item.fileName) << failing;
            EXPECT_EQ(item.fileName, rowsBefore[i].item.fileName) << failing;
            EXPECT_EQ(item.number, rowsBefore[i].item.number) << failing;
            EXPECT_EQ(outcomes[i].status, ItemStatus::Failed) << failing;
        }
        EXPECT_THAT(outcomes[0].message, HasSubstr("所有文件已恢复原名")) << failing;
        EXPECT_THAT(outcomes[0].message, HasSubstr("Permission denied")) << failing;
        EXPECT_EQ(status.texts().back(), outcomes[0].message);
    }
}

// Fails chosen move calls (counting from 1), the way a folder that turns read-only midway
// or a file taken away would.
class FailingMoves : public FileOps {
  public:
    std::set<int> failing;
    std::function<void(int)> beforeMove;
    int calls = 0;
    Result<> moveNoReplace(const std::string& from, const std::string& to) override {
        ++calls;
        if (beforeMove)
            beforeMove(calls);
        if (failing.count(calls))
            return systemError(EIO);
        return FileOps::moveNoReplace(from, to);
    }
};

TEST(RenameBatch, namesAFileItCouldNotPutBack) {
    Folder folder(2);
    folder.add("a.jpg");
    folder.add("b.jpg");
    FailingMoves moves;
    moves.failing = {4, 5};  // b's final move, then the first step putting a back
    folder.env.fileOps = &moves;
    const auto outcomes = runRename(ruleParams("<no>"), folder.rows, folder.env, kGuid);
    EXPECT_THAT(outcomes[0].message, HasSubstr("以下文件未能恢复原名：a.jpg（现名 1.jpg）"));
    // The item follows the file it could not put back, so the catalog still finds it.
    EXPECT_EQ(folder.rows[0].item.fileName, "1.jpg");
    EXPECT_EQ(readText(folder.rows[0].item.fullPath), "content of a.jpg");
    EXPECT_EQ(folder.rows[1].item.fileName, "b.jpg");
    EXPECT_EQ(readText(folder.rows[1].item.fullPath), "content of b.jpg");
}

TEST(RenameBatch, neverReplacesAFileThatAppearsMeanwhile) {
    Folder folder(2);
    folder.add("a.jpg");
    folder.add("b.jpg");
    FailingMoves moves;
    moves.beforeMove = [&](int call) {
        if (call == 3)
            folder.dir.write("1.jpg", "someone else's");
    };
    folder.env.fileOps = &moves;
    const auto outcomes = runRename(ruleParams("<no>"), folder.rows, folder.env, kGuid);
    EXPECT_EQ(outcomes[0].status, ItemStatus::Failed);
    EXPECT_THAT(outcomes[0].message, HasSubstr("File exists"));
    EXPECT_EQ(readText(folder.dir.file("1.jpg")), "someone else's");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"1.jpg", "a.jpg", "b.jpg"}));
}

TEST(RenameJob, runsAsOneWholeBatchUnderAFreshGuid) {
    EXPECT_TRUE(std::regex_match(newBatchGuid(),
                                 std::regex("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-"
                                            "[0-9a-f]{12}")));
    EXPECT_NE(newBatchGuid(), newBatchGuid());
    Folder folder(2);
    folder.add("x.JPG");
    folder.add("y.png");
    const RenameParams params = ruleParams("IMG_<no>");
    const RenamePlan preview = dryRunRename(params, folder.rows, folder.env);
    EXPECT_EQ(folder.fileOps.calls(FailingFileOps::Op::MoveNoReplace), 0);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"x.JPG", "y.png"}));
    ASSERT_EQ(preview.entries.size(), 2u);
    EXPECT_EQ(preview.entries[0].oldName, "x.JPG");
    EXPECT_EQ(preview.entries[0].finalName, "IMG_1.jpg");
    EXPECT_EQ(preview.entries[0].temporaryName.size(), 36u + 1 + 4);

    const BatchJob job = makeRenameJob(params);
    EXPECT_EQ(job.kind, BatchKind::Rename);
    EXPECT_EQ(batchKindInfo(job.kind).pattern, BatchPattern::WholeBatch);
    ASSERT_TRUE(job.wholeBatch);
    const auto outcomes = job.wholeBatch(folder.rows, folder.env);
    EXPECT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"IMG_1.jpg", "IMG_2.png"}));
    EXPECT_EQ(folder.fileOps.calls(FailingFileOps::Op::MoveNoReplace), 4);
}

}  // namespace
}  // namespace pixmill
