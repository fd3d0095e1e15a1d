#pragma once
// The watermark layout file (WatermarkTemplate/water.tmp): the header object followed by the
// layer objects, bottom layer first, in the persistent-object format of an MFC archive.
//
// Plain C++ over bytes, so that tests and the fuzzer feed it arrays directly. Texts are UTF-8
// in these records; in the file they are GBK, or the archive's wide form (UTF-16LE behind the
// 0xFF 0xFFFE marker) when a text holds a character GBK has no code for.
//
// Byte layout of an object: uint16 0xFFFF (new class), uint16 schema 0, uint16 name length,
// the ASCII class name, then the fields; a later object of an already introduced class starts
// with uint16 0x8003 instead (map entries: 1 header class, 2 header object, 3 layer class).
// Integers little-endian. A string is a length prefix (one byte n < 255; else 0xFF and uint16
// n < 0xFFFE; else 0xFF, 0xFFFF and uint32 n) followed by n bytes, no terminator.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pixmill {

// A rectangle as the layout holds it: right and bottom are exclusive, as in a window rect.
struct LayoutRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    void offset(std::int32_t dx, std::int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// The serialised fields of one layer, with their defaults.
struct LayerRecord {
    LayoutRect rect{0, 0, 400, 200};
    std::string text;
    std::string imagePath;
    std::int32_t angle = 0;
    std::int32_t shadow = 1;
    std::int32_t transparent = 0;
    std::int32_t opacity = 100;
    std::uint32_t textColor = 0;  // 0x00BBGGRR
    std::string fontName = "宋体";
    std::int32_t fontSize = 40;
    std::int32_t bold = 0;
    std::int32_t italic = 0;
    std::int32_t underline = 0;
    std::int32_t groupOffsetX = 0;  // rect's top-left minus the group bounds' top-left
    std::int32_t groupOffsetY = 0;
};

// The layout header: the alignment and the border of every output image. Its layerCount
// and bounds mean something only in a file (they are filled in when the layout is saved).
struct CWaterMarkersHeader {
    std::int32_t formatVersion = 1;
    std::int32_t layerCount = 0;
    std::string stamp = "2012-11-6";
    LayoutRect bounds;
    std::int32_t alignMode = -1;  // -1 free; 0..8 grid cell, row by row
    std::int32_t borderOn = 0;
    std::uint32_t borderColor = 0;  // 0x00BBGGRR
    std::int32_t borderTop = 0;
    std::int32_t borderBottom = 0;
    std::int32_t borderLeft = 0;
    std::int32_t borderRight = 0;
};

struct LayoutRecord {
    CWaterMarkersHeader header;
    std::vector<LayerRecord> layers;  // bottom first
};

// The file's bytes. `header.layerCount` is written as the number of layers given; every other
// field as it stands (the caller fills bounds and group offsets). Reserved fields are zeros.
std::vector<std::uint8_t> writeLayoutArchive(const LayoutRecord& layout);

// The layout in `bytes`, or nothing when they are not a whole layout: a wrong class tag or
// name, a string or field running past the end, fewer layer objects than the header counts.
// Bytes after the last layer are ignored. A negative layer count reads as no layers.
std::optional<LayoutRecord> readLayoutArchive(std::span<const std::uint8_t> bytes);

// One archive string as written: GBK when every character has a GBK code, else the wide form.
void appendArchiveString(std::vector<std::uint8_t>& out, const std::string& utf8);

}  // namespace pixmill
