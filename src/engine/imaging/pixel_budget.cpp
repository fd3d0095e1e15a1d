#include "engine/imaging/pixel_budget.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"

namespace pixmill {

std::size_t defaultPixelBudgetBytes() {
    constexpr std::size_t kMiB = std::size_t(1) << 20;
    if (const char* text = std::getenv("PIXMILL_PIXEL_BUDGET_MB")) {
        const long megabytes = std::atol(text);
        if (megabytes > 0)
            return std::size_t(megabytes) * kMiB;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    const std::size_t physical =
        pages > 0 && pageSize > 0 ? std::size_t(pages) * std::size_t(pageSize) : 4096 * kMiB;
    return std::clamp(physical / 4, 64 * kMiB, 1024 * kMiB);
}

PixelBudget& PixelBudget::shared() {
    static PixelBudget budget(defaultPixelBudgetBytes());
    return budget;
}

std::size_t PixelBudget::inUse() const {
    std::lock_guard lock(mutex_);
    return used_;
}

std::size_t PixelBudget::lastingInUse() const {
    std::lock_guard lock(mutex_);
    return lasting_;
}

PixelBudget::Share PixelBudget::acquire(std::size_t bytes) {
    return take(bytes, false);
}

PixelBudget::Share PixelBudget::acquireLasting(std::size_t bytes) {
    return take(bytes, true);
}

PixelBudget::Share PixelBudget::take(std::size_t bytes, bool lasting) {
    {
        std::unique_lock lock(mutex_);
        // A share the lasting ones leave no room for would wait for ever.
        const auto beyondReach = [&] { return bytes > total_ - lasting_; };
        freed_.wait(lock, [&] { return beyondReach() || total_ - used_ >= bytes; });
        if (beyondReach())
            return {};
        used_ += bytes;
        if (lasting)
            lasting_ += bytes;
    }
    if (lasting)
        freed_.notify_all();  // waiters that no longer fit give up
    // The share's deleter gives the bytes back; the pointer itself is never read.
    return Share(this, [bytes, lasting](const void* budget) {
        const_cast<PixelBudget*>(static_cast<const PixelBudget*>(budget))->release(bytes, lasting);
    });
}

void PixelBudget::release(std::size_t bytes, bool lasting) {
    {
        std::lock_guard lock(mutex_);
        used_ -= bytes;
        if (lasting)
            lasting_ -= bytes;
    }
    freed_.notify_all();
}

namespace {

// The most pixels one byte of any file we read can describe: a JPEG spends at least a bit on
// every 8 × 8 block, a PNG's deflate stream packs at most 1032 bytes into one.
constexpr double kMaxPixelsPerFileByte = 4096;
constexpr double kLargePicture = 16e6;  // pixels below which no file is suspicious

std::string sizeText(QSize size) {
    return std::to_string(size.width()) + " × " + std::to_string(size.height());
}

}  // namespace

Result<PixelBudget::Share> reserveDecode(std::span<const std::uint8_t> file, int format,
                                         QSize wanted, PixelBudget& budget) {
    QSize claimed;
    bool progressive = false;
    if (format == int(ImageFileFormat::Jpeg)) {
        const std::optional<JpegHeader> header = readJpegHeader(file);
        if (!header)
            return PixelBudget::Share();
        claimed = QSize(header->width, header->height);
        progressive = header->progressive;
    } else if (format == int(ImageFileFormat::Png) || format == int(ImageFileFormat::Bmp) ||
               isInputOnlyFormat(ImageFileFormat(format))) {
        claimed = imageFileSize(file);
    }
    if (claimed.isEmpty())
        return PixelBudget::Share();
    const double pixels = double(claimed.width()) * claimed.height();
    if (pixels > kLargePicture && pixels > kMaxPixelsPerFileByte * double(file.size())) {
        return makeError("图片文件已损坏：声明 " + sizeText(claimed) + " 像素，文件却只有 " +
                         std::to_string(file.size()) + " 字节");
    }
    int denominator = 1;
    if (format == int(ImageFileFormat::Jpeg))
        denominator = jpegScaleDenominator(claimed.width(), claimed.height(), wanted);
    const double produced = std::ceil(double(claimed.width()) / denominator) *
                            std::ceil(double(claimed.height()) / denominator);
    // Four bytes a pixel, twice; a progressive source's coefficients at two bytes each, for up
    // to three full-size components; a HEIF's decoded planes (up to 16 bits a sample, chroma
    // at full size at worst) while libheif turns them into RGB.
    const bool heif = format == int(ImageFileFormat::Heif);
    const double needed =
        produced * 4 * 2 + (progressive ? pixels * 2 * 3 : 0) + (heif ? pixels * 2 * 3 : 0);
    if (needed > double(budget.total())) {
        return makeError("图片太大，无法处理：" + sizeText(claimed) + " 像素需要 " +
                         std::to_string(std::llround(needed / (1 << 20))) + " MiB 内存，上限 " +
                         std::to_string(budget.total() >> 20) + " MiB");
    }
    PixelBudget::Share share = budget.acquire(std::size_t(needed));
    if (!share) {
        // The lasting shares (a watermark's layer pictures) leave too little of the budget.
        return makeError("图片太大，无法处理：" + sizeText(claimed) + " 像素需要 " +
                         std::to_string(std::llround(needed / (1 << 20))) + " MiB 内存，上限 " +
                         std::to_string(budget.total() >> 20) + " MiB 中已有 " +
                         std::to_string(budget.lastingInUse() >> 20) + " MiB 被水印图片占用");
    }
    return share;
}

}  // namespace pixmill
