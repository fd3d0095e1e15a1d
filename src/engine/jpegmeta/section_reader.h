#pragma once
// The one reader of JPEG marker sections over bytes in memory. Every part of the program that
// looks at a JPEG's sections (the metadata engine, the photo information, the imaging look-ups
// and the metadata carry) steps through a file with it, so they agree on where each section
// starts and ends. It never reads outside the bytes it is given.
//
// Two marker searches exist, chosen per reader:
// - AnyBytes: any run of bytes up to a 0xFF followed by a byte that is not 0xFF; that byte is
//   the marker (the metadata engine's rule, which skips garbage between sections);
// - FillBytes: 0xFF fill bytes are counted and skipped; the first byte that is not 0xFF is the
//   marker, whether or not a 0xFF came before it (the photo information's rule). More than
//   `maxFill` fill bytes stop the reader.

#include <cstdint>

#include "engine/jpegmeta/byte_reader.h"

namespace pixmill::jpegmeta {

enum class MarkerSearch { AnyBytes, FillBytes };

struct SectionReaderOptions {
    MarkerSearch search = MarkerSearch::FillBytes;
    int maxFill = 1 << 30;  // FillBytes only
};

// One section as it lies in the bytes.
struct SectionSpan {
    int marker = 0;
    std::uint64_t offset = 0;  // of the two length bytes
    unsigned length = 0;       // as stored, counting the two length bytes
    int skipped = 0;           // bytes read before the marker byte (fill and garbage)
    Bytes data;                // `length` bytes from the length field on
};

enum class SectionStep {
    Section,      // `next` filled in a section
    NoMarker,     // the bytes end before a marker
    TooMuchFill,  // FillBytes: more than maxFill fill bytes
    BadLength,    // a length field below 2
    Truncated,    // the section passes the end of the bytes; neededBytes() says how far
};

class SectionReader {
  public:
    // Starts after SOI; `valid()` tells whether the bytes start with one.
    SectionReader(Bytes file, SectionReaderOptions options = {});
    bool valid() const { return valid_; }

    SectionStep next(SectionSpan& section);

    // Where the reader stands: after the last section read (after SOS, the scan data).
    std::uint64_t position() const { return position_; }
    std::uint64_t neededBytes() const { return needed_; }
    Bytes file() const { return file_; }

  private:
    int findMarker(int& skipped, SectionStep& failure);

    Bytes file_;
    SectionReaderOptions options_;
    std::uint64_t position_ = 2;
    std::uint64_t needed_ = 0;
    bool valid_ = false;
};

// True for the frame headers SOF0-3, 5-7, 9-11, 13-15 (not DHT, JPG or DAC).
bool isFrameMarker(int marker);

}  // namespace pixmill::jpegmeta
