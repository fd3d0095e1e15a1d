#pragma once
// The resize batch (kind 4): every ticked picture whose longer side exceeds the bound is
// scaled down to it and written into the output folder under its own file name, in the format,
// quality and size the output options ask for (a changed format changes the extension);
// pictures that already fit, in their own format and size, are copied byte for byte. With a
// square canvas every picture is centred on a bound × bound canvas. Sources are never changed.

#include <QSize>

#include <string>

#include "engine/batch/batch_job.h"
#include "engine/catalog/catalog_item.h"
#include "engine/imaging/batch_output.h"
#include "engine/imaging/output_format.h"
#include "engine/imaging/size_presets.h"
#include "engine/platform/file_ops.h"

namespace pixmill {

struct ResizeParams {
    int bound = 1600;         // the longest side allowed, in pixels
    bool restoreExif = true;  // give the outputs of EXIF photos the source's metadata
    // Centre every picture (scaled down to fit, never up) on a bound × bound canvas.
    bool square = false;
    unsigned canvasColor = 0xFFFFFF;  // 0xRRGGBB
    OutputOptions output = {};
};

// The size a width × height picture is scaled to: the longer side (the height for a square)
// becomes `bound`, the other bound × side ÷ longer side, truncated. Either side may come out
// 0 (a bound of 0, an extremely elongated picture).
QSize resizedSize(int width, int height, int bound);

// Works one item, deciding with the width and height the catalog recorded (the file's own when
// the catalog has none). A resized item shows "已缩小第 %d 张图片：%s". An output that would
// replace the source itself, a source that cannot be read or decoded, a size of 0 and a failed
// write are failures: nothing is written for them. An output that cannot reach the target size
// is written at the lowest quality and is ok, with the reason in its message.
// The output is named by `namer` (without one: outputDir + its output file name).
ItemOutcome resizeItem(const CatalogItem& item, const ResizeParams& params,
                       const std::string& outputDir, FileOps& ops = systemFileOps(),
                       const OutputNamer& namer = {});

// Items on the pool, with or without restoring EXIF (the carry keeps no state between items).
// Refuses, item by item, an output folder that is the catalog's own.
BatchJob makeResizeJob(ResizeParams params);

}  // namespace pixmill
