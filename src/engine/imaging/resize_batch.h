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

// Sequential while EXIF is restored (the metadata step is kept to one item at a time), items
// on the pool otherwise. Refuses, item by item, an output folder that is the catalog's own.
BatchJob makeResizeJob(ResizeParams params);

}  // namespace pixmill
