#pragma once
// The watermark batch (kind 5): every worked row is stamped with the layout of one layout file
// and written into the output folder under its own file name, in the format, quality and size
// the output options ask for (keep: PNG and BMP stay themselves, anything else becomes JPEG).

#include <functional>
#include <string>

#include "engine/batch/batch_job.h"
#include "engine/catalog/catalog_item.h"
#include "engine/imaging/batch_output.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/output_format.h"
#include "engine/watermark/control_tracker.h"

namespace pixmill {

// Appends one entry to the error log. The default writes section "error" of the per-user
// profile file, keys "<n>_<local time %Y-%m-%d %H:%M:%S>" with n counting from 1 per process.
using ErrorLogFunction = std::function<void(const std::string& text)>;
void appendBatchErrorLog(const std::string& text);

// Stamps `item` with `group` and saves it as outputDir + fileName (or under `namer`'s name),
// the extension changed when the format written is another (the source's resolution and colour
// profile, none of its other metadata). The canvas is the source, widened by the border when the
// layout has one, on opaque white; the layers are aligned in the whole canvas. A source that cannot
// be decoded or an output that cannot be saved is logged
// ("save file failed: " + source path) and reported as failed; nothing is written then.
// Reads `group` only, so several items may be stamped with one group at the same time.
ItemOutcome watermarkImage(const CatalogItem& item, const CControlTracker& group,
                           const std::string& outputDir,
                           const ErrorLogFunction& logError = appendBatchErrorLog,
                           const OutputOptions& output = {}, const OutputNamer& namer = {});

// `source`'s picture stamped with `group`: the canvas (the picture, widened by the border when
// the layout has one, on opaque white) with the layers aligned in it and drawn, tags expanded
// against `item`. With the group's stampWidthPercent set, the layout and its border are scaled
// to the picture's width first (stampScaleFor); the layers are drawn through a scaling
// transform, so a scaled layout takes no memory beyond the canvas, however far it is enlarged.
// The picture is consumed. A canvas larger than the picture takes its extra pixels from the
// pixel budget into `source.pixelShare` (keep `source` while the canvas lives); a null image
// when they exceed the whole budget or cannot be allocated.
QImage stampPicture(LoadedImage& source, const CControlTracker& group, const CatalogItem* item);

// The batch over the layout file at `layoutFilePath`: `prepare` loads it once (a file that
// cannot be loaded refuses the batch, so nothing is written), then the rows run on the pool.
// Refuses, item by item, an output folder that is the catalog's own or the item's.
BatchJob makeWatermarkJob(const std::string& layoutFilePath,
                          ErrorLogFunction logError = appendBatchErrorLog);
// The same with the layout scaled on each picture so that its width is `stampWidthPercent`
// (1..100) % of the picture's (0 stamps it at 1:1), each output in the format, quality and
// size `output` asks for.
BatchJob makeWatermarkJob(const std::string& layoutFilePath, int stampWidthPercent,
                          ErrorLogFunction logError = appendBatchErrorLog,
                          OutputOptions output = {});

}  // namespace pixmill
