// The edit box: typing by whole characters, selection, the clipboard, scrolling, the
// input method's composition, focus by Tab, setter rules and where the text is drawn.
#include <gtest/gtest.h>

#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/edit.h"

namespace tv {
namespace {

using platform::kCtrl;
using platform::Key;
using platform::kShift;

// Two edits like Edit4 and Edit5 of the proxy group: 153 x 21, the 13-pixel body font.
struct Edit : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {400, 200}, platform::WindowRole::Main};
    test::Driver drv{platform, app};
    TEdit& a = form.make<TEdit>();
    TEdit& b = form.make<TEdit>();
    int changes = 0;

    Edit() {
        form.setColor(kPageGrey);
        form.setFont(TFont{{"宋体", 13, false}, clWindowText});
        a.setParent(&form);
        a.setBounds(88, 32, 153, 21);
        b.setParent(&form);
        b.setBounds(88, 64, 153, 21);
        a.OnChange = [this](TObject*) { ++changes; };
    }
    void start() {
        form.show();
        drv.start();
    }
    Pixel at(int x, int y) { return platform.window(form.window().id())->pixelAt(x, y); }
    void clickAt(TEdit& e, int x) { drv.click(form, e.windowOrigin() + Point{x, 10}); }
};

// Typing and deleting.

TEST_F(Edit, TypingInsertsAtTheCaretAndBackspaceRemovesAWholeChineseCharacter) {
    start();
    clickAt(a, 50);
    ASSERT_TRUE(a.focused());
    drv.type(form, "ab");
    drv.type(form, "中文");  // committed by an input method
    EXPECT_EQ(a.text(), "ab中文");
    EXPECT_EQ(a.caretPos(), a.text().size());
    drv.key(form, Key::Backspace);
    EXPECT_EQ(a.text(), "ab中");
    drv.key(form, Key::Left);
    EXPECT_EQ(a.caretPos(), 2u);  // over the three bytes of one character
    drv.key(form, Key::Delete);
    EXPECT_EQ(a.text(), "ab");
    drv.key(form, Key::Home);
    drv.type(form, "x");
    EXPECT_EQ(a.text(), "xab");
    EXPECT_EQ(changes, 5);
}

TEST_F(Edit, CaretKeysStepOverIllFormedTextTheWayItIsDrawn) {
    a.setText("a\xE4\xB8\xAD\xFF\x80z");  // a, 中, two stray bytes, z
    start();
    clickAt(a, 5);
    drv.key(form, Key::Home);
    std::vector<std::size_t> stops;
    for (int i = 0; i < 6; ++i) {
        drv.key(form, Key::Right);
        stops.push_back(a.caretPos());
    }
    EXPECT_EQ(stops, (std::vector<std::size_t>{1, 4, 5, 6, 7, 7}));
    drv.key(form, Key::Backspace);
    drv.key(form, Key::Backspace);
    EXPECT_EQ(a.text(), "a\xE4\xB8\xAD\xFF");
}

TEST_F(Edit, ReadOnlyIgnoresTypingAndDeletingButCopies) {
    a.setText("fixed");
    a.setReadOnly(true);
    start();
    clickAt(a, 5);
    drv.type(form, "x");
    drv.key(form, Key::Backspace);
    drv.key(form, Key::A, kCtrl);
    drv.key(form, Key::X, kCtrl);  // copies, cuts nothing
    platform.setClipboardText("pasted");
    drv.key(form, Key::C, kCtrl);
    drv.key(form, Key::V, kCtrl);
    EXPECT_EQ(a.text(), "fixed");
    EXPECT_EQ(platform.clipboardText(), "fixed");
}

// Selection and the clipboard.

