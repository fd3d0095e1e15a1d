#pragma once
// Pictures and probes shared by the watermark drawing suites.

#include <QColor>
#include <QImage>
#include <QRect>

#include <string>
#include <vector>

#include "engine/watermark/watermark_layer.h"

namespace pixmill::testing {

QImage solidImage(int width, int height, QColor color,
                  QImage::Format format = QImage::Format_ARGB32);
// Saves `image` as PNG at `path`; fails the test when it cannot.
void savePng(const QImage& image, const std::string& path);

// The bounding box of the pixels for which `match` holds; null when none does.
template <typename Match>
QRect inkBox(const QImage& image, Match match) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixelColor(x, y)))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}
bool isDark(const QColor& color);
// Within `tolerance` in each of red, green and blue (JPEG output is never exact).
bool near(const QColor& color, QColor expected, int tolerance = 6);

// A canvas that records what the group asked it to repaint.
class RecordingWindow : public LayerRepaintTarget {
  public:
    void repaintRect(const LayoutRect& area) override { areas.push_back(area); }
    void repaintAll() override { ++wholeRepaints; }
    std::vector<LayoutRect> areas;
    int wholeRepaints = 0;
};

}  // namespace pixmill::testing
