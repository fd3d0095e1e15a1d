#include "engine/watermark/watermark_options.h"

#include <algorithm>
#include <memory>

namespace pixmill {

std::optional<std::uint32_t> parseWebColor(std::string_view rrggbb) {
    if (!rrggbb.empty() && rrggbb.front() == '#')
        rrggbb.remove_prefix(1);
    if (rrggbb.size() != 6)
        return std::nullopt;
    std::uint32_t rgb = 0;
    for (char c : rrggbb) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return std::nullopt;
        rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
    }
    std::uint32_t red = rgb >> 16, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    return blue << 16 | green << 8 | red;
}

void buildOneLayerLayout(const WatermarkLayerOptions& options, CControlTracker& group) {
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->imagePath = options.picturePath;
    layer->loadLayerImage();
    // The text panel's add order: text, colour, font, size, styles, shadow, angle, then refit.
    layer->text = options.text;
    layer->textColor = options.color;
    layer->fontName = options.fontName.empty() ? std::string(kDefaultFontName) : options.fontName;
    layer->fontSize = std::clamp(options.fontSize, kMinFontSize, kMaxFontSize);
    layer->bold = options.bold;
    layer->italic = options.italic;
    layer->underline = options.underline;
    layer->shadow = options.shadow;
    layer->angle = options.angle;
    layer->refit();
    layer->opacity = std::clamp(options.opacity, 0, 100);
    layer->transparent = layer->opacity < 100;
    group.clearLayers();
    group.header = CWaterMarkersHeader{};
    group.header.alignMode = options.alignMode;
    group.addLayer(std::move(layer));
    group.deselectAll();
}

Result<> writeOneLayerLayout(const WatermarkLayerOptions& options, const std::string& path) {
    CControlTracker group;
    buildOneLayerLayout(options, group);
    return group.saveLayout(path);
}

}  // namespace pixmill
