// Feeds arbitrary bytes to the watermark layout reader. Whatever it accepts must write back
// into a file that reads as the same layout.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "engine/watermark/layout_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto layout = pixmill::readLayoutArchive(std::span(data, size));
    if (!layout)
        return 0;
    std::vector<std::uint8_t> written = pixmill::writeLayoutArchive(*layout);
    auto again = pixmill::readLayoutArchive(written);
    if (!again || again->layers.size() != layout->layers.size() ||
        again->header.stamp != layout->header.stamp)
        std::abort();
    for (std::size_t i = 0; i < layout->layers.size(); ++i) {
        const auto& a = layout->layers[i];
        const auto& b = again->layers[i];
        if (a.text != b.text || a.imagePath != b.imagePath || a.fontName != b.fontName ||
            !(a.rect == b.rect) || a.fontSize != b.fontSize)
            std::abort();
    }
    return 0;
}
