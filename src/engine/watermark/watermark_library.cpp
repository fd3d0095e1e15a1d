#include "engine/watermark/watermark_library.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace pixmill {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> sortedEntries(const fs::path& folder, bool wantFolders) {
    std::vector<fs::path> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error)
        return entries;
    // Explicit increments with an error code: the range-for form throws on a read error.
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::error_code typeError;
        bool isFolder = it->is_directory(typeError);
        if (typeError)
            continue;
        if (wantFolders ? isFolder : (!isFolder && it->is_regular_file(typeError)))
            entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

bool isLibraryPictureName(std::string_view fileName) {
    std::size_t dot = fileName.rfind('.');
    std::string extension;
    if (dot != std::string_view::npos) {
        for (char c : fileName.substr(dot))
            extension.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return std::string_view(".bmp.jpg.jpeg.png").find(extension) != std::string_view::npos;
}

std::vector<WatermarkCategory> scanWatermarkLibrary(const std::string& libraryFolder) {
    std::vector<WatermarkCategory> categories;
    for (const fs::path& folder : sortedEntries(fs::path(libraryFolder), true)) {
        std::string name = folder.filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        WatermarkCategory category;
        category.name = name;
        for (const fs::path& file : sortedEntries(folder, false)) {
            if (isLibraryPictureName(file.filename().string()))
                category.files.push_back(file.string());
        }
        categories.push_back(std::move(category));
    }
    return categories;
}

}  // namespace pixmill
