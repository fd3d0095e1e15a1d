// Section reader, every edit of the metadata commands, the writer, and the in-memory services
// for the imaging operations (look-ups, thumbnail removal, metadata carry), over arbitrary
// bytes. A rewritten or carried stream must load again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/platform/diagnostics.h"

using namespace pixmill::jpegmeta;

namespace {

void discard(pixmill::diag::Stream, std::string_view, void*) {}

JpegCommandOptions optionsFrom(std::uint8_t selector) {
    JpegCommandOptions options;
    options.removeComment = selector & 1;
    options.removeExif = selector & 2;
    options.removeIptc = selector & 4;
    options.removeXmp = selector & 8;
    options.removeNonEssential = selector & 16;
    if (selector & 32)
        options.commentText = std::string(selector & 64 ? 2100 : 5, 'c');
    return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixmill::diag::setCapture(&discard, nullptr);
    const Bytes input(data, size);
    const std::uint8_t selector = size > 0 ? data[size - 1] : 0;

    JpegEngine engine;
    engine.suppressWarnings = true;
    if (engine.loadJpegBytes(input, kLoadMeta | kLoadScan)) {
        if (applyEdits(engine, optionsFrom(selector))) {
            pixmill::Result<std::vector<std::uint8_t>> out = engine.saveJpeg();
            if (!out)
                std::abort();
            JpegEngine again;
            again.suppressWarnings = true;
            if (!again.loadJpegBytes(*out, kLoadMeta | kLoadScan))
                std::abort();
        }
    }

    // The segment splicing that resize and rotation give a freshly encoded picture.
    if (input.size() > 2)
        withoutExifThumbnail(input.subspan(2));
    // A carried picture is a JPEG that loads again.
    if (auto carried =
            carryMetadata(input, input, {.removeExifThumbnail = (selector & 128) != 0})) {
        JpegEngine again;
        again.suppressWarnings = true;
        if (!again.loadJpegBytes(*carried, kLoadMeta | kLoadScan))
            std::abort();
    }
    readJpegDensity(input);
    exifThumbnail(input);
    hasAdobeSection(input);
    isProgressiveJpeg(input);
    return 0;
}
