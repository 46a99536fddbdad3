// The check list: its press table, keys, type-ahead, setter rules, scrolling and pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/accessibility.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/timer.h"

namespace tv {
namespace {

using platform::Key;

// CheckListBox2 of the disk scan page: 233 x 113 at (56, 32), 13-pixel items.
struct CheckList : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {420, 300}, platform::WindowRole::Main};
    test::Driver drv{platform, app};
    TCheckListBox& list = form.make<TCheckListBox>();
    int userToggles = 0;

    CheckList() {
        form.setColor(kPageGrey);
        form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
        list.setParent(&form);
        list.setBounds(56, 32, 233, 113);
        list.setFont(TFont{{"宋体", 13, false}, clWindowText});
        list.setItems({"我的文档", "3.5软盘(A:)", "System(C:)", "本地磁盘(D:)", "本地磁盘(E:)",
                       "本地磁盘(F:)", "CD驱动器(G:)", "系统内存"});
        list.OnClickCheck = [this](TObject*) { ++userToggles; };
    }
    void start() {
        form.show();
        drv.start();
    }
    Pixel at(int x, int y) { return platform.window(form.window().id())->pixelAt(x, y); }
    // A point in item i's row, dx pixels right of the item's left edge (window coordinates).
    Point item(int i, int dx) {
        Rect r = list.itemRect(i).translated(list.windowOrigin());
        return {r.left + dx, r.top + r.height() / 2};
    }
    // Lets the loop run once more so that damage made from the test gets painted.
    void repaint() { drv.advance(0); }
};

TEST_F(CheckList, ItemsAreAsHighAsWgAndNeedNoBarWhenTheyFit) {
    EXPECT_EQ(list.itemHeight(), 13);
    EXPECT_EQ(list.pageSize(), 8);  // (113 - 4) / 13
    EXPECT_FALSE(list.scrollBarVisible());
    EXPECT_EQ(list.itemRect(0), (Rect{2, 2, 231, 15}));
    EXPECT_EQ(list.itemRect(3), (Rect{2, 41, 231, 54}));
}

// The press table, row by row.

TEST_F(CheckList, APressInTheCheckColumnSelectsAndToggles) {
    start();
    drv.click(form, item(2, 14));  // x - L = 14 < 15
    EXPECT_EQ(list.itemIndex(), 2);
    EXPECT_TRUE(list.checked(2));
    EXPECT_EQ(userToggles, 1);
    drv.click(form, item(2, 0));
    EXPECT_FALSE(list.checked(2));
    EXPECT_EQ(userToggles, 2);
}

TEST_F(CheckList, APressOnTheTextOnlySelects) {
    start();
    drv.click(form, item(4, 15));  // the first pixel of the text area
    EXPECT_EQ(list.itemIndex(), 4);
    EXPECT_FALSE(list.checked(4));
    drv.click(form, item(1, 120));
    EXPECT_EQ(list.itemIndex(), 1);
    EXPECT_FALSE(list.checked(1));
    EXPECT_FALSE(list.checked(4));
    EXPECT_EQ(userToggles, 0);
}

TEST_F(CheckList, ADoubleClickInTheCheckColumnLeavesTheStateAsItWas) {
    start();
    drv.doubleClick(form, item(5, 7));
    EXPECT_FALSE(list.checked(5));
    EXPECT_EQ(userToggles, 2);
    list.setChecked(5, true);
    drv.doubleClick(form, item(5, 7));
    EXPECT_TRUE(list.checked(5));
}

TEST_F(CheckList, APressBelowTheLastItemTogglesAndSelectsNothing) {
    list.setItems(
        {"History文件", "Cookies文件", "Temp文件", "Temporary Internet Files", "其他网络文件"});
    start();
    drv.click(form, item(5, 5));  // the empty row under the fifth item
    EXPECT_EQ(list.itemIndex(), -1);
    for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.checked(i)) << i;
    EXPECT_TRUE(list.focused());  // it still takes the focus
}

TEST_F(CheckList, DraggingMovesTheSelectionWithoutToggling) {
    start();
    drv.move(form, item(0, 40));
    drv.press(form, item(0, 40));
    drv.move(form, item(3, 5));
    EXPECT_EQ(list.itemIndex(), 3);
    drv.release(form, item(3, 5));
    for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.checked(i)) << i;
}

