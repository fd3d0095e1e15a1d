#pragma once
// Where the operations that write new pictures (resize, crop) put them, and when they refuse.

#include <string>

#include "engine/batch/batch_job.h"
#include "engine/catalog/catalog_item.h"
#include "engine/imaging/image_io.h"

namespace pixmill {

// The output of `item` written in its kept format: the output folder and the output's file
// name (so "IMG_1.HEIC" gives "IMG_1.jpg").
std::string outputPathFor(const std::string& outputDir, const CatalogItem& item);

// Why nothing may be written for `item` (a Chinese message for the user), or empty when the
// output may be written: the output folder is missing, or it is the catalog's folder or the
// item's own folder (compared as resolved folders), where the output would replace the
// original picture.
std::string refuseOutput(const BatchEnvironment& env, const CatalogItem& item);

// True when `output` names the file at `source` itself (through links or another spelling).
bool isSameFile(const std::string& source, const std::string& output);

}  // namespace pixmill
