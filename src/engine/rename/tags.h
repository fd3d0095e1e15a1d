#pragma once
// Tags in rename rules and watermark texts: <no>, <maker>, <model>, <photodate>, <s>, <a>,
// <bias>, <iso>, <program>, <wb>, <flash>, <originalname>, <md5>.
// (Contract header: the renaming module implements and may extend it, keeping these names.)

#include <string>
#include <string_view>

#include "engine/catalog/catalog_item.h"

namespace pixmill {

struct TagRule;  // a rule split into literal segments and tags once

// `count` is the number of items the numbers run over (it sets the zero padding of <no>);
// 0 or less counts as 1.
TagRule prepareTags(int count, std::string_view text);
// The rule expanded for one item; never fails.
std::string expandTags(const TagRule& rule, const CatalogItem& item);

}  // namespace pixmill
