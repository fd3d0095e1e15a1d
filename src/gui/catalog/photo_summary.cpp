#include "gui/catalog/photo_summary.h"

#include <cmath>

namespace pixmill {

QString formatExposureTime(float seconds) {
    if (seconds == 0.0f)
        return QStringLiteral("unknown");
    if (seconds < 1.0f) {
        // Rounded before the ceiling so 1/125 stored as 0.008 does not become 1/126.
        const double reciprocal = 1.0 / static_cast<double>(seconds);
        const double rounded = std::round(reciprocal * 1000.0) / 1000.0;
        return QString::fromUtf8("1／%1'").arg(static_cast<long long>(std::ceil(rounded)));
    }
    return QString::asprintf("%.1f'", static_cast<double>(seconds));
}

QString photoSummary(const CatalogItem& item) {
    if (item.isExif != 1)
        return QString();
    return QString::fromUtf8("光圈：") + QString::asprintf("%.1f", double(item.apertureFNumber)) +
           QString::fromUtf8(" 快门：") + formatExposureTime(item.exposureTime) +
           QString::fromUtf8(" 曝光补偿：") + QString::asprintf("%.1f", double(item.exposureBias)) +
           QString::fromUtf8(" ISO：") + QString::number(item.isoEquivalent) +
           QStringLiteral(" - ") + QString::fromStdString(item.cameraModel);
}

}  // namespace pixmill
