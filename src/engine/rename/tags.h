#pragma once
// Tags in rename rules and watermark texts: <no>, <maker>, <model>, <photodate>, <s>, <a>,
// <bias>, <iso>, <program>, <wb>, <flash>, <originalname>, <md5>.
//
// A text is split once (`prepareTags`) into literal segments and tags, then expanded for each
// item (`expandTags`). Plain C++ over UTF-8: "<" and ">" are single bytes that never occur
// inside a multi-byte UTF-8 character, so the byte search cannot match within one.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/catalog/catalog_item.h"

namespace pixmill {

enum class Tag {
    Number,
    Maker,
    Model,
    PhotoDate,
    ShutterSpeed,
    Aperture,
    Bias,
    Iso,
    Program,
    WhiteBalance,
    Flash,
    OriginalName,
    Md5,
};

struct TagInfo {
    Tag tag;
    std::string_view text;       // "<no>": the form written in a rule
    std::string_view menuLabel;  // "序号：<no>"
};

// The thirteen tags in menu order.
std::span<const TagInfo> tagTable();

struct TagRule {
    // printf format of <no>: "%0" + digits + "d" ("%03d" for 100..999 items).
    std::string numberFormat = "%01d";
    int numberDigits = 1;
    std::vector<std::string> segments{std::string()};  // always tags.size() + 1
    std::vector<Tag> tags;
};

// `count` is the number of items the numbers run over (it sets the zero padding of <no>);
// 0 or less counts as 1. Names between "<" and ">" are matched exactly and case-sensitively;
// anything else, an unmatched "<" included, stays literal. After a "<" whose name is no tag
// the search goes on from its ">", so "<<no>" stays literal.
TagRule prepareTags(int count, std::string_view text);
// The rule expanded for one item; never fails. Absent values print empty ("" for texts, "0"
// for the integers, "0.0" for aperture and bias, "unknown" for the shutter speed); <md5> of a
// file that cannot be read is what fileMd5Hex returns for it.
std::string expandTags(const TagRule& rule, const CatalogItem& item);

// The value one tag prints for an item (`rule` supplies the number format).
std::string tagValue(Tag tag, const TagRule& rule, const CatalogItem& item);

// The tag menu's choice: appends `tagText` to `ruleText` unless the rule already holds it
// anywhere. Returns whether the rule changed.
bool insertTag(std::string& ruleText, std::string_view tagText);

// The fixed item a rule is previewed against: number 1, "圣托里尼岛日照.jpg", a NIKON D90 at
// 2012-11-17 08:10:45, 1 s, f/5.6, -0.3 EV, ISO 100, white balance 3000, no path.
const CatalogItem& sampleItem();

}  // namespace pixmill
