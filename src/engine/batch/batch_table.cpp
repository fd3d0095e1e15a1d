#include "engine/batch/batch_table.h"

namespace pixmill {
namespace {

constexpr BatchKindInfo kTable[kBatchKindCount] = {
    {BatchKind::Rename, "rename", EndFolder::CurrentFolder, false, true},
    {BatchKind::Crop, "crop", EndFolder::OutputDir, true, false},
    {BatchKind::RotateFlip, "rotate", EndFolder::None, true, true},
    {BatchKind::ShiftTime, "shift-time", EndFolder::None, true, true},
    {BatchKind::Resize, "resize", EndFolder::OutputDir, false, false},
    {BatchKind::Watermark, "watermark", EndFolder::OutputDir, false, false},
    {BatchKind::DeleteExif, "delete-exif", EndFolder::None, true, false},
    {BatchKind::DeleteNonOriginal, "delete-nonoriginal", EndFolder::None, true, false},
    {BatchKind::DeleteComment, "delete-comment", EndFolder::None, true, false},
    {BatchKind::AddComment, "comment", EndFolder::None, true, false},
    {BatchKind::PureJpeg, "pure", EndFolder::None, true, false},
};

}  // namespace

const BatchKindInfo& batchKindInfo(BatchKind kind) {
    return kTable[static_cast<int>(kind)];
}

const char* itemStatusName(ItemStatus status) {
    switch (status) {
        case ItemStatus::Ok: return "ok";
        case ItemStatus::Unchanged: return "unchanged";
        case ItemStatus::Skipped: return "skipped";
        case ItemStatus::Failed: return "failed";
    }
    return "failed";
}

}  // namespace pixmill
