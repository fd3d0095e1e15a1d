#include "engine/imaging/batch_output.h"

#include <filesystem>
#include <system_error>

#include "engine/imaging/input_formats.h"
#include "engine/imaging/output_format.h"

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

std::string outputPathFor(const std::string& outputDir, const CatalogItem& item) {
    return outputDir +
           outputFileName(item.fileName,
                          writtenFormat(OutputOptions{}, formatOfFileName(item.fileName)));
}

Result<> checkOutput(const BatchEnvironment& env, const CatalogItem& item) {
    std::error_code error;
    if (env.outputDir.empty() || !fs::is_directory(fs::path(env.outputDir), error))
        return makeError("输出目录不存在：" + env.outputDir);
    const std::string itemFolder = fs::path(item.fullPath).parent_path().string();
    if (sameFolder(env.outputDir, env.currentFolder) || sameFolder(env.outputDir, itemFolder))
        return makeError(
            "输出目录就是图片所在的目录，写入会覆盖原图，已拒绝处理；请在选项中另选输出目录");
    return {};
}

bool isSameFile(const std::string& source, const std::string& output) {
    std::error_code error;
    return fs::equivalent(fs::path(source), fs::path(output), error);
}

}  // namespace pixmill
