#include "engine/rename/tags.h"

#include <array>
#include <cstdio>
#include <optional>

#include "engine/rename/file_digest.h"
#include "engine/rename/file_name.h"
#include "engine/rename/value_format.h"

namespace pixmill {
namespace {

constexpr std::array<TagInfo, 13> kTags{{
    {Tag::Number, "<no>", "序号：<no>"},
    {Tag::Maker, "<maker>", "相机生产商：<maker>"},
    {Tag::Model, "<model>", "相机型号：<model>"},
    {Tag::PhotoDate, "<photodate>", "拍摄日期：<photodate>"},
    {Tag::ShutterSpeed, "<s>", "快门速度：<s>"},
    {Tag::Aperture, "<a>", "光圈：<a>"},
    {Tag::Bias, "<bias>", "曝光补偿：<bias>"},
    {Tag::Iso, "<iso>", "ISO：<iso>"},
    {Tag::Program, "<program>", "曝光程序：<program>"},
    {Tag::WhiteBalance, "<wb>", "白平衡：<wb>"},
    {Tag::Flash, "<flash>", "是否开启闪光灯：<flash>"},
    {Tag::OriginalName, "<originalname>", "原始文件名：<originalname>"},
    {Tag::Md5, "<md5>", "文件MD5：<md5>"},
}};

std::optional<Tag> tagNamed(std::string_view name) {
    for (const TagInfo& info : kTags) {
        // The table holds the bracketed form; the name is what lies between the brackets.
        if (info.text.substr(1, info.text.size() - 2) == name)
            return info.tag;
    }
    return std::nullopt;
}

int decimalDigits(int value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

std::string decimal(std::int32_t value) {
    return std::to_string(value);
}

}  // namespace

std::span<const TagInfo> tagTable() {
    return kTags;
}

TagRule prepareTags(int count, std::string_view text) {
    TagRule rule;
    rule.numberDigits = decimalDigits(count < 1 ? 1 : count);
    rule.numberFormat = "%0" + std::to_string(rule.numberDigits) + "d";
    rule.segments.clear();
    size_t searchFrom = 0;
    size_t literalStart = 0;
    for (;;) {
        const size_t open = text.find('<', searchFrom);
        if (open == std::string_view::npos)
            break;
        const size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        if (std::optional<Tag> tag = tagNamed(text.substr(open + 1, close - open - 1))) {
            rule.segments.emplace_back(text.substr(literalStart, open - literalStart));
            rule.tags.push_back(*tag);
            literalStart = close + 1;
        }
        searchFrom = close;
    }
    rule.segments.emplace_back(text.substr(literalStart));
    return rule;
}

std::string tagValue(Tag tag, const TagRule& rule, const CatalogItem& item) {
    switch (tag) {
        case Tag::Number: {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%0*d", rule.numberDigits, item.number);
            return buffer;
        }
        case Tag::Maker:
            return item.cameraMake;
        case Tag::Model:
            return item.cameraModel;
        case Tag::PhotoDate:
            return item.shootingDate;
        case Tag::ShutterSpeed:
            return formatExposureTime(item.exposureTime);
        case Tag::Aperture:
            return formatAperture(item.apertureFNumber);
        case Tag::Bias:
            return formatExposureBias(item.exposureBias);
        case Tag::Iso:
            return decimal(item.isoEquivalent);
        case Tag::Program:
            return decimal(item.exposureProgram);
        case Tag::WhiteBalance:
            return decimal(item.whiteBalance);
        case Tag::Flash:
            return decimal(item.flashUsed);
        case Tag::OriginalName:
            return std::string(fileBaseName(item.fileName));
        case Tag::Md5:
            return fileMd5Hex(item.fullPath);
    }
    return std::string();
}

std::string expandTags(const TagRule& rule, const CatalogItem& item) {
    std::string result;
    for (size_t i = 0; i < rule.tags.size(); ++i) {
        result += rule.segments[i];
        result += tagValue(rule.tags[i], rule, item);
    }
    if (!rule.segments.empty())
        result += rule.segments.back();
    return result;
}

bool insertTag(std::string& ruleText, std::string_view tagText) {
    if (ruleText.find(tagText) != std::string::npos)
        return false;
    ruleText += tagText;
    return true;
}

const CatalogItem& sampleItem() {
    static const CatalogItem sample = [] {
        CatalogItem item;
        item.number = 1;
        item.fileName = "圣托里尼岛日照.jpg";
        item.shootingDate = "2012-11-17 08:10:45";
        item.cameraMake = "NIKON CORPORATION";
        item.cameraModel = "NIKON D90";
        item.exposureTime = 1.0f;
        item.apertureFNumber = 5.6f;
        item.exposureBias = -0.3f;
        item.whiteBalance = 3000;
        item.exposureProgram = 0;
        item.isoEquivalent = 100;
        item.flashUsed = 0;
        return item;
    }();
    return sample;
}

}  // namespace pixmill
