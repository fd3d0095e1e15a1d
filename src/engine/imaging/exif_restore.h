#pragma once
// Giving a freshly encoded JPEG the metadata of the picture it was made from: the EXIF and XMP
// sections (APP1), an RGB ICC profile (APP2), IPTC (APP13) and comments, copied section by
// section without touching the new file's image data.

#include <optional>
#include <string>

#include "engine/imaging/jpeg_segments.h"
#include "engine/platform/file_ops.h"
#include "engine/platform/result.h"

namespace pixmill {

// `encoded` with the sections of `source`; nothing when either cannot be parsed as a JPEG.
std::optional<Bytes> restoreExifInto(ByteSpan source, ByteSpan encoded);

// The same on files: rewrites `targetPath` in place (safely, see safe_rewrite.h). A source
// that is not a JPEG leaves the target as it was and is reported.
Result restoreExifInto(const std::string& sourcePath, const std::string& targetPath,
                       FileOps& ops = systemFileOps());

}  // namespace pixmill
