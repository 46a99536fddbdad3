#include "host/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace tv {
namespace {

TEST(Codepage, ConvertsChineseBothWays) {
    const std::string title = "托尔万(Tolvane)";
    const auto bytes = utf8ToCp936(title);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "\xCD\xD0\xB6\xFB\xCD\xF2(Tolvane)");
    EXPECT_EQ(cp936ToUtf8(*bytes), title);
}

TEST(Codepage, KeepsTrailBytesThatLookLikeBackslash) {
    // The second byte of 誠 is 0x5C, the code of '\'.
    const auto bytes = utf8ToCp936("誠\\");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "\xD5\x5C\x5C");
    EXPECT_EQ(cp936ToUtf8(*bytes), "誠\\");
}

TEST(Codepage, EmptyAndNulTexts) {
    EXPECT_EQ(utf8ToCp936(""), "");
    EXPECT_EQ(cp936ToUtf8(""), "");
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(utf8ToCp936(withNul), withNul);
}

TEST(Codepage, RefusesWhatCodePage936CannotCarry) {
    EXPECT_FALSE(utf8ToCp936("标题😀"));             // emoji
    EXPECT_FALSE(utf8ToCp936("한국어"));            // Hangul syllables
    EXPECT_FALSE(utf8ToCp936("\xF3\xA0\x80\x81"));  // U+E0001, which iconv drops silently
}

TEST(Codepage, RefusesMalformedUtf8) {
    EXPECT_FALSE(utf8ToCp936("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(utf8ToCp936("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(utf8ToCp936("\xE6\x89"));          // cut short
    EXPECT_FALSE(utf8ToCp936("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(utf8ToCp936("a\xFF"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xF0\x8F\xBF\xBF"));  // overlong four-byte form
}

TEST(Codepage, RefusesMalformedCp936) {
    EXPECT_FALSE(cp936ToUtf8("\xB1"));      // lead byte without its trail
    EXPECT_FALSE(cp936ToUtf8("\xFF"));      // not a character
    EXPECT_FALSE(cp936ToUtf8("\x81\x20"));  // trail byte out of range
}

TEST(Codepage, LongTextsGrowTheBuffer) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "托尔万";
    const auto bytes = utf8ToCp936(text);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 30000u);
    EXPECT_EQ(cp936ToUtf8(*bytes), text);
}

}  // namespace
}  // namespace tv
