#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/watermark/layout_archive.h"

namespace pixmill {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

void appendInt(Bytes& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(std::uint32_t(value) >> (8 * i)));
}

// The header object of an empty group, spelled out byte by byte.
Bytes emptyHeaderBytes() {
    Bytes out = {0xFF, 0xFF, 0x00, 0x00, 19, 0x00};
    Bytes name = bytesOf("CWaterMarkersHeader");
    out.insert(out.end(), name.begin(), name.end());
    appendInt(out, 1);  // format version
    appendInt(out, 0);  // layer count
    out.push_back(9);
    Bytes stamp = bytesOf("2012-11-6");
    out.insert(out.end(), stamp.begin(), stamp.end());
    out.insert(out.end(), 16, 0);     // bounds
    appendInt(out, -1);               // alignMode
    out.insert(out.end(), 6 * 4, 0);  // border on, colour and four widths
    out.push_back(0);                 // reserved string
    out.insert(out.end(), 400, 0);
    out.insert(out.end(), 10, 0);
    return out;
}

std::string stringBytes(const std::string& utf8) {
    Bytes out;
    appendArchiveString(out, utf8);
    return std::string(out.begin(), out.end());
}

LayoutRecord twoLayers() {
    LayoutRecord layout;
    layout.header.alignMode = 8;
    layout.header.borderOn = 1;
    layout.header.borderColor = 0x00336699;
    layout.header.borderTop = 10;
    layout.header.borderBottom = 20;
    layout.header.borderLeft = 5;
    layout.header.borderRight = 6;
    layout.header.bounds = {30, 40, 530, 300};
    LayerRecord text;
    text.rect = {30, 40, 230, 100};
    text.text = "版权所有 <no>";
    text.angle = -45;
    text.shadow = 0;
    text.transparent = 1;
    text.opacity = 60;
    text.textColor = 0x000000FF;
    text.fontName = "WenQuanYi Micro Hei";
    text.fontSize = 28;
    text.bold = text.italic = text.underline = 1;
    LayerRecord picture;
    picture.rect = {330, 100, 530, 300};
    picture.imagePath = "/photos/水印/logo.png";
    picture.groupOffsetX = 300;
    picture.groupOffsetY = 60;
    layout.layers = {text, picture};
    return layout;
}

void expectSameLayers(const LayoutRecord& a, const LayoutRecord& b) {
    ASSERT_EQ(a.layers.size(), b.layers.size());
    for (std::size_t i = 0; i < a.layers.size(); ++i) {
        const LayerRecord& x = a.layers[i];
        const LayerRecord& y = b.layers[i];
        EXPECT_EQ(x.rect, y.rect);
        EXPECT_EQ(x.text, y.text);
        EXPECT_EQ(x.imagePath, y.imagePath);
        EXPECT_EQ(x.fontName, y.fontName);
        EXPECT_EQ(std::vector<int>({x.angle, x.shadow, x.transparent, x.opacity, int(x.textColor),
                                    x.fontSize, x.bold, x.italic, x.underline, x.groupOffsetX,
                                    x.groupOffsetY}),
                  std::vector<int>({y.angle, y.shadow, y.transparent, y.opacity, int(y.textColor),
                                    y.fontSize, y.bold, y.italic, y.underline, y.groupOffsetX,
                                    y.groupOffsetY}));
    }
}

TEST(LayoutArchive, emptyGroupIsExactlyTheHeaderObject) {
    Bytes written = writeLayoutArchive(LayoutRecord{});
    EXPECT_EQ(written, emptyHeaderBytes());
    auto read = readLayoutArchive(written);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->header.layerCount, 0);
    EXPECT_EQ(read->header.alignMode, -1);
    EXPECT_EQ(read->header.bounds, LayoutRect{});
    EXPECT_TRUE(read->layers.empty());
}

TEST(LayoutArchive, layersFollowTheHeaderWithClassTagThenReference) {
    LayoutRecord layout = twoLayers();
    Bytes written = writeLayoutArchive(layout);
    Bytes header = emptyHeaderBytes();
    // The header carries the count of the layers actually written.
    EXPECT_EQ(written[29], 2);
    std::size_t first = header.size();
    Bytes layerTag = {0xFF, 0xFF, 0x00, 0x00, 14, 0x00};
    EXPECT_TRUE(std::equal(layerTag.begin(), layerTag.end(), written.begin() + first));
    EXPECT_EQ(std::string(written.begin() + first + 6, written.begin() + first + 20),
              "CWatermarkCtrl");
    // rect, GBK text, empty path, five int32, font name, four int32, offsets, reserved.
    std::size_t firstSize = 20 + 16 + stringBytes(layout.layers[0].text).size() + 1 + 20 + 1 +
                            layout.layers[0].fontName.size() + 16 + 8 + 4 + 400 + 10;
    std::size_t second = first + firstSize;
    ASSERT_LT(second + 2, written.size());
    EXPECT_EQ(written[second], 0x03);
    EXPECT_EQ(written[second + 1], 0x80);
    auto read = readLayoutArchive(written);
    ASSERT_TRUE(read);
    expectSameLayers(*read, layout);
    EXPECT_EQ(read->header.alignMode, 8);
    EXPECT_EQ(read->header.bounds, layout.header.bounds);
    EXPECT_EQ(read->header.borderColor, 0x00336699u);
    EXPECT_EQ(
        std::vector<int>({read->header.borderOn, read->header.borderTop, read->header.borderBottom,
                          read->header.borderLeft, read->header.borderRight}),
        std::vector<int>({1, 10, 20, 5, 6}));
}