TEST_F(Edit, ShiftKeysSelectAndTheClipboardRoundTrips) {
    a.setText("hello world");
    start();
    clickAt(a, 140);  // past the text: the caret goes to its end
    EXPECT_EQ(a.caretPos(), 11u);
    drv.key(form, Key::Left, kShift);
    drv.key(form, Key::Left, kShift);
    EXPECT_EQ(a.selectedText(), "ld");
    drv.key(form, Key::Home, kShift);
    EXPECT_EQ(a.selectedText(), "hello world");
    drv.key(form, Key::Right, kShift | kCtrl);  // by words: the caret moves, the anchor stays
    EXPECT_EQ(a.selectedText(), "world");
    drv.key(form, Key::X, kCtrl);
    EXPECT_EQ(a.text(), "hello ");
    EXPECT_EQ(platform.clipboardText(), "world");
    drv.key(form, Key::Home);
    drv.key(form, Key::V, kCtrl);
    EXPECT_EQ(a.text(), "worldhello ");
    drv.key(form, Key::A, kCtrl);
    drv.key(form, Key::C, kCtrl);
    EXPECT_EQ(platform.clipboardText(), "worldhello ");
    drv.key(form, Key::Right);  // collapses the selection from the caret
    EXPECT_EQ(a.selLength(), 0u);
}

TEST_F(Edit, PastingKeepsTheFirstLineAndRepairsBrokenText) {
    start();
    clickAt(a, 5);
    platform.setClipboardText("one\ttab\xC3\r\nsecond line");
    drv.key(form, Key::V, kCtrl);
    EXPECT_EQ(a.text(), "onetab\xEF\xBF\xBD");  // the tab dropped, the cut-off byte replaced
}

TEST_F(Edit, MouseDragAndDoubleClickSelect) {
    a.setText("alpha beta gamma");  // 7-pixel Latin characters
    start();
    const Point o = a.windowOrigin();
    drv.move(form, o + Point{3 + 7 * 6, 10});
    drv.press(form, o + Point{3 + 7 * 6, 10});  // before "beta"
    drv.move(form, o + Point{3 + 7 * 10, 10});
    drv.release(form, o + Point{3 + 7 * 10, 10});
    EXPECT_EQ(a.selectedText(), "beta");
    drv.doubleClick(form, o + Point{3 + 7 * 13, 10});  // inside "gamma"
    EXPECT_EQ(a.selectedText(), "gamma");
    drv.doubleClick(form, o + Point{3 + 7 * 2, 10});  // a word takes its trailing blank
    EXPECT_EQ(a.selectedText(), "alpha ");
}

TEST_F(Edit, TabIntoAnEditSelectsAllOfItsText) {
    a.setText("first");
    b.setText("second");
    start();
    clickAt(a, 5);
    EXPECT_EQ(a.selLength(), 0u);  // a click does not select
    drv.key(form, Key::Tab);
    EXPECT_TRUE(b.focused());
    EXPECT_EQ(b.selectedText(), "second");
    drv.key(form, Key::Tab, kShift);
    EXPECT_EQ(a.selectedText(), "first");
    drv.type(form, "z");  // typing replaces the selection
    EXPECT_EQ(a.text(), "z");
}

// Scrolling.

TEST_F(Edit, TheTextScrollsByWholeCharactersToKeepTheCaretInView) {
    a.setBounds(88, 32, 60, 21);  // 54 pixels of text: under eight characters
    start();
    clickAt(a, 5);
    for (int i = 0; i < 12; ++i) drv.type(form, "a");
    const Rect tr = a.textRect();
    EXPECT_GT(a.scrollOffset(), 0);
    EXPECT_EQ(a.scrollOffset() % 7, 0);
    EXPECT_GE(a.caretX(), tr.left);
    EXPECT_LT(a.caretX(), tr.right);
    drv.key(form, Key::Home);
    EXPECT_EQ(a.scrollOffset(), 0);
    EXPECT_EQ(a.caretX(), tr.left);
    drv.key(form, Key::End);
    EXPECT_LT(a.caretX(), tr.right);
    // Deleting until everything fits brings the start back.
    for (int i = 0; i < 6; ++i) drv.key(form, Key::Backspace);
    EXPECT_EQ(a.scrollOffset(), 0);
}

// The input method.

