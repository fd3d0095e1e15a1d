#pragma once
// The watermark layout: an ordered group of layers (the first is drawn first, at the bottom)
// with the header that aligns the group on each image and may add a border. The canvas owns
// one group for the program's lifetime; each watermark batch loads its own from the layout
// file and shares it read-only between the images it stamps.

#include <list>
#include <memory>
#include <string>

#include "engine/platform/file_ops.h"
#include "engine/watermark/layout_archive.h"
#include "engine/watermark/watermark_layer.h"

class QPainter;

namespace pixmill {

inline constexpr const char* kLayoutFolderName = "WatermarkTemplate";
inline constexpr const char* kLayoutFileName = "water.tmp";

// Where alignment `alignMode` puts the top-left of a group of groupWidth x groupHeight inside a
// target of targetWidth x targetHeight with its origin at (0, 0): -1 keeps `current`, 0..8 are
// the grid cells row by row, anything else acts as 0. No margin; halves truncate toward zero,
// so a group larger than the target overhangs both sides.
void alignedTopLeft(int alignMode, int targetWidth, int targetHeight, const LayoutRect& group,
                    int& x, int& y);

// Relative stamp size: the factor that scales the whole layout (positions, sizes, fonts,
// pictures, borders) so that the layout's width, the width of the bounding box of its layers,
// becomes `percent` (1..100) % of `pictureWidth`. 1 when `percent` is 0 (off) or the layout has
// no width. Kept within 1/kMaxStampScale..kMaxStampScale, which no real layout reaches, so that
// a damaged one cannot make coordinates overflow.
inline constexpr double kMaxStampScale = 10000.0;
double stampScaleFor(int percent, const LayoutRect& group, int pictureWidth);

class CControlTracker {
  public:
    explicit CControlTracker(LayerRepaintTarget* window = nullptr) : window(window) {}
    ~CControlTracker();
    CControlTracker(const CControlTracker&) = delete;
    CControlTracker& operator=(const CControlTracker&) = delete;

    CWatermarkCtrl* current = nullptr;  // last layer selected by a click or an add; not owned
    LayerRepaintTarget* window = nullptr;
    std::list<std::unique_ptr<CWatermarkCtrl>> layers;  // owned, bottom first
    CWaterMarkersHeader header;
    LayoutRect trackerRect;  // the group's own tracker: group moves and the rubber band
    // Run-time only, not part of the layout file: 0 stamps the layout at 1:1; 1..100 scales it
    // on each picture so that its width is that share of the picture's (stampScaleFor).
    int stampWidthPercent = 0;

    void clearLayers();
    // Takes the layer, puts its top-left at the group's top-left ((0, 0) for the first layer)
    // keeping its size, appends it on top and makes it the only selection.
    CWatermarkCtrl* addLayer(std::unique_ptr<CWatermarkCtrl> layer);
    LayoutRect groupBounds() const;           // all zero when there are no layers
    LayoutRect selectedBounds() const;        // all zero when nothing is selected
    bool selectLayer(CWatermarkCtrl* layer);  // false when it was already selected
    void deselectAll();
    void selectAll();
    // The layer's selection flips and every other layer takes its old state; returns the new one.
    bool toggleLayer(CWatermarkCtrl* layer);
    void removeSelected();
    void bringToTop(CWatermarkCtrl* layer);
    // The first layer, bottom first, whose tracker claims (x, y), with the hit code; nullptr
    // when none does (so overlapping layers yield the lowest one).
    CWatermarkCtrl* layerAt(int x, int y, int* hit = nullptr) const;

    // Writes the layout file: the header (layerCount and bounds filled in) and the layers
    // bottom first, each with its groupOffset. Replaces `path` in one rename, so a failed write
    // leaves the previous file; a failure carries the errno value.
    Result<> saveLayout(const std::string& path, FileOps& fileOps = systemFileOps());
    // Replaces the group with the file's layout: every layer at the rectangle it was saved
    // with, its picture decoded, owned by `ownerWindow`, none selected. Fails, with the group
    // unchanged, when the file cannot be read (the errno value) or is not a whole layout (EINVAL).
    Result<> loadLayout(const std::string& path, LayerRepaintTarget* ownerWindow);
    // The layout as the file holds it (bounds and offsets filled in).
    LayoutRecord toLayoutRecord() const;

    // The canvas's paint: aligns the group inside a target of width x height (moving the layers
    // for good, so that clicks hit what is drawn) and draws every layer bottom first.
    void renderAll(int width, int height, QPainter& painter, const CatalogItem* item);
    // Where the group lands on a target of width x height when it is drawn at `scale`: its
    // bounds scaled, then placed by the alignment (free placement scales the position too).
    LayoutRect landedBounds(int width, int height, double scale = 1.0) const;
    // The batch's paint: the same picture on a private copy of the rectangles, so images
    // stamped at the same time never shift each other's layers. The group is not changed.
    // With a `scale` other than 1 the group is aligned at its scaled size (so an anchored group
    // keeps its corner or edge, landedBounds) and drawn through a scaling transform.
    void renderAligned(int width, int height, QPainter& painter, const CatalogItem* item,
                       double scale = 1.0) const;

  private:
    void repaintWindow() const;
};

}  // namespace pixmill
