#pragma once
// The crop batch (kind 1): one rectangle, resolved against each picture's own size, cut out of
// every ticked picture and written into the output folder in the format the output options
// name (keep: PNG and BMP stay themselves, anything else becomes JPEG).

#include <string>

#include "engine/batch/batch_job.h"
#include "engine/imaging/batch_output.h"
#include "engine/imaging/output_format.h"
#include "engine/platform/file_ops.h"

namespace pixmill {

// X and Y from the left and top edges (negative: from the right and bottom); a width or
// height of 0 runs to the edge, a negative one stops that many pixels short of it.
struct CropParams {
    int x = 0;
    int y = 0;
    int width = 800;
    int height = 600;
    OutputOptions output = {};
};

struct CropRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The rectangle clamped to a w × h picture. An X beyond the width reads as 0 (an X equal to
// the width stays, leaving nothing to cut); a width that does not fit is cut at the edge.
CropRect normalizeCropRect(int w, int h, int x, int y, int width, int height);

// Cuts the rectangle out of `source` and writes it to `output`, its extension changed when the
// format written is another (no metadata but the colour profile, no alpha); the outcome names
// the file written. A source that cannot be decoded or an
// empty rectangle writes nothing and removes an old file at `output`, so that no stale result
// is mistaken for this run's.
// With `namer`, the output is named by it instead (`output` then only guards the source).
ItemOutcome cropItem(const CropParams& params, const std::string& source, const std::string& output,
                     FileOps& ops = systemFileOps(), const OutputNamer& namer = {});

// Items one after another, each announced with "正在裁剪第 %d 个图片……" (row index + 1).
BatchJob makeCropJob(CropParams params);

}  // namespace pixmill
