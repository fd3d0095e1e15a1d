#include "engine/imaging/resample.h"

#include <QPainter>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace pixmill {
namespace {

// Catmull-Rom (the cubic with B = 0, C = 0.5), support [-2, 2].
float catmullRom(float x) {
    x = std::fabs(x);
    if (x < 1.0f) return (1.5f * x - 2.5f) * x * x + 1.0f;
    if (x < 2.0f) return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
    return 0.0f;
}

// For every output position the first source index and `taps` weights (zero-padded), with
// the taps that fall outside the source folded onto its edge pixels.
struct Coefficients {
    int taps = 0;
    std::vector<int> first;
    std::vector<float> weights;  // output count × taps
};

Coefficients computeCoefficients(int sourceSize, int outputSize) {
    const float scale = float(sourceSize) / float(outputSize);
    const float stretch = std::max(scale, 1.0f);
    const float support = 2.0f * stretch;
    Coefficients c;
    c.taps = std::min(int(std::ceil(support)) * 2 + 1, sourceSize);
    c.first.resize(outputSize);
    c.weights.assign(std::size_t(outputSize) * c.taps, 0.0f);
    std::vector<float> raw;
    for (int i = 0; i < outputSize; ++i) {
        const float centre = (float(i) + 0.5f) * scale - 0.5f;
        const int left = int(std::floor(centre - support)) + 1;
        const int right = int(std::floor(centre + support));
        const int first = std::clamp(left, 0, sourceSize - c.taps);
        c.first[i] = first;
        float* w = &c.weights[std::size_t(i) * c.taps];
        float sum = 0.0f;
        for (int j = left; j <= right; ++j) {
            float weight = catmullRom((float(j) - centre) / stretch);
            int at = std::clamp(j, 0, sourceSize - 1) - first;
            if (at < 0 || at >= c.taps) continue;  // beyond a tiny source's reach
            w[at] += weight;
            sum += weight;
        }
        if (sum != 0.0f) {
            for (int k = 0; k < c.taps; ++k) w[k] /= sum;
        }
    }
    return c;
}

// One output row: the vertical pass into `row` (source width × 4 floats), then the
// horizontal pass into `out`. Written as flat loops over contiguous data so the compiler
// vectorises them.
void filterRow(const QImage& source, const Coefficients& vertical, const Coefficients& horizontal,
               int y, float* row, std::uint8_t* out, int outputWidth, bool premultiplied) {
    const int values = source.width() * 4;
    const float* wy = &vertical.weights[std::size_t(y) * vertical.taps];
    const int firstRow = vertical.first[y];
    std::fill(row, row + values, 0.0f);
    for (int k = 0; k < vertical.taps; ++k) {
        const float weight = wy[k];
        if (weight == 0.0f) continue;
        const std::uint8_t* in = source.constScanLine(firstRow + k);
        for (int i = 0; i < values; ++i) row[i] += weight * float(in[i]);
    }
    for (int x = 0; x < outputWidth; ++x) {
        const float* wx = &horizontal.weights[std::size_t(x) * horizontal.taps];
        const float* in = row + std::size_t(horizontal.first[x]) * 4;
        float sum[4] = {0.5f, 0.5f, 0.5f, 0.5f};  // rounds on truncation
        for (int k = 0; k < horizontal.taps; ++k) {
            for (int ch = 0; ch < 4; ++ch) sum[ch] += wx[k] * in[k * 4 + ch];
        }
        std::uint8_t* px = out + x * 4;
        for (int ch = 0; ch < 4; ++ch) px[ch] = std::uint8_t(std::clamp(sum[ch], 0.0f, 255.0f));
        if (premultiplied) {
            // The kernel's negative lobes can push a colour above its alpha.
            const int alphaAt = source.format() == QImage::Format_ARGB32_Premultiplied
                                    ? (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 3 : 0)
                                    : 3;
            for (int ch = 0; ch < 4; ++ch) px[ch] = std::min(px[ch], px[alphaAt]);
        }
    }
}

// Threads that help with the rows of one picture when they have nothing else to do.
QThreadPool& helperPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        p->setExpiryTimeout(2000);
        return p;
    }();
    return *pool;
}

// Runs `work(band)` for bands 0..count-1 on the calling thread and on idle helpers. A band is
// claimed before it runs, so the caller only ever waits for bands that are being worked on.
void runBands(int count, const std::function<void(int)>& work) {
    struct Shared {
        std::atomic<int> next{0};
        int done = 0;
        std::mutex mutex;
        std::condition_variable finished;
    };
    auto shared = std::make_shared<Shared>();
    auto runClaimed = [shared, count](const std::function<void(int)>& body) {
        for (int band; (band = shared->next.fetch_add(1)) < count;) {
            body(band);
            std::lock_guard lock(shared->mutex);
            if (++shared->done == count) shared->finished.notify_all();
        }
    };
    for (int i = 1; i < std::min(count, helperPool().maxThreadCount() + 1); ++i) {
        // The helper copies `work`: it may start after this call has returned and find
        // nothing left to claim.
        if (!helperPool().tryStart([runClaimed, work] { runClaimed(work); })) break;
    }
    runClaimed(work);
    std::unique_lock lock(shared->mutex);
    shared->finished.wait(lock, [&] { return shared->done == count; });
}

}  // namespace

QImage flattenOnto(const QImage& source, unsigned background) {
    if (!source.hasAlphaChannel()) return source.convertToFormat(QImage::Format_RGBX8888);
    QImage flat(source.size(), QImage::Format_RGBX8888);
    if (flat.isNull()) return flat;
    flat.setDotsPerMeterX(source.dotsPerMeterX());
    flat.setDotsPerMeterY(source.dotsPerMeterY());
    flat.fill(QColor::fromRgb(QRgb(background | 0xFF000000u)));
    QPainter painter(&flat);
    painter.drawImage(0, 0, source);
    return flat;
}

QImage resampleImage(const QImage& input, QSize size) {
    if (input.isNull() || size.isEmpty()) return {};
    QImage source = input;
    if (source.depth() != 32) {
        source = source.convertToFormat(source.hasAlphaChannel()
                                            ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGBX8888);
    } else if (source.format() == QImage::Format_ARGB32) {
        source = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else if (source.format() == QImage::Format_RGBA8888) {
        source = source.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    }
    if (source.isNull()) return {};
    QImage output(size, source.format());
    if (output.isNull()) return output;
    const bool premultiplied = source.format() == QImage::Format_ARGB32_Premultiplied ||
                               source.format() == QImage::Format_RGBA8888_Premultiplied;
    const Coefficients vertical = computeCoefficients(source.height(), size.height());
    const Coefficients horizontal = computeCoefficients(source.width(), size.width());

    constexpr int kRowsPerBand = 16;
    const int bands = (size.height() + kRowsPerBand - 1) / kRowsPerBand;
    runBands(bands, [&](int band) {
        std::vector<float> row(std::size_t(source.width()) * 4);
        const int end = std::min(size.height(), (band + 1) * kRowsPerBand);
        for (int y = band * kRowsPerBand; y < end; ++y)
            filterRow(source, vertical, horizontal, y, row.data(), output.scanLine(y),
                      size.width(), premultiplied);
    });
    return output;
}

}  // namespace pixmill
