// What assistive technology sees of the two windows and the notices, and what a client's
// actions do, on the headless backend through the real loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "a11y/model.h"
#include "mainwindow/fixture.h"
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
        {"Image12", Role::Link, ""},
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
    drv.click(widget("Edit1"));
    EXPECT_EQ(recorder.changes.back().what, AccessChange::Focus);
    EXPECT_TRUE(a11y::states(edit) & a11y::kFocused);
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
