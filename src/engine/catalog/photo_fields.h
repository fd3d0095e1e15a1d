#pragma once
// The catalog's share of jpegmeta's photo information: the fields a catalog row keeps.

#include <string>

#include "engine/catalog/catalog_item.h"
#include "engine/jpegmeta/photo_info.h"

namespace pixmill {

// Copies the photo fields the catalog keeps. The size is the one shown: Orientation 5 to 8
// stand the stored picture on its side, so its width and height trade places.
void fillCatalogItem(const jpegmeta::PhotoInfo& info, CatalogItem& item);

// Reads the file's photo information and fills the item's photo fields from it (left zero when
// the file fails). Returns what jpegmeta::readPhotoInfoFile returned.
Result<> readPhotoInfoInto(const std::string& path, CatalogItem& item);

}  // namespace pixmill
