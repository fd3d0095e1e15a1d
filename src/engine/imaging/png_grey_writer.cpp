#include "engine/imaging/png_grey_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/imaging/png_chunks.h"

namespace pixmill {
namespace {

constexpr std::size_t kIdatLength = 1 << 20;

void putBigEndian32(std::uint8_t* p, std::uint32_t value) {
    p[0] = std::uint8_t(value >> 24);
    p[1] = std::uint8_t(value >> 16);
    p[2] = std::uint8_t(value >> 8);
    p[3] = std::uint8_t(value);
}

png::Chunk makeChunk(const char* type, png::ByteVector data) {
    png::Chunk chunk;
    std::memcpy(chunk.type.data(), type, 4);
    chunk.data = std::move(data);
    return chunk;
}

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The five filters applied to `row` (`previous` the row above, zeros for the first), and the
// one whose bytes, read as signed, sum the least in magnitude copied to `out` after its type.
void filterRow(const png::ByteVector& row, const png::ByteVector& previous, int step,
               png::ByteVector& trial, png::ByteVector& out) {
    const std::size_t n = row.size();
    long best = -1;
    for (int type = 0; type < 5; ++type) {
        long sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const int a = i >= std::size_t(step) ? row[i - step] : 0;
            const int b = previous[i];
            const int c = i >= std::size_t(step) ? previous[i - step] : 0;
            const int predicted = type == 0   ? 0
                                  : type == 1 ? a
                                  : type == 2 ? b
                                  : type == 3 ? (a + b) / 2
                                              : paeth(a, b, c);
            const std::uint8_t value = std::uint8_t(row[i] - predicted);
            trial[i] = value;
            sum += value < 128 ? value : 256 - value;
        }
        if (best < 0 || sum < best) {
            best = sum;
            out[0] = std::uint8_t(type);
            std::copy(trial.begin(), trial.end(), out.begin() + 1);
        }
    }
}

struct Deflater {
    z_stream z{};
    png::ByteVector out;
    bool ok = deflateInit(&z, 6) == Z_OK;
    ~Deflater() { deflateEnd(&z); }
    bool add(const png::ByteVector& bytes, bool last) {
        z.next_in = const_cast<Bytef*>(bytes.data());
        z.avail_in = uInt(bytes.size());
        int status = Z_OK;
        do {
            std::uint8_t buffer[1 << 15];
            z.next_out = buffer;
            z.avail_out = sizeof buffer;
            status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                return false;
            out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
        } while (z.avail_out == 0 || (last && status != Z_STREAM_END));
        return true;
    }
};

}  // namespace

std::optional<Bytes> encodeGreyAlphaPng(const QImage& image, int bitDepth) {
    if (image.isNull() || (bitDepth != 8 && bitDepth != 16))
        return std::nullopt;
    // Read as they are when straight (no copy of a large picture), converted otherwise.
    const bool wide = image.format() == QImage::Format_RGBA64 ||
                      image.format() == QImage::Format_RGBA64_Premultiplied;
    const bool argb = image.format() == QImage::Format_ARGB32;
    const QImage pixels =
        argb ? image
             : image.convertToFormat(wide ? QImage::Format_RGBA64 : QImage::Format_RGBA8888);
    if (pixels.isNull())
        return std::nullopt;
    const int sampleBytes = bitDepth / 8;
    const int step = 2 * sampleBytes;
    const std::size_t rowBytes = std::size_t(pixels.width()) * step;
    png::ByteVector row(rowBytes), previous(rowBytes, 0), trial(rowBytes), filtered(rowBytes + 1);
    Deflater deflater;
    if (!deflater.ok)
        return std::nullopt;
    for (int y = 0; y < pixels.height(); ++y) {
        std::uint8_t* at = row.data();
        for (int x = 0; x < pixels.width(); ++x) {
            unsigned r, g, b, a;
            if (wide) {
                const auto* p = reinterpret_cast<const std::uint16_t*>(pixels.constScanLine(y)) +
                                4 * std::size_t(x);
                r = p[0], g = p[1], b = p[2], a = p[3];
            } else if (argb) {
                const QRgb p = reinterpret_cast<const QRgb*>(pixels.constScanLine(y))[x];
                r = unsigned(qRed(p)), g = unsigned(qGreen(p)), b = unsigned(qBlue(p));
                a = unsigned(qAlpha(p));
            } else {
                const std::uint8_t* p = pixels.constScanLine(y) + 4 * std::size_t(x);
                r = p[0], g = p[1], b = p[2], a = p[3];
            }
            if (r != g || g != b)
                return std::nullopt;
            if (sampleBytes == 1) {
                *at++ = std::uint8_t(wide ? r >> 8 : r);
                *at++ = std::uint8_t(wide ? a >> 8 : a);
            } else {
                const unsigned grey = wide ? r : r * 257, alpha = wide ? a : a * 257;
                *at++ = std::uint8_t(grey >> 8);
                *at++ = std::uint8_t(grey);
                *at++ = std::uint8_t(alpha >> 8);
                *at++ = std::uint8_t(alpha);
            }
        }
        filterRow(row, previous, step, trial, filtered);
        if (!deflater.add(filtered, y + 1 == pixels.height()))
            return std::nullopt;
        std::swap(row, previous);
    }

    std::vector<png::Chunk> chunks;
    png::ByteVector header(13, 0);
    putBigEndian32(&header[0], std::uint32_t(pixels.width()));
    putBigEndian32(&header[4], std::uint32_t(pixels.height()));
    header[8] = std::uint8_t(bitDepth);
    header[9] = png::kGreyAlpha;
    chunks.push_back(makeChunk("IHDR", std::move(header)));
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        png::ByteVector density(9, 0);
        putBigEndian32(&density[0], std::uint32_t(image.dotsPerMeterX()));
        putBigEndian32(&density[4], std::uint32_t(image.dotsPerMeterY()));
        density[8] = 1;  // per metre
        chunks.push_back(makeChunk("pHYs", std::move(density)));
    }
    const png::ByteVector& stream = deflater.out;
    for (std::size_t at = 0; at < stream.size(); at += kIdatLength) {
        const std::size_t end = std::min(stream.size(), at + kIdatLength);
        chunks.push_back(makeChunk(
            "IDAT", png::ByteVector(stream.begin() + long(at), stream.begin() + long(end))));
    }
    chunks.push_back(makeChunk("IEND", {}));
    return png::writeChunks(chunks);
}

}  // namespace pixmill
