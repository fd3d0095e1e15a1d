#include "engine/imaging/bmp_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pixmill {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 108;  // BITMAPV4HEADER
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kCalibratedRgb = 0x73524742;  // 'sRGB', LCS_sRGB

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

void writeHeaders(std::uint8_t* p, const QImage& image, std::uint32_t fileSize) {
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, fileSize);
    put32(p + 10, kFileHeaderSize + kInfoHeaderSize);
    std::uint8_t* info = p + kFileHeaderSize;
    put32(info, kInfoHeaderSize);
    put32(info + 4, std::uint32_t(image.width()));
    put32(info + 8, std::uint32_t(image.height()));  // positive: bottom-up
    put16(info + 12, 1);                             // planes
    put16(info + 14, 32);                            // bits a pixel
    put32(info + 16, kBitfields);
    put32(info + 20, fileSize - kFileHeaderSize - kInfoHeaderSize);
    put32(info + 24, std::uint32_t(std::max(0, image.dotsPerMeterX())));
    put32(info + 28, std::uint32_t(std::max(0, image.dotsPerMeterY())));
    put32(info + 40, 0x00FF0000);  // red
    put32(info + 44, 0x0000FF00);  // green
    put32(info + 48, 0x000000FF);  // blue
    put32(info + 52, 0xFF000000);  // alpha
    put32(info + 56, kCalibratedRgb);
}

}  // namespace

std::optional<Bytes> encodeBmpWithAlpha(const QImage& source) {
    if (source.isNull())
        return std::nullopt;
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const std::uint64_t rowBytes = std::uint64_t(image.width()) * 4;
    const std::uint64_t fileSize =
        kFileHeaderSize + kInfoHeaderSize + rowBytes * std::uint64_t(image.height());
    if (image.isNull() || fileSize > 0xFFFFFFFFu)
        return std::nullopt;
    Bytes out(fileSize, 0);
    writeHeaders(out.data(), image, std::uint32_t(fileSize));
    std::uint8_t* pixels = out.data() + kFileHeaderSize + kInfoHeaderSize;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* row = pixels + rowBytes * std::uint64_t(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x)
            put32(row + 4 * x, line[x]);  // 0xAARRGGBB little-endian: B, G, R, A
    }
    return out;
}

}  // namespace pixmill