// Keys.

TEST_F(CheckList, SpaceTogglesTheSelectedItemBackAndForth) {
    start();
    drv.click(form, item(6, 60));
    drv.key(form, Key::Space);
    drv.type(form, " ");  // the text the key also types takes no part
    EXPECT_TRUE(list.checked(6));
    EXPECT_EQ(list.itemIndex(), 6);
    drv.key(form, Key::Space);
    EXPECT_FALSE(list.checked(6));
    EXPECT_EQ(userToggles, 2);
}

TEST_F(CheckList, ArrowsHomeEndAndPagesMoveTheSelection) {
    start();
    drv.key(form, Key::Down);  // nothing selected: the item with the focus rectangle
    EXPECT_EQ(list.itemIndex(), 0);
    drv.key(form, Key::Down);
    EXPECT_EQ(list.itemIndex(), 1);
    drv.key(form, Key::PageDown);  // a page less one, held at the last item
    EXPECT_EQ(list.itemIndex(), 7);
    drv.key(form, Key::Home);
    EXPECT_EQ(list.itemIndex(), 0);
    drv.key(form, Key::Up);
    EXPECT_EQ(list.itemIndex(), 0);
    drv.key(form, Key::End);
    EXPECT_EQ(list.itemIndex(), 7);
    drv.key(form, Key::Down);
    EXPECT_EQ(list.itemIndex(), 7);
    for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.checked(i)) << i;
}

// Space with nothing selected; lists of no item, one item and one item high; Ctrl and Alt
// keys belong to the window.
TEST_F(CheckList, KeysWithNothingSelectedOnShortListsAndWithCtrlOrAlt) {
    start();
    ASSERT_TRUE(list.focused());  // the only tab stop takes the focus at showing
    const std::vector<std::string> eight = list.items();
    using platform::kAlt;
    using platform::kCtrl;
    const struct {
        const char* name;
        std::vector<std::string> items;
        int height;
        std::vector<std::pair<Key, std::uint16_t>> keys;
        int selected;
        bool firstChecked;
    } rows[] = {
        {"nothing selected: space", eight, 113, {{Key::Space, 0}}, -1, false},
        {"no item", {}, 113, {{Key::Down, 0}, {Key::Space, 0}}, -1, false},
        {"one item", {"a"}, 113, {{Key::Down, 0}, {Key::Space, 0}}, 0, true},
        {"Ctrl+Down", eight, 113, {{Key::Down, kCtrl}, {Key::Space, 0}}, -1, false},
        {"Alt+Down", eight, 113, {{Key::Down, kAlt}, {Key::Space, 0}}, -1, false},
        {"one item high: a page is one item",
         eight,
         4 + 13 + 6,
         {{Key::Down, 0}, {Key::PageDown, 0}, {Key::PageDown, 0}, {Key::PageUp, 0}},
         1,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        list.setItems(row.items);
        list.setBounds(56, 32, 233, row.height);
        for (auto [key, shift] : row.keys) drv.key(form, key, shift);
        EXPECT_EQ(list.itemIndex(), row.selected);
        if (!row.items.empty()) {
            EXPECT_EQ(list.checked(0), row.firstChecked);
        }
        EXPECT_EQ(drv.topBox(), nullptr);
    }
}

TEST_F(CheckList, TypeAheadFindsThePrefixAndAPauseOf500MsStartsAfresh) {
    list.setItems(
        {"History文件", "Cookies文件", "Temp文件", "Temporary Internet Files", "其他网络文件"});
    start();
    drv.type(form, "T");
    EXPECT_EQ(list.itemIndex(), 2);
    drv.type(form, " ");  // a space takes no part in the search
    drv.type(form, "E");
    drv.type(form, "m");
    drv.type(form, "p");
    drv.type(form, "o");  // "tempo": Latin letters compare without case
    EXPECT_EQ(list.itemIndex(), 3);
    drv.advance(499);
    drv.type(form, "h");  // "tempoh" begins nothing: the selection stays
    EXPECT_EQ(list.itemIndex(), 3);
    drv.advance(500);
    drv.type(form, "h");  // a new search
    EXPECT_EQ(list.itemIndex(), 0);
    drv.advance(500);
    drv.type(form, "其");  // committed Chinese from an input method
    EXPECT_EQ(list.itemIndex(), 4);
    for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.checked(i)) << i;
}

