#include "engine/imaging/resample.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pixmill {
namespace {

// Catmull-Rom (the cubic with B = 0, C = 0.5), support [-2, 2].
float catmullRom(float x) {
    x = std::fabs(x);
    if (x < 1.0f)
        return (1.5f * x - 2.5f) * x * x + 1.0f;
    if (x < 2.0f)
        return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
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
            if (at < 0 || at >= c.taps)
                continue;  // beyond a tiny source's reach
            w[at] += weight;
            sum += weight;
        }
        if (sum != 0.0f) {
            for (int k = 0; k < c.taps; ++k)
                w[k] /= sum;
        }
    }
    return c;
}

// The hot loops are built twice, for AVX2 and for the baseline, and picked at load time: the
// flat loops below then run eight floats at a time where the processor allows. Not under the
// thread sanitizer: its instrumented resolver would run before the sanitizer is set up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define PIXMILL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PIXMILL_VECTOR_CLONES
#endif

// row[i] = sum over the taps of weight × source row: `values` contiguous floats.
PIXMILL_VECTOR_CLONES
void verticalPass(const std::uint8_t* const* rows, const float* weights, int taps, int values,
                  float* __restrict row) {
    std::fill(row, row + values, 0.0f);
    for (int k = 0; k < taps; ++k) {
        const float weight = weights[k];
        if (weight == 0.0f)
            continue;
        const std::uint8_t* __restrict in = rows[k];
        for (int i = 0; i < values; ++i)
            row[i] += weight * float(in[i]);
    }
}

// Four channels a pixel: the tap loop accumulates one pixel in one vector register.
PIXMILL_VECTOR_CLONES
void horizontalPass(const float* __restrict row, const Coefficients& horizontal, int outputWidth,
                    std::uint8_t* __restrict out) {
    const int taps = horizontal.taps;
    for (int x = 0; x < outputWidth; ++x) {
        const float* wx = &horizontal.weights[std::size_t(x) * taps];
        const float* in = row + std::size_t(horizontal.first[x]) * 4;
        float sum[4] = {0.5f, 0.5f, 0.5f, 0.5f};  // rounds on truncation
        for (int k = 0; k < taps; ++k) {
            for (int ch = 0; ch < 4; ++ch)
                sum[ch] += wx[k] * in[k * 4 + ch];
        }
        for (int ch = 0; ch < 4; ++ch)
            out[x * 4 + ch] = std::uint8_t(std::clamp(sum[ch], 0.0f, 255.0f));
    }
}

// The kernel's negative lobes can push a premultiplied colour above its alpha.
void clampToAlpha(std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        std::uint8_t* px = out + x * 4;
        for (int ch = 0; ch < 3; ++ch)
            px[ch] = std::min(px[ch], px[3]);
    }
}

// One output row: the vertical pass into `row` (source width × 4 floats), then the
// horizontal pass into `out`. `rows` is scratch for the source rows of the taps.
void filterRow(const QImage& source, const Coefficients& vertical, const Coefficients& horizontal,
               int y, float* row, std::vector<const std::uint8_t*>& rows, std::uint8_t* out,
               int outputWidth, bool premultiplied) {
    rows.resize(vertical.taps);
    for (int k = 0; k < vertical.taps; ++k)
        rows[k] = source.constScanLine(vertical.first[y] + k);
    verticalPass(rows.data(), &vertical.weights[std::size_t(y) * vertical.taps], vertical.taps,
                 source.width() * 4, row);
    horizontalPass(row, horizontal, outputWidth, out);
    if (premultiplied)
        clampToAlpha(out, outputWidth);
}

// Threads that help with the rows of one picture when they have nothing else to do: one fewer
// than the cores, started on first use and kept for the life of the process (the object is
// never destroyed, so no thread outlives what it waits on).
class HelperThreads {
  public:
    static HelperThreads& instance() {
        static HelperThreads* helpers =
            new HelperThreads(std::max(1, int(std::thread::hardware_concurrency()) - 1));
        return *helpers;
    }
    int count() const { return count_; }
    // Hands `task` to an idle helper; false, doing nothing, when every helper is busy.
    bool tryRun(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        if (idle_ <= int(tasks_.size()))
            return false;
        tasks_.push_back(std::move(task));
        wake_.notify_one();
        return true;
    }

  private:
    explicit HelperThreads(int count) : count_(count) {
        for (int i = 0; i < count; ++i)
            std::thread([this] { serve(); }).detach();
    }
    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return !tasks_.empty(); });
            --idle_;
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    const int count_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    int idle_ = 0;
};

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
            if (++shared->done == count)
                shared->finished.notify_all();
        }
    };
    HelperThreads& helpers = HelperThreads::instance();
    for (int i = 1; i < std::min(count, helpers.count() + 1); ++i) {
        // The helper copies `work`: it may start after this call has returned and find
        // nothing left to claim.
        if (!helpers.tryRun([runClaimed, work] { runClaimed(work); }))
            break;
    }
    runClaimed(work);
    std::unique_lock lock(shared->mutex);
    shared->finished.wait(lock, [&] { return shared->done == count; });
}

}  // namespace

QImage flattenOnto(const QImage& source, unsigned background) {
    if (!source.hasAlphaChannel())
        return source.convertToFormat(QImage::Format_RGBX8888);
    QImage flat(source.size(), QImage::Format_RGBX8888);
    if (flat.isNull())
        return flat;
    flat.setDotsPerMeterX(source.dotsPerMeterX());
    flat.setDotsPerMeterY(source.dotsPerMeterY());
    flat.fill(QColor::fromRgb(QRgb(background | 0xFF000000u)));
    QPainter painter(&flat);
    painter.drawImage(0, 0, source);
    return flat;
}

QImage resampleImage(const QImage& input, QSize size) {
    if (input.isNull() || size.isEmpty())
        return {};
    // Alpha is filtered premultiplied (a transparent pixel must not lend its colour to its
    // neighbours), in a byte order that puts it last on every platform.
    QImage source = input;
    if (source.hasAlphaChannel()) {
        source = source.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    } else if (source.depth() != 32) {
        source = source.convertToFormat(QImage::Format_RGBX8888);
    }
    if (source.isNull())
        return {};
    QImage output(size, source.format());
    if (output.isNull())
        return output;
    const bool premultiplied = source.hasAlphaChannel();
    const Coefficients vertical = computeCoefficients(source.height(), size.height());
    const Coefficients horizontal = computeCoefficients(source.width(), size.width());

    constexpr int kRowsPerBand = 16;
    const int bands = (size.height() + kRowsPerBand - 1) / kRowsPerBand;
    runBands(bands, [&](int band) {
        std::vector<float> row(std::size_t(source.width()) * 4);
        std::vector<const std::uint8_t*> rows;
        const int end = std::min(size.height(), (band + 1) * kRowsPerBand);
        for (int y = band * kRowsPerBand; y < end; ++y)
            filterRow(source, vertical, horizontal, y, row.data(), rows, output.scanLine(y),
                      size.width(), premultiplied);
    });
    return output;
}

}  // namespace pixmill
