#include "gfx/font_utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tv {
namespace {

std::vector<char32_t> decodeAll(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t before = pos;
        out.push_back(decodeUtf8(text, pos));
        EXPECT_GT(pos, before) << "decoding must always advance";
        EXPECT_LE(pos, text.size()) << "decoding must not run past the end";
    }
    return out;
}

using Cps = std::vector<char32_t>;
constexpr char32_t R = kReplacementCharacter;

TEST(Utf8Decode, WellFormedSequencesOfEveryLength) {
    EXPECT_EQ(decodeAll("A"), Cps{U'A'});
    EXPECT_EQ(decodeAll("\xC3\xA9"), Cps{0xE9});
    EXPECT_EQ(decodeAll("设置IE"), (Cps{0x8BBE, 0x7F6E, U'I', U'E'}));
    EXPECT_EQ(decodeAll("\xF0\x9F\x98\x80"), Cps{0x1F600});
    EXPECT_EQ(decodeAll("\xF4\x8F\xBF\xBF"), Cps{0x10FFFF});
    EXPECT_EQ(decodeAll(std::string_view("\0", 1)), Cps{0});
}

TEST(Utf8Decode, IllFormedBytesBecomeOneReplacementPerMaximalSubpart) {
    EXPECT_EQ(decodeAll("\x80"), Cps{R});                         // stray continuation
    EXPECT_EQ(decodeAll("\xFF\xFE"), (Cps{R, R}));                // never valid
    EXPECT_EQ(decodeAll("\xC0\xAF"), (Cps{R, R}));                // overlong "/"
    EXPECT_EQ(decodeAll("\xE0\x80\xAF"), (Cps{R, R, R}));         // overlong, 3 bytes
    EXPECT_EQ(decodeAll("\xED\xA0\x80"), (Cps{R, R, R}));         // surrogate
    EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"), (Cps{R, R, R, R}));  // past U+10FFFF
    EXPECT_EQ(decodeAll("\xF5\x80"), (Cps{R, R}));
    // A valid lead with a bad follower: the lead alone is replaced and the follower read
    // again on its own.
    EXPECT_EQ(decodeAll("\xE8\xAEX"), (Cps{R, U'X'}));
    EXPECT_EQ(decodeAll("\xC3("), (Cps{R, U'('}));
}

TEST(Utf8Decode, SequencesCutShortAtTheEndStopAtTheEnd) {
    EXPECT_EQ(decodeAll("A\xE8"), (Cps{U'A', R}));
    EXPECT_EQ(decodeAll("A\xE8\xAE"), (Cps{U'A', R}));
    EXPECT_EQ(decodeAll("\xF0\x9F\x98"), Cps{R});
    // A view cut inside a longer buffer must not read the bytes after it.
    const char buffer[] = "\xE8\xAE\xBE";
    EXPECT_EQ(decodeAll(std::string_view(buffer, 2)), Cps{R});
}

TEST(Utf8Encode, RoundTripsAndReplacesWhatCannotBeEncoded) {
    for (char32_t cp : {char32_t(0x41), char32_t(0x7FF), char32_t(0x800), char32_t(0xFFFF),
                        char32_t(0x10000), char32_t(0x10FFFF)}) {
        char buf[4];
        const int n = encodeUtf8(cp, buf);
        std::size_t pos = 0;
        EXPECT_EQ(decodeUtf8(std::string_view(buf, std::size_t(n)), pos), cp);
        EXPECT_EQ(pos, std::size_t(n));
    }
    char buf[4];
    EXPECT_EQ(encodeUtf8(0xD800, buf), 3);
    EXPECT_EQ(std::string(buf, 3), "\xEF\xBF\xBD");
    EXPECT_EQ(encodeUtf8(0x110000, buf), 3);
}

}  // namespace
}  // namespace tv
