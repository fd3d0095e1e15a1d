#pragma once
// The one walker of TIFF directories (the structure inside an EXIF APP1 section). The engine
// pass, the photo information, the density and thumbnail look-ups and the thumbnail removal all
// walk through it: one entry decoder, one format-size table, one guard against loops and deep
// nesting. What each user makes of an entry, and of a fault, is its own business.

#include <cstdint>
#include <set>

#include "engine/jpegmeta/byte_reader.h"

namespace pixmill::jpegmeta {

constexpr unsigned kTagXResolution = 0x011A;
constexpr unsigned kTagYResolution = 0x011B;
constexpr unsigned kTagResolutionUnit = 0x0128;
constexpr unsigned kTagThumbnailOffset = 0x0201;
constexpr unsigned kTagThumbnailLength = 0x0202;
constexpr unsigned kTagExifOffset = 0x8769;
constexpr unsigned kTagGpsOffset = 0x8825;
constexpr unsigned kTagInteropOffset = 0xA005;

// Directories deeper than this are not walked (IFD0 is level 0; a camera's deepest, the
// interoperability directory, is level 2).
constexpr int kMaxTiffNesting = 4;

struct TiffEntry {
    std::uint64_t at = 0;  // the 12-byte entry's offset in the block
    unsigned tag = 0;
    int format = 0;
    std::uint32_t components = 0;
    std::uint64_t value = 0;      // where the value lies: inside the entry or at its offset
    std::uint64_t byteCount = 0;  // components × format size
    bool outOfLine() const { return byteCount > 4; }
};

enum class TiffFault {
    None,
    BadFormat,          // a format code above 12
    TooManyComponents,  // more components than the walk allows
    BadValuePointer,    // an out-of-line value that passes the block end
};

// Decodes the entry at `at`. A faulty entry is still filled as far as it could be read.
TiffFault decodeTiffEntry(const ByteOrderReader& block, std::uint64_t at, TiffEntry& entry,
                          std::uint64_t maxComponents = UINT32_MAX);

// First component of an entry's value as a number; 0 for text, undefined bytes and format 0.
// Rationals with a zero denominator give 0. `unsignedRationals`: code 5 divides unsigned
// numbers; otherwise both rational codes are read as signed.
double tiffNumber(const ByteOrderReader& block, std::uint64_t valueOffset, int format,
                  bool unsignedRationals);
double tiffNumber(const ByteOrderReader& block, const TiffEntry& entry, bool unsignedRationals);

// How a directory was reached.
enum class TiffLink { First, Subdirectory, Next };

struct TiffDirectory {
    std::uint64_t offset = 0;
    int nesting = 0;
    TiffLink reachedBy = TiffLink::First;
    unsigned entryCount = 0;
    bool hasLink = true;  // a last directory may end at the block end without its link
    std::uint64_t linkAt = 0;
};

enum class TiffDirectoryFault {
    TooDeep,          // beyond kMaxTiffNesting
    BadSize,          // the entries (and link) pass the block end
    BadSubdirectory,  // an EXIF or interoperability link outside the block
    BadNextLink,      // a next-directory link outside the block
};

class TiffVisitor {
  public:
    virtual ~TiffVisitor() = default;
    // Before the entries; false skips the directory.
    virtual bool enter(const TiffDirectory&) { return true; }
    // Every entry in order, faulty ones included (`fault` says what is wrong; the walker goes
    // on with the next entry). Subdirectory links are followed after this returns.
    virtual void entry(const TiffDirectory& directory, const TiffEntry& entry, TiffFault fault) = 0;
    // After the entries and everything reached from them.
    virtual void leave(const TiffDirectory&) {}
    virtual void fault(const TiffDirectory&, TiffDirectoryFault, std::uint64_t /*value*/) {}
};

struct TiffWalkOptions {
    std::uint64_t maxComponents = UINT32_MAX;
    bool followGps = false;  // walk the GPS directory as a subdirectory too
};

// Walks the directory at `first` and everything linked from it, each directory at most once.
void walkTiff(const ByteOrderReader& block, std::uint64_t first, TiffVisitor& visitor,
              TiffWalkOptions options = {});

// A TIFF block's header: byte order, the magic 42 and the first directory's offset.
struct TiffHeader {
    bool bigEndian = false;
    std::uint32_t firstDirectory = 0;
};
enum class TiffHeaderFault { None, NotExif, BadByteOrder, BadMagic };
// `tiff` is the TIFF block itself.
TiffHeaderFault readTiffHeader(Bytes tiff, TiffHeader& header);
// `section` is an APP1 section's data from its two length bytes on; the block is what follows
// "Exif\0\0" (section offset 8 on).
TiffHeaderFault readExifHeader(Bytes section, TiffHeader& header);

}  // namespace pixmill::jpegmeta
