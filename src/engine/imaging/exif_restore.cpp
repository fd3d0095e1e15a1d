#include "engine/imaging/exif_restore.h"

#include "engine/imaging/image_io.h"
#include "engine/platform/safe_rewrite.h"

namespace pixmill {

std::optional<Bytes> restoreExifInto(ByteSpan source, ByteSpan encoded) {
    return carryMetadataSections(source, encoded);
}

Result restoreExifInto(const std::string& sourcePath, const std::string& targetPath, FileOps& ops) {
    Bytes source, target;
    if (!readFileBytes(sourcePath, source))
        return Result::error(1, "cannot read " + sourcePath);
    if (!readFileBytes(targetPath, target))
        return Result::error(1, "cannot read " + targetPath);
    std::optional<Bytes> combined = restoreExifInto(source, target);
    if (!combined)
        return Result::error(2, "not a JPEG: " + sourcePath, Severity::Warning);
    return rewriteFileSafely(targetPath, *combined, true, ops);
}

}  // namespace pixmill
