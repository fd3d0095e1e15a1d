#pragma once
// Listing a folder's images: the accepted extensions, the listing order, and the photo details
// of each file. Subfolders are not descended: the catalog is the folder's own images, so the
// catalog folder is every record's folder.

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "engine/catalog/catalog_item.h"

namespace pixmill {

// Fills the photo fields of `item` from the file at `path` (any extension); leaves them zero or
// empty when the file cannot be read or holds no photo information.
using PhotoDetailsReader = std::function<void(const std::string& path, CatalogItem& item)>;

// The JPEG metadata engine's reader.
void readPhotoDetails(const std::string& path, CatalogItem& item);

// True for names whose text after the last "." is jpg, jpeg, png, bmp, heic, heif, webp, tif,
// tiff or gif in any case (the one list is input_formats.cpp's).
bool hasImageExtension(const std::string& fileName);

// The folder made absolute, with "/" separators and one trailing separator.
QString normalizedFolder(const QString& folder);

// Lists `folder` and returns one record per accepted file in catalog order, after reading its
// details with `reader`. Calls `found(count)` after each record ("已找到 %d 张图片"). A missing
// folder gives no records.
std::vector<CatalogItem> scanFolder(const QString& folder, const PhotoDetailsReader& reader,
                                    const std::function<void(int)>& found = {});

}  // namespace pixmill
