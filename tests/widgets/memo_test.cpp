// The memo: word wrap, emptying, read-only editing keys, caret and selection by mouse,
// scrolling by wheel, arrows and keys, and its scroll bar's greyed and live looks.
#include <gtest/gtest.h>

#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/memo.h"

namespace tv {
namespace {

using platform::kCtrl;
using platform::Key;
using platform::kShift;

// Memo1 of the disk scan page: 329 x 129, read-only, vertical bar, the form font
// (fake: 6-pixel Latin, 11-pixel Chinese, 13-pixel lines).
struct Memo : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {420, 380}, platform::WindowRole::Main};
    test::Driver drv{platform, app};
    TMemo& memo = form.make<TMemo>();

    Memo() {
        form.setColor(kPageGrey);
        form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
        memo.setParent(&form);
        memo.setBounds(48, 216, 329, 129);
        memo.setReadOnly(true);
        memo.setScrollBars(TScrollStyle::ssVertical);
    }
    void start() {
        form.show();
        drv.start();
    }
    Pixel at(int x, int y) { return platform.window(form.window().id())->pixelAt(x, y); }
    std::string lines() const {
        std::string all;
        for (int i = 0; i < memo.lineCount(); ++i) all += std::string(memo.line(i)) + "|";
        return all;
    }
    static std::string numbered(int n) {
        std::string t;
        for (int i = 0; i < n; ++i)
            t += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
        return t;
    }
};

// Wrapping.

TEST_F(Memo, TheTextAreaLiesInsideTheEdgeLeftOfTheBar) {
    EXPECT_EQ(memo.textRect(), (Rect{3, 2, 329 - 2 - 16 - 1, 127}));
    EXPECT_EQ(memo.scrollBar()->bounds(), (Rect{311, 2, 327, 127}));
    EXPECT_EQ(memo.visibleLines(), 9);  // 125 / 13
}

TEST_F(Memo, ALongLineWrapsAfterTheBlanksThatEndAWord) {
    // 307 pixels hold 51 Latin characters: six words of seven and a blank (48), not seven.
    std::string text;
    for (int i = 0; i < 14; ++i) text += "word" + std::to_string(i % 10) + "xx ";
    memo.setText(text);
    ASSERT_EQ(memo.lineCount(), 3);
    EXPECT_EQ(memo.line(0), "word0xx word1xx word2xx word3xx word4xx word5xx ");
    EXPECT_EQ(memo.line(1), "word6xx word7xx word8xx word9xx word0xx word1xx ");
    EXPECT_EQ(memo.line(2), "word2xx word3xx ");
    const Font& f = fonts.font(memo.font().spec);
    for (int i = 0; i < memo.lineCount(); ++i) {
        std::string_view l = memo.line(i);
        while (!l.empty() && l.back() == ' ') l.remove_suffix(1);
        EXPECT_LE(f.textWidth(l), memo.textRect().width()) << i;
    }
}

TEST_F(Memo, ChineseBreaksBetweenAnyTwoCharactersAndLongWordsBreakInside) {
    std::string zh;
    for (int i = 0; i < 30; ++i) zh += "扫";
    memo.setText(zh);  // 11 pixels each: 27 in 307
    ASSERT_EQ(memo.lineCount(), 2);
    EXPECT_EQ(memo.line(0).size(), 27u * 3);
    memo.setText("正在扫描：" + std::string(60, 'x'));  // no blank anywhere
    ASSERT_EQ(memo.lineCount(), 3);
    EXPECT_EQ(memo.line(0), "正在扫描：");  // the break between Chinese and Latin
    EXPECT_EQ(memo.line(1), std::string(51, 'x'));
    EXPECT_EQ(memo.line(2), std::string(9, 'x'));
    memo.setText(std::string(120, 'y'));
    EXPECT_EQ(lines(),
              std::string(51, 'y') + "|" + std::string(51, 'y') + "|" + std::string(18, 'y') + "|");
}

TEST_F(Memo, LineBreaksOfEveryKindEndLinesAndNarrowingReWraps) {
    memo.setText("one\r\ntwo\nthree\rfour\r\n");
    EXPECT_EQ(lines(), "one|two|three|four||");
    memo.setText("aaaa bbbb cccc");
    EXPECT_EQ(memo.lineCount(), 1);
    memo.setWidth(2 + 1 + 60 + 1 + 16 + 2);  // room for ten characters
    EXPECT_EQ(lines(), "aaaa bbbb |cccc|");
}

