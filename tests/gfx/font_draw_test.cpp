// Drawing: where the pixels land, that the Song strikes stay black and white, that the
// clip holds, and that a warmed font draws without allocating.
// Replacing the global allocation functions confuses this warning; they do match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "font_test_support.h"
#include "gfx/font_engine.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

// Counts every allocation of the test program, so a test can watch a stretch of code.
void* operator new(std::size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tv {
namespace {

using fonttest::kInk;
using fonttest::kPaper;
using fonttest::Sheet;

const FontSpec kSong12{"宋体", 12, false};
const FontSpec kSong13{"宋体", 13, false};
const FontSpec kSong12Bold{"宋体", 12, true};
const FontSpec kSong13Bold{"宋体", 13, true};
const FontSpec kForm{"MS Sans Serif", 11, false};

const char* const kLayoutTexts[] = {
    "托尔万(Tolvane)V2.1（增强版）",
    "修复被禁用“Internet临时文件设置”",
    "修复被禁用\"关闭浏览器\"",
    "Temporary Internet Files",
    "3.5软盘(A:) CD驱动器(G:) System(C:)",
    "设置IE标题： 扫描对象： 关于… >>",
    "Wg|jpq_()[]{}",
};

class FontDraw : public ::testing::Test {
  protected:
    FreeTypeFontEngine engine;
};

TEST_F(FontDraw, SongAndFormGlyphsAreBlackAndWhite) {
    for (const FontSpec& spec : {kSong12, kSong13, kSong12Bold, kSong13Bold, kForm}) {
        const Font& f = engine.font(spec);
        Sheet sheet(400, 20 * int(std::size(kLayoutTexts)));
        int y = 0;
        for (const char* text : kLayoutTexts) {
            f.draw(sheet.canvas, 0, y, text, kInk);
            y += 20;
        }
        int grey = 0;
        for (Pixel p : sheet.pixels) grey += p != kPaper && p != kInk;
        EXPECT_EQ(grey, 0) << spec.face << " " << spec.height;
        EXPECT_GT(sheet.inkCount(), 500);
    }
    // The check can see grey: an anti-aliased face leaves some.
    Sheet sheet(400, 20);
    engine.font({"DejaVu Serif", 14, false}).draw(sheet.canvas, 0, 0, "Temporary Files", kInk);
    int grey = 0;
    for (Pixel p : sheet.pixels) grey += p != kPaper && p != kInk;
    EXPECT_GT(grey, 0);
}

TEST_F(FontDraw, GlyphsSitOnTheBaselineAtTheMeasuredPositions) {
    const Font& f = engine.font(kSong12);
    Sheet a(100, 30), b(100, 30);
    f.draw(a.canvas, 10, 5, "I", kInk);
    f.draw(b.canvas, 10, 5, "设置I", kInk);
    // The "I" after two 12-pixel characters is the same "I", 24 pixels on.
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 12; ++x) EXPECT_EQ(a.at(10 + x, y), b.at(34 + x, y));
    }
    // Tabs: "\tI" puts the I on the first stop, 48 pixels on.
    Sheet t(100, 30);
    f.draw(t.canvas, 10, 5, "\tI", kInk);
    EXPECT_EQ(t.inkBounds(), a.inkBounds().translated(48, 0));
}

TEST_F(FontDraw, FormFontPutsLatinAndLinkedChineseOnOneBaseline) {
    const Font& f = engine.font(kForm);
    const int y = 20;
    Sheet latin(60, 60), han(60, 60);
    f.draw(latin.canvas, 5, y, "A", kInk);
    f.draw(han.canvas, 5, y, "扫", kInk);
    const int baseline = y + f.ascent();
    EXPECT_EQ(latin.inkBounds().bottom, baseline);  // capitals stand on the baseline
    EXPECT_GE(han.inkBounds().bottom, baseline);    // the ideograph's box reaches it
    EXPECT_LE(han.inkBounds().bottom, baseline + 1);
    EXPECT_GE(han.inkBounds().top, y);
    EXPECT_GT(han.inkBounds().height(), latin.inkBounds().height());
}

TEST_F(FontDraw, BoldIsTheRegularGlyphStruckTwiceOnePixelApart) {
    Sheet regular(40, 30), bold(40, 30);
    engine.font(kSong12).draw(regular.canvas, 5, 5, "设", kInk);
    engine.font(kSong12Bold).draw(bold.canvas, 5, 5, "设", kInk);
    for (int y = 0; y < 30; ++y) {
        for (int x = 1; x < 40; ++x) {
            const bool struck = regular.at(x, y) == kInk || regular.at(x - 1, y) == kInk;
            EXPECT_EQ(bold.at(x, y) == kInk, struck) << x << "," << y;
        }
    }
}

// The Song grid's letters sit in the middle of their half-width cells (the strikes draw
// the narrow ones at the left): as much blank before the ink as after, or one more after.
// Rows pin the letters of the product's name, so "Tolvane" reads as one word.
TEST_F(FontDraw, SongLettersAreCentredInTheirGridCells) {
    const struct {
        FontSpec spec;
        char letter;
        int before, after;  // blank columns in the cell
    } rows[] = {
        {kSong12, 'l', 1, 2},     {kSong13, 'l', 2, 2}, {kSong12Bold, 'l', 1, 2},
        {kSong13Bold, 'l', 2, 2}, {kSong12, 'i', 1, 2}, {kSong12, '.', 2, 3},
        {kSong12, 'o', 0, 1},     {kSong13, 'T', 0, 0}, {kSong12Bold, 'T', 0, 1},
    };
    auto blanks = [this](const FontSpec& spec, std::string_view text) {
        const Font& f = engine.font(spec);
        Sheet sheet(60, 30);
        f.draw(sheet.canvas, 10, 5, text, kInk);
        const Rect ink = sheet.inkBounds();
        return std::pair{ink.left - 10, 10 + f.textWidth(text) - ink.right};
    };
    for (const auto& row : rows) {
        const auto [before, after] = blanks(row.spec, std::string(1, row.letter));
        EXPECT_EQ(before, row.before) << row.letter << " at " << row.spec.height;
        EXPECT_EQ(after, row.after) << row.letter << " at " << row.spec.height;
    }
    for (const FontSpec& spec : {kSong12, kSong13, kSong12Bold, kSong13Bold}) {
        for (char c = '!'; c <= '~'; ++c) {
            const auto [before, after] = blanks(spec, std::string(1, c));
            if (before + after > 0) {  // ink narrower than the cell
                EXPECT_TRUE(after == before || after == before + 1)
                    << c << " at " << spec.height << (spec.bold ? " bold" : "") << ": " << before
                    << " | " << after;
            }
        }
    }
}

// The ellipsis of the caption "关于…" is three dots, one pixel wide (two in bold) and
// equally far apart, in the middle of the full-width cell: emboldening never joins them.
TEST_F(FontDraw, TheSongEllipsisIsThreeSeparateDots) {
    for (const FontSpec& spec : {kSong12, kSong13, kSong12Bold, kSong13Bold}) {
        SCOPED_TRACE(std::to_string(spec.height) + (spec.bold ? " bold" : ""));
        const Font& f = engine.font(spec);
        EXPECT_EQ(f.textWidth("…"), spec.height + (spec.bold ? 1 : 0));
        Sheet sheet(40, 30);
        f.draw(sheet.canvas, 10, 5, "…", kInk);
        const Rect ink = sheet.inkBounds();
        ASSERT_EQ(ink.height(), 1);
        std::vector<std::pair<int, int>> dots;  // first column, width
        for (int x = ink.left; x < ink.right; ++x) {
            if (sheet.at(x, ink.top) != kInk) continue;
            if (!dots.empty() && dots.back().first + dots.back().second == x)
                ++dots.back().second;
            else
                dots.push_back({x, 1});
        }
        ASSERT_EQ(dots.size(), 3u);
        for (const auto& d : dots) EXPECT_EQ(d.second, spec.bold ? 2 : 1);
        EXPECT_EQ(dots[1].first - dots[0].first, dots[2].first - dots[1].first);
        const int before = ink.left - 10, after = 10 + f.textWidth("…") - ink.right;
        EXPECT_TRUE(after == before || after == before + 1) << before << " | " << after;
    }
}

TEST_F(FontDraw, DrawingStaysInsideTheClip) {
    const Font& f = engine.font(kSong12);
    Sheet whole(120, 40), clipped(120, 40);
    f.draw(whole.canvas, 0, 10, "修复被禁用鼠标右键", kInk);
    clipped.canvas.save();
    clipped.canvas.translate(-5, 4);  // widget coordinates differ from the buffer's
    clipped.canvas.clipTo({35, 9, 65, 14});
    f.draw(clipped.canvas, 5, 6, "修复被禁用鼠标右键", kInk);
    clipped.canvas.restore();
    const Rect clip{30, 13, 60, 18};  // the clip in buffer coordinates
    int inside = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            if (clip.contains(Point{x, y})) {
                EXPECT_EQ(clipped.at(x, y), whole.at(x, y)) << x << "," << y;
                inside += clipped.at(x, y) == kInk;
            } else {
                EXPECT_EQ(clipped.at(x, y), kPaper) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inside, 10);
    // An empty clip draws nothing, and text far off to either side is harmless.
    Sheet none(40, 20);
    none.canvas.clipTo({});
    f.draw(none.canvas, 0, 0, "设置", kInk);
    f.draw(none.canvas, -2000000000, 0, "设置", kInk);
    f.draw(none.canvas, 2000000000, 2000000000, "设置", kInk);
    EXPECT_EQ(none.inkCount(), 0);
}

TEST_F(FontDraw, InvalidUtf8DrawsReplacementsAndNeverReadsPastTheEnd) {
    const Font& f = engine.font(kSong12);
    const std::string good = "设置";
    // Cut in the middle of the second character: the view ends there, the bytes after it
    // belong to someone else.
    const std::string_view cut(good.data(), 4);
    EXPECT_EQ(f.textWidth(cut), 12 + f.textWidth("\xEF\xBF\xBD"));
    EXPECT_EQ(f.textWidth("A\xFF"
                          "B"),
              12 + f.textWidth("\xEF\xBF\xBD"));
    Sheet sheet(100, 20);
    f.draw(sheet.canvas, 0, 0, "A\xC0\xAF\xE8", kInk);
    EXPECT_GT(sheet.inkCount(), 0);
}

TEST_F(FontDraw, AWarmedFontMeasuresAndDrawsWithoutAllocating) {
    Sheet sheet(400, 30);
    const FontSpec specs[] = {kSong12, kSong13Bold, kForm};
    const long start = allocations.load();
    for (const FontSpec& spec : specs) {
        const Font& f = engine.font(spec);
        for (const char* text : kLayoutTexts) {
            f.draw(sheet.canvas, 0, 0, text, kInk);
            f.textExtent(std::string(text) + "\t");
        }
    }
    const long before = allocations.load();
    ASSERT_GT(before, start) << "the first use fills the caches, so the counter must see it";
    long sum = 0;
    for (const FontSpec& spec : specs) {
        const Font& f = engine.font(spec);
        for (const char* text : kLayoutTexts) {
            f.draw(sheet.canvas, 0, 0, text, kInk);
            sum += f.textExtent(text).width + f.textWidth("\tA");
        }
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(sum, 0);
}

}  // namespace
}  // namespace tv