// Setters.

TEST_F(CheckList, ANeverSetItemReadsUncheckedAndBadIndicesThrow) {
    EXPECT_FALSE(list.checked(0));
    EXPECT_FALSE(list.checked(7));
    EXPECT_THROW(list.checked(8), std::out_of_range);
    EXPECT_THROW(list.checked(-1), std::out_of_range);
    EXPECT_THROW(list.setChecked(8, true), std::out_of_range);
    EXPECT_THROW(list.setItemIndex(8), std::out_of_range);
    try {
        list.setChecked(8, true);
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "list index 8 out of bounds (8 items)");
    }
    list.setItemIndex(0);
    list.setItemIndex(-1);
    EXPECT_EQ(list.itemIndex(), -1);
}

TEST_F(CheckList, SettingTheCurrentStateRepaintsNothingAndANewOneOnlyThatCheckColumn) {
    start();
    ASSERT_FALSE(form.hasDamage());
    list.setChecked(1, false);
    EXPECT_FALSE(form.hasDamage());
    list.setChecked(1, true);
    EXPECT_TRUE(form.hasDamage());
    auto* win = platform.window(form.window().id());
    win->clearPresented();
    repaint();
    ASSERT_EQ(win->presented().size(), 1u);
    const Rect col = list.itemRect(1).translated(list.windowOrigin());
    EXPECT_EQ(win->presented()[0], (Rect{col.left, col.top, col.left + 15, col.bottom}));
    list.setChecked(1, true);
    EXPECT_FALSE(form.hasDamage());
    EXPECT_EQ(userToggles, 0);  // setting fires no event
    EXPECT_EQ(list.itemIndex(), -1);
}

// Each row starts where the one before left off; the list has the focus from the start,
// its rectangle on the first item.
TEST_F(CheckList, RepaintsOnlyTheItemsWhoseLookChanged) {
    start();
    const struct {
        const char* name;
        void (*act)(CheckList&);
        std::vector<int> repainted;
    } rows[] = {
        {"a press on item 2", [](CheckList& t) { t.drv.click(t.form, t.item(2, 50)); }, {0, 2}},
        {"then on item 5", [](CheckList& t) { t.drv.click(t.form, t.item(5, 50)); }, {2, 5}},
        {"on item 5 again", [](CheckList& t) { t.drv.click(t.form, t.item(5, 50)); }, {}},
        {"deselected from code", [](CheckList& t) { t.list.setItemIndex(-1); }, {5}},
        {"a press on item 6: the focus rectangle leaves 5",
         [](CheckList& t) { t.drv.click(t.form, t.item(6, 50)); },
         {5, 6}},
    };
    auto* win = platform.window(form.window().id());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        win->clearPresented();
        row.act(*this);
        repaint();
        std::vector<int> repainted;
        for (const Rect& r : win->presented())
            for (int i = 0; i < list.count(); ++i)
                if (r == list.itemRect(i).translated(list.windowOrigin())) repainted.push_back(i);
        EXPECT_EQ(win->presented().size(), repainted.size()) << "only whole items";
        std::sort(repainted.begin(), repainted.end());
        EXPECT_EQ(repainted, row.repainted);
    }
}