TEST(LayoutArchive, stringPrefixesGrowWithTheLength) {
    EXPECT_EQ(stringBytes(""), std::string("\x00", 1));
    EXPECT_EQ(stringBytes(std::string(254, 'a')).substr(0, 1), "\xFE");
    EXPECT_EQ(stringBytes(std::string(255, 'a')).substr(0, 3), std::string("\xFF\xFF\x00", 3));
    EXPECT_EQ(stringBytes(std::string(300, 'a')).substr(0, 3), "\xFF\x2C\x01");
    EXPECT_EQ(stringBytes(std::string(300, 'a')).size(), 303u);
    std::string huge = stringBytes(std::string(70000, 'a'));
    EXPECT_EQ(huge.substr(0, 7), std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7));
    EXPECT_EQ(huge.size(), 70007u);
}

TEST(LayoutArchive, chineseIsGbkAndOtherTextTheWideForm) {
    EXPECT_EQ(stringBytes("宋体"), "\x04\xCB\xCE\xCC\xE5");
    // U+2603 has no GBK code: marker 0xFF 0xFFFE, one UTF-16 unit, then the unit.
    EXPECT_EQ(stringBytes("☃"), std::string("\xFF\xFE\xFF\x01\x03\x26", 6));
}

TEST(LayoutArchive, everyKindOfStringRoundTrips) {
    const std::string texts[] = {"",
                                 std::string(300, 'x'),
                                 "水印 宋体 <photodate>",
                                 "snow ☃ and 😀",
                                 std::string(70000, 'y'),
                                 std::string(400, 'z') + "☃"};
    for (const std::string& text : texts) {
        LayoutRecord layout;
        layout.header.stamp = text;
        LayerRecord layer;
        layer.text = text;
        layer.fontName = text;
        layout.layers.push_back(layer);
        auto read = readLayoutArchive(writeLayoutArchive(layout));
        ASSERT_TRUE(read) << text.size();
        EXPECT_EQ(read->header.stamp, text);
        ASSERT_EQ(read->layers.size(), 1u);
        EXPECT_EQ(read->layers[0].text, text);
        EXPECT_EQ(read->layers[0].fontName, text);
    }
}

TEST(LayoutArchive, everyTruncationFailsWhole) {
    Bytes written = writeLayoutArchive(twoLayers());
    for (std::size_t length = 0; length < written.size(); ++length) {
        auto read = readLayoutArchive(std::span(written.data(), length));
        EXPECT_FALSE(read) << "cut at " << length;
    }
    Bytes longer = written;
    longer.insert(longer.end(), {1, 2, 3});
    EXPECT_TRUE(readLayoutArchive(longer));
}

TEST(LayoutArchive, rejectsWrongClassTagsAndNames) {
    Bytes good = writeLayoutArchive(twoLayers());
    std::size_t first = emptyHeaderBytes().size();
    struct Damage {
        std::size_t offset;
        std::uint8_t value;
    };
    const Damage damages[] = {
        {0, 0xFE},         // not a new-class tag
        {2, 1},            // schema 1
        {4, 18},           // header class name one byte short
        {6, 'c'},          // header class name in the wrong case
        {first, 0x03},     // first layer given as a reference
        {first + 6, 'X'},  // layer class name
    };
    for (const Damage& damage : damages) {
        Bytes bad = good;
        bad[damage.offset] = damage.value;
        EXPECT_FALSE(readLayoutArchive(bad)) << "offset " << damage.offset;
    }
    // The second layer must refer to the layer class (entry 3), not to the header's (entry 1).
    LayoutRecord layout = twoLayers();
    Bytes bytes = writeLayoutArchive(layout);
    Bytes oneLayer = writeLayoutArchive(LayoutRecord{{}, {layout.layers[0]}});
    std::size_t secondAt = oneLayer.size();
    ASSERT_EQ(bytes[secondAt], 0x03);
    bytes[secondAt] = 0x01;
    EXPECT_FALSE(readLayoutArchive(bytes));
}

TEST(LayoutArchive, countsBeyondTheFileFailAndNegativeCountsReadNoLayers) {
    Bytes header = emptyHeaderBytes();
    Bytes claimsThree = header;
    claimsThree[29] = 3;
    EXPECT_FALSE(readLayoutArchive(claimsThree));
    Bytes huge = header;
    huge[29] = 0x7F;
    huge[32] = 0x7F;
    EXPECT_FALSE(readLayoutArchive(huge));
    Bytes negative = header;
    std::memset(&negative[29], 0xFF, 4);
    auto read = readLayoutArchive(negative);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->layers.empty());
}

TEST(LayoutArchive, stringLengthsPastTheEndFailWithoutAllocating) {
    Bytes header = emptyHeaderBytes();
    // The stamp's length byte sits at offset 33: replace the stamp by each oversized prefix.
    const Bytes prefixes[] = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},              // narrow, 4 GiB
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // wide, 4 G units
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF},                    // two wide markers
        {0xFF, 0xFE},                                            // marker cut short
    };
    for (const Bytes& prefix : prefixes) {
        Bytes bad(header.begin(), header.begin() + 33);
        bad.insert(bad.end(), prefix.begin(), prefix.end());
        bad.insert(bad.end(), header.begin() + 43, header.end());
        EXPECT_FALSE(readLayoutArchive(bad));
    }
}

}  // namespace
}  // namespace pixmill
