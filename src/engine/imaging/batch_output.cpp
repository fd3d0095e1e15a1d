#include "engine/imaging/batch_output.h"

#include <filesystem>
#include <system_error>

#include "engine/imaging/input_formats.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;

bool sameFolder(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    std::error_code error;
    return fs::equivalent(fs::path(a), fs::path(b), error);
}

}  // namespace

ImageFileFormat keptOutputFormat(const std::string& fileName) {
    const ImageFileFormat source = formatOfFileName(fileName);
    return source == ImageFileFormat::Png || source == ImageFileFormat::Bmp ? source
                                                                            : ImageFileFormat::Jpeg;
}

std::string outputFileName(const std::string& fileName, ImageFileFormat format) {
    if (formatOfFileName(fileName) == format)
        return fileName;
    const std::size_t dot = fileName.rfind('.');
    const std::string base = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    switch (format) {
        case ImageFileFormat::Png:
            return base + ".png";
        case ImageFileFormat::Bmp:
            return base + ".bmp";
        case ImageFileFormat::Webp:
            return base + ".webp";
        default:
            return base + ".jpg";
    }
}

std::string outputPathFor(const std::string& outputDir, const CatalogItem& item) {
    return outputDir + outputFileName(item.fileName, keptOutputFormat(item.fileName));
}

std::string refuseOutput(const BatchEnvironment& env, const CatalogItem& item) {
    std::error_code error;
    if (env.outputDir.empty() || !fs::is_directory(fs::path(env.outputDir), error))
        return "输出目录不存在：" + env.outputDir;
    const std::string itemFolder = fs::path(item.fullPath).parent_path().string();
    if (sameFolder(env.outputDir, env.currentFolder) || sameFolder(env.outputDir, itemFolder))
        return "输出目录就是图片所在的目录，写入会覆盖原图，已拒绝处理；请在选项中另选输出目录";
    return {};
}

bool isSameFile(const std::string& source, const std::string& output) {
    std::error_code error;
    return fs::equivalent(fs::path(source), fs::path(output), error);
}

}  // namespace pixmill