// What assistive technology hears: each change of a check or of the selection once, none
// for setting what already is. Each row starts where the one before left off.
TEST_F(CheckList, ReportsEachChangeOfACheckOrTheSelectionOnce) {
    struct Heard : AccessObserver {
        TControl* list = nullptr;
        std::vector<std::pair<AccessChange, int>> changes;
        void accessChanged(TControl& c, AccessChange what, int item) override {
            if (&c == list && (what == AccessChange::Checked || what == AccessChange::Selection))
                changes.emplace_back(what, item);
        }
    } heard;
    heard.list = &list;
    app.setAccessObserver(&heard);
    start();
    using C = AccessChange;
    const struct {
        const char* name;
        void (*act)(CheckList&);
        std::vector<std::pair<AccessChange, int>> changes;
    } rows[] = {
        {"a press on item 2's text",
         [](CheckList& t) { t.drv.click(t.form, t.item(2, 50)); },
         {{C::Selection, 2}}},
        {"a press on its box",
         [](CheckList& t) { t.drv.click(t.form, t.item(2, 5)); },
         {{C::Checked, 2}}},
        {"space", [](CheckList& t) { t.drv.key(t.form, Key::Space); }, {{C::Checked, 2}}},
        {"a press on item 4's box",
         [](CheckList& t) { t.drv.click(t.form, t.item(4, 5)); },
         {{C::Selection, 4}, {C::Checked, 4}}},
        {"deselected from code",
         [](CheckList& t) { t.list.setItemIndex(-1); },
         {{C::Selection, -1}}},
        {"deselected again", [](CheckList& t) { t.list.setItemIndex(-1); }, {}},
        {"item 4 checked from code as it is", [](CheckList& t) { t.list.setChecked(4, true); }, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        heard.changes.clear();
        row.act(*this);
        drv.advance(0);
        EXPECT_EQ(heard.changes, row.changes);
    }
    app.setAccessObserver(nullptr);
}

// Handlers bound to the mouse events hear the list's own points; a press and release on
// an item is a click.
TEST_F(CheckList, BoundMouseHandlersHearThePressMoveReleaseAndClick) {
    std::vector<std::string> heard;
    auto say = [&](const char* what, int x, int y) {
        heard.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    list.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        say("press", x, y);
    };
    list.OnMouseMove = [&](TObject*, TShiftState, int x, int y) { say("move", x, y); };
    list.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        say("release", x, y);
    };
    list.OnClick = [&](TObject*) { heard.push_back("click"); };
    start();
    drv.move(form, {106, 40});
    drv.press(form, {106, 40});
    drv.release(form, {106, 40});
    EXPECT_EQ(heard,
              (std::vector<std::string>{"move 50,8", "press 50,8", "click", "release 50,8"}));
}

// Tab during a drag takes the focus and ends the drag: moves select nothing more.
TEST_F(CheckList, TabDuringADragEndsIt) {
    auto& next = form.make<TEdit>();
    next.setParent(&form);
    next.setBounds(56, 200, 100, 21);
    start();
    drv.move(form, item(1, 50));
    drv.press(form, item(1, 50));
    drv.key(form, Key::Tab);
    ASSERT_TRUE(next.focused());
    drv.move(form, item(4, 50));
    drv.release(form, item(4, 50));
    EXPECT_EQ(list.itemIndex(), 1);
}

TEST_F(CheckList, AFontTakenFromANewParentCanBringTheBar) {
    auto& late = form.make<TCheckListBox>();
    late.setBounds(300, 32, 110, 113);
    late.setItems({"1", "2", "3", "4", "5", "6", "7", "8", "9"});
    EXPECT_FALSE(late.scrollBarVisible());  // nine 11-pixel items fit in 109
    form.setFont(TFont{{"宋体", 13, false}, clWindowText});
    late.setParent(&form);
    start();
    EXPECT_EQ(late.itemHeight(), 13);
    EXPECT_TRUE(late.scrollBarVisible());
}

// Pixels.

struct CheckListPixels : CheckList {
    CheckListPixels() { list.setColor(kItemGrey); }  // tells the list apart from the box
};

TEST_F(CheckListPixels, TheFlatBoxSitsOnePixelInWithAShadowOutlineAndAWhiteInside) {
    list.setChecked(0, true);
    start();
    const Point o = list.windowOrigin();
    const int L = o.x + 2, T = o.y + 2;  // item 0
    // Box at x = L + 1, y = T + (13 - 13) div 2; its outer ring is not drawn.
    EXPECT_EQ(at(L + 1, T), test::classicPixel(kItemGrey));
    EXPECT_EQ(at(L, T + 6), test::classicPixel(kItemGrey));
    const Pixel shadow = test::classicPixel(clBtnShadow);
    for (int k = 0; k < 11; ++k) {
        EXPECT_EQ(at(L + 2 + k, T + 1), shadow) << k;
        EXPECT_EQ(at(L + 2 + k, T + 11), shadow) << k;
        EXPECT_EQ(at(L + 2, T + 1 + k), shadow) << k;
        EXPECT_EQ(at(L + 12, T + 1 + k), shadow) << k;
    }
    EXPECT_EQ(at(L + 13, T + 6), test::classicPixel(kItemGrey));
    // The 9 x 9 inside is white with the 7 x 7 mark: first column three pixels from its
    // third row, the last column at the top.
    const Pixel white = test::classicPixel(clWindow), black = test::classicPixel(clWindowText);
    EXPECT_EQ(at(L + 3, T + 2), white);
    EXPECT_EQ(at(L + 4, T + 4), white);
    EXPECT_EQ(at(L + 4, T + 5), black);
    EXPECT_EQ(at(L + 4, T + 7), black);
    EXPECT_EQ(at(L + 4, T + 8), white);
    EXPECT_EQ(at(L + 6, T + 8), black);
    EXPECT_EQ(at(L + 10, T + 3), black);
    EXPECT_EQ(at(L + 11, T + 10), white);
    // Item 1 is unchecked: its inside is all white.
    for (int y = T + 13 + 2; y < T + 13 + 11; ++y)
        for (int x = L + 3; x < L + 12; ++x) ASSERT_EQ(at(x, y), white) << x << "," << y;
}

