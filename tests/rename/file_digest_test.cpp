#include <cerrno>
#include <cstdio>
#include <random>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/rename/file_digest.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::TempDir;

std::string md5sumOf(const std::string& path) {
    const std::string command = "md5sum '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "no md5sum";
    char digest[33] = {};
    const size_t got = std::fread(digest, 1, 32, pipe);
    ::pclose(pipe);
    return std::string(digest, got);
}

TEST(FileMd5Hex, matchesMd5sumAcrossChunkBoundaries) {
    TempDir dir;
    std::mt19937 random(11);
    // Empty, one byte, and sizes at and around the 1 MiB read chunk.
    for (size_t size :
         {size_t(0), size_t(1), size_t(1 << 20), size_t((1 << 20) + 1), size_t(3 << 20) - 5}) {
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = char(random());
        const std::string name = "f" + std::to_string(size);
        dir.write(name, bytes);
        EXPECT_EQ(fileMd5Hex(dir.file(name)), md5sumOf(dir.file(name))) << size;
    }
    EXPECT_EQ(fileMd5Hex(dir.file("f0")), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(FileMd5Hex, givesTheInitialStateForWhatCannotBeRead) {
    TempDir dir;
    EXPECT_EQ(fileMd5Hex(""), "0123456789abcdeffedcba9876543210");
    EXPECT_EQ(fileMd5Hex(dir.file("missing.jpg")), "0123456789abcdeffedcba9876543210");
    EXPECT_EQ(fileMd5Hex(dir.path().string()), "0123456789abcdeffedcba9876543210");  // a folder
}

TEST(FileMd5, failsForWhatCannotBeReadAndSucceedsForAnEmptyFile) {
    TempDir dir;
    EXPECT_FALSE(fileMd5(dir.file("missing.jpg")).isOk());
    EXPECT_EQ(fileMd5(dir.path().string()).code(), EISDIR);
    dir.write("empty", "");
    Result<std::string> empty = fileMd5(dir.file("empty"));
    ASSERT_TRUE(empty.isOk()) << empty.message();
    EXPECT_EQ(*empty, "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(FileMd5, readsANameThatIsNotUtf8AndRefusesAPipeAtOnce) {
    TempDir dir;
    dir.write("caf\xe9.jpg", "photo");
    Result<std::string> digest = fileMd5(dir.file("caf\xe9.jpg"));
    ASSERT_TRUE(digest.isOk()) << digest.message();
    EXPECT_EQ(*digest, "5ae0c1c8a5260bc7b6648f6fbd115c35");  // md5sum of "photo"
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(fileMd5(dir.file("pipe.jpg")).code(),
              EINVAL);  // no writer: a blocking open would wait
}

}  // namespace
}  // namespace pixmill
