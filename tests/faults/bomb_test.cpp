// Decompression bombs and hostile layouts against pixmill-cli: the peak resident memory of the
// whole process (the child's ru_maxrss) stays under 512 MiB for every command on each of them.

#include <QColor>
#include <QImage>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/imaging/png_chunks.h"
#include "engine/watermark/layout_archive.h"
#include "faults/cli_child.h"
#include "support/jpeg_builder.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::ByteVector;
using testing::startCli;
using testing::TempDir;
using testing::waitCli;

constexpr long kLimitKiB = 512 * 1024;

void put16(ByteVector& out, unsigned value) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}
void put32(ByteVector& out, std::uint32_t value) {
    put16(out, value >> 16);
    put16(out, value & 0xFFFF);
}

void segment(ByteVector& out, int marker, const ByteVector& payload) {
    out.push_back(0xFF);
    out.push_back(std::uint8_t(marker));
    put16(out, unsigned(payload.size() + 2));
    out.insert(out.end(), payload.begin(), payload.end());
}

// A progressive JPEG of some 500 bytes whose frame claims 22000 × 22000: its scan data ends
// almost at once, and a decoder fills the rest of the picture in.
ByteVector progressiveBomb() {
    ByteVector out{0xFF, 0xD8};
    ByteVector table{0};
    table.resize(65, 1);
    segment(out, 0xDB, table);
    ByteVector frame{8};
    put16(frame, 22000);
    put16(frame, 22000);
    frame.insert(frame.end(), {3, 1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0});
    segment(out, 0xC2, frame);
    ByteVector huffman{0x00, 1};
    huffman.resize(17, 0);
    huffman.push_back(0);
    segment(out, 0xC4, huffman);
    segment(out, 0xDA, {3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 0, 0x00});
    out.resize(out.size() + 400, 0);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

void pngChunk(ByteVector& out, const char* type, const ByteVector& data) {
    put32(out, std::uint32_t(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, png::chunkCrc({type[0], type[1], type[2], type[3]}, data));
}

// Deflate (fixed codes) of `count` zero bytes: one literal, then matches of 258 at distance 1.
ByteVector zeroStream(std::uint64_t count) {
    ByteVector out{0x78, 0x01};
    std::uint64_t bits = 0;
    int used = 0;
    auto emit = [&](std::uint32_t value, int length) {  // least significant bit first
        bits |= std::uint64_t(value) << used;
        used += length;
        while (used >= 8) {
            out.push_back(std::uint8_t(bits));
            bits >>= 8;
            used -= 8;
        }
    };
    auto reversed = [](std::uint32_t code, int length) {  // Huffman codes go most significant first
        std::uint32_t result = 0;
        for (int i = 0; i < length; ++i)
            result |= ((code >> i) & 1) << (length - 1 - i);
        return result;
    };
    emit(1, 1);                  // final block
    emit(1, 2);                  // fixed codes
    emit(reversed(0x30, 8), 8);  // literal 0
    std::uint64_t left = count - 1;
    for (; left >= 258; left -= 258) {
        emit(reversed(0xC5, 8), 8);  // length 258 (code 285)
        emit(0, 5);                  // distance 1
    }
    for (; left > 0; --left)
        emit(reversed(0x30, 8), 8);
    emit(0, 7);  // end of block
    if (used > 0)
        emit(0, 8 - used);
    const std::uint32_t adler = (std::uint32_t(count % 65521) << 16) | 1;
    put32(out, adler);
    return out;
}

// An RGB PNG of 22000 × 22000 black pixels in some 9 MB.
ByteVector inflatingBomb() {
    ByteVector out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ByteVector header;
    put32(header, 22000);
    put32(header, 22000);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", zeroStream(22000ull * (1 + 22000 * 3)));
    pngChunk(out, "IEND", {});
    return out;
}

class BombTest : public ::testing::Test {
  protected:
    void expectBounded(const std::vector<std::string>& command, const std::string& what) {
        const auto [status, peakKiB] = waitCli(startCli(command, config.folder()));
        std::printf("peak %6ld MiB  %s\n", peakKiB / 1024, what.c_str());
        EXPECT_GE(status, 0) << what;  // ended on its own: no crash, no kill
        EXPECT_LE(peakKiB, kLimitKiB) << what;
    }
    TempDir config, output;
};

TEST_F(BombTest, everyCommandStaysUnder512MiBOnPicturesThatClaimHugeSizes) {
    for (const auto& [name, bytes] :
         {std::pair{"bomb.jpg", progressiveBomb()}, std::pair{"bomb.png", inflatingBomb()}}) {
        TempDir photos;
        // Two of them side by side, for two workers at once.
        testing::writeBytes(photos.file(std::string("a_") + name), bytes);
        testing::writeBytes(photos.file(std::string("b_") + name), bytes);
        const std::string out = output.folder();
        for (const std::vector<std::string>& command :
             std::vector<std::vector<std::string>>{{"rotate", "--cw"},
                                                   {"resize", "--bound", "800", "--out", out},
                                                   {"crop", "--out", out},
                                                   {"watermark", "--text", "X", "--out", out},
                                                   {"meta", "--comment", "X"},
                                                   {"scan"}}) {
            std::vector<std::string> arguments = command;
            arguments.push_back(photos.folder());
            expectBounded(arguments, command[0] + " on " + name);
        }
    }
}

TEST_F(BombTest, aLayoutRepeatingOneLargePictureOrAHugeBorderStaysUnder512MiB) {
    TempDir photos, layouts;
    QImage photo(800, 600, QImage::Format_RGB32);
    photo.fill(QColor(90, 140, 200));
    ASSERT_TRUE(photo.save(QString::fromStdString(photos.file("photo.jpg")), "JPEG", 90));
    QImage large(5000, 5000, QImage::Format_RGB32);
    large.fill(QColor(30, 200, 60));
    const std::string picture = layouts.file("large.jpg");
    ASSERT_TRUE(large.save(QString::fromStdString(picture), "JPEG", 50));
    large = QImage();

    LayoutRecord repeated;
    for (int i = 0; i < 20; ++i) {
        LayerRecord layer;
        layer.imagePath = picture;
        layer.rect = {i * 10, i * 10, i * 10 + 200, i * 10 + 200};
        repeated.layers.push_back(layer);
    }
    testing::writeBytes(layouts.file("repeated.wmk"), writeLayoutArchive(repeated));

    LayoutRecord bordered;
    bordered.header.borderOn = 1;
    bordered.header.borderTop = bordered.header.borderBottom = 10000;
    bordered.header.borderLeft = bordered.header.borderRight = 10000;
    LayerRecord text;
    text.text = "X";
    bordered.layers.push_back(text);
    testing::writeBytes(layouts.file("bordered.wmk"), writeLayoutArchive(bordered));

    for (const char* layout : {"repeated.wmk", "bordered.wmk"}) {
        expectBounded({"watermark", "--layout", layouts.file(layout), "--out", output.folder(),
                       photos.folder()},
                      std::string("watermark --layout ") + layout);
    }
    const QImage stamped(QString::fromStdString(output.file("photo.jpg")));
    EXPECT_LE(stamped.width(), 3 * 800);  // the border is at most the picture's own size
    EXPECT_LE(stamped.height(), 3 * 600);
}

// Layer pictures are held for the whole batch out of the same pixel budget as the photos: three
// distinct pictures that each fit the budget but not together refuse the batch, with a message.
TEST_F(BombTest, layerPicturesTogetherBeyondTheBudgetRefuseTheBatch) {
    TempDir photos, layouts;
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(QColor(90, 140, 200));
    ASSERT_TRUE(photo.save(QString::fromStdString(photos.file("photo.jpg")), "JPEG", 90));
    LayoutRecord layout;
    for (int i = 0; i < 3; ++i) {
        QImage picture(2500, 2500, QImage::Format_RGB32);  // 24 MiB each, 48 MiB to decode
        picture.fill(QColor(30, 60 * i, 60));
        const std::string path = layouts.file("p" + std::to_string(i) + ".jpg");
        ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPEG", 50));
        LayerRecord layer;
        layer.imagePath = path;
        layer.rect = {0, 0, 200, 200};
        layout.layers.push_back(layer);
    }
    testing::writeBytes(layouts.file("three.wmk"), writeLayoutArchive(layout));
    ::setenv("PIXMILL_PIXEL_BUDGET_MB", "64", 1);
    const pid_t child = startCli({"watermark", "--layout", layouts.file("three.wmk"), "--out",
                                  output.folder(), photos.folder()},
                                 config.folder());
    ::unsetenv("PIXMILL_PIXEL_BUDGET_MB");
    const auto [status, peakKiB] = waitCli(child);
    std::printf("peak %6ld MiB  watermark with three layer pictures in a 64 MiB budget\n",
                peakKiB / 1024);
    EXPECT_EQ(status, 1);  // refused at the start
    EXPECT_FALSE(std::filesystem::exists(output.file("photo.jpg")));
    EXPECT_LE(peakKiB, kLimitKiB);
}

}  // namespace
}  // namespace pixmill
