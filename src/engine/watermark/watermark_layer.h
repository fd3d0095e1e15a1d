#pragma once
// One watermark layer: a rectangle holding a text, a picture, or both, drawn at 1:1 in output
// pixels. The canvas, the batch and the command line all draw layers through this class, so
// that what is arranged on the canvas is what is stamped.

#include <QImage>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/catalog/catalog_item.h"
#include "engine/watermark/layout_archive.h"

class QPainter;

namespace pixmill {

// The window that shows layers (the canvas); the engine only asks it to repaint an area.
class LayerRepaintTarget {
  public:
    virtual ~LayerRepaintTarget() = default;
    virtual void repaintRect(const LayoutRect& area) = 0;
    virtual void repaintAll() = 0;
};

// Tracker hit codes: the eight handles outside the rectangle, then its inside.
enum LayerHit : int {
    kHitNothing = -1,
    kHitTopLeft = 0,
    kHitTopRight = 1,
    kHitBottomRight = 2,
    kHitBottomLeft = 3,
    kHitTop = 4,
    kHitRight = 5,
    kHitBottom = 6,
    kHitLeft = 7,
    kHitInside = 8,
};
inline constexpr int kTrackerHandleSize = 5;
inline constexpr int kMinFontSize = 8;
inline constexpr int kMaxFontSize = 200;

class CWatermarkCtrl {
  public:
    // Serialised fields, in file order (see LayerRecord for their meaning).
    LayoutRect rect{0, 0, 400, 200};
    std::string text;  // UTF-8; may hold tags. Change it with setText so the layer refits.
    std::string imagePath;
    int angle = 0;  // degrees, counter-clockwise about the centre of rect
    int shadow = 1;
    int transparent = 0;          // opacity applies to the text only when set
    int opacity = 100;            // percent; the picture always uses it
    std::uint32_t textColor = 0;  // 0x00BBGGRR
    std::string fontName = "宋体";
    int fontSize = 40;  // points, within kMinFontSize..kMaxFontSize through setFontSize
    int bold = 0;
    int italic = 0;
    int underline = 0;
    int groupOffsetX = 0;  // filled in on save, not used on load
    int groupOffsetY = 0;

    // Run-time state. `image` is present once loadLayerImage ran with a non-empty path; a file
    // that cannot be decoded leaves a present but null image (size 0 x 0), and `imageRefusal`
    // says why when the decoder or the pixel budget refused it.
    std::optional<QImage> image;
    std::string imageRefusal;
    // The picture's lasting share of the pixel budget, shared by every layer that shares its
    // pixels; it goes with the last of them.
    std::shared_ptr<const void> imageShare;
    bool selected = false;
    LayerRepaintTarget* owner = nullptr;  // not owned

    LayerRecord toRecord() const;
    // The fields of `record`; the picture is not loaded and `owner` is kept.
    void assignRecord(const LayerRecord& record);

    // Decodes imagePath again (drops any earlier picture first). The picture is held out of
    // the pixel budget's lasting part, so a picture that does not fit in the whole budget, next
    // to the layer pictures already held, is refused.
    void loadLayerImage();
    // Takes the picture of `other` (the same path), sharing its pixels and its share.
    void shareImageOf(const CWatermarkCtrl& other);
    // Width and height from the picture and the rotated box of the raw text (tags as typed);
    // a dimension below 1 becomes 200. The rectangle starts at (0, 0).
    LayoutRect naturalSize() const;
    // The natural size about the same centre (halves truncate toward zero).
    void refit();
    void setText(const std::string& newText);
    // Clamps to kMinFontSize..kMaxFontSize; refits when the size changes.
    void setFontSize(int size);
    // Takes the canvas, loads the picture, refits, clears the selection flag.
    void attachLayer(LayerRepaintTarget* newOwner);

    // Draws the layer at `at` (its own rect, or a per-image copy of it) through `painter`:
    // rotation about the centre of `at`, then the picture, then the text with tags expanded
    // against `item` (drawn as typed when there is no item). The painter's state is restored.
    // `scale` is the scaling the painter's transform applies (a layout stamped at a share of
    // the picture's width): a picture it reduces is resampled to that size first, since the
    // painter's own smoothing only blends neighbouring pixels and would alias a reduction.
    void drawLayer(QPainter& painter, const CatalogItem* item, double scale = 1.0) const {
        drawLayerAt(painter, rect, item, scale);
    }
    void drawLayerAt(QPainter& painter, const LayoutRect& at, const CatalogItem* item,
                     double scale = 1.0) const;

    // Which part of the tracker lies under (x, y): a handle, the inside, or nothing.
    int hitTest(int x, int y) const;

    // Asks the owner to repaint `area` and a 5-pixel margin around it (where the handles are).
    void repaint(const LayoutRect& area) const;
    void repaint() const { repaint(rect); }

  private:
    void drawPicture(QPainter& painter, const LayoutRect& at, double scale) const;
};

// The rotated-box arithmetic of naturalSize for a measured text box of w x h: |ceil(cos θ·w)|
// + |ceil(sin θ·h)| by |ceil(sin θ·w)| + |ceil(cos θ·h)|, each sum truncated to an integer.
void rotatedTextBox(double w, double h, int angle, int& width, int& height);

}  // namespace pixmill
