#include "engine/catalog/photo_summary.h"

#include "engine/rename/value_format.h"

namespace pixmill {

QString photoSummary(const CatalogItem& item) {
    if (item.isExif != 1)
        return QString();
    // The same value formats as the <s>, <a> and <bias> tags.
    return QString::fromUtf8("光圈：") +
           QString::fromStdString(formatAperture(item.apertureFNumber)) +
           QString::fromUtf8(" 快门：") +
           QString::fromStdString(formatExposureTime(item.exposureTime)) +
           QString::fromUtf8(" 曝光补偿：") +
           QString::fromStdString(formatExposureBias(item.exposureBias)) +
           QString::fromUtf8(" ISO：") + QString::number(item.isoEquivalent) +
           QStringLiteral(" - ") + QString::fromStdString(item.cameraModel);
}

}  // namespace pixmill
