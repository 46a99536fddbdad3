// GDI text behind the Font interface: the faces GDI gives for the two classic names, the
// classic figures and character grid, the Song face behind the form face for Chinese, and
// drawing into our buffer.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/font_gdi.h"

namespace tv {
namespace {

const FontSpec kForm{"MS Sans Serif", 11, false};
const FontSpec kSong12{"宋体", 12, false};
const FontSpec kSong13Bold{"宋体", 13, true};

class GdiFonts : public ::testing::Test {
  protected:
    GdiFontEngine engine_;
};

TEST_F(GdiFonts, TheClassicFacesResolveToFacesThatHaveTheirCharacters) {
    EXPECT_FALSE(engine_.faceName(kForm).empty());
    EXPECT_FALSE(engine_.faceName(kSong12).empty());
    EXPECT_EQ(engine_.glyphSource(kSong12, U'托'), GdiGlyphSource::Primary);
    EXPECT_EQ(engine_.glyphSource(kSong12, U'A'), GdiGlyphSource::Primary);
    // The form face's Chinese comes from the Song face on the same line.
    EXPECT_EQ(engine_.glyphSource(kForm, U'A'), GdiGlyphSource::Primary);
    EXPECT_EQ(engine_.glyphSource(kForm, U'托'), GdiGlyphSource::Song);
    EXPECT_EQ(engine_.fallbackFaceName(kForm), engine_.faceName(kSong12));
    EXPECT_TRUE(engine_.fallbackFaceName(kSong12).empty());
    // "SimSun" is the same face as "宋体".
    EXPECT_EQ(engine_.faceName({"SimSun", 12, false}), engine_.faceName(kSong12));
}

TEST_F(GdiFonts, ClassicFiguresWhateverFaceGdiGives) {
    const Font& form = engine_.font(kForm);
    EXPECT_EQ(form.lineHeight(), 13);
    EXPECT_EQ(form.ascent(), 11);
    const Font& song = engine_.font(kSong12);
    EXPECT_EQ(song.lineHeight(), 12);
    // The layouts' stored negative heights and 0 name the same fonts.
    EXPECT_EQ(&engine_.font({"宋体", -12, false}), &song);
    EXPECT_EQ(&engine_.font({"", 0, false}), &form);
}

TEST_F(GdiFonts, TheSongFaceIsOnTheClassicCharacterGrid) {
    const Font& song = engine_.font(kSong12);
    EXPECT_EQ(song.textWidth("托尔万"), 36);
    EXPECT_EQ(song.textWidth("Tolvane"), 7 * 6);
    EXPECT_EQ(song.textWidth("托尔万(Tolvane)"), 36 + 9 * 6);
    // Bold adds its pixel: the layout's ">>" in bold 13 pixels is 16 wide.
    EXPECT_EQ(engine_.font(kSong13Bold).textWidth(">>"), 16);
    EXPECT_EQ(engine_.font(kSong13Bold).textWidth("网"), 14);
}

TEST_F(GdiFonts, ControlsTakeNoRoomTabsGoToStopsAndMissingCharactersGetABox) {
    const Font& form = engine_.font(kForm);
    EXPECT_EQ(form.textWidth("a\x01\x7F"
                             "b"),
              form.textWidth("ab"));
    const int stop = form.advance(U'\t');
    EXPECT_GT(stop, 0);
    EXPECT_EQ(form.textWidth("\t"), stop);
    EXPECT_EQ(form.textWidth("x\t"), stop);
    EXPECT_EQ(form.textWidth("\t\t"), 2 * stop);
    // A private-use character no face has, and malformed UTF-8, still take room.
    EXPECT_EQ(engine_.glyphSource(kForm, U'\uE000'), GdiGlyphSource::Replacement);
    EXPECT_GT(form.textWidth("\xEE\x80\x80"), 0);
    EXPECT_GT(form.textWidth("\xFF"), 0);
    EXPECT_EQ(form.advance(U'\u200B'), 0);  // invisible, whether the face has it or not
}

struct Surface {
    explicit Surface(int w, int h)
        : width(w), px(std::size_t(w) * std::size_t(h), 0xFFFFFFFFu), canvas(px.data(), w, h, w) {}
    int width;
    std::vector<Pixel> px;
    Canvas canvas;
    Pixel at(int x, int y) const { return px[std::size_t(y * width + x)]; }
    // The box around the pixels that are not white.
    Rect inked() const {
        Rect r{width, int(px.size()) / width, -1, -1};
        for (int y = 0; y < int(px.size()) / width; ++y)
            for (int x = 0; x < width; ++x)
                if ((at(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                    r.left = std::min(r.left, x);
                    r.top = std::min(r.top, y);
                    r.right = std::max(r.right, x + 1);
                    r.bottom = std::max(r.bottom, y + 1);
                }
        return r;
    }
};

TEST_F(GdiFonts, TextIsDrawnInItsColourInsideItsLineAndClip) {
    Surface s(120, 40);
    const Font& song = engine_.font(kSong12);
    song.draw(s.canvas, 10, 5, "托尔万", 0xFF000080u);
    const Rect ink = s.inked();
    ASSERT_LT(ink.left, ink.right) << "nothing was drawn";
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 10 + 36);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.bottom, 5 + song.lineHeight());
    // The classic faces are drawn black and white: every inked pixel is the colour.
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) {
            const Pixel p = s.at(x, y) & 0xFFFFFF;
            EXPECT_TRUE(p == 0xFFFFFF || p == 0x000080) << std::hex << p << " at " << x << "," << y;
        }

