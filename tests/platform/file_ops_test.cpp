#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "engine/platform/file_ops.h"
#include "engine/platform/safe_rewrite.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::FailingFileOps;
using testing::readText;
using testing::TempDir;

std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct stat statOf(const std::string& path) {
    struct stat result {};
    EXPECT_EQ(::lstat(path.c_str(), &result), 0) << path;
    return result;
}

void setModificationTime(const std::string& path, time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(MoveNoReplace, movesToAFreeName) {
    TempDir dir;
    dir.write("a", "A");
    ASSERT_EQ(systemFileOps().moveNoReplace(dir.file("a"), dir.file("b")).code(), 0);
    EXPECT_EQ(readText(dir.file("b")), "A");
    EXPECT_FALSE(std::filesystem::exists(dir.file("a")));
}

TEST(MoveNoReplace, neverReplacesAnExistingFile) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "B");
    EXPECT_EQ(systemFileOps().moveNoReplace(dir.file("a"), dir.file("b")).code(), EEXIST);
    EXPECT_EQ(readText(dir.file("a")), "A");
    EXPECT_EQ(readText(dir.file("b")), "B");
}

TEST(CopyFile, keepsOrReplacesTheTargetAsAsked) {
    TempDir dir;
    dir.write("src", "new");
    dir.write("dst", "old");
    EXPECT_EQ(systemFileOps().copyFile(dir.file("src"), dir.file("dst"), false).code(), EEXIST);
    EXPECT_EQ(readText(dir.file("dst")), "old");
    EXPECT_EQ(systemFileOps().copyFile(dir.file("src"), dir.file("dst"), true).code(), 0);
    EXPECT_EQ(readText(dir.file("dst")), "new");
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"dst", "src"}));
}

TEST(SafeRewrite, replacesContentAndKeepsModeAndModificationTime) {
    TempDir dir;
    dir.write("photo.jpg", "old content");
    ASSERT_EQ(::chmod(dir.file("photo.jpg").c_str(), 0640), 0);
    setModificationTime(dir.file("photo.jpg"), 1350000000);

    ASSERT_TRUE(rewriteFileSafely(dir.file("photo.jpg"), bytes("new")));

    struct stat after = statOf(dir.file("photo.jpg"));  // before reading updates the access time
    EXPECT_EQ(readText(dir.file("photo.jpg")), "new");
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_mtim.tv_sec, 1350000000);
    EXPECT_EQ(after.st_atim.tv_sec, 1350000000);
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"photo.jpg"});
}

TEST(SafeRewrite, leavesAnotherFileOfAnyNameAloneAndNoTemporaryBehind) {
    TempDir dir;
    dir.write("photo.jpg", "old");
    dir.write("photo.jpg.t", "someone else's");
    ASSERT_TRUE(rewriteFileSafely(dir.file("photo.jpg"), bytes("new")));
    EXPECT_EQ(readText(dir.file("photo.jpg")), "new");
    EXPECT_EQ(readText(dir.file("photo.jpg.t")), "someone else's");
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"photo.jpg", "photo.jpg.t"}));
}

TEST(SafeRewrite, rewritesAFileWhoseNameHasTheLongestLengthAllowed) {
    TempDir dir;
    std::string name = std::string(71, 'x');
    for (int i = 0; i < 60; ++i)
        name += "相";  // three bytes each
    name += ".jpg";
    ASSERT_EQ(name.size(), 255u);
    dir.write(name, "old");
    ASSERT_TRUE(rewriteFileSafely(dir.file(name), bytes("new")));
    EXPECT_EQ(readText(dir.file(name)), "new");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{name});
    EXPECT_EQ(systemFileOps().copyFile(dir.file(name), dir.file(name), true).code(), 0);
}

TEST(TemporaryName, isHiddenFitsEveryNameAndIsRecognisedAsOurs) {
    std::string longName;
    for (int i = 0; i < 84; ++i)
        longName += "相";  // 252 bytes, three each
    for (const std::string& name : {std::string("a.jpg"), longName}) {
        const std::string temporary = temporaryNameFor(name);
        EXPECT_EQ(temporary[0], '.');
        EXPECT_LE(temporary.size(), 255u);
        EXPECT_NE(temporary, temporaryNameFor(name));
        long pid = 0;
        EXPECT_TRUE(isTemporaryName(temporary, &pid));
        EXPECT_EQ(pid, ::getpid());
        // Never a cut UTF-8 sequence: the shortened name keeps whole characters.
        const std::string kept = temporary.substr(temporary.find('~', 2) + 1);
        EXPECT_TRUE(name.starts_with(kept));
        if (name == longName) {
            EXPECT_LT(kept.size(), name.size());
            EXPECT_EQ(kept.size() % 3, 0u);
        }
    }
    for (const char* other : {"a.jpg", ".~pm.0123abcd~a.jpg", ".~pm12.0123abcX~a.jpg",
                              ".~pm12.0123abcd", ".~pm12x0123abcd~a", "photo.jpg.t"})
        EXPECT_FALSE(isTemporaryName(other)) << other;
}

