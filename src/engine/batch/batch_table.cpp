#include "engine/batch/batch_table.h"

#include "engine/imaging/rotate_flip_code.h"

namespace pixmill {
namespace {

using namespace command;
using enum MenuStart;

constexpr BatchMenuEntry kRenameMenu[] = {
    {kRename, "批量重命名", Panel, kRenamePanelId},
    {kUndoRename, "撤销上次重命名", Undo},
};
constexpr BatchMenuEntry kResizeMenu[] = {{kResize, "批量缩略图", Panel, kResizePanelId}};
constexpr BatchMenuEntry kWatermarkMenu[] = {
    {kImageWatermark, "批量添加水印", LayoutPanel, kImageWatermarkPanelId},
    {kTextWatermark, "批量添加文字", LayoutPanel, kTextWatermarkPanelId},
};
constexpr BatchMenuEntry kShiftTimeMenu[] = {
    {kShiftTime, "批量校正照片拍摄日期", Dialog, 0, nullptr, "shift-hours"}};
constexpr BatchMenuEntry kCropMenu[] = {{kCrop, "批量裁剪", Dialog}};
constexpr BatchMenuEntry kRotateMenu[] = {
    {kRotateRight, "批量向右旋转（顺时针旋转）", Direct, kRotate90, nullptr, "cw"},
    {kRotateLeft, "批量向左旋转（逆时针旋转）", Direct, kRotate270, nullptr, "ccw"},
    {kFlipHorizontal, "批量左右翻转", Direct, kFlipX, nullptr, "mirror-h"},
    {kFlipVertical, "批量上下翻转", Direct, kFlipY, nullptr, "mirror-v"},
};
constexpr BatchMenuEntry kAddCommentMenu[] = {
    {kAddComment, "批量添加照片备注", Dialog, 0, nullptr, "comment"}};
constexpr BatchMenuEntry kDeleteCommentMenu[] = {{kDeleteComment, "批量删除照片备注", Confirmed, 0,
                                                  "删除jpeg信息中的备注，确定删除吗？",
                                                  "delete-comment"}};
constexpr BatchMenuEntry kDeleteExifMenu[] = {
    {kDeleteExif, "批量删除照片Exif信息（保护照片拍摄参数信息）", Confirmed, 0,
     "确定要删除图片Exif信息？删除后将无法恢复", "delete-exif"}};
constexpr BatchMenuEntry kDeleteNonOriginalMenu[] = {
    {kDeleteNonOriginalExif, "批量删除非原始Exif信息（三方图片编辑软件残留信息）", Confirmed, 0,
     "删除非原始exif信息（例如Photoshop，美图秀秀之类编辑后修改的信息），确定删除吗？",
     "delete-nonoriginal"}};
constexpr BatchMenuEntry kPureJpegMenu[] = {
    {kPureJpeg, "批量精简照片（保留jpg最基本信息，可以减小图片提及）", Confirmed, 0,
     "删除所有jpeg文件非必须的信息，图片不会失真，确定删除吗？", "pure"}};

using enum BatchPattern;
using enum EndFolder;

// In menu order. Columns: kind, name, pattern, end folder, needs ticked rows, uses the output
// folder, repaints the catalog, command-line command, menu group, menu entries.
constexpr BatchKindInfo kTable[kBatchKindCount] = {
    {BatchKind::Rename, "rename", WholeBatch, CurrentFolder, false, false, true, "rename", 0,
     kRenameMenu},
    {BatchKind::Resize, "resize", PerItem, OutputDir, false, true, false, "resize", 0, kResizeMenu},
    {BatchKind::Watermark, "watermark", PerItem, OutputDir, false, true, false, "watermark", 0,
     kWatermarkMenu},
    {BatchKind::ShiftTime, "shift-time", PerItem, None, true, false, true, "meta", 1,
     kShiftTimeMenu},
    {BatchKind::Crop, "crop", Sequential, OutputDir, true, true, false, "crop", 2, kCropMenu},
    {BatchKind::RotateFlip, "rotate", PerItem, None, true, false, true, "rotate", 2, kRotateMenu},
    {BatchKind::AddComment, "comment", Sequential, None, true, false, false, "meta", 3,
     kAddCommentMenu},
    {BatchKind::DeleteComment, "delete-comment", Sequential, None, true, false, false, "meta", 3,
     kDeleteCommentMenu},
    {BatchKind::DeleteExif, "delete-exif", Sequential, None, true, false, false, "meta", 4,
     kDeleteExifMenu},
    {BatchKind::DeleteNonOriginal, "delete-nonoriginal", Sequential, None, true, false, false,
     "meta", 4, kDeleteNonOriginalMenu},
    {BatchKind::PureJpeg, "pure", Sequential, None, true, false, false, "meta", 4, kPureJpegMenu},
};

}  // namespace

std::span<const BatchKindInfo> batchTable() {
    return kTable;
}

const BatchKindInfo& batchKindInfo(BatchKind kind) {
    for (const BatchKindInfo& info : kTable) {
        if (info.kind == kind)
            return info;
    }
    return kTable[0];  // every kind has its entry (the table test checks it)
}

const BatchMenuEntry* batchMenuEntry(int id, const BatchKindInfo** owner) {
    for (const BatchKindInfo& info : kTable) {
        for (const BatchMenuEntry& entry : info.menu) {
            if (entry.id != id)
                continue;
            if (owner)
                *owner = &info;
            return &entry;
        }
    }
    return nullptr;
}

const char* itemStatusName(ItemStatus status) {
    switch (status) {
        case ItemStatus::Ok:
            return "ok";
        case ItemStatus::Unchanged:
            return "unchanged";
        case ItemStatus::Skipped:
            return "skipped";
        case ItemStatus::Failed:
            return "failed";
    }
    return "failed";
}

}  // namespace pixmill
