#include "engine/catalog/folder_scan.h"

#include <QImageReader>

#include "engine/catalog/photo_fields.h"

namespace pixmill {

void readPhotoDetails(const std::string& path, CatalogItem& item) {
    // A file that cannot be read or holds no photo information keeps its empty details.
    if (readPhotoInfoInto(path, item) || item.width > 0)
        return;
    // PNG and BMP: the size their header states, read without decoding.
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (size.isValid() && (format == "png" || format == "bmp")) {
        item.width = size.width();
        item.height = size.height();
    }
}

}  // namespace pixmill
