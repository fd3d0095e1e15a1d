#pragma once
// One budget for decoded pixels, shared by every worker of the process, so that memory stays
// bounded whatever the number of cores and whatever a file claims in its header.
//
// Size: a quarter of the machine's physical memory, at most 1 GiB (at least 64 MiB); the
// environment variable PIXMILL_PIXEL_BUDGET_MB sets it instead (tests, small machines). A
// decode takes its share before any pixel memory is allocated and waits while other workers
// hold the rest; a decode that needs more than the whole budget is refused at once.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include <QSize>

#include "engine/platform/result.h"

namespace pixmill {

class PixelBudget {
  public:
    explicit PixelBudget(std::size_t totalBytes) : total_(totalBytes) {}

    // The budget every decode of this process draws from.
    static PixelBudget& shared();

    std::size_t total() const { return total_; }
    std::size_t inUse() const;

    // Holds `bytes` of the budget until it is destroyed (or the last copy of it is).
    using Share = std::shared_ptr<const void>;
    // Waits until `bytes` are free and takes them; an empty Share (without waiting) when
    // `bytes` exceed what the lasting shares leave of the budget, also when that becomes so
    // while it waits.
    Share acquire(std::size_t bytes);
    // For pixels kept as long as a batch or a window needs them (a watermark's layer pictures):
    // waits like acquire, but is refused (an empty Share) when the lasting shares together
    // would exceed the whole budget. What lasting shares hold is out of reach of every other
    // share until they go, so no decode waits for them.
    Share acquireLasting(std::size_t bytes);
    std::size_t lastingInUse() const;

  private:
    Share take(std::size_t bytes, bool lasting);
    void release(std::size_t bytes, bool lasting);

    const std::size_t total_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t used_ = 0;     // every share, the lasting ones included
    std::size_t lasting_ = 0;  // the lasting shares
};

// The size described above, in bytes.
std::size_t defaultPixelBudgetBytes();

// Takes from `budget` what decoding `file` (of `format`, reduced towards `wanted` where a JPEG
// allows) holds at its peak: the pixels it produces twice over (every operation makes one
// working copy of the size: a turned, scaled or stamped picture) and, for a progressive JPEG,
// every coefficient of the source. Returns the share, or, taking nothing, an Error that says why
// the picture is refused: it needs more than the whole budget, or its header claims far more
// pixels than a file of its size can describe. A header that cannot be read takes nothing (an
// empty share) and is left to the decoder to refuse.
Result<PixelBudget::Share> reserveDecode(std::span<const std::uint8_t> file, int format,
                                         QSize wanted, PixelBudget& budget = PixelBudget::shared());

}  // namespace pixmill