TEST_F(CheckListPixels, AnItemOfTwelvePixelsCentresTheBoxByIntegerDivision) {
    list.setFont(TFont{{"宋体", 12, false}, clWindowText});
    start();
    const Point o = list.windowOrigin();
    const int L = o.x + 2, T = o.y + 2 + 12;  // item 1: (12 - 13) div 2 = 0
    EXPECT_EQ(at(L + 2, T + 1), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(L + 2, T + 11), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(L + 3, T + 2), test::classicPixel(clWindow));
}

TEST_F(CheckListPixels, TheSelectionHighlightsTheTextAreaButNeverTheCheckColumn) {
    start();
    drv.click(form, item(3, 100));
    drv.key(form, Key::Tab);  // nowhere else to go: the list keeps the focus
    const Point o = list.windowOrigin();
    const int L = o.x + 2, T = o.y + 2 + 3 * 13;
    EXPECT_EQ(at(L, T + 6), test::classicPixel(kItemGrey));
    EXPECT_EQ(at(L + 14, T + 6), test::classicPixel(kItemGrey));
    EXPECT_EQ(at(L + 16, T + 6), test::classicPixel(clHighlight));
    EXPECT_EQ(at(L + 200, T + 12), test::classicPixel(clHighlight));
    // The text, 2 pixels in, in the highlight text colour (the fake glyph starts 1 in).
    EXPECT_EQ(at(L + 15 + 3, T + 6), test::classicPixel(clHighlightText));
    // The unselected neighbour keeps the list colour.
    EXPECT_EQ(at(L + 16, T + 13 + 6), test::classicPixel(kItemGrey));
}

TEST_F(CheckListPixels, TheFocusRectangleFramesTheFocusedItemsTextArea) {
    start();
    const Point o = list.windowOrigin();
    const int L = o.x + 2, T = o.y + 2;
    const Pixel grey = test::classicPixel(kItemGrey);
    const Pixel dot = grey ^ 0x00FFFFFFu;
    ASSERT_TRUE(list.focused());
    // Nothing selected: the rectangle is on the first item.
    EXPECT_EQ(at(L + 15, T), dot);
    EXPECT_EQ(at(L + 14, T), grey);
    form.setFocusedControl(nullptr);
    repaint();
    EXPECT_EQ(at(L + 15, T), grey);
}

// Scrolling: CheckListBox1 holds 26 items of 12 pixels in 113 - 4.

struct LongList : CheckList {
    LongList() {
        list.setBounds(8, 24, 305, 113);
        list.setFont(TFont{{"宋体", 12, false}, clWindowText});
        std::vector<std::string> items;
        for (int i = 0; i < 26; ++i) items.push_back("修复项目" + std::to_string(i));
        list.setItems(items);
    }
};

TEST_F(LongList, TheBarAppearsAndTheItemsNarrowByItsWidth) {
    EXPECT_TRUE(list.scrollBarVisible());
    EXPECT_EQ(list.scrollBar().bounds(), (Rect{305 - 2 - 16, 2, 305 - 2, 111}));
    EXPECT_EQ(list.itemsRect().right, 305 - 2 - 16);
    EXPECT_EQ(list.pageSize(), 9);
    EXPECT_EQ(list.scrollBar().maxPosition(), 17);
    list.setItems({"a", "b"});
    EXPECT_FALSE(list.scrollBarVisible());
    EXPECT_EQ(list.itemsRect().right, 305 - 2);
}

