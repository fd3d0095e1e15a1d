#include "engine/catalog/photo_fields.h"

namespace pixmill {

void fillCatalogItem(const jpegmeta::PhotoInfo& info, CatalogItem& item) {
    const bool sideways = info.orientation >= 5 && info.orientation <= 8;
    item.width = sideways ? info.height : info.width;
    item.height = sideways ? info.width : info.height;
    item.isExif = info.isExif ? 1 : 0;
    item.shootingDate = info.dateTime;
    item.cameraMake = info.cameraMake;
    item.cameraModel = info.cameraModel;
    item.exposureTime = info.exposureTime;
    item.apertureFNumber = info.apertureFNumber;
    item.exposureBias = info.exposureBias;
    item.whiteBalance = info.whiteBalance;
    item.exposureProgram = info.exposureProgram;
    item.isoEquivalent = info.isoEquivalent;
    item.flashUsed = info.flashUsed;
}

Result<> readPhotoInfoInto(const std::string& path, CatalogItem& item) {
    jpegmeta::PhotoInfo info;
    Result<> result = jpegmeta::readPhotoInfoFile(path, info);
    fillCatalogItem(info, item);
    return result;
}

}  // namespace pixmill
