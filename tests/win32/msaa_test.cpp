// The main window through MSAA as a client sees it: the real Windows backend, the window
// made from its layout, and oleacc's AccessibleObjectFromWindow on it, from this process.

#include <gtest/gtest.h>

#include "gfx/win32/windows_api.h"

#include <oleacc.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "a11y/msaa/msaa.h"
#include "about/form3.h"
#include "gfx/win32/win32_text.h"
#include "host/recording_host.h"
#include "mainwindow/form1.h"
#include "msaa_children.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "support/fake_font.h"
#include "widgets/application.h"
#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/memo.h"
#include "widgets/progress_bar.h"

namespace tv {
namespace {

// One reference to a client's object, let go at the end of the scope.
struct Object {
    IAccessible* p = nullptr;
    Object() = default;
    explicit Object(IDispatch* d) {
        if (d) {
            d->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&p));
            d->Release();
        }
    }
    Object(const Object& o) : p(o.p) {
        if (p) p->AddRef();
    }
    Object& operator=(const Object&) = delete;
    ~Object() {
        if (p) p->Release();
    }
    IAccessible* operator->() const { return p; }
};

VARIANT self() {
    return test::childId(CHILDID_SELF);
}

std::string nameOf(const Object& o) {
    BSTR b = nullptr;
    if (FAILED(o->get_accName(self(), &b)) || !b) return {};
    std::string s = win32::fromWide(b);
    SysFreeString(b);
    return s;
}
long numberOf(const Object& o, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED((o.p->*get)(self(), &v)) || v.vt != VT_I4) return -1;
    return v.lVal;
}
long roleOf(const Object& o) {
    return numberOf(o, &IAccessible::get_accRole);
}
long stateOf(const Object& o) {
    return numberOf(o, &IAccessible::get_accState);
}

struct MsaaProgram {
    std::unique_ptr<platform::Platform> platform = platform::createWin32Platform("tolvane");
    test::FakeFontEngine fonts;
    TApplication app{*platform, fonts, "tolvane"};
    RecordingHost host;
    resources::PictureLibrary pictures;
    PictureSource source = [this](const std::string& n) { return pictures.get(n); };
    LayoutDocument mainLayout{resources::text("main.json"), "main.json"};
    LayoutDocument aboutLayout{resources::text("about.json"), "about.json"};
    TForm1 form1{app, host, mainLayout, source};
    TForm3 form3{app, aboutLayout, source};
    a11y::MsaaBridge bridge{app};
    HWND hwnd = nullptr;
    Object root;
    // Every node under the window, in tree order.
    std::vector<Object> nodes;

    MsaaProgram() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        form1.setAboutForm(&form3);
        form1.show();
        app.paintAll();
        hwnd = static_cast<HWND>(platform::nativeHandle(form1.window()));
        AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible,
                                   reinterpret_cast<void**>(&root.p));
        if (root.p) walk(root);
    }
    ~MsaaProgram() {
        nodes.clear();
        if (root.p) root.p->Release();
        root.p = nullptr;
        CoUninitialize();
    }
    void walk(const Object& o) {
        test::forEachChild(o.p, [&](IAccessible* child) {
            nodes.emplace_back().p = child;
            walk(nodes.back());
            return false;
        });
    }
    // The first node with this name and role; an empty object when there is none.
    Object find(const std::string& name, long role) {
        for (const Object& o : nodes)
            if (nameOf(o) == name && roleOf(o) == role) return o;
        return {};
    }
};

class Msaa : public ::testing::Test, protected MsaaProgram {};

