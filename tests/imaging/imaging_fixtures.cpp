#include "imaging/imaging_fixtures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "engine/catalog/folder_scan.h"
#include "engine/imaging/jpeg_codec.h"

#include "engine/jpegmeta/section_reader.h"

namespace pixmill::testing {

std::vector<Segment> segmentsOf(ByteSpan file) {
    std::vector<Segment> segments;
    jpegmeta::SectionReader reader(file);
    jpegmeta::SectionSpan span;
    while (reader.valid() && reader.next(span) == jpegmeta::SectionStep::Section) {
        segments.push_back(
            {std::uint8_t(span.marker), std::size_t(span.offset - 2), span.data.subspan(2)});
        if (span.marker == 0xDA)
            break;
    }
    return segments;
}

bool isExifSegment(const Segment& segment) {
    return segment.marker == 0xE1 && segment.payload.size() >= 6 &&
           std::memcmp(segment.payload.data(), "Exif\0\0", 6) == 0;
}

namespace {

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, std::uint16_t(v));
    put16(b, std::uint16_t(v >> 16));
}
void entry(Bytes& b, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
           std::uint32_t value) {
    put16(b, tag);
    put16(b, type);
    put32(b, count);
    if (type == 3 && count == 1) {
        put16(b, std::uint16_t(value));
        put16(b, 0);
    } else {
        put32(b, value);
    }
}

}  // namespace

QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGBX8888);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, Qt::red);
    p.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::blue);
    p.fillRect(0, height / 2, width / 2, height - height / 2, Qt::white);
    return image;
}

char quadrantAt(const QImage& image, int x, int y) {
    QColor c = image.pixelColor(x, y);
    if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
        return 'w';
    if (c.red() > 200)
        return 'r';
    if (c.green() > 200)
        return 'g';
    if (c.blue() > 200)
        return 'b';
    return '?';
}

Bytes jpegWith(const QImage& image, const std::vector<std::pair<std::uint8_t, Bytes>>& segments) {
    Bytes encoded = *encodeJpeg(image, 95);
    Bytes out(encoded.begin(), encoded.begin() + 2);
    for (const auto& [marker, payload] : segments) {
        std::size_t length = payload.size() + 2;
        out.insert(out.end(), {0xFF, marker, std::uint8_t(length >> 8), std::uint8_t(length)});
        out.insert(out.end(), payload.begin(), payload.end());
    }
    out.insert(out.end(), encoded.begin() + 2, encoded.end());
    return out;
}

Bytes exifPayload(std::uint16_t orientation, const Bytes& thumbnail, bool thumbnailInside) {
    // Offsets count from the TIFF header. IFD0 at 8 (4 entries, 54 bytes).
    const std::uint32_t ifd0End = 8 + 54;
    const std::uint32_t ifd1Size = thumbnail.empty() ? 0 : 30;
    std::uint32_t ifd1 = 0, thumb = 0, rationals = 0;
    if (thumbnailInside) {
        ifd1 = thumbnail.empty() ? 0 : ifd0End;
        thumb = ifd0End + ifd1Size;
        rationals = thumb + std::uint32_t(thumbnail.size());
    } else {
        rationals = ifd0End;
        ifd1 = thumbnail.empty() ? 0 : rationals + 16;
        thumb = ifd1 + ifd1Size;
    }
    Bytes t = bytesOf(std::string_view("Exif\0\0II", 8));
    put16(t, 42);
    put32(t, 8);
    put16(t, 4);
    entry(t, 0x0112, 3, 1, orientation);
    entry(t, 0x011A, 5, 1, rationals);
    entry(t, 0x011B, 5, 1, rationals + 8);
    entry(t, 0x0128, 3, 1, 2);
    put32(t, ifd1);
    Bytes values;
    for (int i = 0; i < 2; ++i) {
        put32(values, 300);
        put32(values, 1);
    }
    Bytes ifd1Bytes;
    if (!thumbnail.empty()) {
        put16(ifd1Bytes, 2);
        entry(ifd1Bytes, 0x0201, 4, 1, thumb);
        entry(ifd1Bytes, 0x0202, 4, 1, std::uint32_t(thumbnail.size()));
        put32(ifd1Bytes, 0);
    }
    if (thumbnailInside) {
        t.insert(t.end(), ifd1Bytes.begin(), ifd1Bytes.end());
        t.insert(t.end(), thumbnail.begin(), thumbnail.end());
        t.insert(t.end(), values.begin(), values.end());
    } else {
        t.insert(t.end(), values.begin(), values.end());
        t.insert(t.end(), ifd1Bytes.begin(), ifd1Bytes.end());
        t.insert(t.end(), thumbnail.begin(), thumbnail.end());
    }
    return t;
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

double lumaPsnr(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            double d = 0.299 * (qRed(p) - qRed(q)) + 0.587 * (qGreen(p) - qGreen(q)) +
                       0.114 * (qBlue(p) - qBlue(q));
            sum += d * d;
        }
    }
    double mse = sum / (double(a.width()) * a.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

Recorder::Recorder() {
    diag::setCapture(&Recorder::capture, this);
}

Recorder::~Recorder() {
    diag::setCapture(nullptr, nullptr);
}

std::vector<std::string> Recorder::diagnostics() const {
    std::lock_guard lock(mutex_);
    return diagnostics_;
}

void Recorder::capture(diag::Stream, std::string_view text, void* self) {
    auto* recorder = static_cast<Recorder*>(self);
    std::lock_guard lock(recorder->mutex_);
    recorder->diagnostics_.emplace_back(text);
}

Bytes cmykJpeg(const std::vector<std::uint8_t>& inks, int width, int height) {
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    tjCompress2(handle, inks.data(), width, 0, height, TJPF_CMYK, &buffer, &length, TJSAMP_444, 100,
                0);
    Bytes bytes(buffer, buffer + length);
    tjFree(buffer);
    tjDestroy(handle);
    return bytes;
}

namespace {

// LZW codes of `indices` with a two-bit palette: a clear code before every second pixel keeps
// every code three bits wide, so no dictionary needs to be kept.
Bytes gifImageData(const std::vector<std::uint8_t>& indices) {
    Bytes packed;
    std::uint32_t bits = 0;
    int count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            packed.push_back(std::uint8_t(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0)
            put(4);  // clear
        put(indices[i]);
    }
    put(5);  // end of information
    if (count > 0)
        packed.push_back(std::uint8_t(bits));
    Bytes blocks = {2};  // minimum code size
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, packed.size() - at);
        blocks.push_back(std::uint8_t(length));
        blocks.insert(blocks.end(), packed.begin() + at, packed.begin() + at + length);
    }
    blocks.push_back(0);
    return blocks;
}

