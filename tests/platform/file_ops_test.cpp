#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(MoveNoReplace, movesToAFreeName) {
    TempDir dir;
    dir.write("a", "A");
    ASSERT_EQ(systemFileOps().moveNoReplace(dir.file("a"), dir.file("b")), 0);
    EXPECT_EQ(readText(dir.file("b")), "A");
    EXPECT_FALSE(std::filesystem::exists(dir.file("a")));
}

TEST(MoveNoReplace, neverReplacesAnExistingFile) {
    TempDir dir;
    dir.write("a", "A");
    dir.write("b", "B");
    EXPECT_EQ(systemFileOps().moveNoReplace(dir.file("a"), dir.file("b")), EEXIST);
    EXPECT_EQ(readText(dir.file("a")), "A");
    EXPECT_EQ(readText(dir.file("b")), "B");
}

TEST(CopyFile, keepsOrReplacesTheTargetAsAsked) {
    TempDir dir;
    dir.write("src", "new");
    dir.write("dst", "old");
    EXPECT_EQ(systemFileOps().copyFile(dir.file("src"), dir.file("dst"), false), EEXIST);
    EXPECT_EQ(readText(dir.file("dst")), "old");
    EXPECT_EQ(systemFileOps().copyFile(dir.file("src"), dir.file("dst"), true), 0);
    EXPECT_EQ(readText(dir.file("dst")), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.file("dst.copy-tmp")));
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
    EXPECT_FALSE(std::filesystem::exists(dir.file("photo.jpg.t")));
}

TEST(SafeRewrite, removesAStaleTemporaryFileFirst) {
    TempDir dir;
    dir.write("photo.jpg", "old");
    dir.write("photo.jpg.t", "leftover");
    ASSERT_TRUE(rewriteFileSafely(dir.file("photo.jpg"), bytes("new")));
    EXPECT_EQ(readText(dir.file("photo.jpg")), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.file("photo.jpg.t")));
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
        Result result = rewriteFileSafely(dir.file("photo.jpg"), bytes("new"), true, ops);
        EXPECT_FALSE(result);
        EXPECT_EQ(readText(dir.file("photo.jpg")), "original");
        EXPECT_FALSE(std::filesystem::exists(dir.file("photo.jpg.t")));
    }
}

TEST(SafeRewrite, aMissingFileIsAnError) {
    TempDir dir;
    Result result = rewriteFileSafely(dir.file("absent.jpg"), bytes("new"));
    EXPECT_EQ(result.code(), kRewriteCannotResolve);
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.jpg")));
}

}  // namespace
}  // namespace pixmill
