#pragma once
// The batch operations and what a per-item routine reports back to the driver.

#include <string>

#include "engine/platform/result.h"

namespace pixmill {

enum class BatchKind : int {
    Rename = 0,
    Crop = 1,
    RotateFlip = 2,
    ShiftTime = 3,
    Resize = 4,
    Watermark = 5,
    DeleteExif = 6,
    DeleteNonOriginal = 7,
    DeleteComment = 8,
    AddComment = 9,
    PureJpeg = 10,
};
constexpr int kBatchKindCount = 11;

enum class ItemStatus {
    Ok,         // done
    Unchanged,  // nothing needed doing (no EXIF to delete, the same comment)
    Skipped,    // not processed by rule (a read-only file, not a JPEG for a metadata command)
    Failed,
};

struct ItemOutcome {
    ItemStatus status = ItemStatus::Ok;
    std::string output;   // the file written, when the operation writes one
    std::string message;  // why it was unchanged, skipped or failed; on an ok row, a note
                          // (colours converted without a profile)
};

// The outcome of an item whose work ended in `error`: the one place a failure becomes an
// outcome. An Error fails the item; a Warning skips it (left alone by rule). The message is the
// error's, for the results window, the CLI and the error log to write.
inline ItemOutcome outcomeOf(const Error& error) {
    return {error.severity == Severity::Warning ? ItemStatus::Skipped : ItemStatus::Failed,
            {},
            error.message};
}

const char* itemStatusName(ItemStatus status);  // "ok", "unchanged", "skipped", "failed"

}  // namespace pixmill