TEST_F(Msaa, TheWindowAnswersWithItsControlsByNameAndRole) {
    ASSERT_TRUE(root.p) << "AccessibleObjectFromWindow gave no object";
    EXPECT_EQ(nameOf(root), "tolvane");
    EXPECT_EQ(roleOf(root), ROLE_SYSTEM_CLIENT);
    struct Row {
        const char* name;
        long role;
    };
    const Row rows[] = {
        // the sidebar: 3 headers, 9 items (padding dropped, inner spaces kept)
        {"网络安全", ROLE_SYSTEM_PUSHBUTTON},
        {"网络优化", ROLE_SYSTEM_PUSHBUTTON},
        {"软件帮助", ROLE_SYSTEM_PUSHBUTTON},
        {"扫描硬盘", ROLE_SYSTEM_PUSHBUTTON},
        {"扫描网络", ROLE_SYSTEM_PUSHBUTTON},
        {"更新病毒库", ROLE_SYSTEM_PUSHBUTTON},
        {"设       置", ROLE_SYSTEM_PUSHBUTTON},
        {"IE  属性", ROLE_SYSTEM_PUSHBUTTON},
        {"IE  刷新", ROLE_SYSTEM_PUSHBUTTON},
        {"拨号属性", ROLE_SYSTEM_PUSHBUTTON},
        {"选      项", ROLE_SYSTEM_PUSHBUTTON},
        {"关于软件", ROLE_SYSTEM_PUSHBUTTON},
        // the other kinds
        {"最小化", ROLE_SYSTEM_PUSHBUTTON},
        {"扫描对象：", ROLE_SYSTEM_STATICTEXT},
        {"扫描对象：", ROLE_SYSTEM_LIST},
        {"System(C:)", ROLE_SYSTEM_LISTITEM},
        {"设置IE标题：", ROLE_SYSTEM_TEXT},
        {"扫描进度：", ROLE_SYSTEM_PROGRESSBAR},
        {"个性设置", ROLE_SYSTEM_GROUPING},
        {"使用代理服务器", ROLE_SYSTEM_CHECKBUTTON},
    };
    for (const Row& r : rows) EXPECT_TRUE(find(r.name, r.role).p) << r.name << " " << r.role;
    // The logo is a link named by the product; its value is where it leads.
    Object logo = find("托尔万(Tolvane)", ROLE_SYSTEM_LINK);
    ASSERT_TRUE(logo.p);
    BSTR address = nullptr;
    ASSERT_EQ(logo->get_accValue(self(), &address), S_OK);
    EXPECT_EQ(win32::fromWide(address), "http://tolvane.example/");
    SysFreeString(address);
    // Each child knows its parent.
    Object header = find("网络优化", ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_TRUE(header.p);
    IDispatch* up = nullptr;
    ASSERT_EQ(header->get_accParent(&up), S_OK);
    EXPECT_EQ(roleOf(Object(up)), ROLE_SYSTEM_PANE);
}

TEST_F(Msaa, ABoundIsWhereTheHitTestFindsTheSameControl) {
    Object header = find("网络优化", ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_TRUE(header.p);
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(header->accLocation(&x, &y, &w, &h, self()), S_OK);
    RECT window{};
    GetWindowRect(hwnd, &window);
    const int scale = form1.window().scale();
    // Inside the sidebar's border, in screen pixels.
    EXPECT_EQ(x - window.left, 3 * scale);
    EXPECT_EQ(y - window.top, 365 * scale);
    EXPECT_EQ(w, 120 * scale);
    EXPECT_EQ(h, 25 * scale);
    VARIANT at;
    VariantInit(&at);
    ASSERT_EQ(root->accHitTest(x + w / 2, y + h / 2, &at), S_OK);
    ASSERT_EQ(at.vt, VT_DISPATCH);
    EXPECT_EQ(nameOf(Object(at.pdispVal)), "网络优化");
    EXPECT_EQ(root->accHitTest(window.right + 5, window.top, &at), S_FALSE);
    EXPECT_EQ(at.vt, VT_EMPTY);
}

TEST_F(Msaa, NavigationWalksTheSameChildrenAndTheFormHasTheWindowAsParent) {
    ASSERT_TRUE(root.p);
    long count = 0;
    ASSERT_EQ(root->get_accChildCount(&count), S_OK);
    ASSERT_GT(count, 1);
    VARIANT at;
    VariantInit(&at);
    ASSERT_EQ(root->accNavigate(NAVDIR_FIRSTCHILD, self(), &at), S_OK);
    std::vector<std::string> names;
    while (at.vt == VT_DISPATCH) {
        Object o(at.pdispVal);
        names.push_back(nameOf(o) + "/" + std::to_string(roleOf(o)));
        if (names.size() == 1) {
            EXPECT_EQ(o->accNavigate(NAVDIR_PREVIOUS, self(), &at), S_FALSE);
            EXPECT_EQ(at.vt, VT_EMPTY);
        }
        o->accNavigate(NAVDIR_NEXT, self(), &at);
    }
    ASSERT_EQ(long(names.size()), count);
    for (long i = 1; i <= count; ++i) {
        IDispatch* d = nullptr;
        ASSERT_EQ(root->get_accChild(test::childId(i), &d), S_OK);
        Object o(d);
        EXPECT_EQ(nameOf(o) + "/" + std::to_string(roleOf(o)), names[std::size_t(i - 1)]);
    }
    IDispatch* none = nullptr;
    EXPECT_EQ(root->get_accChild(test::childId(count + 1), &none), E_INVALIDARG);
    IDispatch* up = nullptr;
    ASSERT_EQ(root->get_accParent(&up), S_OK);
    // The system's object for the window; Wine answers neither its role nor its name
    // (E_NOTIMPL), so only that it is one is checked here.
    Object window(up);
    EXPECT_TRUE(window.p);
}

TEST_F(Msaa, DirectionalNavigationFollowsTheScreenAndSelectingAnItemFocusesItsList) {
    Object scan = find("扫  描", ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_TRUE(scan.p);
    struct Row {
        long direction;
        const char* name;  // none: nothing lies that way
        long role;
    };
    const Row rows[] = {
        {NAVDIR_DOWN, "杀  毒", ROLE_SYSTEM_PUSHBUTTON},
        {NAVDIR_LEFT, "扫描对象：", ROLE_SYSTEM_LIST},
        {NAVDIR_UP, "扫描对象：", ROLE_SYSTEM_STATICTEXT},  // the label up on the left
        {NAVDIR_RIGHT, nullptr, 0},
    };
    for (const Row& r : rows) {
        VARIANT at;
        const HRESULT hr = scan->accNavigate(r.direction, self(), &at);
        if (!r.name) {
            EXPECT_EQ(hr, S_FALSE) << r.direction;
            EXPECT_EQ(at.vt, VT_EMPTY) << r.direction;
            continue;
        }
        ASSERT_EQ(hr, S_OK) << r.direction;
        ASSERT_EQ(at.vt, VT_DISPATCH) << r.direction;
        Object to(at.pdispVal);
        EXPECT_EQ(nameOf(to), r.name);
        EXPECT_EQ(roleOf(to), r.role);
    }
    VARIANT at;
    EXPECT_EQ(scan->accNavigate(0x7f, self(), &at), E_INVALIDARG);

    Object system = find("System(C:)", ROLE_SYSTEM_LISTITEM);
    Object list = find("扫描对象：", ROLE_SYSTEM_LIST);
    ASSERT_TRUE(system.p && list.p);
    EXPECT_EQ(system->accSelect(SELFLAG_ADDSELECTION, self()), E_INVALIDARG);  // one at a time
    EXPECT_EQ(scan->accSelect(SELFLAG_TAKESELECTION, self()), S_FALSE);
    ASSERT_EQ(system->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, self()), S_OK);
    app.runNested([&] { return form1.CheckListBox2->itemIndex() >= 0; });
    EXPECT_TRUE(stateOf(system) & STATE_SYSTEM_SELECTED);
    EXPECT_FALSE(stateOf(system) & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(form1.focusedControl(), form1.CheckListBox2);
    VARIANT selected;
    ASSERT_EQ(list->get_accSelection(&selected), S_OK);
    ASSERT_EQ(selected.vt, VT_DISPATCH);
    EXPECT_EQ(nameOf(Object(selected.pdispVal)), "System(C:)");
}

TEST_F(Msaa, TheDefaultActionAnswersAtOnceAndTheLoopShowsThePage) {
    Object header = find("网络优化", ROLE_SYSTEM_PUSHBUTTON);
    Object page = find("个性设置", ROLE_SYSTEM_GROUPING);
    ASSERT_TRUE(header.p && page.p);
    BSTR action = nullptr;
    ASSERT_EQ(header->get_accDefaultAction(self(), &action), S_OK);
    EXPECT_EQ(win32::fromWide(action), "click");
    SysFreeString(action);
    EXPECT_TRUE(stateOf(page) & STATE_SYSTEM_INVISIBLE);
    // Nothing else is waiting for the loop (what showing the window queued is taken).
    platform::Event e;
    while (platform->waitEvent(e, platform->now())) {
    }
    ASSERT_EQ(header->accDoDefaultAction(self()), S_OK);
    // Queued: nothing has happened yet when the call returns.
    EXPECT_TRUE(stateOf(page) & STATE_SYSTEM_INVISIBLE);
    // The wait wakes for the queued click by itself, without any event to carry it; a
    // message three seconds on ends the wait should it not.
    std::atomic<bool> done{false};
    std::thread rescue([&] {
        for (int i = 0; i < 60 && !done; ++i) Sleep(50);
        if (!done) PostMessageW(hwnd, WM_MOVE, 0, 0);
    });
    const std::uint64_t start = platform->now();
    app.runNested([&] { return !(stateOf(page) & STATE_SYSTEM_INVISIBLE); });
    done = true;
    rescue.join();
    EXPECT_LT(platform->now() - start, 1000u);
    EXPECT_FALSE(stateOf(page) & STATE_SYSTEM_INVISIBLE);
    // The edit on the page now shown takes a client's text the same way.
    Object edit = find("设置IE标题：", ROLE_SYSTEM_TEXT);
    ASSERT_TRUE(edit.p);
    BSTR typed = SysAllocString(L"新标题");
    ASSERT_EQ(edit->put_accValue(self(), typed), S_OK);
    SysFreeString(typed);
    app.runNested([&] { return form1.Edit1->text() == "新标题"; });
    EXPECT_EQ(form1.Edit1->text(), "新标题");
    // A label has nothing to do.
    EXPECT_EQ(find("扫描对象：", ROLE_SYSTEM_STATICTEXT)->accDoDefaultAction(self()),
              DISP_E_MEMBERNOTFOUND);
}

// A screen reader follows the system caret: it stands at the focused edit's caret while
// the window has the keyboard, moves with it, and goes when the focus leaves the edit.
TEST_F(Msaa, TheSystemCaretFollowsTheFocusedEdit) {
    Object header = find("网络优化", ROLE_SYSTEM_PUSHBUTTON);
    Object edit = find("设置IE标题：", ROLE_SYSTEM_TEXT);
    ASSERT_TRUE(header.p && edit.p);
    ASSERT_EQ(header->accDoDefaultAction(self()), S_OK);
    app.runNested([&] { return !(stateOf(edit) & STATE_SYSTEM_INVISIBLE); });
    SetFocus(hwnd);
    const auto caret = [&] {
        GUITHREADINFO gti{};
        gti.cbSize = sizeof gti;
        GetGUIThreadInfo(GetCurrentThreadId(), &gti);
        POINT at{gti.rcCaret.left, gti.rcCaret.top};
        ClientToScreen(hwnd, &at);
        return std::pair{gti.hwndCaret, at};
    };
    EXPECT_EQ(caret().first, nullptr) << "no text control has the focus yet";
    ASSERT_EQ(edit->accSelect(SELFLAG_TAKEFOCUS, self()), S_OK);
    app.runNested([&] { return form1.focusedControl() == form1.Edit1; });
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(edit->accLocation(&x, &y, &w, &h, self()), S_OK);
    auto [owner, at] = caret();
    EXPECT_EQ(owner, hwnd);
    EXPECT_TRUE(at.x >= x && at.x < x + w && at.y >= y && at.y < y + h)
        << at.x << "," << at.y << " outside the edit at " << x << "," << y;
    const LONG start = at.x;
    form1.Edit1->setSelection(0, 3);  // after the first character
    EXPECT_GT(caret().second.x, start);
    SetFocus(nullptr);
    EXPECT_EQ(caret().first, nullptr) << "the window lost the keyboard";
    SetFocus(hwnd);
    EXPECT_EQ(caret().first, hwnd) << "and has it again";
    form1.Edit1->setVisible(false);  // the focus moves on, to a control without a caret
    EXPECT_NE(form1.focusedControl(), form1.Edit1);
    EXPECT_EQ(caret().first, nullptr);
}

// What a WinEvent hook of this process heard.
struct Heard {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
};
std::vector<Heard>* heard = nullptr;
void CALLBACK hearEvent(HWINEVENTHOOK, DWORD event, HWND h, LONG object, LONG child, DWORD, DWORD) {
    if (heard) heard->push_back({event, h, object, child});
}

TEST_F(Msaa, AChangeReachesAWinEventHookThatFindsTheControlAndItsValue) {
    struct Row {
        std::function<void()> change;
        DWORD event;
        const char* name;
        const char* value;  // none: the state has `state`
        long state;
    };
    const Row rows[] = {
        {[&] { form1.Edit1->setText("我的浏览器"); }, EVENT_OBJECT_VALUECHANGE, "设置IE标题：",
         "我的浏览器", 0},
        {[&] { form1.ProgressBar2->setPosition(50); }, EVENT_OBJECT_VALUECHANGE, "扫描进度：",
         "50%", 0},
        {[&] { form1.Memo1->setText("正在扫描："); }, EVENT_OBJECT_VALUECHANGE, "扫描显示：",
         "正在扫描：", 0},
        {[&] { form1.CheckBox11->setChecked(true); }, EVENT_OBJECT_STATECHANGE, "使用代理服务器",
         nullptr, STATE_SYSTEM_CHECKED},
        {[&] { form1.CheckListBox2->setChecked(2, true); }, EVENT_OBJECT_STATECHANGE, "System(C:)",
         nullptr, STATE_SYSTEM_CHECKED},
        {[&] { form1.setFocusedControl(form1.Edit1); }, EVENT_OBJECT_FOCUS, "设置IE标题：", nullptr,
         STATE_SYSTEM_FOCUSED},
        // The label's new caption renames it, then the list it names.
        {[&] { form1.Label13->setCaption("盘符："); }, EVENT_OBJECT_NAMECHANGE, "盘符：", nullptr,
         0},
    };
    std::vector<Heard> events;
    heard = &events;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, hearEvent,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    for (const Row& r : rows) {
        events.clear();
        r.change();
        // Out-of-context events arrive as messages of this thread.
        MSG m;
        for (int i = 0; i < 20 && events.empty(); ++i) {
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
            Sleep(10);
        }
        ASSERT_FALSE(events.empty()) << r.name;
        if (r.event == EVENT_OBJECT_NAMECHANGE) {
            EXPECT_EQ(events.size(), 2u);
        }
        const Heard& e = events.back();
        EXPECT_EQ(e.event, r.event) << r.name;
        EXPECT_EQ(e.hwnd, hwnd) << r.name;
        EXPECT_EQ(e.object, OBJID_CLIENT) << r.name;
        EXPECT_LT(e.child, 0) << r.name;
        Object from;
        VARIANT child;
        VariantInit(&child);
        ASSERT_EQ(
            AccessibleObjectFromEvent(e.hwnd, DWORD(e.object), DWORD(e.child), &from.p, &child),
            S_OK)
            << r.name;
        BSTR b = nullptr;
        ASSERT_EQ(from->get_accName(child, &b), S_OK) << r.name;
        EXPECT_EQ(win32::fromWide(b), r.name);
        SysFreeString(b);
        if (r.value) {
            ASSERT_EQ(from->get_accValue(child, &b), S_OK) << r.name;
            EXPECT_EQ(win32::fromWide(b), r.value);
            SysFreeString(b);
        } else if (r.state) {
            VARIANT state;
            VariantInit(&state);
            ASSERT_EQ(from->get_accState(child, &state), S_OK) << r.name;
            EXPECT_TRUE(state.lVal & r.state) << r.name;
        }
    }
    UnhookWinEvent(hook);
    heard = nullptr;
    // The form names its focused control.
    VARIANT focus;
    VariantInit(&focus);
    ASSERT_EQ(root->get_accFocus(&focus), S_OK);
    ASSERT_EQ(focus.vt, VT_DISPATCH);
    EXPECT_EQ(nameOf(Object(focus.pdispVal)), "设置IE标题：");
}

}  // namespace
}  // namespace tv
