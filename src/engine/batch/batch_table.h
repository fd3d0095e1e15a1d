#pragma once
// The eleven batch operations as every front end sees them: the name the CLI and the logs use,
// where the results end up, and which starters demand ticked rows. The parameter record and
// per-item routine of each live in its subsystem (make...Job); the driver reads this table for
// everything else.

#include <string>

#include "engine/batch/batch_kind.h"

namespace pixmill {

enum class EndFolder { None, CurrentFolder, OutputDir };

struct BatchKindInfo {
    BatchKind kind;
    const char* name;
    EndFolder endFolder;
    // Started from the batch-operations menu, which refuses when nothing is ticked.
    bool needsTickedRows;
    // Rewrites catalog records, written back when the batch ends (rename: names and numbers;
    // shift time: the date; rotate: the swapped width and height).
    bool repaintsCatalog;
};

const BatchKindInfo& batchKindInfo(BatchKind kind);

inline constexpr const char* kNoImagesMessage = "尚未导入图片，请先添加图片!";
inline constexpr const char* kNothingTickedMessage = "请先勾选您要编辑的图片!";

}  // namespace pixmill
