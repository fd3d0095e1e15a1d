#include "watermark_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pixmill::testing {

QImage solidImage(int width, int height, QColor color, QImage::Format format) {
    QImage image(width, height, format);
    image.fill(color);
    return image;
}

void savePng(const QImage& image, const std::string& path) {
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG")) << path;
}

bool isDark(const QColor& color) {
    return color.red() + color.green() + color.blue() < 200;
}

bool near(const QColor& color, QColor expected, int tolerance) {
    return std::abs(color.red() - expected.red()) <= tolerance &&
           std::abs(color.green() - expected.green()) <= tolerance &&
           std::abs(color.blue() - expected.blue()) <= tolerance;
}

}  // namespace pixmill::testing
