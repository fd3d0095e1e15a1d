#include "engine/jpegmeta/exif_engine_pass.h"

#include <cstdio>
#include <string>

#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::jpegmeta {
namespace {

constexpr std::uint32_t kMaxComponents = 65536;
// A next-directory link this far past the block end is reported; closer ones, which some
// writers leave, are quietly not followed.
constexpr std::uint64_t kLinkSlack = 20;

std::string formatted(const char* format, unsigned a, unsigned b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

class EnginePassVisitor : public TiffVisitor {
  public:
    EnginePassVisitor(const ByteOrderReader& block, JpegFileInfo& info, JpegEngine& engine)
        : block_(block), info_(info), engine_(engine) {}

    void entry(const TiffDirectory& directory, const TiffEntry& entry, TiffFault fault) override;
    void fault(const TiffDirectory& directory, TiffDirectoryFault fault,
               std::uint64_t value) override;

  private:
    double number(const TiffEntry& entry) {
        if (entry.format == 0) {
            engine_.warning(formatted("Illegal format code %d in Exif header", 0));
            return 0.0;
        }
        return tiffNumber(block_, entry, true);
    }

    const ByteOrderReader& block_;
    JpegFileInfo& info_;
    JpegEngine& engine_;
};

void EnginePassVisitor::entry(const TiffDirectory& directory, const TiffEntry& entry,
                              TiffFault fault) {
    switch (fault) {
        case TiffFault::BadFormat:
            engine_.warning(formatted("Illegal number format %d for tag %04x in Exif",
                                      static_cast<unsigned>(entry.format), entry.tag));
            return;
        case TiffFault::TooManyComponents:
            engine_.warning(formatted("Too many components %d for tag %04x in Exif",
                                      entry.components, entry.tag));
            return;
        case TiffFault::BadValuePointer:
            engine_.warning(formatted("Illegal value pointer for tag %04x in Exif", entry.tag));
            return;
        case TiffFault::None:
            break;
    }
    // The resolution that matters is the main image's, in the first directory.
    const bool main = directory.nesting == 0;
    switch (entry.tag) {
        case kTagXResolution:
            if (main)
                info_.xResolution = static_cast<float>(number(entry));
            break;
        case kTagYResolution:
            if (main)
                info_.yResolution = static_cast<float>(number(entry));
            break;
        case kTagResolutionUnit:
            if (main)
                info_.resolutionUnit = static_cast<int>(number(entry));
            break;
        case kTagGpsOffset:
            if (block_.u32(entry.value) >= block_.size())
                engine_.warning("Illegal GPS directory link in Exif");
            break;
        default:
            break;
    }
}

void EnginePassVisitor::fault(const TiffDirectory& directory, TiffDirectoryFault fault,
                              std::uint64_t value) {
    switch (fault) {
        case TiffDirectoryFault::TooDeep:
            engine_.warning("Maximum Exif directory nesting exceeded (corrupt Exif header)");
            break;
        case TiffDirectoryFault::BadSize:
            engine_.warning(
                formatted("Illegally sized Exif subdirectory (%d entries)", directory.entryCount));
            break;
        case TiffDirectoryFault::BadSubdirectory:
            engine_.warning("Illegal Exif or interop ofset directory link");
            break;
        case TiffDirectoryFault::BadNextLink:
            if (value > block_.size() + kLinkSlack)
                engine_.warning("Illegal subdirectory link in Exif header");
            break;
    }
}

}  // namespace

void exifEnginePass(Bytes section, JpegFileInfo& info, JpegEngine& engine) {
    TiffHeader header;
    switch (readExifHeader(section, header)) {
        case TiffHeaderFault::NotExif:
            engine.warning("Incorrect Exif header");
            return;
        case TiffHeaderFault::BadByteOrder:
            engine.warning("Invalid Exif alignment marker.");
            return;
        case TiffHeaderFault::BadMagic:
            engine.warning("Invalid Exif start (1)");
            return;
        case TiffHeaderFault::None:
            break;
    }
    const ByteOrderReader block(section.subspan(8), header.bigEndian);
    const std::uint64_t length = section.size();
    const std::uint64_t first = header.firstDirectory;
    if (first < 8 || first > 16) {
        if (first < 16 || length < 16 || first > length - 16) {
            engine.warning("invalid offset for first Exif IFD value");
            return;
        }
        engine.warning("Suspicious offset of first Exif IFD value");
    }
    info.xResolution = 0;
    info.yResolution = 0;
    EnginePassVisitor visitor(block, info, engine);
    walkTiff(block, first, visitor, {.maxComponents = kMaxComponents});
    if (info.xResolution == 0)
        info.xResolution = info.yResolution;
    if (info.yResolution == 0)
        info.yResolution = info.xResolution;
}

}  // namespace pixmill::jpegmeta