// The wheel goes to the focused list wherever the pointer is; a scroll repaints the items
// and the bar, a notch past the end nothing.
TEST_F(LongList, TheWheelScrollsThreeItemsANotchWithinTheRange) {
    start();
    ASSERT_TRUE(list.focused());
    drv.click(form, item(0, 100));
    auto* win = platform.window(form.window().id());
    const Rect items = list.itemsRect().translated(list.windowOrigin());
    const Rect bar = list.scrollBar().bounds().translated(list.windowOrigin());
    const struct {
        int notches;  // positive away from the user: up the list
        int top;
        bool repainted;
    } rows[] = {{1, 0, false},  {-1, 3, true},   {-1, 6, true},
                {-5, 17, true}, {-1, 17, false}, {1, 14, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.top);
        win->clearPresented();
        drv.wheel(form, {400, 250}, row.notches);
        EXPECT_EQ(list.topIndex(), row.top);
        EXPECT_EQ(list.scrollBar().position(), row.top);
        Rect all;
        for (const Rect& r : win->presented()) all = all.united(r);
        EXPECT_EQ(all, row.repainted ? items.united(bar) : Rect{});
    }
    EXPECT_EQ(list.itemIndex(), 0);  // the wheel leaves the selection alone
}

TEST_F(LongList, KeysScrollTheSelectionIntoView) {
    start();
    drv.key(form, Key::Down);
    drv.key(form, Key::PageDown);  // a page less one
    EXPECT_EQ(list.itemIndex(), 8);
    EXPECT_EQ(list.topIndex(), 0);
    drv.key(form, Key::Down);
    EXPECT_EQ(list.topIndex(), 1);
    drv.key(form, Key::End);
    EXPECT_EQ(list.itemIndex(), 25);
    EXPECT_EQ(list.topIndex(), 17);
    drv.key(form, Key::PageUp);
    EXPECT_EQ(list.itemIndex(), 17);
    EXPECT_EQ(list.topIndex(), 17);
    drv.key(form, Key::Up);
    EXPECT_EQ(list.topIndex(), 16);
    drv.key(form, Key::Home);
    EXPECT_EQ(list.topIndex(), 0);
}

TEST_F(LongList, ArrowPressesStepAndRepeatWhileHeld) {
    start();
    const Rect down = list.scrollBar().downArrowRect().translated(list.windowOrigin());
    const Point p{down.left + 8, down.top + 8};
    drv.click(form, p);
    EXPECT_EQ(list.topIndex(), 1);
    drv.move(form, p);
    drv.press(form, p);
    EXPECT_EQ(list.topIndex(), 2);
    drv.advance(249);
    EXPECT_EQ(list.topIndex(), 2);
    drv.advance(1);  // the first repeat, then one every 50 ms
    EXPECT_EQ(list.topIndex(), 3);
    drv.advance(100);
    EXPECT_EQ(list.topIndex(), 5);
    drv.move(form, {p.x - 40, p.y});  // off the arrow: the repeat pauses
    drv.advance(200);
    EXPECT_EQ(list.topIndex(), 5);
    drv.release(form, {p.x - 40, p.y});
    drv.advance(1000);
    EXPECT_EQ(list.topIndex(), 5);
    EXPECT_EQ(list.itemIndex(), -1);  // scrolling selects nothing
}

TEST_F(LongList, DraggingTheThumbScrollsAndAPageClickMovesAPage) {
    start();
    const Point o = list.windowOrigin();
    Rect thumb = list.scrollBar().thumbRect().translated(o);
    const Rect track = list.scrollBar().trackRect().translated(o);
    ASSERT_FALSE(thumb.empty());
    drv.move(form, {thumb.left + 5, thumb.top + 2});
    drv.press(form, {thumb.left + 5, thumb.top + 2});
    drv.move(form, {thumb.left + 5, track.bottom + 30});  // far below: the last position
    EXPECT_EQ(list.topIndex(), 17);
    drv.release(form, {thumb.left + 5, track.bottom + 30});
    thumb = list.scrollBar().thumbRect().translated(o);
    EXPECT_EQ(thumb.bottom, track.bottom);
    drv.click(form, {thumb.left + 5, track.top + 1});  // the track above the thumb
    EXPECT_EQ(list.topIndex(), 17 - 9);
}

