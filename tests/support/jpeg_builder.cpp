#include "support/jpeg_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pixmill::testing {
namespace {

const ByteVector kTinyJpeg = {
    0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x08, 0x06, 0x06, 0x07, 0x06, 0x05, 0x08, 0x07, 0x07,
    0x07, 0x09, 0x09, 0x08, 0x0A, 0x0C, 0x14, 0x0D, 0x0C, 0x0B, 0x0B, 0x0C, 0x19, 0x12, 0x13, 0x0F,
    0x14, 0x1D, 0x1A, 0x1F, 0x1E, 0x1D, 0x1A, 0x1C, 0x1C, 0x20, 0x24, 0x2E, 0x27, 0x20, 0x22, 0x2C,
    0x23, 0x1C, 0x1C, 0x28, 0x37, 0x29, 0x2C, 0x30, 0x31, 0x34, 0x34, 0x34, 0x1F, 0x27, 0x39, 0x3D,
    0x38, 0x32, 0x3C, 0x2E, 0x33, 0x34, 0x32, 0xFF, 0xDB, 0x00, 0x43, 0x01, 0x09, 0x09, 0x09, 0x0C,
    0x0B, 0x0C, 0x18, 0x0D, 0x0D, 0x18, 0x32, 0x21, 0x1C, 0x21, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
    0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
    0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
    0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0xFF, 0xC0, 0x00, 0x11,
    0x08, 0x00, 0x10, 0x00, 0x10, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF,
    0xC4, 0x00, 0x16, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x06, 0xFF, 0xC4, 0x00, 0x16, 0x10, 0x00, 0x03, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x61, 0xFF,
    0xC4, 0x00, 0x14, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x06, 0xFF, 0xC4, 0x00, 0x16, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x62, 0xFF, 0xDA, 0x00,
    0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00, 0xC0, 0x35, 0x43, 0x54, 0x8C,
    0xD5, 0x0D, 0x51, 0x32, 0x8C, 0x8B, 0xDA, 0x28, 0xFF, 0xD9,
};

void put16(ByteVector& out, std::uint32_t value, bool bigEndian) {
    if (bigEndian) {
        out.push_back(static_cast<std::uint8_t>(value >> 8));
        out.push_back(static_cast<std::uint8_t>(value));
    } else {
        out.push_back(static_cast<std::uint8_t>(value));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    }
}

void put32(ByteVector& out, std::uint32_t value, bool bigEndian) {
    if (bigEndian) {
        put16(out, value >> 16, true);
        put16(out, value & 0xFFFF, true);
    } else {
        put16(out, value & 0xFFFF, false);
        put16(out, value >> 16, false);
    }
}

}  // namespace

const ByteVector& tinyJpeg() {
    return kTinyJpeg;
}

ByteVector imageSections(const ByteVector& jpeg) {
    std::size_t position = 2;
    while (position + 4 <= jpeg.size()) {
        const int marker = jpeg[position + 1];
        if (!((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE))
            break;
        position += 2 + (jpeg[position + 2] << 8 | jpeg[position + 3]);
    }
    return ByteVector(jpeg.begin() + static_cast<std::ptrdiff_t>(position), jpeg.end());
}

JpegBuilder& JpegBuilder::section(int marker, const ByteVector& payload) {
    bytes_.insert(bytes_.end(), static_cast<std::size_t>(pendingFill_), 0xFF);
    pendingFill_ = 0;
    const std::size_t length = payload.size() + 2;
    if (length > 0xFFFF)
        throw std::invalid_argument("section too long");
    bytes_.push_back(0xFF);
    bytes_.push_back(static_cast<std::uint8_t>(marker));
    put16(bytes_, static_cast<std::uint32_t>(length), true);
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    return *this;
}

JpegBuilder& JpegBuilder::section(int marker, std::string_view payload) {
    return section(marker, ByteVector(payload.begin(), payload.end()));
}

JpegBuilder& JpegBuilder::jfif(int units, int xDensity, int yDensity) {
    ByteVector payload = {'J', 'F', 'I', 'F', 0, 1, 1, static_cast<std::uint8_t>(units)};
    put16(payload, static_cast<std::uint32_t>(xDensity), true);
    put16(payload, static_cast<std::uint32_t>(yDensity), true);
    payload.push_back(0);
    payload.push_back(0);
    return section(0xE0, payload);
}

JpegBuilder& JpegBuilder::exif(const ByteVector& tiffBlock) {
    ByteVector payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiffBlock.begin(), tiffBlock.end());
    return section(0xE1, payload);
}

