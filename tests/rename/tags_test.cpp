#include <gtest/gtest.h>

#include "engine/rename/tags.h"
#include "engine/rename/value_format.h"

namespace pixmill {
namespace {

CatalogItem itemNumbered(int number) {
    CatalogItem item;
    item.number = number;
    return item;
}

std::string expand(int count, std::string_view rule, const CatalogItem& item) {
    return expandTags(prepareTags(count, rule), item);
}

TEST(PrepareTags, padsTheNumberToTheDigitsOfTheCount) {
    const struct {
        int count;
        std::string expected;
    } cases[] = {{250, "IMG_007"}, {1000, "IMG_0007"}, {0, "IMG_7"},   {-5, "IMG_7"},
                 {9, "IMG_7"},     {10, "IMG_07"},     {99, "IMG_07"}, {100, "IMG_007"}};
    for (const auto& c : cases) {
        EXPECT_EQ(expand(c.count, "IMG_<no>", itemNumbered(7)), c.expected) << c.count;
    }
    EXPECT_EQ(prepareTags(250, "").numberFormat, "%03d");
    // A number wider than the padding is printed whole.
    EXPECT_EQ(expand(12, "<no>", itemNumbered(100)), "100");
}

TEST(PrepareTags, leavesWhatIsNoTagLiteral) {
    CatalogItem item = itemNumbered(3);
    item.cameraMake = "NIKON";
    const struct {
        const char* rule;
        const char* expected;
    } cases[] = {
        {"<No>_<maker>", "<No>_NIKON"},  // names are case-sensitive
        {"a<b", "a<b"},                  // no ">"
        {"<<no>", "<<no>"},              // the search resumes at the ">" of "<<no>"
        {"<<no>>", "<<no>>"},
        {"<no>-<no>", "3-3"},
        {"<foo><no>", "<foo>3"},
        {"<>", "<>"},
        {">x<no", ">x<no"},
        {"日<no>本", "日3本"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expand(1, c.rule, item), c.expected) << c.rule;
}

TEST(PrepareTags, keepsOneMoreSegmentThanTags) {
    const TagRule rule = prepareTags(1, "a<no>b<wb>c<x>");
    ASSERT_EQ(rule.tags.size(), 2u);
    EXPECT_EQ(rule.tags[0], Tag::Number);
    EXPECT_EQ(rule.tags[1], Tag::WhiteBalance);
    EXPECT_EQ(rule.segments, (std::vector<std::string>{"a", "b", "c<x>"}));
    EXPECT_EQ(prepareTags(1, "").segments.size(), 1u);
}

TEST(ExpandTags, printsEveryTagOfTheSampleItem) {
    const TagRule rule = prepareTags(0,
                                     "<no>|<maker>|<model>|<photodate>|<s>|<a>|<bias>|<iso>|"
                                     "<program>|<wb>|<flash>|<originalname>|<md5>");
    EXPECT_EQ(expandTags(rule, sampleItem()),
              "1|NIKON CORPORATION|NIKON D90|2012-11-17 08:10:45|1.0'|5.6|-0.3|100|0|3000|0|"
              "圣托里尼岛日照|0123456789abcdeffedcba9876543210");
}

TEST(ExpandTags, printsAbsentValuesInTheirEmptyForms) {
    const TagRule rule = prepareTags(1, "[<maker>][<s>][<a>][<bias>][<iso>][<md5>]");
    EXPECT_EQ(expandTags(rule, CatalogItem()),
              "[][unknown][0.0][0.0][0][0123456789abcdeffedcba9876543210]");
}

TEST(ExpandTags, originalNameStopsAtTheLastDot) {
    const struct {
        const char* fileName;
        const char* expected;
    } cases[] = {{"a.b.jpg", "a.b"}, {"noext", "noext"}, {"x.", "x"}, {".jpg", ""}};
    for (const auto& c : cases) {
        CatalogItem item;
        item.fileName = c.fileName;
        EXPECT_EQ(expand(1, "<originalname>", item), c.expected) << c.fileName;
    }
}

TEST(ValueFormat, printsShutterSpeedApertureAndBias) {
    const struct {
        float seconds;
        const char* expected;
    } shutter[] = {{0.004f, "1／250'"},
                   {0.3f, "1／4'"},
                   {2.5f, "2.5'"},
                   {1.0f, "1.0'"},
                   {0.0f, "unknown"},
                   {1.0f / 3, "1／3'"},
                   {1e-30f, "1／1000000015047466219876688855040'"}};
    for (const auto& c : shutter)
        EXPECT_EQ(formatExposureTime(c.seconds), c.expected);
    EXPECT_EQ(formatExposureTime(std::numeric_limits<float>::quiet_NaN()), "unknown");
    EXPECT_EQ(formatExposureTime(std::numeric_limits<float>::denorm_min()), "unknown");
    EXPECT_EQ(formatAperture(5.6f), "5.6");
    EXPECT_EQ(formatAperture(0.0f), "0.0");
    EXPECT_EQ(formatExposureBias(-0.3f), "-0.3");
    EXPECT_EQ(formatExposureBias(0.7f), "0.7");
}

TEST(InsertTag, appendsOnlyATagTheRuleLacks) {
    std::string rule = "IMG_<maker>";
    EXPECT_FALSE(insertTag(rule, "<maker>"));
    EXPECT_EQ(rule, "IMG_<maker>");
    EXPECT_TRUE(insertTag(rule, "<no>"));
    EXPECT_EQ(rule, "IMG_<maker><no>");
    ASSERT_EQ(tagTable().size(), 13u);
    EXPECT_EQ(tagTable()[0].menuLabel, "序号：<no>");
    EXPECT_EQ(tagTable()[12].text, "<md5>");
    // Every menu entry is a tag the expansion knows.
    for (const TagInfo& info : tagTable()) {
        EXPECT_EQ(prepareTags(1, info.text).tags, std::vector<Tag>{info.tag}) << info.text;
    }
}

}  // namespace
}  // namespace pixmill
