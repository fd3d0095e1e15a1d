// Decoding and encoding through QImage, for this suite only, while the imaging module's
// libturbojpeg decoder and encoder are not yet part of the engine.
#include <QImageReader>

#include "engine/imaging/image_io.h"

namespace pixmill {

LoadedImage loadImage(const std::string& path, QSize) {
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    LoadedImage loaded;
    loaded.image = reader.read();
    if (!loaded.image.isNull()) {
        loaded.resolution.x = static_cast<float>(loaded.image.dotsPerMeterX() * 0.0254);
        loaded.resolution.y = static_cast<float>(loaded.image.dotsPerMeterY() * 0.0254);
    }
    return loaded;
}

bool saveAsJpeg(const QImage& image, Resolution resolution, const std::string& path) {
    QImage copy = image;
    if (resolution.x > 0)
        copy.setDotsPerMeterX(qRound(resolution.x / 0.0254));
    if (resolution.y > 0)
        copy.setDotsPerMeterY(qRound(resolution.y / 0.0254));
    return copy.save(QString::fromStdString(path), "JPEG", 100);
}

}  // namespace pixmill