TEST(TemporaryName, staleOnesGoAndOnlyThose) {
    TempDir dir;
    dir.write(".~pm999999999.0123abcd~a.jpg", "left by a crash");  // no such process
    dir.write(temporaryNameFor("b.jpg"), "being written right now");
    dir.write(".~pmnot.ours", "x");
    dir.write("a.jpg", "photo");
    EXPECT_EQ(removeStaleTemporaries(dir.folder()), 1);
    const auto names = namesIn(dir);
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".~pm999999999.0123abcd~a.jpg"), 0);
}

// Appends one character to the file under the lock, as a rewrite does: read, change, replace.
void appendUnderLock(const std::string& path, char letter) {
    RewriteLock lock(path);
    std::string text = readText(path);
    text += letter;
    ASSERT_TRUE(rewriteFileSafely(path, bytes(text)));
}

TEST(RewriteLock, twoProcessesAndTwoThreadsRewritingOneFileLoseNoChange) {
    TempDir dir;
    dir.write("photo.jpg", "");
    const std::string path = dir.file("photo.jpg");
    constexpr int kRounds = 40;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < kRounds; ++i)
            appendUnderLock(path, 'c');
        ::_exit(0);
    }
    std::thread other([&] {
        for (int i = 0; i < kRounds; ++i)
            appendUnderLock(path, 't');
    });
    for (int i = 0; i < kRounds; ++i)
        appendUnderLock(path, 'p');
    other.join();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string text = readText(path);
    EXPECT_EQ(text.size(), 3u * kRounds);
    for (char letter : {'c', 't', 'p'})
        EXPECT_EQ(std::count(text.begin(), text.end(), letter), kRounds) << letter;
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"photo.jpg"});
}

TEST(CopyFile, givesTheUmasksModeAndRefusesWhatIsNoRegularFileAtOnce) {
    TempDir dir;
    dir.write("src", "bytes");
    ASSERT_EQ(::chmod(dir.file("src").c_str(), 0600), 0);
    const mode_t previous = ::umask(027);
    const int copied = systemFileOps().copyFile(dir.file("src"), dir.file("dst"), false).code();
    ::umask(previous);
    ASSERT_EQ(copied, 0);
    EXPECT_EQ(statOf(dir.file("dst")).st_mode & 0777, 0666u & ~027u);
    ASSERT_EQ(::mkfifo(dir.file("fifo.jpg").c_str(), 0644), 0);
    EXPECT_EQ(systemFileOps().copyFile(dir.file("fifo.jpg"), dir.file("out.jpg"), true).code(),
              EINVAL);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.jpg")));
}

TEST(SafeRewrite, followsASymbolicLinkAndKeepsTheLink) {
    TempDir dir;
    dir.write("real.jpg", "old");
    std::filesystem::create_symlink(dir.file("real.jpg"), dir.file("link.jpg"));
    ASSERT_TRUE(rewriteFileSafely(dir.file("link.jpg"), bytes("new")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.jpg")));
    EXPECT_EQ(readText(dir.file("real.jpg")), "new");
}

TEST(SafeRewrite, aFailedStepLeavesTheOriginalAndNoTemporaryFile) {
    for (auto op : {FailingFileOps::Op::WriteNewFile, FailingFileOps::Op::RenameReplacing}) {
        TempDir dir;
        dir.write("photo.jpg", "original");
        FailingFileOps ops;
        ops.failAt(op, 1, ENOSPC);
        Result<> result = rewriteFileSafely(dir.file("photo.jpg"), bytes("new"), true, ops);
        EXPECT_FALSE(result);
        EXPECT_EQ(readText(dir.file("photo.jpg")), "original");
        EXPECT_EQ(namesIn(dir), std::vector<std::string>{"photo.jpg"});
    }
}

TEST(SafeRewrite, aMissingFileIsAnError) {
    TempDir dir;
    Result<> result = rewriteFileSafely(dir.file("absent.jpg"), bytes("new"));
    EXPECT_EQ(result.code(), kRewriteCannotResolve);
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.jpg")));
}

}  // namespace
}  // namespace pixmill
