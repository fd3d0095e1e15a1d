#include "engine/watermark/control_tracker.h"

#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <iterator>
#include <map>
#include <vector>

#include "engine/imaging/image_io.h"
#include "engine/platform/safe_rewrite.h"

namespace pixmill {
namespace {

// A layout of a few layers is a few kilobytes; anything this large is not one.
constexpr long long kMaxLayoutFileSize = 64 * 1024 * 1024;

LayoutRect unite(const LayoutRect& a, const LayoutRect& b) {
    return LayoutRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                      std::max(a.bottom, b.bottom)};
}

// Regular files only, opened without blocking: a layout path naming a FIFO fails at once.
Result<Bytes> readWholeFile(const std::string& path) {
    return readFileBytes(path, std::size_t(kMaxLayoutFileSize));
}

// Values from an older or damaged file are brought into the ranges the panels keep them in.
void sanitise(CWatermarkCtrl& layer) {
    layer.fontSize = std::clamp(layer.fontSize, kMinFontSize, kMaxFontSize);
    layer.opacity = std::clamp(layer.opacity, 0, 100);
}

}  // namespace

void alignedTopLeft(int alignMode, int targetWidth, int targetHeight, const LayoutRect& group,
                    int& x, int& y) {
    if (alignMode == -1) {
        x = group.left;
        y = group.top;
        return;
    }
    if (alignMode < 0 || alignMode > 8)
        alignMode = 0;
    int spareX = targetWidth - group.width();
    int spareY = targetHeight - group.height();
    int column = alignMode % 3;
    int row = alignMode / 3;
    x = column == 0 ? 0 : column == 1 ? spareX / 2 : spareX;
    y = row == 0 ? 0 : row == 1 ? spareY / 2 : spareY;
}

double stampScaleFor(int percent, const LayoutRect& group, int pictureWidth) {
    if (percent <= 0 || group.width() <= 0 || pictureWidth <= 0)
        return 1.0;
    double scale = std::min(percent, 100) / 100.0 * pictureWidth / group.width();
    return std::clamp(scale, 1.0 / kMaxStampScale, kMaxStampScale);
}

CControlTracker::~CControlTracker() = default;

void CControlTracker::repaintWindow() const {
    if (window)
        window->repaintAll();
}

void CControlTracker::clearLayers() {
    layers.clear();
    current = nullptr;
}

CWatermarkCtrl* CControlTracker::addLayer(std::unique_ptr<CWatermarkCtrl> layer) {
    LayoutRect bounds = groupBounds();
    layer->rect.offset(bounds.left - layer->rect.left, bounds.top - layer->rect.top);
    CWatermarkCtrl* added = layer.get();
    layers.push_back(std::move(layer));
    deselectAll();
    selectLayer(added);
    return added;
}

LayoutRect CControlTracker::groupBounds() const {
    if (layers.empty())
        return LayoutRect{};
    LayoutRect bounds = layers.front()->rect;
    for (const auto& layer : layers)
        bounds = unite(bounds, layer->rect);
    return bounds;
}

LayoutRect CControlTracker::selectedBounds() const {
    LayoutRect bounds;
    bool any = false;
    for (const auto& layer : layers) {
        if (!layer->selected)
            continue;
        bounds = any ? unite(bounds, layer->rect) : layer->rect;
        any = true;
    }
    return bounds;
}

bool CControlTracker::selectLayer(CWatermarkCtrl* layer) {
    if (!layer || layer->selected)
        return false;
    layer->selected = true;
    current = layer;
    layer->repaint();
    return true;
}

void CControlTracker::deselectAll() {
    for (auto& layer : layers)
        layer->selected = false;
    current = nullptr;
    repaintWindow();
}

void CControlTracker::selectAll() {
    for (auto& layer : layers)
        layer->selected = true;
    repaintWindow();
}

bool CControlTracker::toggleLayer(CWatermarkCtrl* layer) {
    bool was = layer->selected;
    for (auto& other : layers)
        other->selected = was;
    layer->selected = !was;
    repaintWindow();
    return !was;
}

void CControlTracker::removeSelected() {
    for (auto it = layers.begin(); it != layers.end();) {
        if ((*it)->selected) {
            if (current == it->get())
                current = nullptr;
            it = layers.erase(it);
        } else {
            ++it;
        }
    }
}

void CControlTracker::bringToTop(CWatermarkCtrl* layer) {
    auto found = std::find_if(layers.begin(), layers.end(),
                              [layer](const auto& owned) { return owned.get() == layer; });
    if (found == layers.end())
        return;
    layers.splice(layers.end(), layers, found);
    repaintWindow();
}

