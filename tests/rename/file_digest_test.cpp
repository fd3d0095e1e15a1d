#include <QCryptographicHash>

#include <cstdio>
#include <random>

#include <gtest/gtest.h>

#include "engine/rename/file_digest.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::TempDir;

std::string md5Of(std::string_view text) {
    Md5 md5;
    md5.update({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    md5.finish();
    return md5.stateHex();
}

TEST(Md5, matchesTheReferenceVectors) {
    EXPECT_EQ(md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Of("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5Of("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(
        md5Of("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
        "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(Md5().stateHex(), "0123456789abcdeffedcba9876543210");
}

// Every length around the 64-byte block and the padding boundary, fed whole and in uneven
// pieces, against Qt's MD5.
TEST(Md5, agreesWithQtForEveryLengthAndSplit) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(300);
    for (auto& byte : data)
        byte = std::uint8_t(random());
    for (size_t length = 0; length <= data.size(); ++length) {
        const QByteArray bytes(reinterpret_cast<const char*>(data.data()), qsizetype(length));
        const std::string expected =
            QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toStdString();
        Md5 whole;
        whole.update({data.data(), length});
        whole.finish();
        ASSERT_EQ(whole.stateHex(), expected) << length;
        Md5 pieces;
        for (size_t at = 0, step = 1; at < length; at += step, step = step * 3 % 70 + 1) {
            pieces.update({data.data() + at, std::min(step, length - at)});
        }
        pieces.finish();
        ASSERT_EQ(pieces.stateHex(), expected) << length;
    }
}

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

}  // namespace
}  // namespace pixmill
