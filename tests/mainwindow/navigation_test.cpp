// The sidebar accordion, the pages and the hover colours of the main window.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "mainwindow/fixture.h"

namespace tv {
namespace {

struct Main : ::testing::Test, test::Program {
    enum class State { Security, Optimisation, Help, Other };
    State sidebar() {
        const int t4 = form1.Panel4->top(), t6 = form1.Panel6->top();
        const bool v5 = form1.Panel5->visible(), v7 = form1.Panel7->visible();
        if (t4 == 275 && t6 == 300 && !v5 && !v7) return State::Security;
        if (t4 == 25 && t6 == 300 && v5 && !v7) return State::Optimisation;
        if (t4 == 25 && t6 == 50 && v7) return State::Help;
        return State::Other;
    }
    // The page the user sees: the highest visible page.
    TPanel* seenPage() {
        for (TPanel* p :
             {form1.Panel24, form1.Panel23, form1.Panel22, form1.Panel21, form1.Panel20})
            if (p->visible()) return p;
        return nullptr;
    }
    void goTo(State s) {
        drv.click(*form1.Panel2);
        if (s == State::Optimisation) drv.click(*form1.Panel4);
        if (s == State::Help) drv.click(*form1.Panel6);
        ASSERT_EQ(sidebar(), s);
    }
    bool lit(TPanel* p) { return p->color() == kHoverColor; }
    void moveOver(TControl& c, Point offset = {-1, -1}) { drv.moveTo(c, offset); }
};

TEST_F(Main, StartsWithTheSecuritySectionOpenAndTheDiskScanPageSeen) {
    EXPECT_EQ(sidebar(), State::Security);
    EXPECT_EQ(seenPage(), form1.Panel21);
    EXPECT_FALSE(form1.Panel20->visible());
    EXPECT_EQ(form1.focusedControl(), form1.CheckListBox2);
    for (TTimer* t : {form1.Timer1, form1.Timer2, form1.Timer3, form1.Timer4, form1.Timer5})
        EXPECT_FALSE(t->enabled());
    for (TProgressBar* b : {form1.ProgressBar1, form1.ProgressBar2, form1.ProgressBar3})
        EXPECT_EQ(b->position(), 0);
    EXPECT_EQ(form1.Memo1->text(), "");
    EXPECT_EQ(form1.Memo2->text(), "");
    for (TCheckListBox* l : {form1.CheckListBox1, form1.CheckListBox2, form1.CheckListBox3})
        for (int i = 0; i < l->count(); ++i) EXPECT_FALSE(l->checked(i));
    EXPECT_EQ(form1.PanelBkGnd->color(), kPageGrey);
}

TEST_F(Main, HeaderTransitionsFollowTheTable) {
    struct Row {
        State from;
        TPanel* header;
        State to;
    };
    const Row rows[] = {
        {State::Security, form1.Panel2, State::Security},
        {State::Security, form1.Panel4, State::Optimisation},
        {State::Security, form1.Panel6, State::Help},
        {State::Optimisation, form1.Panel2, State::Security},
        {State::Optimisation, form1.Panel4, State::Optimisation},
        {State::Optimisation, form1.Panel6, State::Help},
        {State::Help, form1.Panel2, State::Security},
        {State::Help, form1.Panel4, State::Optimisation},
        {State::Help, form1.Panel6, State::Help},
    };
    for (const Row& r : rows) {
        goTo(r.from);
        drv.click(*r.header);
        EXPECT_EQ(sidebar(), r.to) << r.header->name() << " from state " << int(r.from);
    }
}

TEST_F(Main, HelpFromSecurityLeavesTheOptimisationGroupHiddenAndNeverChangesThePage) {
    drv.click(*form1.Panel10);
    ASSERT_EQ(seenPage(), form1.Panel22);
    drv.click(*form1.Panel6);
    EXPECT_EQ(sidebar(), State::Help);
    EXPECT_FALSE(form1.Panel5->visible());
    EXPECT_EQ(seenPage(), form1.Panel22);
    drv.click(*form1.Panel6);  // already open: nothing changes
    EXPECT_EQ(sidebar(), State::Help);
    EXPECT_EQ(seenPage(), form1.Panel22);
}

// What each sidebar click does to the five pages Panel20 to Panel24, from all of them
// shown and from all hidden: '1' shows the page, '0' hides it, '-' leaves it alone.
TEST_F(Main, EachSidebarClickShowsAndHidesItsPagesAndLeavesTheOthers) {
    const struct {
        const char *click, *open, *pages;
    } rows[] = {
        {"Panel2", nullptr, "-1000"},   {"Panel4", nullptr, "10000"},
        {"Panel6", nullptr, "-----"},   {"Panel9", nullptr, "-1000"},
        {"Panel10", nullptr, "-0100"},  {"Panel12", nullptr, "-0010"},
        {"Panel16", "Panel4", "-0001"},
    };
    TPanel* pages[] = {form1.Panel20, form1.Panel21, form1.Panel22, form1.Panel23, form1.Panel24};
    for (const auto& row : rows) {
        for (bool shown : {false, true}) {
            goTo(row.open ? State::Optimisation : State::Security);
            for (TPanel* page : pages) page->setVisible(shown);
            drv.click(widget(row.click));
            for (int i = 0; i < 5; ++i) {
                const char want = row.pages[i];
                EXPECT_EQ(pages[i]->visible(), want == '-' ? shown : want == '1')
                    << row.click << (shown ? " from all shown: " : " from all hidden: ")
                    << pages[i]->name();
            }
        }
    }
}

TEST_F(Main, MovingSlowlyDownTheItemsLeavesAtMostOneLit) {
    TPanel* items[] = {form1.Panel9, form1.Panel10, form1.Panel11, form1.Panel12};
    const Rect group = form1.Panel3->windowRect();
    const Rect inner = form1.Panel3->clientArea().translated(group.topLeft());
    const int x = form1.Panel9->windowRect().left + 50;
    for (int y = inner.top; y < inner.bottom; ++y) {
        drv.move(form1, {x, y});
        int count = 0;
        TPanel* under = nullptr;
        for (TPanel* p : items) {
            count += lit(p);
            if (p->windowRect().contains(Point{x, y})) under = p;
        }
        ASSERT_LE(count, 1) << "at y = " << y;
        if (under)
            EXPECT_TRUE(lit(under)) << under->name();
        else
            EXPECT_EQ(count, 0) << "in the gap at y = " << y;
    }
}

TEST_F(Main, TheIconTakesTheMovesSoTheItemStaysLit) {
    moveOver(*form1.Panel10, {50, 15});
    moveOver(*form1.Image2, {7, 7});
    moveOver(*form1.Image2, {3, 3});
    EXPECT_TRUE(lit(form1.Panel10));
}

TEST_F(Main, APressedItemHoldsTheMouseUntilRelease) {
    const Rect r = form1.Panel9->windowRect();
    const Point p{r.left + 50, r.top + 15};
    drv.move(form1, p);
    drv.press(form1, p);
    moveOver(*form1.Panel10, {50, 15});  // captured: the move goes to Panel9
    EXPECT_TRUE(lit(form1.Panel9));
    EXPECT_FALSE(lit(form1.Panel10));
    moveOver(*form1.PanelBkGnd, {300, 5});
    EXPECT_TRUE(lit(form1.Panel9));
    drv.release(
        form1, {form1.PanelBkGnd->windowRect().left + 300, form1.PanelBkGnd->windowRect().top + 5});
    EXPECT_EQ(sidebar(), State::Security);
}

TEST_F(Main, LitItemsOfClosedSectionsStayLit) {
    moveOver(*form1.Panel12, {50, 15});
    drv.click(*form1.Panel4);  // the click lands on the header: no colour rule
    EXPECT_TRUE(lit(form1.Panel12));
    drv.click(*form1.Panel2);
    EXPECT_TRUE(lit(form1.Panel12));
}

TEST_F(Main, AMoveInsideALitItemRepaintsNothing) {
    moveOver(*form1.Panel9, {40, 10});
    const int paints = form1.paintCount();
    moveOver(*form1.Panel9, {41, 10});
    moveOver(*form1.Panel9, {60, 12});
    EXPECT_EQ(form1.paintCount(), paints);
}

TEST_F(Main, TheAboutDialogIsModalAndItsButtonKeepsItsColourBetweenOpenings) {
    drv.click(*form1.Panel6);
    drv.click(*form1.Panel19);
    ASSERT_TRUE(form3.isShowing());
    EXPECT_FALSE(form1.inputEnabled());
    moveOver(*form3.Panel1);
    drv.click(*form3.Panel1);
    EXPECT_FALSE(form3.isShowing());
    EXPECT_TRUE(form1.inputEnabled());
    drv.click(*form1.Panel19);
    ASSERT_TRUE(form3.isShowing());
    EXPECT_EQ(form3.Panel1->color(), kItemGrey);
    drv.closeRequest(form3);
    EXPECT_FALSE(form3.isShowing());
}

// The hover rules: one move over a widget's own surface, from everything at rest and from
// everything lit. Afterwards each coloured widget has the colour the row gives it, or else
// the one it started with.

constexpr TColor H = kHoverColor, G = kItemGrey, P = kPageGrey, W = clWindow;

struct Coloured {
    const char* widget;
    TColor rest, lit;
};
const Coloured kColoured[] = {
    {"Panel9", G, H},       {"Panel10", G, H},    {"Panel11", G, H}, {"Panel12", G, H},
    {"Panel13", G, H},      {"Panel14", G, H},    {"Panel15", G, H}, {"Panel16", G, H},
    {"Panel19", G, H},      {"Edit1", P, W},      {"Edit2", P, W},   {"Edit3", P, W},
    {"Form3.Panel1", P, G}, {"PanelBkGnd", P, P},
};

// What must be opened first for the widget to show: a header, or "About" for the dialog.
void open(test::Program& p, const char* what) {
    if (!what) return;
    if (std::string_view(what) != "About") return p.drv.click(p.widget(what));
    p.drv.click(*p.form1.Panel6);
    p.drv.click(*p.form1.Panel19);
}

struct HoverRow {
    const char* over;
    const char* open;
    std::vector<std::pair<std::string_view, TColor>> sets;
};
const HoverRow kHoverRules[] = {
    {"Panel9", nullptr, {{"Panel9", H}, {"Panel10", G}}},
    {"Panel10", nullptr, {{"Panel10", H}, {"Panel9", G}, {"Panel11", G}}},
    {"Panel11", nullptr, {{"Panel11", H}, {"Panel10", G}, {"Panel12", G}}},
    {"Panel12", nullptr, {{"Panel12", H}, {"Panel11", G}}},
    {"Panel13", "Panel4", {{"Panel13", H}, {"Panel14", G}}},
    {"Panel14", "Panel4", {{"Panel14", H}, {"Panel13", G}, {"Panel15", G}}},
    {"Panel15", "Panel4", {{"Panel15", H}, {"Panel14", G}, {"Panel16", G}}},
    {"Panel16", "Panel4", {{"Panel16", H}, {"Panel15", G}}},
    {"Panel19", "Panel6", {{"Panel19", H}}},
    {"Panel3", nullptr, {{"Panel9", G}, {"Panel10", G}, {"Panel11", G}, {"Panel12", G}}},
    {"Panel5", "Panel4", {{"Panel13", G}, {"Panel14", G}, {"Panel15", G}, {"Panel16", G}}},
    {"Panel7", "Panel6", {{"Panel19", G}}},
    // clang-format off
    {"PanelBkGnd", nullptr, {{"Panel9", G}, {"Panel10", G}, {"Panel11", G}, {"Panel12", G},
                             {"Panel13", G}, {"Panel14", G}, {"Panel15", G}, {"Panel16", G},
                             {"Panel19", G}}},
    // clang-format on
    {"GroupBox4", "Panel4", {{"Edit1", P}, {"Edit2", P}, {"Edit3", P}}},
    {"Edit1", "Panel4", {{"Edit1", W}}},
    {"Edit2", "Panel4", {{"Edit2", W}}},
    {"Edit3", "Panel4", {{"Edit3", W}}},
    {"Form3", "About", {{"Form3.Panel1", P}}},
    {"Form3.Panel1", "About", {{"Form3.Panel1", G}}},
};

TEST(HoverRules, AMoveSetsTheColoursOfItsRowAndNoOthers) {
    for (const HoverRow& row : kHoverRules) {
        for (bool lit : {false, true}) {
            test::Program p;
            open(p, row.open);
            for (const Coloured& c : kColoured) p.widget(c.widget).setColor(lit ? c.lit : c.rest);
            TControl& over = p.widget(row.over);
            p.drv.move(over.form(), p.surface(over));
            for (const Coloured& c : kColoured) {
                TColor want = lit ? c.lit : c.rest;
                for (const auto& [name, colour] : row.sets)
                    if (name == c.widget) want = colour;
                EXPECT_EQ(p.widget(c.widget).color(), want)
                    << "a move over " << row.over << (lit ? " from lit: " : " from rest: ")
                    << c.widget;
            }
            if (p.form3.isShowing()) p.drv.closeRequest(p.form3);
        }
    }
}

// A click: the action items turn item grey first (their action already sees it), the
// items that switch pages stay lit.
TEST(HoverRules, AClickGreysTheActionItemsBeforeTheirActionAndLeavesThePageItemsLit) {
    const struct {
        const char* item;
        const char* open;
        TColor after;
    } rows[] = {
        {"Panel9", nullptr, H},   {"Panel10", nullptr, H},  {"Panel11", nullptr, G},
        {"Panel12", nullptr, H},  {"Panel13", "Panel4", G}, {"Panel14", "Panel4", G},
        {"Panel15", "Panel4", G}, {"Panel16", "Panel4", H}, {"Panel19", "Panel6", G},
    };
    for (const auto& row : rows) {
        test::Program p;
        open(p, row.open);
        TControl& item = p.widget(row.item);
        std::optional<TColor> duringAction;
        p.host.onLaunch = [&] { duringAction = item.color(); };
        p.drv.click(item);
        if (p.drv.topBox()) {
            duringAction = item.color();
            p.drv.dismissBox();
        }
        if (p.form3.isShowing()) {
            duringAction = item.color();
            p.drv.closeRequest(p.form3);
        }
        EXPECT_EQ(item.color(), row.after) << row.item;
        if (row.after == G) {
            EXPECT_EQ(duringAction, std::optional<TColor>(G)) << row.item;
        }
    }
}

}  // namespace
}  // namespace tv
