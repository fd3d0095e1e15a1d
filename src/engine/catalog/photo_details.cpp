#include "engine/catalog/folder_scan.h"
#include "engine/jpegmeta/photo_info.h"

namespace pixmill {

void readPhotoDetails(const std::string& path, CatalogItem& item) {
    // A file that cannot be read or holds no photo information keeps its empty details.
    jpegmeta::readPhotoInfoInto(path, item);
}

}  // namespace pixmill
