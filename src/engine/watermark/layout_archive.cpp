#include "engine/watermark/layout_archive.h"

#include <cstring>
#include <string_view>

#include "engine/platform/text_codec.h"

namespace pixmill {
namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kLayerClassReference = 0x8003;
constexpr std::uint16_t kWideStringMarker = 0xFFFE;
constexpr std::string_view kHeaderClassName = "CWaterMarkersHeader";
constexpr std::string_view kLayerClassName = "CWatermarkCtrl";
constexpr std::size_t kReservedBytes = 400;
constexpr int kReservedStrings = 10;

// --- writing ---------------------------------------------------------------------------

void appendUint16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void appendUint32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
    appendUint32(out, static_cast<std::uint32_t>(value));
}

void appendRect(std::vector<std::uint8_t>& out, const LayoutRect& rect) {
    appendInt32(out, rect.left);
    appendInt32(out, rect.top);
    appendInt32(out, rect.right);
    appendInt32(out, rect.bottom);
}

// The count that follows a 0xFF 0xFFFE wide marker uses the same prefix as a narrow string.
void appendLengthPrefix(std::vector<std::uint8_t>& out, std::size_t length) {
    if (length < 0xFF) {
        out.push_back(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        out.push_back(0xFF);
        appendUint16(out, static_cast<std::uint16_t>(length));
    } else {
        out.push_back(0xFF);
        appendUint16(out, 0xFFFF);
        appendUint32(out, static_cast<std::uint32_t>(length));
    }
}

void appendClassHeader(std::vector<std::uint8_t>& out, std::string_view name) {
    appendUint16(out, kNewClassTag);
    appendUint16(out, 0);  // schema
    appendUint16(out, static_cast<std::uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

void appendReserved(std::vector<std::uint8_t>& out) {
    out.insert(out.end(), kReservedBytes, 0);
    for (int i = 0; i < kReservedStrings; ++i)
        out.push_back(0);
}

void appendHeader(std::vector<std::uint8_t>& out, const CWaterMarkersHeader& header,
                  std::size_t layers) {
    appendClassHeader(out, kHeaderClassName);
    appendInt32(out, header.formatVersion);
    appendInt32(out, static_cast<std::int32_t>(layers));
    appendArchiveString(out, header.stamp);
    appendRect(out, header.bounds);
    appendInt32(out, header.alignMode);
    appendInt32(out, header.borderOn);
    appendUint32(out, header.borderColor);
    appendInt32(out, header.borderTop);
    appendInt32(out, header.borderBottom);
    appendInt32(out, header.borderLeft);
    appendInt32(out, header.borderRight);
    out.push_back(0);  // reserved string
    appendReserved(out);
}

void appendLayer(std::vector<std::uint8_t>& out, const LayerRecord& layer, bool first) {
    if (first) {
        appendClassHeader(out, kLayerClassName);
    } else {
        appendUint16(out, kLayerClassReference);
    }
    appendRect(out, layer.rect);
    appendArchiveString(out, layer.text);
    appendArchiveString(out, layer.imagePath);
    appendInt32(out, layer.angle);
    appendInt32(out, layer.shadow);
    appendInt32(out, layer.transparent);
    appendInt32(out, layer.opacity);
    appendUint32(out, layer.textColor);
    appendArchiveString(out, layer.fontName);
    appendInt32(out, layer.fontSize);
    appendInt32(out, layer.bold);
    appendInt32(out, layer.italic);
    appendInt32(out, layer.underline);
    appendInt32(out, layer.groupOffsetX);
    appendInt32(out, layer.groupOffsetY);
    appendInt32(out, 0);  // reserved
    appendReserved(out);
}

// --- reading ---------------------------------------------------------------------------

// Every read checks the remaining length first; after one failure every later read fails
// too, so the field-by-field readers below need not test after each call.
class ArchiveReader {
  public:
    explicit ArchiveReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }

    bool has(std::size_t count) {
        if (!ok_ || bytes_.size() - position_ < count)
            ok_ = false;
        return ok_;
    }
    std::uint8_t byte() {
        if (!has(1))
            return 0;
        return bytes_[position_++];
    }
    std::uint16_t uint16() {
        if (!has(2))
            return 0;
        std::uint16_t value =
            static_cast<std::uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
        position_ += 2;
        return value;
    }
    std::uint32_t uint32() {
        if (!has(4))
            return 0;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | bytes_[position_ + i];
        position_ += 4;
        return value;
    }
    std::int32_t int32() { return static_cast<std::int32_t>(uint32()); }
    LayoutRect rect() {
        LayoutRect r;
        r.left = int32();
        r.top = int32();
        r.right = int32();
        r.bottom = int32();
        return r;
    }
    std::string_view raw(std::size_t count) {
        if (!has(count))
            return {};
        std::string_view view(reinterpret_cast<const char*>(bytes_.data() + position_), count);
        position_ += count;
        return view;
    }
    void skip(std::size_t count) { raw(count); }
    void fail() { ok_ = false; }

    std::uint32_t lengthAfterFirstByte(std::uint8_t first, bool& wide) {
        if (first < 0xFF)
            return first;
        std::uint16_t length16 = uint16();
        if (length16 == kWideStringMarker && !wide) {
            wide = true;
            return lengthAfterFirstByte(byte(), wide);
        }
        if (length16 < kWideStringMarker)
            return length16;
        if (length16 == kWideStringMarker) {  // a second wide marker is not a length
            fail();
            return 0;
        }
        return uint32();
    }

    std::string string() {
        bool wide = false;
        std::uint32_t length = lengthAfterFirstByte(byte(), wide);
        if (!ok_)
            return {};
        if (!wide)
            return gbkToUtf8(raw(length));
        std::string_view units = raw(std::size_t(length) * 2);  // no overflow: size_t is 64-bit
        return ok_ ? utf16leToUtf8(units) : std::string();
    }

    bool classHeader(std::string_view expectedName) {
        if (uint16() != kNewClassTag)
            return false;
        if (uint16() != 0)
            return false;  // schema
        std::uint16_t nameLength = uint16();
        return ok_ && raw(nameLength) == expectedName;
    }

    void reserved() {
        skip(kReservedBytes);
        for (int i = 0; i < kReservedStrings; ++i)
            string();
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

bool readHeader(ArchiveReader& in, CWaterMarkersHeader& header) {
    if (!in.classHeader(kHeaderClassName))
        return false;
    header.formatVersion = in.int32();
    header.layerCount = in.int32();
    header.stamp = in.string();
    header.bounds = in.rect();
    header.alignMode = in.int32();
    header.borderOn = in.int32();
    header.borderColor = in.uint32();
    header.borderTop = in.int32();
    header.borderBottom = in.int32();
    header.borderLeft = in.int32();
    header.borderRight = in.int32();
    in.string();  // reserved
    in.reserved();
    return in.ok();
}

bool readLayer(ArchiveReader& in, LayerRecord& layer, bool first) {
    if (first) {
        if (!in.classHeader(kLayerClassName))
            return false;
    } else if (in.uint16() != kLayerClassReference) {
        return false;
    }
    layer.rect = in.rect();
    layer.text = in.string();
    layer.imagePath = in.string();
    layer.angle = in.int32();
    layer.shadow = in.int32();
    layer.transparent = in.int32();
    layer.opacity = in.int32();
    layer.textColor = in.uint32();
    layer.fontName = in.string();
    layer.fontSize = in.int32();
    layer.bold = in.int32();
    layer.italic = in.int32();
    layer.underline = in.int32();
    layer.groupOffsetX = in.int32();
    layer.groupOffsetY = in.int32();
    in.int32();  // reserved
    in.reserved();
    return in.ok();
}

}  // namespace

void appendArchiveString(std::vector<std::uint8_t>& out, const std::string& utf8) {
    if (std::optional<std::string> gbk = utf8ToGbk(utf8)) {
        appendLengthPrefix(out, gbk->size());
        out.insert(out.end(), gbk->begin(), gbk->end());
        return;
    }
    std::string utf16 = utf8ToUtf16le(utf8);
    out.push_back(0xFF);
    appendUint16(out, kWideStringMarker);
    appendLengthPrefix(out, utf16.size() / 2);
    out.insert(out.end(), utf16.begin(), utf16.end());
}

std::vector<std::uint8_t> writeLayoutArchive(const LayoutRecord& layout) {
    std::vector<std::uint8_t> out;
    appendHeader(out, layout.header, layout.layers.size());
    for (std::size_t i = 0; i < layout.layers.size(); ++i)
        appendLayer(out, layout.layers[i], i == 0);
    return out;
}

std::optional<LayoutRecord> readLayoutArchive(std::span<const std::uint8_t> bytes) {
    ArchiveReader in(bytes);
    LayoutRecord layout;
    if (!readHeader(in, layout.header))
        return std::nullopt;
    // Each layer takes far more than one byte, so a count beyond the bytes left is a damaged
    // file that would fail anyway; reading layer by layer finds that without a big reservation.
    for (std::int32_t i = 0; i < layout.header.layerCount; ++i) {
        LayerRecord layer;
        if (!readLayer(in, layer, i == 0))
            return std::nullopt;
        layout.layers.push_back(std::move(layer));
    }
    return layout;
}

}  // namespace pixmill
