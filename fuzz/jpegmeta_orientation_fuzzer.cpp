// The orientation look-ups and the upright edit over arbitrary bytes: the Orientation read is
// always 1..8, the image end lies inside the bytes, and an edited file keeps its size but for
// the EXIF section, reads Orientation 1 and keeps every byte after its image; a thumbnail
// written into it is the one read back, and changes nothing else of what was checked.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/jpegmeta/exif_orientation.h"
#include "engine/jpegmeta/exif_thumbnail_writer.h"
#include "engine/jpegmeta/image_metadata.h"

using namespace pixmill::jpegmeta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes input(data, size);
    const std::uint8_t selector = size > 0 ? data[size - 1] : 0;

    const int orientation = readOrientation(input);
    if (orientation < 1 || orientation > 8)
        std::abort();
    const std::optional<std::size_t> end = imageDataEnd(input);
    if (end && *end > size)
        std::abort();
    if (size > 2) {
        std::vector<std::uint8_t> payload = uprightExifPayload(
            input.subspan(2),
            {.width = selector, .height = 7, .dropThumbnail = (selector & 1) != 0});
        if (payload.size() > size - 2)
            std::abort();
    }

    const UprightExif edit{.width = 640, .height = 480, .dropThumbnail = (selector & 2) != 0};
    if (std::optional<std::vector<std::uint8_t>> upright = withUprightExif(input, edit)) {
        if (readOrientation(*upright) != 1)
            std::abort();
        if (end) {
            const std::size_t tail = size - *end;
            if (upright->size() < tail ||
                std::memcmp(upright->data() + upright->size() - tail, data + *end, tail) != 0)
                std::abort();
        }
        static const std::uint8_t kThumbnail[] = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
        if (auto with = withExifThumbnail(*upright, kThumbnail)) {
            const Bytes found = exifThumbnail(*with);
            if (found.size() != sizeof kThumbnail ||
                std::memcmp(found.data(), kThumbnail, sizeof kThumbnail) != 0 ||
                readOrientation(*with) != 1 || with->size() <= upright->size())
                std::abort();
        }
    }
    return 0;
}
