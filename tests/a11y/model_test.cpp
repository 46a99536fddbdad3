// What assistive technology sees of the two windows and the notices, and what a client's
// actions do, on the headless backend through the real loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "a11y/model.h"
#include "app/notices.h"
#include "mainwindow/fixture.h"
#include "widgets/memo.h"
#include "widgets/message_box.h"
#include "widgets/progress_bar.h"

namespace tv {
namespace {

using a11y::Node;
using a11y::Role;

struct Change {
    std::string control;
    AccessChange what;
    int item;
};

struct Recorder : AccessObserver {
    std::vector<Change> changes;
    void accessChanged(TControl& c, AccessChange what, int item) override {
        changes.push_back({c.name().empty() ? c.caption() : c.name(), what, item});
    }
    int count(const std::string& control, AccessChange what) const {
        int n = 0;
        for (const Change& c : changes) n += c.control == control && c.what == what;
        return n;
    }
};

struct A11y : ::testing::Test, test::Program {
    Recorder recorder;
    A11y() {
        form1.setName("Form1");
        form3.setName("Form3");
        app.setAccessObserver(&recorder);
    }
    ~A11y() override { app.setAccessObserver(nullptr); }
    Node node(std::string_view name, int item = -1) { return {&widget(name), item}; }
    // Asks for the node's first action as a client does: the answer comes at once, the
    // work when the loop next wakes.
    bool act(Node n) {
        const bool accepted = a11y::doAction(app, n, 0);
        drv.wake();
        return accepted;
    }
    bool showing(Node n) { return (a11y::states(n) & a11y::kShowing) != 0; }
};

TEST_F(A11y, EachKindOfControlHasItsRoleAndName) {
    struct Row {
        const char* widget;
        Role role;
        const char* name;
    };
    const Row rows[] = {
        {"Form3", Role::Dialog, "关于…"},
        {"Panel2", Role::PushButton, "网络安全"},      // a sidebar header
        {"Panel11", Role::PushButton, "更新病毒库"},   // an item, padding dropped
        {"Panel12", Role::PushButton, "设       置"},  // spaces inside are kept
        {"ImageMin", Role::PushButton, "最小化"},      // a picture named by its hint
        {"ImageClose", Role::PushButton, "关闭"},
        {"Image12", Role::Link, "托尔万(Tolvane)"},  // the logo, named by the layout
        {"Image1", Role::Image, ""},
        {"SpeedButton4", Role::PushButton, "扫  描"},
        {"Label13", Role::Label, "扫描对象："},
        {"CheckListBox2", Role::List, "扫描对象："},  // named by the label above
        {"CheckListBox1", Role::List, "IE修复"},      // by its group box: no label near it
        {"Edit1", Role::Entry, "设置IE标题："},       // by the label on its left
        {"Edit2", Role::Entry, "标题："},             // beside wins over above
        {"Edit5", Role::Entry, "代理端口："},
        {"Memo1", Role::Text, "扫描显示："},
        {"ProgressBar2", Role::ProgressBar, "扫描进度："},
        {"ProgressBar1", Role::ProgressBar, "IE修复"},
        {"GroupBox4", Role::Grouping, "个性设置"},
        {"CheckBox11", Role::CheckBox, "使用代理服务器"},
        {"Panel21", Role::Panel, ""},
        {"Form3.Panel1", Role::PushButton, "确 定"},
        {"Form3.Label2", Role::Label, "版本：V2.1（增强版）"},
    };
    for (const Row& r : rows) {
        const Node n = node(r.widget);
        EXPECT_EQ(a11y::role(n), r.role) << r.widget;
        EXPECT_EQ(a11y::name(n), r.name) << r.widget;
    }
    EXPECT_EQ(a11y::role({&form1, -1}), Role::Frame);
    EXPECT_EQ(a11y::name({&form1, -1}), "tolvane");
    EXPECT_EQ(a11y::role(node("CheckListBox2", 2)), Role::CheckBox);
    EXPECT_EQ(a11y::name(node("CheckListBox2", 2)), "System(C:)");
}

TEST_F(A11y, EveryButtonAndLinkOfBothWindowsHasANameAndTheLogoSaysWhereItLeads) {
    int named = 0;
    for (TForm* f : {static_cast<TForm*>(&form1), static_cast<TForm*>(&form3)})
        for (const auto& c : f->components()) {
            auto* control = dynamic_cast<TControl*>(c.get());
            if (!control) continue;
            const Role r = a11y::role({control, -1});
            if (r != Role::PushButton && r != Role::Link) continue;
            EXPECT_FALSE(a11y::name({control, -1}).empty()) << control->name();
            ++named;
        }
    EXPECT_GE(named, 20);
    EXPECT_EQ(a11y::description(node("Image12")), HomePage);
    EXPECT_EQ(a11y::description(node("Panel2")), "");
}

TEST_F(A11y, ACaptionChangeRenamesTheControlAndThoseItNames) {
    struct Row {
        const char* widget;
        const char* caption;
        int events;                        // 0: the caption it had already
        std::vector<std::string> renamed;  // the nodes whose name follows it
    };
    const Row rows[] = {
        {"Label13", "盘符：", 1, {"Label13", "CheckListBox2"}},
        {"GroupBox1", "修复", 1, {"GroupBox1", "CheckListBox1", "ProgressBar1"}},
        {"Panel2", "安全", 1, {"Panel2"}},
        {"Label12", "扫描进度：", 0, {"Label12", "ProgressBar2"}},
    };
    for (const Row& r : rows) {
        recorder.changes.clear();
        widget(r.widget).setCaption(r.caption);
        EXPECT_EQ(recorder.count(r.widget, AccessChange::Name), r.events) << r.widget;
        std::vector<std::string> renamed;
        for (const Node n : a11y::namedAfter(widget(r.widget)))
            renamed.push_back(n.control->name());
        EXPECT_EQ(renamed, r.renamed) << r.widget;
        for (const std::string& each : r.renamed)
            EXPECT_EQ(a11y::name(node(each)), r.caption) << each;
    }
}

TEST_F(A11y, DirectionalNavigationFindsTheNearestShowingSiblingOnTheScreen) {
    using D = a11y::Direction;
    struct Row {
        const char* from;
        int fromItem;
        D d;
        const char* to;  // none: there is nothing that way
        int toItem;
    };
    const Row rows[] = {
        {"SpeedButton4", -1, D::Down, "SpeedButton5", -1},  // not the bar further down
        {"SpeedButton5", -1, D::Up, "SpeedButton4", -1},
        {"SpeedButton4", -1, D::Left, "CheckListBox2", -1},  // level with it beats the label
        {"CheckListBox2", -1, D::Up, "Label13", -1},
        {"ProgressBar2", -1, D::Up, "Label12", -1},  // the label above its left end
        {"Memo1", -1, D::Down, nullptr, -1},
        {"Memo1", -1, D::Right, nullptr, -1},
        {"Panel10", -1, D::Up, "Panel9", -1},
        {"Panel9", -1, D::Up, nullptr, -1},
        {"CheckListBox2", 2, D::Down, "CheckListBox2", 3},
        {"CheckListBox2", 0, D::Up, nullptr, -1},
        {"CheckListBox2", 2, D::Right, nullptr, -1},
        {"Panel20", -1, D::Right, nullptr, -1},  // a hidden page's neighbours are not seen
    };
    for (const Row& r : rows) {
        const Node to = a11y::neighbour(node(r.from, r.fromItem), r.d);
        EXPECT_EQ(to, r.to ? node(r.to, r.toItem) : Node{})
            << r.from << "/" << r.fromItem << " " << int(r.d) << " gave "
            << (to ? to.control->name() : "none");
    }
    EXPECT_FALSE(a11y::neighbour({&form1, -1}, D::Down));
}

TEST_F(A11y, AClientSelectsAnItemAndMovesTheFocusWhereAClickWould) {
    const Node item = node("CheckListBox2", 3);
    EXPECT_TRUE(a11y::select(app, item));
    EXPECT_TRUE(a11y::takeFocus(app, item));
    EXPECT_EQ(get<TCheckListBox>("CheckListBox2").itemIndex(), -1);  // posted, not done yet
    drv.wake();
    EXPECT_EQ(get<TCheckListBox>("CheckListBox2").itemIndex(), 3);
    EXPECT_EQ(form1.focusedControl(), &widget("CheckListBox2"));
    EXPECT_FALSE(get<TCheckListBox>("CheckListBox2").checked(3));  // selected, not toggled
    EXPECT_EQ(recorder.count("CheckListBox2", AccessChange::Selection), 1);
    struct Refused {
        const char* widget;
        int item;
        bool focus;  // else select
    };
    const Refused refused[] = {
        {"Label13", -1, true},         // takes no focus
        {"CheckListBox2", -1, false},  // the list itself is not an item
        {"CheckListBox1", 0, false},   // on a hidden page
        {"CheckListBox1", 0, true},   {"Edit1", -1, true},
    };
    for (const Refused& r : refused) {
        const Node n = node(r.widget, r.item);
        EXPECT_FALSE(r.focus ? a11y::takeFocus(app, n) : a11y::select(app, n)) << r.widget;
    }
}

TEST_F(A11y, TheTreeIsConsistentFromEveryNodeAndOnlyTheSeenPageShows) {
    ASSERT_EQ(a11y::windows(app), (std::vector<Node>{Node{&form1, -1}}));
    int nodes = 0;
    std::vector<Node> stack{{&form1, -1}};
    while (!stack.empty()) {
        const Node n = stack.back();
        stack.pop_back();
        ++nodes;
        const Node up = a11y::parent(n);
        if (up) {
            EXPECT_EQ(a11y::child(up, a11y::indexInParent(app, n)), n) << n.control->name();
        }
        for (int i = 0; i < a11y::childCount(n); ++i) stack.push_back(a11y::child(n, i));
    }
    // Every widget of the layout but the five timers, and every check-list item.
    int items = 0;
    for (const char* l : {"CheckListBox1", "CheckListBox2", "CheckListBox3"})
        items += get<TCheckListBox>(l).count();
    EXPECT_EQ(nodes, 1 + int(form1.components().size()) - 5 + items);
    EXPECT_FALSE(a11y::child(node("CheckListBox2"), 99));
    EXPECT_TRUE(showing(node("Panel21")));
    for (const char* hidden : {"Panel20", "Panel22", "Panel5", "SpeedButton6", "Edit1"})
        EXPECT_FALSE(showing(node(hidden))) << hidden;
    EXPECT_TRUE(a11y::states(node("Panel20")) & a11y::kEnabled);
    const Rect b = a11y::screenBounds(node("ImageClose"));
    EXPECT_EQ(b.width(), 17);
    EXPECT_EQ(b.topLeft(), (Point{form1.screenPos().x + 579, form1.screenPos().y + 5}));
}

TEST_F(A11y, ScanningWithNothingCheckedRaisesAnAlertThatItsButtonCloses) {
    const Node scan = node("SpeedButton4");
    ASSERT_EQ(a11y::actionName(scan, 0), std::string("click"));
    ASSERT_TRUE(act(scan));
    auto* box = dynamic_cast<TMessageForm*>(drv.topBox());
    ASSERT_NE(box, nullptr);
    const Node alert{box, -1};
    EXPECT_EQ(a11y::role(alert), Role::Alert);
    EXPECT_EQ(a11y::name(alert), boxes.back().caption);
    EXPECT_EQ(a11y::text(alert), "请选择要扫描的内容！");
    EXPECT_EQ(a11y::description(alert), "请选择要扫描的内容！");
    EXPECT_EQ(recorder.count(box->caption(), AccessChange::WindowShown), 1);
    ASSERT_EQ(a11y::windows(app).size(), 2u);
    ASSERT_EQ(a11y::childCount(alert), 1);
    const Node ok = a11y::child(alert, 0);
    EXPECT_EQ(a11y::role(ok), Role::PushButton);
    EXPECT_EQ(a11y::name(ok), "确定");
    // The main window refuses input under the box, to a client as to the mouse.
    EXPECT_FALSE(act(scan));
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(act(ok));
    EXPECT_EQ(drv.topBox(), nullptr);
    EXPECT_EQ(a11y::windows(app).size(), 1u);
}

TEST_F(A11y, TogglingAnItemAndScanningFillsTheMemoAndMovesTheBarOncePerSegment) {
    const Node system = node("CheckListBox2", 2);
    ASSERT_EQ(a11y::actionName(system, 0), std::string("toggle"));
    ASSERT_TRUE(act(system));
    EXPECT_TRUE(get<TCheckListBox>("CheckListBox2").checked(2));
    EXPECT_EQ(a11y::states(system) & (a11y::kChecked | a11y::kSelected),
              a11y::kChecked | a11y::kSelected);
    EXPECT_EQ(recorder.count("CheckListBox2", AccessChange::Checked), 1);
    EXPECT_EQ(recorder.count("CheckListBox2", AccessChange::Selection), 1);
    ASSERT_TRUE(act(node("SpeedButton4")));
    drv.advance(3000);
    EXPECT_NE(a11y::text(node("Memo1")).find("正在扫描："), std::string::npos);
    EXPECT_GE(recorder.count("Memo1", AccessChange::Text), 1);
    auto& bar = get<TProgressBar>("ProgressBar2");
    EXPECT_GT(a11y::value(node("ProgressBar2")), 0);
    EXPECT_EQ(a11y::maximum(node("ProgressBar2")), 100);
    EXPECT_EQ(recorder.count("ProgressBar2", AccessChange::Value), bar.segmentsShown());
}

TEST_F(A11y, TextIsSetOnlyWhereTheUserCouldTypeIt) {
    drv.click(*form1.Panel4);  // the page with Edit1
    drv.click(widget("Panel13"));
    const Node edit = node("Edit1");
    ASSERT_TRUE(showing(edit));
    EXPECT_EQ(a11y::text(edit), "托尔万(Tolvane)");
    EXPECT_TRUE(a11y::states(edit) & a11y::kEditable);
    EXPECT_TRUE(a11y::setText(app, edit, "新标题"));
    drv.wake();
    EXPECT_EQ(get<TEdit>("Edit1").text(), "新标题");
    EXPECT_EQ(recorder.count("Edit1", AccessChange::Text), 1);
    EXPECT_FALSE(a11y::setText(app, node("Memo1"), "x"));  // read-only
    EXPECT_FALSE(a11y::setText(app, node("Edit4"), "x"));  // not showing
    recorder.changes.clear();
    drv.click(widget("Edit1"));
    EXPECT_EQ(recorder.count("Edit1", AccessChange::Focus), 1);
    EXPECT_TRUE(a11y::states(edit) & a11y::kFocused);
}

TEST_F(A11y, AClientPutsTheCaretAndTheSelectionInEditsAndMemosAsTheUserCould) {
    struct Row {
        const char* widget;
        std::size_t anchor, caret;
        bool accepted;
        std::size_t selStart, selEnd, caretAt;  // as the control then has them
    };
    const auto check = [&](const Row& r) {
        const Node n = node(r.widget);
        ASSERT_EQ(a11y::setSelection(app, n, r.anchor, r.caret), r.accepted) << r.widget;
        drv.wake();
        if (!r.accepted) return;
        EXPECT_EQ(a11y::selectionStart(n), r.selStart) << r.widget << " " << r.anchor;
        EXPECT_EQ(a11y::selectionEnd(n), r.selEnd) << r.widget << " " << r.anchor;
        EXPECT_EQ(a11y::caret(n), r.caretAt) << r.widget << " " << r.anchor;
    };
    get<TMemo>("Memo1").setText("正在扫描：C:");
    check({"Memo1", 0, 6, true, 0, 6, 6});  // read-only, yet it selects
    drv.click(*form1.Panel4);
    drv.click(widget("Panel13"));
    const Row rows[] = {
        {"Edit1", 0, 9, true, 0, 9, 9},       // "托尔万" of "托尔万(Tolvane)"
        {"Edit1", 12, 3, true, 3, 12, 3},     // the caret at the start: selected backwards
        {"Edit1", 4, 4, true, 3, 3, 3},       // inside a character: snapped to its start
        {"Edit1", 99, 99, true, 18, 18, 18},  // past the end: at the end
        {"Memo1", 0, 1, false, 0, 0, 0},      // its page is hidden now
        {"Panel13", 0, 1, false, 0, 0, 0},    // no text
    };
    for (const Row& r : rows) check(r);
}

TEST_F(A11y, EveryCaretMoveIsToldAndAfterTheTextItFollows) {
    drv.click(*form1.Panel4);
    drv.click(widget("Panel13"));
    TEdit& edit = get<TEdit>("Edit1");
    drv.click(edit);
    // What Edit1 reports for each step, in order, after the focus went to it.
    struct Row {
        const char* step;
        std::function<void()> act;
        std::vector<AccessChange> told;
    };
    using A = AccessChange;
    const Row rows[] = {
        {"a key moves the caret", [&] { drv.key(form1, platform::Key::Home); }, {A::Caret}},
        {"typing", [&] { drv.type(form1, "新"); }, {A::Text, A::Caret}},
        {"shift extends",
         [&] { drv.key(form1, platform::Key::Left, platform::kShift); },
         {A::Caret}},
        {"a client's text", [&] { a11y::setText(app, node("Edit1"), "x"); }, {A::Text, A::Caret}},
        {"a client's caret", [&] { a11y::setSelection(app, node("Edit1"), 1, 1); }, {A::Caret}},
    };
    for (const Row& r : rows) {
        recorder.changes.clear();
        r.act();
        drv.wake();
        std::vector<AccessChange> told;
        for (const Change& c : recorder.changes)
            if (c.control == "Edit1") told.push_back(c.what);
        EXPECT_EQ(told, r.told) << r.step;
    }
    EXPECT_EQ(edit.caretPos(), 1u);
}

TEST_F(A11y, TheAboutDialogOpensThroughItsSidebarItemAndItsModalLoopDoesNotHoldTheCaller) {
    const Node about = node("Panel19");
    EXPECT_FALSE(act(about));  // its group is folded away
    ASSERT_TRUE(act(node("Panel6")));
    ASSERT_TRUE(act(about));
    ASSERT_TRUE(form3.isShowing());
    EXPECT_EQ(recorder.count("Form3", AccessChange::WindowShown), 1);
    EXPECT_EQ(recorder.count("Form3", AccessChange::Activated), 1);
    EXPECT_TRUE(a11y::states({&form3, -1}) & a11y::kModal);
    std::vector<std::string> texts;
    for (int i = 0; i < a11y::childCount({&form3, -1}); ++i)
        if (const Node c = a11y::child({&form3, -1}, i); a11y::role(c) == Role::Label)
            texts.push_back(a11y::text(c));
    EXPECT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts.front(), "托尔万(Tolvane)V2.1（增强版）");
    ASSERT_TRUE(act(node("Form3.Panel1")));
    EXPECT_FALSE(form3.isShowing());
    EXPECT_EQ(recorder.count("Form3", AccessChange::WindowHidden), 1);
}

}  // namespace
}  // namespace tv
