#include "engine/watermark/watermark_layer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "engine/imaging/image_io.h"
#include "engine/imaging/pixel_budget.h"
#include "engine/imaging/resample.h"
#include "engine/watermark/watermark_text.h"

namespace pixmill {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kUnsizedDimension = 200;

bool inside(int x, int y, int left, int top, int right, int bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

}  // namespace

void rotatedTextBox(double w, double h, int angle, int& width, int& height) {
    double theta = angle * kPi / 180;
    double c = std::cos(theta);
    double s = std::sin(theta);
    width = static_cast<int>(std::fabs(std::ceil(c * w)) + std::fabs(std::ceil(s * h)));
    height = static_cast<int>(std::fabs(std::ceil(s * w)) + std::fabs(std::ceil(c * h)));
}

LayerRecord CWatermarkCtrl::toRecord() const {
    LayerRecord record;
    record.rect = rect;
    record.text = text;
    record.imagePath = imagePath;
    record.angle = angle;
    record.shadow = shadow;
    record.transparent = transparent;
    record.opacity = opacity;
    record.textColor = textColor;
    record.fontName = fontName;
    record.fontSize = fontSize;
    record.bold = bold;
    record.italic = italic;
    record.underline = underline;
    record.groupOffsetX = groupOffsetX;
    record.groupOffsetY = groupOffsetY;
    return record;
}

void CWatermarkCtrl::assignRecord(const LayerRecord& record) {
    rect = record.rect;
    text = record.text;
    imagePath = record.imagePath;
    angle = record.angle;
    shadow = record.shadow;
    transparent = record.transparent;
    opacity = record.opacity;
    textColor = record.textColor;
    fontName = record.fontName;
    fontSize = record.fontSize;
    bold = record.bold;
    italic = record.italic;
    underline = record.underline;
    groupOffsetX = record.groupOffsetX;
    groupOffsetY = record.groupOffsetY;
}

void CWatermarkCtrl::loadLayerImage() {
    image.reset();
    imageShare.reset();
    imageRefusal.clear();
    if (imagePath.empty())
        return;
    // The decode's share covers the picture and its converted copy while both live.
    LoadedImage loaded = loadImage(imagePath);
    imageRefusal = loaded.refusal;
    image = std::move(loaded.image);
    // Drawn once per stamped photo: converted here once, not by the painter on every draw.
    if (!image->isNull() && image->format() != QImage::Format_ARGB32_Premultiplied)
        image = image->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image->isNull())
        return;
    loaded.pixelShare.reset();
    imageShare = PixelBudget::shared().acquireLasting(std::size_t(image->sizeInBytes()));
    if (!imageShare) {
        image = QImage();
        imageRefusal = "与已载入的水印图片合计超出图片内存的上限 " +
                       std::to_string(PixelBudget::shared().total() >> 20) + " MiB";
    }
}

void CWatermarkCtrl::shareImageOf(const CWatermarkCtrl& other) {
    image = other.image;
    imageShare = other.imageShare;
    imageRefusal = other.imageRefusal;
}

LayoutRect CWatermarkCtrl::naturalSize() const {
    int iw = image ? image->width() : 0;
    int ih = image ? image->height() : 0;
    QSizeF box = measureLayerText(*this, QString::fromStdString(text));
    int w = 0;
    int h = 0;
    rotatedTextBox(box.width(), box.height(), angle, w, h);
    int width = std::max(iw, w);
    int height = std::max(ih, h);
    if (width < 1)
        width = kUnsizedDimension;
    if (height < 1)
        height = kUnsizedDimension;
    return LayoutRect{0, 0, width, height};
}

void CWatermarkCtrl::refit() {
    LayoutRect old = rect;
    LayoutRect natural = naturalSize();
    rect.left = old.left + old.width() / 2 - natural.width() / 2;
    rect.top = old.top + old.height() / 2 - natural.height() / 2;
    rect.right = rect.left + natural.width();
    rect.bottom = rect.top + natural.height();
    repaint(old);
    repaint(rect);
}

void CWatermarkCtrl::setText(const std::string& newText) {
    text = newText;
    refit();
}

void CWatermarkCtrl::setFontSize(int size) {
    size = std::clamp(size, kMinFontSize, kMaxFontSize);
    if (size == fontSize)
        return;
    fontSize = size;
    refit();
}

void CWatermarkCtrl::attachLayer(LayerRepaintTarget* newOwner) {
    owner = newOwner;
    loadLayerImage();
    refit();
    selected = false;
}

void CWatermarkCtrl::drawPicture(QPainter& painter, const LayoutRect& at, double scale) const {
    if (!image || image->isNull())
        return;
    // Never scaled: centred in the rectangle, overhanging it equally when it is smaller.
    int x = at.left + (at.width() - image->width()) / 2;
    int y = at.top + (at.height() - image->height()) / 2;
    painter.save();
    painter.setOpacity(std::clamp(opacity, 0, 100) / 100.0);
    const QSize reduced(static_cast<int>(std::lround(image->width() * scale)),
                        static_cast<int>(std::lround(image->height() * scale)));
    if (scale < 1.0 && !reduced.isEmpty()) {
        // Drawn over the picture's own rectangle, which the transform brings to `reduced`.
        painter.drawImage(QRectF(x, y, image->width(), image->height()),
                          resampleImage(*image, reduced));
    } else {
        painter.drawImage(QPoint(x, y), *image);
    }
    painter.restore();
}

void CWatermarkCtrl::drawLayerAt(QPainter& painter, const LayoutRect& at, const CatalogItem* item,
                                 double scale) const {
    painter.save();
    if (angle != 0) {
        double cx = at.left + at.width() * 0.5;
        double cy = at.top + at.height() * 0.5;
        painter.translate(cx, cy);
        painter.rotate(-angle);  // counter-clockwise on screen, where y grows downward
        painter.translate(-cx, -cy);
    }
    drawPicture(painter, at, scale);
    if (!text.empty())
        drawLayerText(painter, *this, at, item);
    painter.restore();
}

int CWatermarkCtrl::hitTest(int x, int y) const {
    int left = std::min(rect.left, rect.right);
    int right = std::max(rect.left, rect.right);
    int top = std::min(rect.top, rect.bottom);
    int bottom = std::max(rect.top, rect.bottom);
    const int s = kTrackerHandleSize;
    int midX = left + (right - left) / 2 - s / 2;
    int midY = top + (bottom - top) / 2 - s / 2;
    struct Handle {
        int code, l, t;
    };
    const Handle handles[] = {
        {kHitTopLeft, left - s, top - s}, {kHitTopRight, right, top - s},
        {kHitBottomRight, right, bottom}, {kHitBottomLeft, left - s, bottom},
        {kHitTop, midX, top - s},         {kHitRight, right, midY},
        {kHitBottom, midX, bottom},       {kHitLeft, left - s, midY},
    };
    for (const Handle& handle : handles) {
        if (inside(x, y, handle.l, handle.t, handle.l + s, handle.t + s))
            return handle.code;
    }
    return inside(x, y, left, top, right, bottom) ? kHitInside : kHitNothing;
}

void CWatermarkCtrl::repaint(const LayoutRect& area) const {
    if (!owner)
        return;
    LayoutRect inflated = area;
    inflated.left -= kTrackerHandleSize;
    inflated.top -= kTrackerHandleSize;
    inflated.right += kTrackerHandleSize;
    inflated.bottom += kTrackerHandleSize;
    owner->repaintRect(inflated);
}

}  // namespace pixmill
