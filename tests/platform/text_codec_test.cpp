#include <gtest/gtest.h>

#include "engine/platform/text_codec.h"

namespace pixmill {
namespace {

TEST(TextCodec, chineseRoundTripsThroughGbk) {
    const std::string text = "水印 Pixmill 宋体";
    auto gbk = utf8ToGbk(text);
    ASSERT_TRUE(gbk);
    EXPECT_EQ(*gbk, std::string("\xCB\xAE\xD3\xA1 Pixmill \xCB\xCE\xCC\xE5"));
    EXPECT_EQ(gbkToUtf8(*gbk), text);
}

TEST(TextCodec, aCharacterOutsideGbkIsRefused) {
    EXPECT_FALSE(utf8ToGbk("snow \xE2\x98\x83 man"));  // U+2603 is not in GBK
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x98\x80"));       // an emoji
}

TEST(TextCodec, damagedGbkKeepsTheRest) {
    EXPECT_EQ(gbkToUtf8(std::string("a\xFF"
                                    "b")),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(gbkToUtf8(std::string("ab\xCB")), "ab\xEF\xBF\xBD");  // cut in the middle
}

TEST(TextCodec, utf16RoundTrip) {
    const std::string text = "☃ 水";
    EXPECT_EQ(utf16leToUtf8(utf8ToUtf16le(text)), text);
    EXPECT_EQ(utf8ToUtf16le("A"), std::string("A\0", 2));
}

}  // namespace
}  // namespace pixmill