// A notice that comes up during a press ends it: moves and the release afterwards select,
// scroll and click nothing, and the arrow's repeat stops.
TEST_F(LongList, ANoticeDuringAPressEndsIt) {
    int clicks = 0;
    list.OnClick = [&](TObject*) { ++clicks; };
    auto& timer = form.make<TTimer>();
    timer.setInterval(100);
    timer.setOnTimer([&](TObject*) {
        timer.setEnabled(false);
        app.messageBox("完成", "托尔万(Tolvane)", MB_OK);
    });
    timer.setEnabled(false);
    start();
    const Point o = list.windowOrigin();
    const Rect track = list.scrollBar().trackRect().translated(o);
    const Rect arrow = list.scrollBar().downArrowRect().translated(o);
    const struct {
        const char* name;
        Point pressed, then;
    } rows[] = {
        {"on item 1, then over item 4", item(1, 50), item(4, 50)},
        {"on the down arrow, held there",
         {arrow.left + 8, arrow.top + 8},
         {arrow.left + 8, arrow.top + 8}},
        {"on the thumb, then far below",
         {track.left + 5, track.top + 2},
         {track.left + 5, track.bottom + 30}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        list.setTopIndex(0);
        timer.setEnabled(true);
        drv.move(form, row.pressed);
        drv.press(form, row.pressed);
        drv.advance(100);
        ASSERT_NE(drv.topBox(), nullptr);
        drv.key(*drv.topBox(), Key::Return);
        const int top = list.topIndex(), selected = list.itemIndex();
        drv.move(form, row.then);
        drv.advance(1000);
        drv.release(form, row.then);
        EXPECT_EQ(list.topIndex(), top);
        EXPECT_EQ(list.itemIndex(), selected);
        EXPECT_EQ(clicks, 0);
    }
}

// A press on an item and moves with the button held: past the top or bottom edge each
// move scrolls one item and selects it; beside the items the row under the pointer is
// selected; once released, moves select nothing.
TEST_F(LongList, DraggingSelectsAndPastAnEdgeScrollsOneItemAMove) {
    start();
    enum Where { Above, Below, Beside, On };
    const struct {
        const char* name;
        int top;          // scrolled there first
        bool thumbFirst;  // the thumb was clicked first
        int pressed;      // the item pressed
        bool released;    // released before the moves
        std::vector<std::pair<Where, int>> moves;
        int selected, topAfter;
    } rows[] = {
        {"above an unscrolled list", 0, false, 0, false, {{Above, 0}}, 0, 0},
        {"above a scrolled list, twice", 5, false, 5, false, {{Above, 0}, {Above, 0}}, 3, 3},
        {"below the last page", 17, false, 25, false, {{Below, 0}}, 25, 17},
        {"below the first page, twice", 0, false, 8, false, {{Below, 0}, {Below, 0}}, 10, 2},
        {"beside the items, on row 3", 0, false, 1, false, {{Beside, 3}}, 3, 0},
        {"back onto item 0", 0, false, 2, false, {{On, 0}}, 0, 0},
        {"over item 5 after the release", 0, false, 2, true, {{On, 5}}, 2, 0},
        {"over item 3 after a thumb click", 0, true, 1, false, {{On, 3}}, 3, 0},
    };
    const Rect box = list.windowRect();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.thumbFirst) {
            const Rect thumb = list.scrollBar().thumbRect().translated(list.windowOrigin());
            drv.click(form, {thumb.left + 5, thumb.top + 2});
        }
        list.setTopIndex(row.top);
        const Point at = item(row.pressed, 50);
        drv.move(form, at);
        drv.press(form, at);
        if (row.released) drv.release(form, at);
        Point last = at;
        for (auto [where, i] : row.moves) {
            last = where == Above    ? Point{at.x, box.top - 5}
                   : where == Below  ? Point{at.x, box.bottom + 5}
                   : where == Beside ? Point{box.right + 10, item(i, 0).y}
                                     : item(i, 50);
            drv.move(form, last);
        }
        EXPECT_EQ(list.itemIndex(), row.selected);
        EXPECT_EQ(list.topIndex(), row.topAfter);
        if (!row.released) drv.release(form, last);
    }
}

}  // namespace
}  // namespace tv