    Surface clipped(120, 40);
    {
        Canvas::Saver keep(clipped.canvas);
        clipped.canvas.clipTo({0, 0, 22, 40});
        song.draw(clipped.canvas, 10, 5, "托尔万", 0xFF000080u);
    }
    EXPECT_LE(clipped.inked().right, 22);
    EXPECT_GT(clipped.inked().right, 10);
}

// A narrow letter sits in the middle of its half-width cell: as much blank before the ink
// as after, or one more after. The ellipsis is three separate dots in bold too. Both as
// with FreeType.
TEST_F(GdiFonts, NarrowLettersSitInTheMiddleOfTheirCellsAndTheEllipsisIsThreeDots) {
    for (const FontSpec& spec : {kSong12, FontSpec{"宋体", 13, false}, kSong13Bold}) {
        const Font& f = engine_.font(spec);
        for (const char* letter : {"l", "i", "I"}) {
            Surface s(40, 30);
            f.draw(s.canvas, 10, 5, letter, 0xFF000000u);
            const Rect ink = s.inked();
            ASSERT_LT(ink.left, ink.right) << letter;
            const int before = ink.left - 10, after = 10 + f.textWidth(letter) - ink.right;
            EXPECT_TRUE(after == before || after == before + 1)
                << letter << (spec.bold ? " bold: " : ": ") << before << " | " << after;
        }
        Surface s(40, 30);
        f.draw(s.canvas, 10, 5, "…", 0xFF000000u);
        const Rect ink = s.inked();
        ASSERT_EQ(ink.height(), 1);
        std::string row;
        for (int x = ink.left; x < ink.right; ++x)
            row += s.at(x, ink.top) == 0xFF000000u ? '#' : '.';
        EXPECT_EQ(row, spec.bold ? "##..##..##" : "#...#...#");
    }
}

TEST_F(GdiFonts, ChineseInTheFormFaceSitsOnTheFormBaseline) {
    Surface latin(80, 30), chinese(80, 30);
    const Font& form = engine_.font(kForm);
    form.draw(latin.canvas, 2, 2, "H", 0xFF000000u);
    form.draw(chinese.canvas, 2, 2, "一", 0xFF000000u);
    // The horizontal stroke of 一 lies above the bottom of H, both on the line's baseline.
    ASSERT_LT(latin.inked().top, latin.inked().bottom);
    ASSERT_LT(chinese.inked().top, chinese.inked().bottom);
    EXPECT_EQ(latin.inked().bottom, 2 + form.ascent());
    EXPECT_LT(chinese.inked().bottom, 2 + form.lineHeight());
    EXPECT_EQ(form.textWidth("一"), 12);  // the Song's 12-pixel grid behind an 11-pixel face
}

}  // namespace
}  // namespace tv
