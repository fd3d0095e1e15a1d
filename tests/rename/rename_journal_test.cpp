#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/platform/safe_rewrite.h"
#include "engine/rename/rename_batch.h"
#include "engine/rename/rename_journal.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using ::testing::HasSubstr;
using testing::readText;
using testing::TempDir;

constexpr std::string_view kGuid = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";

std::set<std::string> namesIn(const TempDir& dir) {
    std::set<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        result.insert(entry.path().filename().string());
    return result;
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

TEST(RenameJournal, keepsEveryNameAndTellsAWholeJournalFromAPartOfOne) {
    RenameJournal journal;
    journal.rows = {{"a\tb%c.jpg", "guid1.jpg", "1.jpg", {}},
                    {"line\nfeed\r.jpg", "guid2.jpg", "2.jpg", "i12 s34 m56.78"}};
    const std::string text = encodeJournal(journal);
    std::optional<RenameJournal> read = decodeJournal(text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->rows.size(), 2u);
    EXPECT_EQ(read->rows[0].oldName, "a\tb%c.jpg");
    EXPECT_EQ(read->rows[1].oldName, "line\nfeed\r.jpg");
    EXPECT_EQ(read->rows[1].finalName, "2.jpg");
    EXPECT_EQ(read->rows[0].identity, "");
    EXPECT_EQ(read->rows[1].identity, "i12 s34 m56.78");
    EXPECT_FALSE(read->secondPass);
    for (std::size_t cut = 0; cut < text.size(); ++cut)
        EXPECT_FALSE(decodeJournal(text.substr(0, cut))) << cut;
    journal.secondPass = true;
    const std::string marked = encodeJournal(journal);
    EXPECT_TRUE(decodeJournal(marked)->secondPass);
    EXPECT_FALSE(decodeJournal(marked.substr(0, marked.size() - 1))->secondPass);
}

TEST(RenameJournal, fileStepsSayWhetherTheyWorked) {
    TempDir dir;
    RenameJournal journal;
    journal.rows = {{"a.jpg", "guid0.jpg", "1.jpg", {}}};
    // No journal yet: the second-pass mark has nothing to go into.
    EXPECT_EQ(markSecondPass(dir.folder()).code(), ENOENT);
    ASSERT_TRUE(writeJournalFile(dir.folder(), kRenameJournalName, journal, systemFileOps()));
    EXPECT_TRUE(markSecondPass(dir.folder()).isOk());
    EXPECT_TRUE(readJournalFile(dir.folder(), kRenameJournalName)->secondPass);
    EXPECT_TRUE(removeJournalFile(dir.folder(), kRenameJournalName, systemFileOps()).isOk());
    EXPECT_FALSE(exists(dir.file(kRenameJournalName)));
    // Gone already counts as removed; a journal beyond a missing folder cannot be written.
    EXPECT_TRUE(removeJournalFile(dir.folder(), kRenameJournalName, systemFileOps()).isOk());
    EXPECT_EQ(
        writeJournalFile(dir.folder() + "absent/", kRenameJournalName, journal, systemFileOps())
            .code(),
        ENOENT);
}

// Renames a, b, c to b, c, d (each new name another's old one), as a batch of rule <no>
// started at `start` would.
struct Batch {
    TempDir dir;
    std::vector<WorkedRow> rows;
    BatchEnvironment env;
    Batch() {
        env.currentFolder = dir.folder();
        env.catalogRows = 3;
        for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) {
            dir.write(name, std::string("photo ") + name);
            WorkedRow row;
            row.row = static_cast<int>(rows.size());
            row.item.fileName = name;
            row.item.fullPath = dir.file(name);
            rows.push_back(row);
        }
    }
    std::vector<ItemOutcome> run() {
        RenameParams params;
        params.start = 2;
        return runRename(params, rows, env, kGuid);
    }
    void expectNew() const {
        EXPECT_EQ(namesIn(dir),
                  (std::set<std::string>{"2.jpg", "3.jpg", "4.jpg", kRenameUndoName}));
        EXPECT_EQ(readText(dir.file("2.jpg")), "photo 1.jpg");
        EXPECT_EQ(readText(dir.file("4.jpg")), "photo 3.jpg");
    }
    void expectOld() const {
        EXPECT_EQ(namesIn(dir), (std::set<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
        EXPECT_EQ(readText(dir.file("1.jpg")), "photo 1.jpg");
        EXPECT_EQ(readText(dir.file("3.jpg")), "photo 3.jpg");
    }
};

// Ends the process at the n-th file step, as a kill would.
class DyingFileOps : public FileOps {
  public:
    explicit DyingFileOps(int at) : at_(at) {}
    Result<> writeNewFile(const std::string& path, std::span<const std::uint8_t> data,
                          const struct stat* attributes) override {
        step();
        return FileOps::writeNewFile(path, data, attributes);
    }
    Result<> renameReplacing(const std::string& from, const std::string& to) override {
        step();
        return FileOps::renameReplacing(from, to);
    }
    Result<> moveNoReplace(const std::string& from, const std::string& to) override {
        step();
        return FileOps::moveNoReplace(from, to);
    }
    Result<> removeFile(const std::string& path) override {
        step();
        return FileOps::removeFile(path);
    }

  private:
    void step() {
        if (++steps_ == at_)
            ::_exit(9);
    }
    int at_;
    int steps_ = 0;
};

TEST(RenameJournal, aBatchKilledAtAnyStepIsCompletedByTheNextLoad) {
    for (int at = 1;; ++at) {
        Batch batch;
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            DyingFileOps dying(at);
            batch.env.fileOps = &dying;
            batch.run();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const bool finished = WEXITSTATUS(status) == 0;
        const bool journalled = exists(batch.dir.file(kRenameJournalName));
        // What the next load of the folder does.
        removeStaleTemporaries(batch.dir.folder());
        std::optional<std::string> completed = completeInterruptedRename(batch.dir.folder());
        EXPECT_EQ(completed.has_value(), journalled) << at;
        if (journalled) {
            EXPECT_THAT(*completed, HasSubstr("已完成上次中断的重命名")) << at;
        }
        // Killed before the journal was in place: nothing has moved yet.
        if (!journalled && !exists(batch.dir.file(kRenameUndoName))) {
            batch.expectOld();
        } else {
            batch.expectNew();
        }
        if (finished)
            break;
        ASSERT_LT(at, 40);
    }
}

TEST(RenameUndo, putsBackTheLastNamesOnceAndRefusesWhenAnOldNameIsTaken) {
    Batch batch;
    batch.run();
    batch.expectNew();
    EXPECT_TRUE(undoLastRename(batch.dir.folder(), kGuid).isOk());
    batch.expectOld();
    EXPECT_THAT(undoLastRename(batch.dir.folder(), kGuid).message(),
                HasSubstr("没有可以撤销的重命名"));

    Batch changed;
    changed.run();
    changed.dir.write("1.jpg", "a new photo");
    EXPECT_THAT(undoLastRename(changed.dir.folder(), kGuid).message(), HasSubstr("1.jpg"));
    EXPECT_EQ(readText(changed.dir.file("1.jpg")), "a new photo");
    EXPECT_EQ(readText(changed.dir.file("2.jpg")), "photo 1.jpg");

    Batch gone;
    gone.run();
    std::filesystem::remove(gone.dir.file("4.jpg"));
    EXPECT_THAT(undoLastRename(gone.dir.folder(), kGuid).message(), HasSubstr("4.jpg 已不存在"));
    EXPECT_EQ(readText(gone.dir.file("2.jpg")), "photo 1.jpg");
}

// Another file now under a new name (copied over it, or the photo rewritten) is never given the
// old name: the undo is refused and nothing moves. A record without identities still undoes.
TEST(RenameUndo, refusesWhenAFileUnderANewNameWasReplaced) {
    for (const char* how : {"replaced", "same size"}) {
        SCOPED_TRACE(how);
        Batch batch;
        batch.run();
        const std::string other = batch.dir.file("other");
        batch.dir.write("other", std::string(how) == "replaced" ? "another photo" : "photo 9.jpg");
        std::filesystem::rename(other, batch.dir.file("3.jpg"));
        EXPECT_THAT(undoLastRename(batch.dir.folder(), kGuid).message(),
                    HasSubstr("3.jpg 在重命名之后已被替换"));
        EXPECT_EQ(namesIn(batch.dir),
                  (std::set<std::string>{"2.jpg", "3.jpg", "4.jpg", kRenameUndoName}));
        EXPECT_EQ(readText(batch.dir.file("2.jpg")), "photo 1.jpg");
    }
    Batch older;
    older.run();
    std::optional<RenameJournal> record = readJournalFile(older.dir.folder(), kRenameUndoName);
    ASSERT_TRUE(record);
    for (JournalRow& row : record->rows) {
        EXPECT_FALSE(row.identity.empty());
        row.identity.clear();
    }
    ASSERT_TRUE(writeJournalFile(older.dir.folder(), kRenameUndoName, *record, systemFileOps()));
    EXPECT_EQ(readText(older.dir.file(kRenameUndoName)).find(" s"), std::string::npos);
    EXPECT_TRUE(undoLastRename(older.dir.folder(), kGuid).isOk());
    older.expectOld();
}

// Every load of a folder looks for an interrupted rename. Without a journal it must leave the
// folder's rename lock alone: a rename started while another program merely loads the folder
// was refused as if a second rename were running.
TEST(RenameJournal, aLoadWithoutAJournalNeverHoldsTheFolderBackFromARename) {
    TempDir dir;
    std::atomic<bool> done = false;
    std::thread loads([&] {
        for (int i = 0; i < 20000; ++i)
            (void)completeInterruptedRename(dir.folder());
        done = true;
    });
    int refused = 0;
    while (!done) {
        const RenameFolderLock lock(dir.folder());
        refused += lock.busy() ? 1 : 0;
    }
    loads.join();
    EXPECT_EQ(refused, 0);
}

}  // namespace
}  // namespace pixmill
