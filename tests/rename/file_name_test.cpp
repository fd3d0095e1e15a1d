#include <gtest/gtest.h>

#include "engine/rename/file_name.h"

namespace pixmill {
namespace {

TEST(SanitizeFileName, removesWhatNoFileNameHolds) {
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"a:b*c?", "abc"},
        {"<foo>", "foo"},
        {"x..", "x"},
        {" x ", "x"},
        {"x. ", "x."},  // the dots go before the blanks
        {"a\\b/c\"d|e", "abcde"},
        {"line\r\nbreak\ttab", "linebreaktab"},
        {std::string("nul\0byte", 8), "nulbyte"},
        {"\u3000全角空格\u3000", "全角空格"},
        {"\u00a0a\u2003", "a"},
        {"...", ""},
        {" . ", "."},
        {"2012:11:17 08:10:45", "20121117 081045"},
        {"日本.", "日本"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sanitizeFileName(c.text), c.expected) << c.text;
}

TEST(SanitizeFileName, keepsBytesThatAreNotUtf8) {
    EXPECT_EQ(sanitizeFileName("\xff a \xe3\x80"), "\xff a \xe3\x80");
    EXPECT_EQ(sanitizeFileName(" \xc0\xa0"), "\xc0\xa0");  // an overlong blank is no blank
}

TEST(ExtensionCase, changesOnlyAsciiLetters) {
    EXPECT_EQ(applyExtensionCase(".Jpg", ExtensionCase::Keep), ".Jpg");
    EXPECT_EQ(applyExtensionCase(".Jpg", ExtensionCase::Lower), ".jpg");
    EXPECT_EQ(applyExtensionCase(".jpG", ExtensionCase::Upper), ".JPG");
    EXPECT_EQ(applyExtensionCase(".Ä图j", ExtensionCase::Upper), ".Ä图J");
}

}  // namespace
}  // namespace pixmill
