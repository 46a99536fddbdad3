// The two layouts as loaded: every event binding, spot checks of geometry, texts and
// stacking, and the loader's refusals.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "mainwindow/fixture.h"

namespace tv {
namespace {

struct Layout : ::testing::Test, test::Program {};

TEST_F(Layout, TitleTextsKeepTheirAsciiAndFullWidthParentheses) {
    EXPECT_EQ(form1.Label1->caption(), "托尔万(Tolvane)V2.1（增强版）");
    EXPECT_EQ(form3.Label1->caption(), "托尔万(Tolvane)V2.1（增强版）");
    EXPECT_EQ(form3.caption(), "关于…");
    EXPECT_EQ(form1.Label2->caption(), ">>");
    EXPECT_EQ(form1.Panel11->caption(), "   更新病毒库");
    EXPECT_EQ(form1.Panel12->caption(), "设       置");
    EXPECT_EQ(form1.Panel16->caption(), "选      项");
    EXPECT_EQ(form3.Panel1->caption(), "确 定");
}

TEST_F(Layout, RepairItemsKeepTheirCurvedAndStraightQuotationMarks) {
    const auto& items = form1.CheckListBox1->items();
    ASSERT_EQ(items.size(), 26u);
    EXPECT_EQ(items[0], "去除强行加入的恶意网站");
    EXPECT_EQ(items[5], "修复被禁用\u201C辅助功能\u201D");
    EXPECT_EQ(items[11], "修复被禁用\u201C收藏夹\"");
    EXPECT_EQ(items[13], "修复被禁用\"Internet选项\"");
    EXPECT_EQ(items[25], "修复被禁用\u201C代理服务器\u201D");
    EXPECT_EQ(form1.CheckListBox2->items().size(), 8u);
    EXPECT_EQ(form1.CheckListBox2->items()[7], "系统内存");
    EXPECT_EQ(form1.CheckListBox3->items()[3], "Temporary Internet Files");
}

TEST_F(Layout, GeometryAndStackingFollowTheLayout) {
    EXPECT_EQ(form1.clientSize(), (Size{601, 439}));
    EXPECT_EQ(form3.clientSize(), (Size{347, 190}));
    EXPECT_EQ(form1.Panel8->boundsRect(), Rect::fromXYWH(0, 414, 601, 25));
    EXPECT_EQ(form1.ImageActiveLeftTop->boundsRect(), Rect::fromXYWH(-8, 0, 85, 50));
    EXPECT_EQ(form1.ImageActiveRightTop->boundsRect(), Rect::fromXYWH(516, 0, 100, 50));
    EXPECT_EQ(form1.Panel9->windowRect().topLeft(),
              (Point{-4 + 4 + 2 + 1 + 2 + 12, 48 + 40 + 2 + 25 + 2 + 16}));
    // The bottom bar covers the background's last rows; the labels lie on the title bar.
    EXPECT_EQ(form1.controlAt({300, 415}), form1.Panel8);
    EXPECT_EQ(form1.controlAt({300, 49}), form1.PanelBkGnd);
    EXPECT_EQ(form1.controlAt({70, 12}), form1.Label1);
    EXPECT_EQ(form1.controlAt({565, 10}), form1.ImageMin);
    EXPECT_EQ(form1.controlAt({400, 10}), form1.ImageActiveTop);
    // The item's icon takes the pointer over its own area.
    const Rect icon = form1.Image1->windowRect();
    EXPECT_EQ(form1.controlAt({icon.left + 2, icon.top + 2}), form1.Image1);
    // Label3 shows the address fully inside the bar.
    EXPECT_LE(form1.Label3->left() + form1.Label3->width(), 601 - 1);
}

TEST_F(Layout, HintsAndTheLogosCursorFollowTheLayout) {
    EXPECT_EQ(form1.ImageMin->hint(), "最小化");
    EXPECT_TRUE(form1.ImageMin->showHint());
    EXPECT_EQ(form1.ImageClose->hint(), "关闭");
    EXPECT_EQ(form1.Image12->cursor(), TCursor::crHandPoint);
}

// The hints of the two title bar pictures, step by step: what is shown after each step.
TEST_F(Layout, TheTitleBarHintsWaitShowMoveOnExpireAndGo) {
    TControl& min = *form1.ImageMin;
    TControl& close = *form1.ImageClose;
    TControl& bar = *form1.Panel8;
    int nudge = 0;
    auto over = [&](TControl& c) {
        const Point p = surface(c);
        drv.move(form1, {p.x + (++nudge % 3), p.y + 1});
    };
    const struct {
        std::function<void()> step;
        const char* shown;
    } steps[] = {
        {[&] { over(min); }, ""},
        {[&] { drv.advance(300); }, ""},
        {[&] { over(min); }, ""},  // a move while waiting waits afresh
        {[&] { drv.advance(499); }, ""},
        {[&] { drv.advance(1); }, "最小化"},
        {[&] { over(close); }, "关闭"},  // from one hint to the next at once
        {[&] { drv.advance(2500); }, ""},
        {[&] { over(close); }, ""},  // spent until it is left
        {[&] { drv.advance(600); }, ""},
        {[&] { drv.key(form1, platform::Key::Escape); }, ""},
        {[&] { over(close); }, ""},  // a key ends the spell
        {[&] { drv.advance(500); }, "关闭"},
        {[&] { over(bar); }, ""},
        {[&] { over(min); }, ""},
        {[&] { drv.advance(200); }, ""},
        {[&] { over(bar); }, ""},  // left before the pause ran out
        {[&] { drv.advance(600); }, ""},
        {[&] { over(min); }, ""},
        {[&] { drv.advance(200); }, ""},
        {[&] { drv.key(form1, platform::Key::Escape); }, ""},
        {[&] { drv.advance(600); }, ""},
    };
    int i = 0;
    for (const auto& s : steps) {
        s.step();
        const auto& hints = app.hints();
        EXPECT_EQ(hints.showing() ? hints.shownText() : "", s.shown) << "after step " << i;
        ++i;
    }
}

// Every (widget, event) of both layouts. Each calls the handler named after the widget
// ("Form" for the window itself) and the event: Panel9 Click calls Panel9Click.
using Bindings = std::map<std::string, std::string>;  // "Panel9.Click" -> "Panel9Click"

Bindings expected(const std::vector<std::pair<std::string, std::vector<std::string>>>& rows) {
    Bindings b;
    for (const auto& [events, widgets] : rows) {
        std::istringstream in(events);
        for (std::string e; in >> e;)
            for (const std::string& w : widgets) b[w + "." + e] = w + e;
    }
    return b;
}

// What a layout binds: it is loaded with a recording stand-in for each handler its window
// names, and every event of every widget is fired once.
template <class Window>
Bindings bound(const char* file) {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "t"};
    resources::PictureLibrary pictures;
    LayoutDocument doc(resources::text(file), file);
    TForm form(app, doc.form().borderStyle, doc.form().clientSize, platform::WindowRole::Main);
    std::string called;
    HandlerTable t;
    for (const HandlerName& h : Window::kHandlers) {
        const std::string n = h.name;
        if (h.kind == HandlerName::Notify) t.notify[n] = [&called, n](TObject*) { called = n; };
        if (h.kind == HandlerName::Button)
            t.mouse[n] = [&called, n](TObject*, TMouseButton, TShiftState, int, int) {
                called = n;
            };
        if (h.kind == HandlerName::Move)
            t.move[n] = [&called, n](TObject*, TShiftState, int, int) { called = n; };
    }
    doc.apply(
        form, [&](const std::string& n) { return pictures.get(n); }, t);
    Bindings b;
    auto probe = [&](const std::string& key, const auto& handler, auto... args) {
        if (!handler) return;
        called.clear();
        handler(args...);
        b[key] = called;
    };
    auto fire = [&](const std::string& name, TControl& c) {
        probe(name + ".Click", c.OnClick, &c);
        probe(name + ".MouseDown", c.OnMouseDown, &c, TMouseButton::mbLeft, TShiftState{}, 0, 0);
        probe(name + ".MouseMove", c.OnMouseMove, &c, TShiftState{}, 0, 0);
        probe(name + ".MouseUp", c.OnMouseUp, &c, TMouseButton::mbLeft, TShiftState{}, 0, 0);
    };
    fire("Form", form);
    probe("Form.Create", form.OnCreate, &form);
    for (const auto& component : form.components()) {
        if (auto* c = dynamic_cast<TControl*>(component.get())) fire(c->name(), *c);
        if (auto* timer = dynamic_cast<TTimer*>(component.get()))
            probe(timer->name() + ".Timer", timer->onTimer(), timer);
    }
    for (const HandlerName& h : Window::kHandlers) {
        bool used = false;
        for (const auto& [event, handler] : b) used = used || handler == h.name;
        EXPECT_TRUE(used) << file << ": no event calls " << h.name;
    }
    return b;
}

TEST(LayoutBindings, EveryEventOfBothLayoutsCallsItsHandler) {
    EXPECT_EQ(
        bound<TForm1>("main.json"),
        expected({
            {"Create", {"Form"}},
            {"MouseDown MouseMove MouseUp",
             {"ImageActiveTop", "ImageActiveLeftTop", "ImageActiveRightTop", "Label1", "Panel8"}},
            {"Click",
             {"ImageMin",      "ImageClose",    "Image12",       "Panel2",        "Panel4",
              "Panel6",        "SpeedButton1",  "SpeedButton2",  "SpeedButton3",  "SpeedButton4",
              "SpeedButton5",  "SpeedButton6",  "SpeedButton7",  "SpeedButton8",  "SpeedButton9",
              "SpeedButton10", "SpeedButton11", "SpeedButton12", "SpeedButton13", "SpeedButton14",
              "SpeedButton15", "SpeedButton16", "SpeedButton17", "SpeedButton77", "SpeedButton78",
              "SpeedButton79", "SpeedButton80"}},
            {"Click MouseMove",
             {"Panel9", "Panel10", "Panel11", "Panel12", "Panel13", "Panel14", "Panel15", "Panel16",
              "Panel19"}},
            {"MouseMove",
             {"PanelBkGnd", "Panel3", "Panel5", "Panel7", "GroupBox4", "Edit1", "Edit2", "Edit3"}},
            {"Timer", {"Timer1", "Timer2", "Timer3", "Timer4", "Timer5"}},
        }));
    EXPECT_EQ(bound<TForm3>("about.json"),
              expected({{"Click MouseMove", {"Panel1"}}, {"MouseMove", {"Form"}}}));
}

struct Refusal : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "t"};
    std::string error(const std::string& widgets, const std::string& fonts_ = "{}") {
        std::string json = R"({"form": {"Name": "F", "Class": "TF", "BorderStyle": "bsNone",
            "ClientWidth": 100, "ClientHeight": 100}, "fonts": )" +
                           fonts_ + R"(, "widgets": [)" + widgets + "]}";
        try {
            LayoutDocument doc(json, "test.json");
            TForm f(app, doc.form().borderStyle, doc.form().clientSize, platform::WindowRole::Main);
            HandlerTable h;
            h.notify["PClick"] = [](TObject*) {};
            doc.apply(
                f,
                [](const std::string& n) -> std::shared_ptr<const Picture> {
                    return n == "ok.bmp" ? std::make_shared<Picture>() : nullptr;
                },
                h);
        } catch (const LayoutError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(Refusal, EachUnknownThingStopsLoadingNamingTheFileAndTheWidget) {
    const std::string ok =
        R"({"Kind": "TPanel", "Name": "P", "Parent": "F", "Events": {"OnClick": "PClick"}})";
    EXPECT_EQ(error(ok), "");
    EXPECT_EQ(error(R"({"Kind": "TButton", "Name": "B", "Parent": "F"})"),
              "test.json: widget 'B': unknown kind \"TButton\"");
    EXPECT_EQ(error(R"({"Kind": "TPanel", "Name": "P", "Parent": "F", "Colour": 1})"),
              "test.json: widget 'P': unknown property \"Colour\"");
    EXPECT_EQ(error(R"({"Kind": "TPanel", "Name": "P", "Parent": "Q"})"),
              "test.json: widget 'P': unknown parent \"Q\"");
    EXPECT_EQ(error(R"({"Kind": "TPanel", "Name": "P", "Parent": "F", "Font": "big"})"),
              "test.json: widget 'P': unknown font \"big\"");
    EXPECT_EQ(error(R"({"Kind": "TImage", "Name": "I", "Parent": "F", "Picture": "no.bmp"})"),
              "test.json: widget 'I': unknown picture \"no.bmp\"");
    EXPECT_EQ(
        error(R"({"Kind": "TPanel", "Name": "P", "Parent": "F", "Events": {"OnClick": "Nope"}})"),
        "test.json: widget 'P': OnClick: unknown handler \"Nope\"");
    EXPECT_EQ(error(ok + "," + ok), "test.json: widget 'P': the name is used twice");
    EXPECT_EQ(
        error(
            R"({"Kind": "TLabel", "Name": "L", "Parent": "F"}, {"Kind": "TPanel", "Name": "P", "Parent": "L"})"),
        "test.json: widget 'P': unknown parent \"L\"");
}

TEST(LayoutText, MalformedJsonIsRefusedWithTheFileName) {
    try {
        LayoutDocument doc("{\"form\": ", "broken.json");
        FAIL() << "accepted";
    } catch (const LayoutError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("broken.json: ", 0), 0u) << e.what();
    }
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

struct Frame : ::testing::Test, test::Program {};

TEST_F(Frame, BothWindowsCarryTheIconAndTheDialogsBelongToTheMainWindow) {
    auto* mainWin = platform.window(form1.window().id());
    auto* aboutWin = platform.window(form3.window().id());
    EXPECT_TRUE(mainWin->hasIcon());
    EXPECT_TRUE(aboutWin->hasIcon());
    EXPECT_EQ(mainWin->role(), platform::WindowRole::Main);
    EXPECT_EQ(mainWin->title(), "tolvane");  // the application title on the task bar
    EXPECT_EQ(aboutWin->role(), platform::WindowRole::Dialog);
    EXPECT_EQ(aboutWin->transientFor(), &form1.window());
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel14);  // a notice
    ASSERT_NE(drv.topBox(), nullptr);
    auto* boxWin = platform.window(drv.topBox()->window().id());
    EXPECT_EQ(boxWin->role(), platform::WindowRole::Dialog);
    EXPECT_EQ(boxWin->transientFor(), &form1.window());
    EXPECT_EQ(boxWin->title(), "托尔万(Tolvane)");
    drv.dismissBox();
}

TEST_F(Frame, EveryNoticeIsWrappedInTheTopMostPairAndErrorsAreNot) {
    std::vector<int> levels;
    app.onMessageBox = [&](const TApplication::BoxRecord&) {
        levels.push_back(app.topMostLevel());
    };
    EXPECT_EQ(app.topMostLevel(), 0);
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel14);
    EXPECT_EQ(app.topMostLevel(), 1);  // held while the notice is open
    // A notice from a timer while the first is open nests the pair.
    form1.CheckListBox2->setChecked(0, true);
    form1.ProgressBar2->setPosition(100);
    form1.Timer2->setEnabled(true);
    drv.advance(300);
    EXPECT_EQ(app.topMostLevel(), 2);
    drv.dismissBox();
    EXPECT_EQ(app.topMostLevel(), 1);
    drv.dismissBox();
    EXPECT_EQ(app.topMostLevel(), 0);
    // The error display shows its box without the pair.
    host.failWrites();
    drv.click(*form1.SpeedButton77);
    ASSERT_NE(drv.topBox(), nullptr);
    drv.dismissBox();
    EXPECT_EQ(levels, (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(app.topMostLevel(), 0);
}

}  // namespace
}  // namespace tv
