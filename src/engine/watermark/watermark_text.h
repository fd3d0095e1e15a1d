#pragma once
// The text of a watermark layer: its font, its colours, its measured box and its drawing.
//
// Font sizes are points turned into pixels at 96 per inch (points × 96 / 72, fractional),
// whatever resolution the output image carries or the screen has, when measuring and when
// drawing alike: the layout seen at 1:1 on the canvas is the layout stamped.

#include <QColor>
#include <QFont>
#include <QSizeF>

#include <cstdint>
#include <string>

#include "engine/catalog/catalog_item.h"
#include "engine/watermark/layout_archive.h"

class QPainter;
class QPaintDevice;

namespace pixmill {

class CWatermarkCtrl;

// The family `fontName` when it is installed; otherwise the sans-serif family that covers
// Chinese (WenQuanYi Micro Hei where installed, else the platform's generic sans-serif).
QString resolveFontFamily(const std::string& fontName);

// The layer's font for drawing on `device` (nullptr: a 96-dpi surface), sized so that it
// spans fontSize × 96 / 72 pixels there, with the layer's bold, italic and underline.
QFont layerFont(const CWatermarkCtrl& layer, const QPaintDevice* device);

// The box of `text` drawn left-aligned from (0, 0) without a size limit, in pixels.
QSizeF measureLayerText(const CWatermarkCtrl& layer, const QString& text);

struct LayerTextColors {
    QColor text;
    QColor shadow;
};
// Text: the layer's colour at alpha 255; shadow grey 0xFF808080. When `transparent` is set
// both take alpha opacity × 255 / 100 (integer division; opacity clamped to 0..100).
LayerTextColors layerTextColors(const CWatermarkCtrl& layer);

// 0x00BBGGRR to an opaque QColor.
QColor colorFromBgr(std::uint32_t bgr);

// The layer's text as it is stamped on `item`: tags expanded without <no> padding. Without an
// item (the canvas) the text as typed.
std::string expandWatermarkText(const std::string& text, const CatalogItem* item);
// Whether tag expansion is built in (the renaming module supplies it).
bool watermarkTagsAvailable();

// Draws the layer's text centred in `at` on `painter` (the rotation is already applied):
// the shadow at (+3, +3) when `shadow` is set, then the text; lines left-aligned.
void drawLayerText(QPainter& painter, const CWatermarkCtrl& layer, const LayoutRect& at,
                   const CatalogItem* item);

}  // namespace pixmill