TEST_F(Edit, TheCompositionShowsAtTheCaretUntilItIsCommittedOrTheFocusGoes) {
    a.setText("ab");
    start();
    clickAt(a, 140);
    drv.compose(form, "zhong", 5);
    EXPECT_EQ(a.composition(), "zhong");
    EXPECT_EQ(a.text(), "ab");
    EXPECT_EQ(a.caretX(), a.textRect().left + 7 * 7);
    drv.advance(0);
    // Underlined at the bottom of the line, under the composition only.
    const Point o = a.windowOrigin();
    const int underline = o.y + 3 + 13 - 1;
    EXPECT_EQ(at(o.x + 3 + 14 + 3, underline), test::classicPixel(clWindowText));
    EXPECT_EQ(at(o.x + 3 + 3, underline), test::classicPixel(clWindow));
    drv.type(form, "中");
    drv.compose(form, "", 0);
    EXPECT_EQ(a.text(), "ab中");
    EXPECT_EQ(a.composition(), "");
    drv.compose(form, "guo", 3);
    drv.key(form, Key::Tab);  // the composition goes with the focus, uncommitted
    ASSERT_TRUE(b.focused());
    EXPECT_EQ(a.composition(), "");
    EXPECT_EQ(a.text(), "ab中");
}

// Setters and painting.

TEST_F(Edit, SettingTheSameTextRepaintsNothingAndANewTextRepaints) {
    a.setText("托尔万(Tolvane)");
    EXPECT_EQ(changes, 1);
    start();
    ASSERT_FALSE(form.hasDamage());
    a.setText("托尔万(Tolvane)");
    EXPECT_FALSE(form.hasDamage());
    EXPECT_EQ(changes, 1);
    a.setColor(clWindow);  // already its colour
    EXPECT_FALSE(form.hasDamage());
    a.setText("我的电脑");
    EXPECT_TRUE(form.hasDamage());
    EXPECT_EQ(a.text(), "我的电脑");
    EXPECT_EQ(a.caretPos(), 0u);
    EXPECT_EQ(changes, 2);
}

TEST_F(Edit, HoverRecolouringStillGetsOnMouseMove) {
    a.setColor(kPageGrey);
    a.OnMouseMove = [this](TObject*, TShiftState, int, int) { a.setColor(clWindow); };
    start();
    const Point o = a.windowOrigin();
    EXPECT_EQ(at(o.x + 100, o.y + 10), test::classicPixel(kPageGrey));
    drv.move(form, o + Point{100, 10});
    EXPECT_EQ(a.color(), clWindow);
    EXPECT_EQ(at(o.x + 100, o.y + 10), test::classicPixel(clWindow));
    EXPECT_EQ(a.cursor(), TCursor::crIBeam);
}

TEST_F(Edit, TheTextStartsOnePixelInsideTheEdgeAndTheSelectionIsHighlightedWhenFocused) {
    a.setText("WW");
    a.setSelection(0, 1);
    a.setTabStop(false);  // b takes the focus at showing
    start();
    ASSERT_TRUE(b.focused());
    const Point o = a.windowOrigin();
    // Edge, then one pixel of margin; the fake glyph box starts one pixel into its cell.
    EXPECT_EQ(at(o.x, o.y), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(o.x + 1, o.y + 1), test::classicPixel(cl3DDkShadow));
    EXPECT_EQ(at(o.x + 4, o.y + 4), test::classicPixel(clWindowText));
    EXPECT_EQ(at(o.x + 3, o.y + 4), test::classicPixel(clWindow));
    EXPECT_EQ(at(o.x + 4, o.y + 3), test::classicPixel(clWindow));
    EXPECT_EQ(at(o.x + 3, o.y + 3), test::classicPixel(clWindow));  // no selection shown unfocused
    clickAt(a, 100);
    a.setSelection(0, 1);
    drv.advance(0);
    EXPECT_EQ(at(o.x + 3, o.y + 3), test::classicPixel(clHighlight));
    EXPECT_EQ(at(o.x + 4, o.y + 4), test::classicPixel(clHighlightText));
    EXPECT_EQ(at(o.x + 3 + 7 + 1, o.y + 4), test::classicPixel(clWindowText));
}

TEST_F(Edit, AutoSizeTakesTheHeightFromTheFont) {
    a.setFont(TFont{{"宋体", 12, false}, clNavy});
    EXPECT_EQ(a.height(), 20);
    a.setFont(TFont{{"宋体", 13, false}, clNavy});
    EXPECT_EQ(a.height(), 21);
    a.setAutoSize(false);
    a.setFont(TFont{{"宋体", 12, false}, clNavy});
    EXPECT_EQ(a.height(), 21);
}

}  // namespace
}  // namespace tv
