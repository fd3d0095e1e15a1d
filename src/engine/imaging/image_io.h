#pragma once
// Decoding and encoding pictures: the imaging primitives every pixel operation goes through.
// JPEG through libturbojpeg; PNG and BMP through Qt's image readers and writers.
// (Contract header: the imaging module implements and may extend it, keeping these names.)

#include <QImage>

#include <string>

namespace pixmill {

// Dots per inch; 0 when the file does not say.
struct Resolution {
    float x = 0.0f;
    float y = 0.0f;
};

struct LoadedImage {
    QImage image;  // null when the file could not be decoded or exceeds the pixel limits
    Resolution resolution;
    bool isNull() const { return image.isNull(); }
};

// Decodes the file at `path` whatever its extension says. With a non-empty `wanted` size a
// JPEG may be decoded at a reduced DCT scale that still covers `wanted` in both dimensions.
LoadedImage loadImage(const std::string& path, QSize wanted = QSize());

// Encodes `image` as a JPEG at quality 100 carrying `resolution` in its JFIF header, written to
// `path` (replacing a file there). On failure writes "%d  Attempt to save %s failed.\n" on the
// output diagnostic stream and returns false.
bool saveAsJpeg(const QImage& image, Resolution resolution, const std::string& path);

}  // namespace pixmill