JpegBuilder& JpegBuilder::xmp(std::string_view packet) {
    std::string payload = "http://ns.adobe.com/xap/1.0/";
    payload.push_back('\0');
    payload += packet;
    return section(0xE1, payload);
}

JpegBuilder& JpegBuilder::iptc() {
    std::string payload = "Photoshop 3.0";
    payload.push_back('\0');
    payload += "8BIM";
    payload += std::string("\x04\x04\x00\x00\x00\x00\x00\x05\x1c\x02\x00\x00\x00\x00", 14);
    return section(0xED, payload);
}

JpegBuilder& JpegBuilder::icc() {
    std::string payload = "ICC_PROFILE";
    payload += std::string("\0\x01\x01", 3);
    payload += std::string(128, 'p');
    return section(0xE2, payload);
}

JpegBuilder& JpegBuilder::adobe(int transform) {
    std::string payload = "Adobe";
    payload += std::string("\x00\x64\x00\x00\x00\x00", 6);
    payload.push_back(static_cast<char>(transform));
    return section(0xEE, payload);
}

JpegBuilder& JpegBuilder::comment(std::string_view text) {
    return section(0xFE, text);
}

JpegBuilder& JpegBuilder::fill(int count) {
    pendingFill_ += count;
    return *this;
}

JpegBuilder& JpegBuilder::raw(const ByteVector& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

JpegBuilder& JpegBuilder::image(const ByteVector& jpeg) {
    bytes_.insert(bytes_.end(), static_cast<std::size_t>(pendingFill_), 0xFF);
    pendingFill_ = 0;
    return raw(imageSections(jpeg));
}

TiffDirectory& TiffDirectory::entry(int tag, int format, std::uint32_t count,
                                    const ByteVector& value) {
    entries_.push_back({tag, format, count, value});
    return *this;
}

TiffDirectory& TiffDirectory::ascii(int tag, std::string_view text) {
    ByteVector value(text.begin(), text.end());
    value.push_back(0);
    return entry(tag, 2, static_cast<std::uint32_t>(value.size()), value);
}

TiffDirectory& TiffDirectory::shortValue(int tag, std::uint16_t number) {
    ByteVector value;
    put16(value, number, bigEndian_);
    return entry(tag, 3, 1, value);
}

TiffDirectory& TiffDirectory::longValue(int tag, std::uint32_t number) {
    ByteVector value;
    put32(value, number, bigEndian_);
    return entry(tag, 4, 1, value);
}

TiffDirectory& TiffDirectory::rational(int tag, std::uint32_t numerator,
                                       std::uint32_t denominator) {
    ByteVector value;
    put32(value, numerator, bigEndian_);
    put32(value, denominator, bigEndian_);
    return entry(tag, 5, 1, value);
}

TiffDirectory& TiffDirectory::signedRational(int tag, std::int32_t numerator,
                                             std::int32_t denominator) {
    ByteVector value;
    put32(value, static_cast<std::uint32_t>(numerator), bigEndian_);
    put32(value, static_cast<std::uint32_t>(denominator), bigEndian_);
    return entry(tag, 10, 1, value);
}

TiffDirectory& TiffDirectory::undefined(int tag, std::string_view bytes) {
    return entry(tag, 7, static_cast<std::uint32_t>(bytes.size()),
                 ByteVector(bytes.begin(), bytes.end()));
}

TiffBuilder::TiffBuilder(bool bigEndian) : bigEndian_(bigEndian) {
    for (TiffDirectory& directory : directories_)
        directory.bigEndian_ = bigEndian;
}

TiffBuilder& TiffBuilder::thumbnail(const ByteVector& jpeg) {
    thumbnail_ = jpeg;
    return *this;
}

ByteVector TiffBuilder::build() const {
    TiffDirectory dirs[4] = {directories_[0], directories_[1], directories_[2], directories_[3]};
    if (!thumbnail_.empty()) {
        dirs[3].longValue(0x0201, 0);  // patched below
        dirs[3].longValue(0x0202, static_cast<std::uint32_t>(thumbnail_.size()));
    }
    if (!dirs[2].empty())
        dirs[1].entries_.push_back({0xA005, 4, 1, ByteVector(4), 2});
    if (!dirs[1].empty())
        dirs[0].entries_.push_back({0x8769, 4, 1, ByteVector(4), 1});
    std::uint32_t offsets[4] = {};
    std::uint32_t offset = 8;
    for (int d = 0; d < 4; ++d) {
        auto& entries = dirs[d].entries_;
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.tag < b.tag; });
        if (d > 0 && entries.empty())
            continue;
        offsets[d] = offset;
        offset += 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
        for (const auto& e : entries) {
            if (e.value.size() > 4)
                offset += static_cast<std::uint32_t>((e.value.size() + 1) & ~1u);
        }
    }
    const std::uint32_t thumbnailOffset = offset;
    ByteVector out = bigEndian_ ? ByteVector{'M', 'M'} : ByteVector{'I', 'I'};
    put16(out, 42, bigEndian_);
    put32(out, 8, bigEndian_);
    for (int d = 0; d < 4; ++d) {
        auto& entries = dirs[d].entries_;
        if (d > 0 && entries.empty())
            continue;
        put16(out, static_cast<std::uint32_t>(entries.size()), bigEndian_);
        std::uint32_t valueOffset =
            offsets[d] + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
        ByteVector values;
        for (auto& e : entries) {
            if (e.link >= 0)
                put32(e.value = {}, offsets[e.link], bigEndian_);
            if (e.tag == 0x0201 && d == 3)
                put32(e.value = {}, thumbnailOffset, bigEndian_);
            put16(out, static_cast<std::uint32_t>(e.tag), bigEndian_);
            put16(out, static_cast<std::uint32_t>(e.format), bigEndian_);
            put32(out, e.count, bigEndian_);
            if (e.value.size() > 4) {
                put32(out, valueOffset, bigEndian_);
                values.insert(values.end(), e.value.begin(), e.value.end());
                if (values.size() % 2)
                    values.push_back(0);
                valueOffset = offsets[d] + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4 +
                              static_cast<std::uint32_t>(values.size());
            } else {
                ByteVector inline4 = e.value;
                inline4.resize(4, 0);
                out.insert(out.end(), inline4.begin(), inline4.end());
            }
        }
        const bool linkToIfd1 = d == 0 && !dirs[3].empty();
        put32(out, linkToIfd1 ? offsets[3] : 0, bigEndian_);
        out.insert(out.end(), values.begin(), values.end());
    }
    out.insert(out.end(), thumbnail_.begin(), thumbnail_.end());
    return out;
}

ByteVector readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteVector(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const ByteVector& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<SectionSummary> listSections(const ByteVector& jpeg, ByteVector* scan) {
    std::vector<SectionSummary> result;
    std::size_t position = 2;
    while (position + 4 <= jpeg.size()) {
        if (jpeg[position] != 0xFF)
            break;
        const int marker = jpeg[position + 1];
        if (marker == 0xFF) {
            ++position;
            continue;
        }
        const int length = jpeg[position + 2] << 8 | jpeg[position + 3];
        result.push_back({marker, length});
        position += 2 + static_cast<std::size_t>(length);
        if (marker == 0xDA) {
            if (scan)
                scan->assign(jpeg.begin() + static_cast<std::ptrdiff_t>(position), jpeg.end());
            break;
        }
    }
    return result;
}

std::vector<int> markersOf(const ByteVector& jpeg) {
    std::vector<int> markers;
    for (const SectionSummary& s : listSections(jpeg))
        markers.push_back(s.marker);
    return markers;
}

}  // namespace pixmill::testing
