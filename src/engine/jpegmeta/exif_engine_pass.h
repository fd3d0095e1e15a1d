#pragma once
// The engine's pass over an EXIF APP1 section: checks the TIFF structure, reports what is wrong
// as engine warnings (the rest of the file is still processed), and records the main image's
// resolution, which the writer needs to build a JFIF header once the EXIF section is gone.

#include "engine/jpegmeta/byte_reader.h"
#include "engine/jpegmeta/jpeg_sections.h"

namespace pixmill::jpegmeta {

// `section` is the APP1 data from its two length bytes on.
void exifEnginePass(Bytes section, JpegFileInfo& info, JpegEngine& engine);

}  // namespace pixmill::jpegmeta