TEST_F(Memo, AFontTakenFromANewParentReWrapsTheLines) {
    auto& late = form.make<TMemo>();
    late.setScrollBars(TScrollStyle::ssVertical);
    late.setBounds(48, 20, 329, 129);
    late.setText(std::string(60, 'x'));
    EXPECT_EQ(late.line(0).size(), 51u);  // 6-pixel characters of the default font
    form.setFont(TFont{{"宋体", 13, false}, clWindowText});
    late.setParent(&form);  // 7-pixel characters from here on
    start();
    EXPECT_EQ(late.line(0).size(), 43u);
    EXPECT_EQ(late.line(1).size(), 17u);
}

TEST_F(Memo, SettingTheEmptyTextEmptiesIt) {
    memo.setText("正在扫描：");
    start();
    const Point o = memo.windowOrigin();
    EXPECT_NE(at(o.x + 5, o.y + 5), test::classicPixel(clWindow));
    memo.setText("");
    drv.advance(0);
    EXPECT_EQ(memo.text(), "");
    EXPECT_EQ(memo.lineCount(), 1);
    EXPECT_EQ(memo.line(0), "");
    for (int x = 6; x < 300; x += 3)
        ASSERT_EQ(at(o.x + x, o.y + 8), test::classicPixel(clWindow)) << x;
}

TEST_F(Memo, SettingTheSameTextRepaintsNothing) {
    memo.setText("正在扫描：");
    start();
    ASSERT_FALSE(form.hasDamage());
    memo.setText("正在扫描：");
    EXPECT_FALSE(form.hasDamage());
}

// Keys.

TEST_F(Memo, ReadOnlyIgnoresTypingButSelectsAndCopies) {
    memo.setText("正在扫描：C:\\");
    start();
    drv.click(form, memo.windowOrigin() + Point{50, 8});
    ASSERT_TRUE(memo.focused());
    drv.type(form, "x");
    drv.key(form, Key::Backspace);
    drv.key(form, Key::Delete);
    drv.key(form, Key::Return);
    platform.setClipboardText("junk");
    drv.key(form, Key::V, kCtrl);
    drv.key(form, Key::X, kCtrl);
    EXPECT_EQ(memo.text(), "正在扫描：C:\\");
    drv.key(form, Key::A, kCtrl);
    drv.key(form, Key::C, kCtrl);
    EXPECT_EQ(platform.clipboardText(), "正在扫描：C:\\");
}

TEST_F(Memo, AnEditableMemoTypesBreaksLinesAndDeletesCrLfAsOne) {
    memo.setReadOnly(false);
    start();
    drv.click(form, memo.windowOrigin() + Point{50, 8});
    drv.type(form, "ab");
    drv.key(form, Key::Return);
    drv.type(form, "c");
    EXPECT_EQ(memo.text(), "ab\r\nc");
    EXPECT_EQ(memo.caretLine(), 1);
    drv.key(form, Key::Left);
    drv.key(form, Key::Backspace);
    EXPECT_EQ(memo.text(), "abc");
}

TEST_F(Memo, UpDownHomeAndEndFollowTheWrappedLines) {
    memo.setText(numbered(3));
    start();
    drv.click(form, memo.windowOrigin() + Point{3 + 6 * 2, 2 + 13 + 5});  // line 1, column 2
    EXPECT_EQ(memo.caretPos(), std::string("line 0\r\nli").size());
    drv.key(form, Key::Down);
    EXPECT_EQ(memo.caretPos(), std::string("line 0\r\nline 1\r\nli").size());
    drv.key(form, Key::End, kShift);
    EXPECT_EQ(memo.selectedText(), "ne 2");
    drv.key(form, Key::Home, kCtrl);
    EXPECT_EQ(memo.caretPos(), 0u);
    drv.key(form, Key::End, kCtrl);
    EXPECT_EQ(memo.caretPos(), memo.text().size());
}

// The mouse.

TEST_F(Memo, AClickPlacesTheCaretAndADragSelectsAcrossLines) {
    memo.setText(numbered(4));
    start();
    const Point o = memo.windowOrigin();
    drv.move(form, o + Point{3 + 6 * 5, 2 + 5});
    drv.press(form, o + Point{3 + 6 * 5, 2 + 5});  // before "0"
    EXPECT_EQ(memo.caretPos(), 5u);
    drv.move(form, o + Point{3 + 6 * 4, 2 + 2 * 13 + 5});
    drv.release(form, o + Point{3 + 6 * 4, 2 + 2 * 13 + 5});
    EXPECT_EQ(memo.selectedText(), "0\r\nline 1\r\nline");
    drv.key(form, Key::C, kCtrl);
    EXPECT_EQ(platform.clipboardText(), "0\r\nline 1\r\nline");
    drv.doubleClick(form, o + Point{3 + 6 * 2, 2 + 3 * 13 + 5});
    EXPECT_EQ(memo.selectedText(), "line ");
}