CWatermarkCtrl* CControlTracker::layerAt(int x, int y, int* hit) const {
    for (const auto& layer : layers) {
        int code = layer->hitTest(x, y);
        if (code == kHitNothing)
            continue;
        if (hit)
            *hit = code;
        return layer.get();
    }
    if (hit)
        *hit = kHitNothing;
    return nullptr;
}

LayoutRecord CControlTracker::toLayoutRecord() const {
    LayoutRecord record;
    record.header = header;
    record.header.layerCount = static_cast<std::int32_t>(layers.size());
    record.header.bounds = groupBounds();
    for (const auto& layer : layers) {
        LayerRecord saved = layer->toRecord();
        saved.groupOffsetX = layer->rect.left - record.header.bounds.left;
        saved.groupOffsetY = layer->rect.top - record.header.bounds.top;
        record.layers.push_back(std::move(saved));
    }
    return record;
}

Result<> CControlTracker::saveLayout(const std::string& path, FileOps& fileOps) {
    LayoutRecord record = toLayoutRecord();
    header.layerCount = record.header.layerCount;
    header.bounds = record.header.bounds;
    auto saved = record.layers.begin();
    for (auto& layer : layers) {
        layer->groupOffsetX = saved->groupOffsetX;
        layer->groupOffsetY = saved->groupOffsetY;
        ++saved;
    }
    std::vector<std::uint8_t> bytes = writeLayoutArchive(record);
    // Written beside the file under a temporary name of ours and moved into place.
    return writeFileBeside(path, bytes, newFileAttributes(), fileOps);
}

Result<> CControlTracker::loadLayout(const std::string& path, LayerRepaintTarget* ownerWindow) {
    Result<Bytes> bytes = readWholeFile(path);
    if (!bytes)
        return bytes.error();
    std::optional<LayoutRecord> record = readLayoutArchive(*bytes);
    if (!record)
        return makeError(EINVAL, "'" + path + "' is not a whole watermark layout");
    // Everything is built aside first, so a layout that fails halfway leaves the group as it was.
    std::list<std::unique_ptr<CWatermarkCtrl>> loaded;
    // One decode per distinct picture: the layers naming it share its pixels (QImage shares)
    // and its share of the pixel budget.
    std::map<std::string, const CWatermarkCtrl*> pictures;
    for (const LayerRecord& saved : record->layers) {
        auto layer = std::make_unique<CWatermarkCtrl>();
        layer->assignRecord(saved);
        sanitise(*layer);
        layer->owner = ownerWindow;
        if (auto known = pictures.find(layer->imagePath); known != pictures.end()) {
            layer->shareImageOf(*known->second);
        } else {
            layer->loadLayerImage();
            if (layer->image)
                pictures.emplace(layer->imagePath, layer.get());
        }
        loaded.push_back(std::move(layer));
    }
    clearLayers();
    layers = std::move(loaded);
    header = record->header;
    repaintWindow();
    return {};
}

void CControlTracker::renderAll(int width, int height, QPainter& painter, const CatalogItem* item) {
    LayoutRect bounds = groupBounds();
    int x = 0;
    int y = 0;
    alignedTopLeft(header.alignMode, width, height, bounds, x, y);
    for (auto& layer : layers)
        layer->rect.offset(x - bounds.left, y - bounds.top);
    for (const auto& layer : layers)
        layer->drawLayer(painter, item);
}

LayoutRect CControlTracker::landedBounds(int width, int height, double scale) const {
    const LayoutRect bounds = groupBounds();
    auto scaled = [scale](std::int32_t value) {
        return static_cast<std::int32_t>(
            std::clamp(std::llround(value * scale), -(1LL << 30), 1LL << 30));
    };
    LayoutRect landed{scaled(bounds.left), scaled(bounds.top), 0, 0};
    landed.right = landed.left + scaled(bounds.width());
    landed.bottom = landed.top + scaled(bounds.height());
    int x = 0;
    int y = 0;
    alignedTopLeft(header.alignMode, width, height, landed, x, y);
    landed.offset(x - landed.left, y - landed.top);
    return landed;
}

void CControlTracker::renderAligned(int width, int height, QPainter& painter,
                                    const CatalogItem* item, double scale) const {
    const LayoutRect bounds = groupBounds();
    const LayoutRect landed = landedBounds(width, height, scale);
    if (scale == 1.0) {
        for (const auto& layer : layers) {
            LayoutRect at = layer->rect;
            at.offset(landed.left - bounds.left, landed.top - bounds.top);
            layer->drawLayerAt(painter, at, item);
        }
        return;
    }
    painter.save();
    painter.translate(landed.left, landed.top);
    painter.scale(scale, scale);
    painter.translate(-bounds.left, -bounds.top);
    for (const auto& layer : layers)
        layer->drawLayer(painter, item, scale);
    painter.restore();
}

}  // namespace pixmill
