// PhotoInfoReader::parse over arbitrary bytes: every location it reports lies inside them.
#include <cstdint>
#include <cstdlib>

#include "engine/jpegmeta/photo_info.h"
#include "engine/platform/diagnostics.h"

using namespace pixmill::jpegmeta;

namespace {
void discard(pixmill::diag::Stream, std::string_view, void*) {}

void checkInside(const std::optional<ValueLocation>& where, std::size_t size) {
    if (where && where->offset > size)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixmill::diag::setCapture(&discard, nullptr);
    PhotoInfo info;
    PhotoInfoReader reader(&info);
    (void)reader.parse(Bytes(data, size));
    if (info.thumbnailSize != 0 && !fitsInside(size, info.thumbnailOffset, info.thumbnailSize)) {
        std::abort();
    }
    checkInside(reader.makeValue(), size);
    checkInside(reader.modelValue(), size);
    checkInside(reader.dateValue(), size);
    if (reader.dateValue() && reader.dateValue()->components >= 19 &&
        !fitsInside(size, reader.dateValue()->offset, 19)) {
        std::abort();
    }
    for (const SectionRecord& section : reader.sections()) {
        if (!fitsInside(size, section.offset, section.length))
            std::abort();
    }
    return 0;
}
