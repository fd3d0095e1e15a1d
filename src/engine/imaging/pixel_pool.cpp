#include "engine/imaging/pixel_pool.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace pixmill {
namespace {

// Blocks above this size are not worth keeping idle (a picture that large is rare), and the
// idle blocks together stay below the second figure, whatever the number of cores.
constexpr std::size_t kLargestKept = std::size_t(128) << 20;
constexpr std::size_t kMostIdleBytes = std::size_t(256) << 20;

struct Block {
    void* memory = nullptr;
    std::size_t bytes = 0;
};

struct Pool {
    std::mutex mutex;
    std::vector<Block> idle;
    // One idle block per core: as many as pictures being worked on at once.
    const std::size_t keep = std::max(2u, std::thread::hardware_concurrency());
};

// Never destroyed: images released during the process's exit still find it.
Pool& pool() {
    static Pool* instance = new Pool;
    return *instance;
}

// An idle block of at least `bytes`; an empty block when none fits.
Block take(std::size_t bytes) {
    Pool& shared = pool();
    {
        std::lock_guard lock(shared.mutex);
        // The smallest idle block that fits, as long as it is not more than twice the need.
        auto best = shared.idle.end();
        for (auto it = shared.idle.begin(); it != shared.idle.end(); ++it) {
            if (it->bytes >= bytes && it->bytes / 2 <= bytes &&
                (best == shared.idle.end() || it->bytes < best->bytes))
                best = it;
        }
        if (best != shared.idle.end()) {
            Block found = *best;
            shared.idle.erase(best);
            return found;
        }
    }
    return Block{};
}

struct Owned {
    void* memory;
    std::size_t bytes;
};

void giveBack(void* info) {
    auto* owned = static_cast<Owned*>(info);
    Block block{owned->memory, owned->bytes};
    delete owned;
    if (block.bytes <= kLargestKept) {
        Pool& shared = pool();
        std::lock_guard lock(shared.mutex);
        std::size_t idleBytes = 0;
        for (const Block& kept : shared.idle)
            idleBytes += kept.bytes;
        if (shared.idle.size() < shared.keep) {
            if (idleBytes + block.bytes <= kMostIdleBytes) {
                shared.idle.push_back(block);
                return;
            }
        } else {
            // Full: the smallest idle block makes room, the larger one is likelier to fit.
            auto smallest =
                std::min_element(shared.idle.begin(), shared.idle.end(),
                                 [](const Block& a, const Block& b) { return a.bytes < b.bytes; });
            if (smallest->bytes < block.bytes &&
                idleBytes - smallest->bytes + block.bytes <= kMostIdleBytes)
                std::swap(*smallest, block);
        }
    }
    std::free(block.memory);
}

}  // namespace

QImage pooledImage(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0)
        return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (depth <= 0)
        return {};
    // Rows aligned to 32 bits, as QImage lays out its own.
    const std::size_t bytesPerLine = ((std::size_t(width) * depth + 31) / 32) * 4;
    const std::size_t bytes = bytesPerLine * std::size_t(height);
    if (bytesPerLine > std::size_t(INT32_MAX) || bytes / bytesPerLine != std::size_t(height))
        return {};
    Block block = take(bytes);
    if (!block.memory)
        block = Block{std::malloc(bytes), bytes};
    if (!block.memory)
        return {};
    void* memory = block.memory;
    const std::size_t capacity = block.bytes;
    auto* owned = new Owned{memory, capacity};
    return QImage(static_cast<uchar*>(memory), width, height, qsizetype(bytesPerLine), format,
                  giveBack, owned);
}

void releasePooledMemory() {
    std::vector<Block> idle;
    {
        std::lock_guard lock(pool().mutex);
        idle.swap(pool().idle);
    }
    for (const Block& block : idle)
        std::free(block.memory);
}

std::size_t pooledBlockCount() {
    std::lock_guard lock(pool().mutex);
    return pool().idle.size();
}

std::size_t pooledBytes() {
    std::lock_guard lock(pool().mutex);
    std::size_t total = 0;
    for (const Block& block : pool().idle)
        total += block.bytes;
    return total;
}

}  // namespace pixmill
