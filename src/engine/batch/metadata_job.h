#pragma once
// The metadata batch operations as jobs for the batch driver: delete EXIF, delete non-original
// sections, delete the comment, set the comment, pure JPEG (one file after another) and the
// shooting-time shift (items concurrently; each touches only its own file and row). The byte
// work is jpegmeta's; this file turns its answers into the batch's item outcomes.

#include <string>

#include "engine/batch/batch_job.h"

namespace pixmill {

struct MetadataParams {
    std::string commentText;  // AddComment: the comment every worked file gets (UTF-8)
    int shiftHours = 0;       // ShiftTime: signed number of hours
};

// For kinds ShiftTime and DeleteExif..PureJpeg; any other kind gives a job without routine.
BatchJob makeMetadataJob(BatchKind kind, MetadataParams params);

}  // namespace pixmill
