#pragma once
// The resize batch (kind 4): every ticked picture whose longer side exceeds the bound is
// scaled down to it and written as a quality-100 JPEG into the output folder under its own
// file name; pictures that already fit are copied byte for byte. Sources are never changed.

#include <QSize>

#include <string>

#include "engine/batch/batch_job.h"
#include "engine/catalog/catalog_item.h"
#include "engine/platform/file_ops.h"

namespace pixmill {

struct ResizeParams {
    int bound = 1600;         // the longest side allowed, in pixels
    bool restoreExif = true;  // give the outputs of EXIF photos the source's metadata
};

// A bound the user picks by name: the resize panel's common sizes in list order (the command
// line's --preset 0..4) and the marketplace sizes by setting value (--market 0..2).
struct SizePreset {
    int bound;
    const char* label;
};
inline constexpr SizePreset kCommonSizes[] = {
    {1600, "1600 像素（高清图，可做壁纸）"}, {800, "800 像素（文档网页用图）"},
    {640, "640 像素（文档网页用图）"},        {320, "320 像素（缩略图，小图）"},
    {160, "160 像素（缩略图，小图）"},
};
inline constexpr SizePreset kMarketSizes[] = {
    {500, "宝贝描述(宽500像素约100KB)"},
    {250, "宝贝描述小图(宽250像素约50KB)"},
    {310, "宝贝图片(宽310像素约20KB)"},
};

// The size a width × height picture is scaled to: the longer side (the height for a square)
// becomes `bound`, the other bound × side ÷ longer side, truncated. Either side may come out
// 0 (a bound of 0, an extremely elongated picture).
QSize resizedSize(int width, int height, int bound);

// Works one item, deciding with the width and height the catalog recorded (0 × 0 for PNG and
// BMP, which are therefore always copied). A resized item shows "已缩小第 %d 张图片：%s".
// An output that would replace the source itself, a source that cannot be read or decoded, a
// size of 0 and a failed write are failures: nothing is written for them.
ItemOutcome resizeItem(const CatalogItem& item, const ResizeParams& params,
                       const std::string& outputDir, FileOps& ops = systemFileOps());

// Items on the pool, with or without restoring EXIF (the carry keeps no state between items).
// Refuses, item by item, an output folder that is the catalog's own.
BatchJob makeResizeJob(ResizeParams params);

}  // namespace pixmill
