// Calls that used to answer 0 for success (an errno int) now answer a Result: these pin which
// way round success and failure come out, where a slip would silently invert them.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/batch/batch_kind.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/file_ops.h"
#include "engine/platform/safe_rewrite.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::FailingFileOps;
using testing::TempDir;

std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(ReadFileBytes, aReadableFileIsSuccessWithItsBytes) {
    TempDir dir;
    dir.write("a.txt", "hello");
    Result<Bytes> read = readFileBytes(dir.file("a.txt"));
    ASSERT_TRUE(read.isOk());
    EXPECT_EQ(read.code(), 0);
    EXPECT_EQ(std::string(read->begin(), read->end()), "hello");

    dir.write("empty.txt", "");
    Result<Bytes> empty = readFileBytes(dir.file("empty.txt"));
    ASSERT_TRUE(empty.isOk());  // no bytes is still a read that worked
    EXPECT_TRUE(empty->empty());
}

TEST(ReadFileBytes, failuresCarryTheErrnoAndNameTheFile) {
    TempDir dir;
    Result<Bytes> missing = readFileBytes(dir.file("absent.txt"));
    ASSERT_FALSE(missing.isOk());
    EXPECT_EQ(missing.code(), ENOENT);
    EXPECT_EQ(missing.message(), "'" + dir.file("absent.txt") + "': " + errorText(ENOENT));
    EXPECT_EQ(missing.severity(), Severity::Error);

    EXPECT_EQ(readFileBytes(dir.folder()).code(), EISDIR);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(dir.file("fifo")).code(), EINVAL);  // and it does not block

    dir.write("big.txt", "0123456789");
    EXPECT_EQ(readFileBytes(dir.file("big.txt"), 9).code(), EFBIG);
    EXPECT_TRUE(readFileBytes(dir.file("big.txt"), 10).isOk());
}

TEST(ReadFileRange, saysHowManyBytesArrivedOrWhyNone) {
    TempDir dir;
    dir.write("a.txt", "abcdef");
    const int fd = ::open(dir.file("a.txt").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::uint8_t buffer[16] = {};
    Result<std::size_t> got = readFileRange(fd, 2, buffer, sizeof buffer);
    ASSERT_TRUE(got.isOk());
    EXPECT_EQ(*got, 4u);  // the file ends first
    EXPECT_EQ(std::string(buffer, buffer + 4), "cdef");
    ::close(fd);
    EXPECT_EQ(readFileRange(fd, 0, buffer, sizeof buffer).code(), EBADF);
}

TEST(FileOpsResult, aFailedStepReportsFailureWithItsErrno) {
    TempDir dir;
    dir.write("src", "data");
    FailingFileOps ops;
    ops.failAt(FailingFileOps::Op::WriteNewFile, 1, ENOSPC);
    Result<> written = writeFileBeside(dir.file("out"), bytes("x"), newFileAttributes(), ops);
    ASSERT_FALSE(written.isOk());
    EXPECT_EQ(written.code(), ENOSPC);
    EXPECT_EQ(written.message(), errorText(ENOSPC));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));

    // The next write goes through: success, and the file is there.
    Result<> second = writeFileBeside(dir.file("out"), bytes("x"), newFileAttributes(), ops);
    EXPECT_TRUE(second.isOk());
    EXPECT_TRUE(std::filesystem::exists(dir.file("out")));

    ops.failAt(FailingFileOps::Op::MoveNoReplace, 1, EXDEV);
    Result<> copied = ops.copyFile(dir.file("src"), dir.file("copy"), false);
    EXPECT_EQ(copied.code(), EXDEV);
    EXPECT_FALSE(std::filesystem::exists(dir.file("copy")));
    EXPECT_EQ(ops.removeFile(dir.file("absent")).code(), ENOENT);
    EXPECT_TRUE(ops.removeFile(dir.file("src")).isOk());
}

TEST(FileOpsResult, systemResultIsSuccessOnlyForZero) {
    EXPECT_TRUE(systemResult(0).isOk());
    EXPECT_EQ(systemResult(EACCES).code(), EACCES);
    EXPECT_EQ(systemError(EACCES, "/x").message, "'/x': " + errorText(EACCES));
    EXPECT_EQ(makeError(0, "slip").code, -1);  // a zero code still reads as a failure
}

TEST(ItemOutcomeFromError, anErrorFailsTheItemAndAWarningSkipsIt) {
    ItemOutcome failed = outcomeOf(makeError(EIO, "cannot write"));
    EXPECT_EQ(failed.status, ItemStatus::Failed);
    EXPECT_EQ(failed.message, "cannot write");
    EXPECT_TRUE(failed.output.empty());
    ItemOutcome skipped = outcomeOf(makeError("read-only file", Severity::Warning));
    EXPECT_EQ(skipped.status, ItemStatus::Skipped);
    EXPECT_EQ(skipped.message, "read-only file");
}

}  // namespace
}  // namespace pixmill
