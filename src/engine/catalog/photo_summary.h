#pragma once
// The status-line summary of a clicked photo: aperture, exposure, bias, ISO and camera model.

#include <QString>

#include "engine/catalog/catalog_item.h"

namespace pixmill {

// "光圈：5.6 快门：1／125' 曝光补偿：-0.3 ISO：100 - model" for an item with EXIF; empty
// otherwise (the status line is cleared).
QString photoSummary(const CatalogItem& item);

}  // namespace pixmill
