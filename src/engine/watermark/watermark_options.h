#pragma once
// A one-layer layout from the command line's watermark options, with the text panel's defaults,
// so that `pixmill-cli watermark --text ...` stamps what the panel's add button would arrange.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/watermark/control_tracker.h"

namespace pixmill {

// The text panel's defaults for a new text layer, which the command line's one-layer layout
// shares.
inline constexpr const char* kDefaultFontName = "宋体";
inline constexpr int kDefaultFontSize = 28;
inline constexpr int kDefaultOpacity = 100;

struct WatermarkLayerOptions {
    std::string text;                         // UTF-8; may hold tags
    std::string picturePath;                  // a picture drawn in the same layer, under the text
    std::string fontName = kDefaultFontName;  // falls back to a family covering Chinese
    int fontSize = kDefaultFontSize;          // points, clamped to 8..200
    std::uint32_t color = 0;                  // 0x00BBGGRR (see parseWebColor)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int angle = 0;
    bool shadow = false;
    int opacity = kDefaultOpacity;  // percent, clamped to 0..100; below 100 the text is too
    int alignMode = -1;             // -1 none (the layer stays at the top-left), 0..8 the grid cell
};

// "RRGGBB" (an optional leading '#', hex digits of either case) as 0x00BBGGRR; nothing for
// anything else.
std::optional<std::uint32_t> parseWebColor(std::string_view rrggbb);

// Replaces the group's layers with one layer built from `options`, sized as the panels size a
// new layer (the picture's size when it decodes, grown to the rotated text box), at (0, 0).
void buildOneLayerLayout(const WatermarkLayerOptions& options, CControlTracker& group);

// buildOneLayerLayout into a fresh group, saved as the layout file `path`. Fails when the file
// cannot be written.
Result<> writeOneLayerLayout(const WatermarkLayerOptions& options, const std::string& path);

}  // namespace pixmill
