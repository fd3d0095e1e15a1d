#pragma once
// The watermark picture library: the folder "水印" beside the program, one subfolder per
// category, each holding pictures that a click on the image-watermark panel adds as a layer.
// Plain C++ (std::filesystem); the panel runs the scan on a background thread.

#include <string>
#include <string_view>
#include <vector>

namespace pixmill {

inline constexpr const char* kWatermarkLibraryFolderName = "水印";

struct WatermarkCategory {
    std::string name;                // the subfolder's name
    std::vector<std::string> files;  // full paths of the accepted pictures
};

// A picture is accepted when its extension — from the last "." to the end, lower-cased, empty
// without a "." — occurs inside ".bmp.jpg.jpeg.png". So "logo.pn" and "logo" pass (the panel
// has always listed them; an undecodable one adds a layer that draws nothing), "logo.gif" not.
bool isLibraryPictureName(std::string_view fileName);

// Every subfolder of `libraryFolder` whose name does not start with "." is a category; its
// accepted regular files are listed with their full paths. Categories and files come sorted by
// name, so the panel shows the same order on every file system. A missing or unreadable folder
// gives no categories; an unreadable category gives an empty one. Never throws.
std::vector<WatermarkCategory> scanWatermarkLibrary(const std::string& libraryFolder);

}  // namespace pixmill