Bytes gifOf(const QImage& image) {
    const QColor palette[4] = {Qt::red, Qt::green, Qt::blue, Qt::white};
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            int best = 0, bestDistance = INT32_MAX;
            for (int i = 0; i < 4; ++i) {
                const int d = std::abs(c.red() - palette[i].red()) +
                              std::abs(c.green() - palette[i].green()) +
                              std::abs(c.blue() - palette[i].blue());
                if (d < bestDistance)
                    best = i, bestDistance = d;
            }
            indices.push_back(std::uint8_t(best));
        }
    }
    const auto w = std::uint8_t(image.width()), wHigh = std::uint8_t(image.width() >> 8);
    const auto h = std::uint8_t(image.height()), hHigh = std::uint8_t(image.height() >> 8);
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', w, wHigh, h, hHigh, 0x81, 0, 0};  // 4-colour table
    for (const QColor& c : palette) {
        gif.push_back(std::uint8_t(c.red()));
        gif.push_back(std::uint8_t(c.green()));
        gif.push_back(std::uint8_t(c.blue()));
    }
    const Bytes descriptor = {0x2C, 0, 0, 0, 0, w, wHigh, h, hHigh, 0};
    gif.insert(gif.end(), descriptor.begin(), descriptor.end());
    const Bytes data = gifImageData(indices);
    gif.insert(gif.end(), data.begin(), data.end());
    gif.push_back(0x3B);
    return gif;
}

}  // namespace

Bytes writtenAs(const QImage& image, const char* format) {
    if (std::string_view(format) == "gif")
        return gifOf(image);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    if (!writer.write(image))
        return {};
    return Bytes(data.begin(), data.end());
}

png::Chunk pngChunk(const char* type, Bytes data) {
    png::Chunk c;
    std::memcpy(c.type.data(), type, 4);
    c.data = std::move(data);
    return c;
}

const png::Chunk* findChunk(const std::vector<png::Chunk>& chunks, std::string_view type) {
    for (const png::Chunk& c : chunks)
        if (c.is(type))
            return &c;
    return nullptr;
}

void PictureFolderTest::SetUp() {
    std::filesystem::create_directory(dir.path() / "out");
    out = dir.folder() + "out/";
}

CatalogItem PictureFolderTest::scanned(const std::string& name) const {
    CatalogItem item;
    item.fileName = name;
    item.fullPath = dir.file(name);
    readPhotoDetails(item.fullPath, item);
    return item;
}

}  // namespace pixmill::testing
