#pragma once
// The engine's pass over an EXIF APP1 section: checks the TIFF structure, reports what is wrong
// as engine warnings (the rest of the file is still processed), and records the main image's
// resolution, which the writer needs to build a JFIF header once the EXIF section is gone.

#include "engine/jpegmeta/byte_reader.h"
#include "engine/jpegmeta/jpeg_sections.h"

namespace pixmill::jpegmeta {

// `section` is the APP1 data from its two length bytes on.
void exifEnginePass(Bytes section, JpegFileInfo& info, JpegEngine& engine);

// First component of a TIFF value as a number; 0 for text and undefined bytes. Rationals
// with a zero denominator give 0. `unsignedRationals`: code 5 divides unsigned numbers, as the
// engine pass reads it; otherwise both rational codes are read as signed.
double tiffNumber(const ByteOrderReader& block, std::uint64_t valueOffset, int format,
                  bool unsignedRationals);

}  // namespace pixmill::jpegmeta
