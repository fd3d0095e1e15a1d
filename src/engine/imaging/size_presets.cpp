#include "engine/imaging/size_presets.h"

namespace pixmill {

std::string commonSizeLabel(const SizePreset& size) {
    return std::to_string(size.bound) + " 像素（" + size.name + "）";
}

std::string marketSizeLabel(const SizePreset& size) {
    return std::string(size.name) + "(宽" + std::to_string(size.bound) + "像素约" +
           std::to_string(size.labelledKb) + "KB)";
}

std::string boundList(std::span<const SizePreset> sizes) {
    std::string text;
    for (const SizePreset& size : sizes)
        text += (text.empty() ? "" : "/") + std::to_string(size.bound);
    return text;
}

std::string indexRange(std::span<const SizePreset> sizes) {
    return "0.." + std::to_string(sizes.size() - 1);
}

std::string labelledKbList(std::span<const SizePreset> sizes) {
    std::string text;
    for (const SizePreset& size : sizes)
        text += (text.empty() ? "约" : "、约") + std::to_string(size.labelledKb) + "KB";
    return text;
}

}  // namespace pixmill
