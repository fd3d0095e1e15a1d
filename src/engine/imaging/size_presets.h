#pragma once
// The sizes the user picks by name: the resize panel's common sizes in list order (the command
// line's --preset) and the marketplace sizes by setting value (--market). Every text that names
// one of them (the panel's labels and tooltips, the command line's help and messages) is made
// from these two tables, so a bound and the words that name it cannot disagree.

#include <iterator>
#include <span>
#include <string>

namespace pixmill {

struct SizePreset {
    int bound;         // the longest side allowed, in pixels
    const char* name;  // the label's words around the numbers
    int labelledKb = 0;  // the file size a marketplace label names: the target of "按标注大小压缩"
};
inline constexpr SizePreset kCommonSizes[] = {
    {1600, "高清图，可做壁纸"}, {800, "文档网页用图"}, {640, "文档网页用图"},
    {320, "缩略图，小图"},      {160, "缩略图，小图"},
};
inline constexpr SizePreset kMarketSizes[] = {
    {500, "宝贝描述", 100},
    {250, "宝贝描述小图", 50},
    {310, "宝贝图片", 20},
};
inline constexpr int kMarketSizeCount = static_cast<int>(std::size(kMarketSizes));

// "1600 像素（高清图，可做壁纸）": a common size as the panel's list shows it.
std::string commonSizeLabel(const SizePreset& size);
// "宝贝描述(宽500像素约100KB)": a marketplace size as its radio button shows it.
std::string marketSizeLabel(const SizePreset& size);
// "1600/800/640/320/160": the bounds in table order.
std::string boundList(std::span<const SizePreset> sizes);
// "0..4": the numbers that pick an entry.
std::string indexRange(std::span<const SizePreset> sizes);
// "约100KB、约50KB、约20KB": the marketplace labels' file sizes.
std::string labelledKbList(std::span<const SizePreset> sizes);

}  // namespace pixmill
