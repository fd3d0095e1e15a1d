#pragma once
// One catalog image: the record behind a row of the catalog. Texts are UTF-8.
// Plain data: the catalog model owns the records and guards them (workers read copies).

#include <cstdint>
#include <string>

namespace pixmill {

struct CatalogItem {
    // -1 when created; the row at insertion; the running number after a rename batch.
    std::int32_t number = -1;
    std::string fileName;  // name with extension, no folder
    std::string fullPath;  // folder and file name
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t fileSize = 0;  // low 32 bits of the file length
    std::int32_t isExif = 0;
    std::string shootingDate;
    std::string cameraMake;
    std::string cameraModel;
    float exposureTime = 0.0f;  // seconds
    float apertureFNumber = 0.0f;
    float exposureBias = 0.0f;  // EV
    std::int32_t whiteBalance = 0;
    std::int32_t exposureProgram = 0;
    std::int32_t isoEquivalent = 0;
    std::int32_t flashUsed = 0;
    // Background of the item's thumbnail as 0x00BBGGRR: 0 (black) in the catalog, white
    // (0xFFFFFF) for the watermark library's pictures.
    std::uint32_t thumbBackground = 0;
};

}  // namespace pixmill