TEST_F(Memo, AClickRightOfAWrappedLinePutsTheCaretAtItsEnd) {
    memo.setText(std::string(40, 'a') + " " + std::string(40, 'b'));
    start();
    ASSERT_EQ(memo.lineCount(), 2);
    drv.click(form, memo.windowOrigin() + Point{290, 2 + 5});
    EXPECT_EQ(memo.caretPos(), 41u);
    EXPECT_EQ(memo.caretLine(), 0);  // not the start of the next line, the same offset
    drv.key(form, Key::Right);
    EXPECT_EQ(memo.caretLine(), 1);
}

// Scrolling.

TEST_F(Memo, TheWheelScrollsThreeLinesANotchOnlyWhenTheTextIsLonger) {
    memo.setText(numbered(5));
    start();
    drv.click(form, memo.windowOrigin() + Point{50, 8});
    memo.mouseWheel(-1, 0);
    EXPECT_EQ(memo.topLine(), 0);
    memo.setText(numbered(30));
    memo.mouseWheel(-1, 0);
    EXPECT_EQ(memo.topLine(), 3);
    EXPECT_EQ(memo.scrollBar()->position(), 3);
    memo.mouseWheel(-20, 0);
    EXPECT_EQ(memo.topLine(), 30 - 9);
    memo.mouseWheel(2, 0);
    EXPECT_EQ(memo.topLine(), 30 - 9 - 6);
}

TEST_F(Memo, ArrowClicksAndKeysScrollTheView) {
    memo.setText(numbered(30));
    start();
    const Point o = memo.windowOrigin();
    const Rect down = memo.scrollBar()->downArrowRect().translated(o);
    drv.click(form, {down.left + 8, down.top + 8});
    EXPECT_EQ(memo.topLine(), 1);
    drv.key(form, Key::End, kCtrl);
    EXPECT_EQ(memo.topLine(), 30 - 9);
    drv.key(form, Key::PageUp);
    EXPECT_EQ(memo.topLine(), 30 - 18);
    EXPECT_EQ(memo.caretLine(), 29 - 9);
}

TEST_F(Memo, TheBarIsGreyedWhileEverythingFitsAndLiveOtherwise) {
    memo.setText("正在扫描：");
    start();
    const Point o = memo.windowOrigin();
    const Rect up = memo.scrollBar()->upArrowRect().translated(o);
    // The apex of the up arrow's triangle, and one pixel right and below (the emboss).
    const Point apex{up.left + 7, up.top + 6};
    EXPECT_EQ(at(apex.x, apex.y), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(apex.x + 1, apex.y + 1), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(apex.x + 4, apex.y + 4), test::classicPixel(clBtnHighlight));
    EXPECT_TRUE(memo.scrollBar()->thumbRect().empty());
    // The edge of the arrow button: raised.
    EXPECT_EQ(at(up.left, up.top), test::classicPixel(cl3DLight));
    EXPECT_EQ(at(up.left + 1, up.top + 1), test::classicPixel(clBtnHighlight));
    EXPECT_EQ(at(up.right - 1, up.bottom - 1), test::classicPixel(cl3DDkShadow));
    // The track is a checker of highlight and face.
    const Rect track = memo.scrollBar()->trackRect().translated(o);
    const Pixel t0 = at(track.left + 4, track.top + 4), t1 = at(track.left + 5, track.top + 4);
    EXPECT_NE(t0, t1);
    EXPECT_TRUE(t0 == test::classicPixel(clBtnHighlight) || t0 == test::classicPixel(clBtnFace));
    EXPECT_TRUE(t1 == test::classicPixel(clBtnHighlight) || t1 == test::classicPixel(clBtnFace));

    memo.setText(numbered(30));
    drv.advance(0);
    EXPECT_EQ(at(apex.x, apex.y), test::classicPixel(clBtnText));
    const Rect thumb = memo.scrollBar()->thumbRect().translated(o);
    ASSERT_FALSE(thumb.empty());
    EXPECT_EQ(thumb.top, track.top);
    EXPECT_EQ(thumb.height(), track.height() * 9 / 30);  // proportional to the page
    EXPECT_EQ(at(thumb.left + 5, thumb.top + 5), test::classicPixel(clBtnFace));
}

}  // namespace
}  // namespace tv
