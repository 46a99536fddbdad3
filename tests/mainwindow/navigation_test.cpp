// The sidebar accordion, the pages and the hover colours of the main window.
#include <gtest/gtest.h>

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

TEST_F(Main, OptimisationShowsThePersonalisationPageWhichStaysUnderTheOthers) {
    drv.click(*form1.Panel4);
    EXPECT_EQ(seenPage(), form1.Panel20);
    drv.click(*form1.Panel2);
    EXPECT_EQ(seenPage(), form1.Panel21);
    EXPECT_TRUE(form1.Panel20->visible());  // covered, still visible
    drv.click(*form1.Panel12);
    EXPECT_EQ(seenPage(), form1.Panel23);
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel16);
    EXPECT_EQ(seenPage(), form1.Panel24);
    drv.click(*form1.Panel4);
    EXPECT_EQ(seenPage(), form1.Panel20);
}

TEST_F(Main, ItemsSwitchPages) {
    drv.click(*form1.Panel10);
    EXPECT_EQ(seenPage(), form1.Panel22);
    drv.click(*form1.Panel12);
    EXPECT_EQ(seenPage(), form1.Panel23);
    drv.click(*form1.Panel9);
    EXPECT_EQ(seenPage(), form1.Panel21);
    EXPECT_FALSE(form1.Panel22->visible());
    EXPECT_FALSE(form1.Panel23->visible());
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

TEST_F(Main, AFastMoveThatSkipsANeighbourLeavesTwoLit) {
    moveOver(*form1.Panel9, {50, 3});
    moveOver(*form1.Panel11, {50, 3});
    EXPECT_TRUE(lit(form1.Panel9));
    EXPECT_TRUE(lit(form1.Panel11));
    moveOver(*form1.Panel10, {50, 3});
    EXPECT_FALSE(lit(form1.Panel9));
    EXPECT_FALSE(lit(form1.Panel11));
    EXPECT_TRUE(lit(form1.Panel10));
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

TEST_F(Main, LitItemsOfClosedSectionsStayLitAndTheBackgroundResetsThem) {
    moveOver(*form1.Panel12, {50, 15});
    drv.click(*form1.Panel4);  // the click lands on the header: no colour rule
    EXPECT_TRUE(lit(form1.Panel12));
    drv.click(*form1.Panel2);
    EXPECT_TRUE(lit(form1.Panel12));
    drv.click(*form1.Panel4);
    moveOver(*form1.PanelBkGnd, {150, 2});
    EXPECT_FALSE(lit(form1.Panel12));
}

TEST_F(Main, ClickResetsOnlyForTheActionItems) {
    drv.click(*form1.Panel9);
    EXPECT_TRUE(lit(form1.Panel9));  // page switches keep their light
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel14);
    EXPECT_FALSE(lit(form1.Panel14));
    ASSERT_NE(drv.topBox(), nullptr);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"IE刷新成功！"});
    drv.dismissBox();
    drv.click(*form1.Panel13);
    EXPECT_FALSE(lit(form1.Panel13));
}

TEST_F(Main, AMoveInsideALitItemRepaintsNothing) {
    moveOver(*form1.Panel9, {40, 10});
    const int paints = form1.paintCount();
    moveOver(*form1.Panel9, {41, 10});
    moveOver(*form1.Panel9, {60, 12});
    EXPECT_EQ(form1.paintCount(), paints);
}

TEST_F(Main, EditBoxesTakeTheWindowColourUnderThePointer) {
    drv.click(*form1.Panel4);
    moveOver(*form1.Edit1);
    EXPECT_EQ(form1.Edit1->color(), clWindow);
    moveOver(*form1.GroupBox4, {5, 80});
    EXPECT_EQ(form1.Edit1->color(), kPageGrey);
    moveOver(*form1.Edit1);
    moveOver(*form1.Edit2);  // fast: no move over the group box between them
    EXPECT_EQ(form1.Edit1->color(), clWindow);
    EXPECT_EQ(form1.Edit2->color(), clWindow);
}

TEST_F(Main, TheAboutDialogOpensModallyAndItsButtonKeepsItsColour) {
    drv.click(*form1.Panel6);
    moveOver(*form1.Panel19, {50, 15});
    EXPECT_TRUE(lit(form1.Panel19));
    drv.click(*form1.Panel19);
    ASSERT_TRUE(form3.isShowing());
    EXPECT_FALSE(lit(form1.Panel19));
    EXPECT_FALSE(form1.inputEnabled());
    moveOver(*form3.Panel1);
    EXPECT_EQ(form3.Panel1->color(), kItemGrey);
    drv.click(*form3.Panel1);
    EXPECT_FALSE(form3.isShowing());
    EXPECT_TRUE(form1.inputEnabled());
    EXPECT_EQ(form1.Panel19->color(), kItemGrey);
    drv.click(*form1.Panel19);
    ASSERT_TRUE(form3.isShowing());
    EXPECT_EQ(form3.Panel1->color(), kItemGrey);
    moveOver(form3, {10, 100});
    EXPECT_EQ(form3.Panel1->color(), kPageGrey);
    drv.closeRequest(form3);
    EXPECT_FALSE(form3.isShowing());
}

}  // namespace
}  // namespace tv
