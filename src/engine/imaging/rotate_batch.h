#pragma once
// The rotate/flip batch (kind 2): every ticked picture turned a quarter turn or mirrored, in
// place, the way it is shown: a JPEG's stored EXIF Orientation is composed with the user's
// turn. JPEGs are turned losslessly on their DCT coefficients, keeping every section and the
// bytes after the image; their EXIF then says Orientation 1, gives the new dimensions and
// leaves the embedded thumbnail out. When the size is not a whole number of blocks (or the
// library refuses the file) the picture is decoded and encoded again at quality 100 with its
// metadata carried, and the row's message says so. PNG and BMP files are written back
// losslessly in their own format. Read-only files (by their permission bits) are skipped.
// Every rewrite goes through the safe rewrite (safe_rewrite.h).

#include <QImage>

#include <functional>

#include "engine/batch/batch_job.h"
#include "engine/catalog/catalog_item.h"
#include "engine/imaging/rotate_flip_code.h"
#include "engine/platform/file_ops.h"

namespace pixmill {

// `image` turned or mirrored; a null image for any other code.
QImage rotateFlipImage(const QImage& image, int code);

// Works one item, shows "已旋转第 %d 张图片：%s" (number + 1, file name) whatever happened,
// and after a quarter turn swaps the item's recorded width and height. Two calls for the same
// file never overlap: the second waits for the first. A file that cannot be decoded is left
// as it was and reported as failed.
ItemOutcome rotateFlipItem(CatalogItem& item, int code, FileOps& ops = systemFileOps());

struct RotateFlipParams {
    int code = kRotate90;
    // Called after each rewritten file with the updated item (the catalog refreshes its
    // thumbnail). Optional; called on the pool's threads.
    std::function<void(const CatalogItem&)> onRotated;
};

// Items concurrently on the pool.
BatchJob makeRotateFlipJob(RotateFlipParams params);

}  // namespace pixmill
