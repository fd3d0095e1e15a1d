#pragma once
// The catalog's thumbnails: each picture scaled into a box of the view mode's size (200 × 160
// or 100 × 80), never enlarged, on the item's background.

#include <QImage>

#include "engine/catalog/catalog_item.h"

namespace pixmill {

// Where a picture of imageWidth × imageHeight sits in a box of boxWidth × boxHeight. A picture
// that fits keeps its size in the top-left corner; a larger one is scaled to touch the box on
// its relatively longer side and centred on the other (integer halves, rounded down).
struct ThumbnailPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
ThumbnailPlacement thumbnailPlacement(int imageWidth, int imageHeight, int boxWidth, int boxHeight);

// The item's thumbnail: an RGB888 picture of width × height filled with the item's background
// (white for 0xFFFFFF, black otherwise) with the scaled picture drawn at its placement. A file
// that cannot be decoded gives the bare background. An EXIF-embedded thumbnail stands in for
// the picture when it is at least as large as the placement and has the picture's shape;
// otherwise a JPEG is decoded at the smallest DCT scale that leaves the resampler at least a
// twofold reduction.
QImage renderCatalogThumbnail(const CatalogItem& item, int width, int height);

}  // namespace pixmill
