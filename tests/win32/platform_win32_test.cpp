// The Windows backend under Wine: the windows it makes and who owns them, what reaches the
// screen, the messages it turns into our events, the wait, capture and cursor, minimising
// with the application window, and MessageBoxA with our timers ticking under it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "gfx/picture.h"
#include "gfx/win32/win32_text.h"
#include "gfx/win32/windows_api.h"
#include "platform/win32/win32_platform.h"
#include "support/fake_font.h"
#include "widgets/application.h"
#include "widgets/form.h"
#include "widgets/timer.h"

namespace tv::platform {
namespace {

HWND hwndOf(const NativeWindow& w) {
    return static_cast<HWND>(nativeHandle(w));
}

std::wstring textOf(HWND h) {
    wchar_t text[256] = {};
    GetWindowTextW(h, text, 256);
    return text;
}

class Win32Backend : public ::testing::Test {
  protected:
    std::unique_ptr<Platform> platform_ = createWin32Platform("tolvane");
    HWND app_ = static_cast<HWND>(applicationHandle(*platform_));

    std::unique_ptr<NativeWindow> make(WindowRole role, Size size = {120, 80}) {
        WindowSpec spec;
        spec.title = "tolvane";
        spec.size = size;
        spec.position = {40, 50};
        spec.role = role;
        return platform_->createWindow(spec);
    }
    // Takes every message and event that is ready, for up to `ms`.
    std::vector<Event> drain(std::uint64_t ms = 100) {
        std::vector<Event> events;
        Event e;
        const std::uint64_t until = platform_->now() + ms;
        while (platform_->waitEvent(e, until)) events.push_back(e);
        return events;
    }
    Event next(std::uint64_t ms = 2000) {
        Event e;
        EXPECT_TRUE(platform_->waitEvent(e, platform_->now() + ms));
        return e;
    }
};

// Hints go below the visible part of the arrow pointer: read from its masks, it ends
// below the hot spot and within the pointer's own height; the desktop holds the primary
// monitor.
TEST_F(Win32Backend, ThePointerDropAndTheMonitorsComeFromTheSystem) {
    const int drop = platform_->pointerDrop();
    EXPECT_GT(drop, 4);
    EXPECT_LE(drop, GetSystemMetrics(SM_CYCURSOR));
    EXPECT_EQ(platform_->pointerDrop(), drop);
    const Rect primary = platform_->monitorRect(std::nullopt);
    EXPECT_EQ(primary.topLeft(), (Point{0, 0}));
    EXPECT_EQ(primary.width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_TRUE(platform_->desktopRect().contains(primary));
    EXPECT_EQ(platform_->monitorRect(Point{-5000, 10}), primary) << "the nearest monitor";
}

TEST_F(Win32Backend, OneApplicationWindowWithTheTitleOwnsEveryOtherWindow) {
    ASSERT_NE(app_, nullptr);
    EXPECT_EQ(textOf(app_), L"tolvane");
    auto main = make(WindowRole::Main, {601, 439});
    auto dialog = make(WindowRole::Dialog);
    auto tip = make(WindowRole::Tooltip);
    for (auto* w : {main.get(), dialog.get(), tip.get()}) {
        const HWND h = hwndOf(*w);
        EXPECT_EQ(GetWindow(h, GW_OWNER), app_);
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_CAPTION);  // our own frames: the buffer is the whole window
        EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);  // no task-bar entry
    }
    RECT r{};
    GetClientRect(hwndOf(*main), &r);
    EXPECT_EQ(r.right - r.left, 601);
    EXPECT_EQ(r.bottom - r.top, 439);
    const LONG tipEx = GetWindowLongW(hwndOf(*tip), GWL_EXSTYLE);
    EXPECT_TRUE(tipEx & WS_EX_TOPMOST);
    EXPECT_TRUE(tipEx & WS_EX_NOACTIVATE);
    EXPECT_TRUE(tipEx & WS_EX_TOOLWINDOW);
    // The task-bar entry appears with the main window.
    EXPECT_FALSE(IsWindowVisible(app_));
    main->show();
    EXPECT_TRUE(IsWindowVisible(app_));
}

TEST_F(Win32Backend, PresentCopiesOnlyTheGivenRectanglesAndPaintMessagesRestoreTheBuffer) {
    auto w = make(WindowRole::Main);
    w->show();
    w->raise();
    drain();  // the first paint message shows the black buffer
    Pixel* px = w->pixels();
    for (int i = 0; i < w->size().width * w->size().height; ++i) px[i] = 0xFFFF0000u;
    const Rect dirty{10, 20, 30, 40};
    w->present(&dirty, 1);
    HDC dc = GetDC(hwndOf(*w));
    EXPECT_EQ(GetPixel(dc, 15, 25), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 29, 39), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 30, 25), RGB(0, 0, 0));  // beside the rectangle: not presented
    EXPECT_EQ(GetPixel(dc, 60, 60), RGB(0, 0, 0));
    // What the system asks to have repainted comes from the buffer as it is.
    InvalidateRect(hwndOf(*w), nullptr, FALSE);
    drain();
    EXPECT_EQ(GetPixel(dc, 60, 60), RGB(255, 0, 0));
    ReleaseDC(hwndOf(*w), dc);
}

TEST_F(Win32Backend, MouseMessagesBecomeOurEventsWithPositionsButtonsAndClicks) {
    auto w = make(WindowRole::Main);
    const HWND h = hwndOf(*w);
    drain();
    PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7));
    Event e = next();
    EXPECT_EQ(e.type, EventType::MouseDown);
    EXPECT_EQ(e.window, w->id());
    EXPECT_EQ(e.button, MouseButton::Left);
    EXPECT_EQ(e.pos.x, 5);
    EXPECT_EQ(e.pos.y, 7);
    EXPECT_EQ(e.screen.x, 45);  // the window is at 40, 50 and has no frame
    EXPECT_EQ(e.screen.y, 57);
    EXPECT_TRUE(e.shift & kLeftButton);
    EXPECT_EQ(e.clicks, 1);

    PostMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 7));
    e = next();
    EXPECT_EQ(e.type, EventType::MouseDown);
    EXPECT_EQ(e.clicks, 2);
    EXPECT_TRUE(e.shift & kDoubleClick);

    // Captured moves outside the window keep their negative coordinates.
    PostMessageW(h, WM_RBUTTONUP, 0, MAKELPARAM(-3, 300));
    e = next();
    EXPECT_EQ(e.type, EventType::MouseUp);
    EXPECT_EQ(e.button, MouseButton::Right);
    EXPECT_EQ(e.pos.x, -3);

    // Moves between two reads of the queue arrive as the last one.
    PostMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    PostMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    PostMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
    PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    std::vector<Event> events = drain();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].type, EventType::MouseMove);
    EXPECT_EQ(events[0].pos.y, 4);
    EXPECT_EQ(events[1].type, EventType::MouseUp);

    POINT screen{60, 70};
    PostMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, -2 * WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    e = next();
    EXPECT_EQ(e.type, EventType::MouseWheel);
    EXPECT_EQ(e.wheel, -2);
    EXPECT_EQ(e.pos.x, 20);
    EXPECT_EQ(e.pos.y, 20);
}

// A move to a monitor of 192 dots per inch: the window doubles where the system puts it,
// shows every logical pixel as 2 x 2 screen pixels, and halves pointer positions (rounding
// down, also left of the window) while screen positions stay the screen's.
TEST_F(Win32Backend, AnotherResolutionScalesTheWindowItsPictureAndThePointer) {
    auto w = make(WindowRole::Main);
    const HWND h = hwndOf(*w);
    w->show();
    drain();
    ASSERT_EQ(w->scale(), 1) << "the test's screen has 96 dots per inch";
    SIZE asked{};
    SendMessageW(h, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&asked));
    EXPECT_EQ(asked.cx, 240) << "144 dots per inch: the nearest whole scale, 2";
    EXPECT_EQ(asked.cy, 160);
    RECT suggested{100, 60, 100 + 240, 60 + 160};
    SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w->scale(), 2);
    EXPECT_EQ(w->size(), (Size{120, 80})) << "the logical size stays";
    RECT r{};
    GetClientRect(h, &r);
    EXPECT_EQ(r.right, 240);
    EXPECT_EQ(r.bottom, 160);
    EXPECT_EQ(w->position(), (Point{100, 60}));

    Pixel* px = w->pixels();
    px[20 * w->stride() + 10] = 0xFF00FF00u;
    const Rect one{10, 20, 11, 21};
    w->present(&one, 1);
    HDC dc = GetDC(h);
    for (POINT p : {POINT{20, 40}, POINT{21, 41}})
        EXPECT_EQ(GetPixel(dc, p.x, p.y), RGB(0, 255, 0)) << p.x << "," << p.y;
    EXPECT_NE(GetPixel(dc, 22, 41), RGB(0, 255, 0));
    ReleaseDC(h, dc);
    drain();

    PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(21, 41));
    PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(-3, 7));
    Event e = next();
    EXPECT_EQ(e.pos, (Point{10, 20}));
    EXPECT_EQ(e.screen, (Point{121, 101})) << "screen pixels";
    e = next();
    EXPECT_EQ(e.pos, (Point{-2, 3}));

    SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w->scale(), 1);
    GetClientRect(h, &r);
    EXPECT_EQ(r.right, 120);
}

// The system colours and sizes are the desktop's: a colour change reaches the painters
// and asks every window to be painted anew.
TEST_F(Win32Backend, SystemColoursAndSizesComeFromTheSystem) {
    for (const int index : {COLOR_BTNFACE, COLOR_BACKGROUND, COLOR_WINDOW, COLOR_INFOBK}) {
        const COLORREF c = GetSysColor(index);
        EXPECT_EQ(toPixel(kSystemColorBit | TColor(index), platform_->systemColors()),
                  rgb(GetRValue(c), GetGValue(c), GetBValue(c)))
            << index;
    }
    EXPECT_EQ(platform_->metrics().largeIcon, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(platform_->metrics().scrollArrow, GetSystemMetrics(SM_CYVSCROLL));

    auto w = make(WindowRole::Main);
    drain();
    const INT element = COLOR_BACKGROUND;
    const COLORREF before = GetSysColor(element);
    const COLORREF changed = RGB(18, 52, 86);
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    SendMessageW(hwndOf(*w), WM_SYSCOLORCHANGE, 0, 0);
    const Event e = next();
    EXPECT_EQ(e.type, EventType::ColorsChanged);
    EXPECT_EQ(e.window, w->id());
    EXPECT_EQ(toPixel(clBackground, platform_->systemColors()), rgb(18, 52, 86));
    SetSysColors(1, &element, &before);
}

TEST_F(Win32Backend, KeysTextAndCloseRequests) {
    auto w = make(WindowRole::Main);
    const HWND h = hwndOf(*w);
    drain();
    PostMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
    Event e = next();
    EXPECT_EQ(e.type, EventType::KeyDown);
    EXPECT_EQ(e.key, Key::Return);
    PostMessageW(h, WM_SYSKEYDOWN, VK_F4, 0);
    e = next();
    EXPECT_EQ(e.key, Key::F4);
    EXPECT_TRUE(e.shift & kAlt);

    PostMessageW(h, WM_CHAR, L'中', 0);
    e = next();
    EXPECT_EQ(e.type, EventType::TextInput);
    EXPECT_STREQ(e.text, "中");
    // A character beyond the basic plane comes as two halves and leaves as one.
    PostMessageW(h, WM_CHAR, 0xD83D, 0);
    PostMessageW(h, WM_CHAR, 0xDE00, 0);
    e = next();
    EXPECT_STREQ(e.text, "😀");
    // Keys that type control characters are keys, not text.
    PostMessageW(h, WM_CHAR, 0x08, 0);
    PostMessageW(h, WM_CLOSE, 0, 0);
    e = next();
    EXPECT_EQ(e.type, EventType::CloseRequest);
    EXPECT_TRUE(IsWindow(h));  // closing is the form's decision
}

TEST_F(Win32Backend, TheWaitSleepsUntilTheDeadlineOrWakesForAMessage) {
    auto w = make(WindowRole::Main);
    drain();
    const std::uint64_t start = platform_->now();
    Event e;
    EXPECT_FALSE(platform_->waitEvent(e, start + 200));
    const std::uint64_t waited = platform_->now() - start;
    EXPECT_GE(waited, 190u);
    EXPECT_LT(waited, 1000u);

    const HWND h = hwndOf(*w);
    std::thread poster([h] {
        Sleep(100);
        PostMessageW(h, WM_CLOSE, 0, 0);
    });
    const std::uint64_t before = platform_->now();
    EXPECT_TRUE(platform_->waitEvent(e, before + 10000));
    EXPECT_EQ(e.type, EventType::CloseRequest);
    EXPECT_LT(platform_->now() - before, 2000u);
    poster.join();
}

TEST_F(Win32Backend, CaptureCursorAndEnabling) {
    auto w = make(WindowRole::Main);
    const HWND h = hwndOf(*w);
    w->show();
    w->raise();
    drain();
    w->captureMouse(true);
    EXPECT_EQ(GetCapture(), h);
    w->captureMouse(false);
    EXPECT_EQ(GetCapture(), nullptr);

    w->setCursor(Cursor::HandPoint);
    SendMessageW(h, WM_SETCURSOR, WPARAM(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
    w->setCursor(Cursor::Arrow);
    SendMessageW(h, WM_SETCURSOR, WPARAM(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));

    w->setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(h));
    w->setEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(h));
}

TEST_F(Win32Backend, TheMainWindowMinimisesAndRestoresWithTheApplicationWindow) {
    auto main = make(WindowRole::Main);
    main->show();
    main->raise();
    drain();
    EXPECT_TRUE(main->visible());
    main->minimize();
    EXPECT_TRUE(IsIconic(app_));
    EXPECT_TRUE(main->minimized());
    EXPECT_FALSE(main->visible());
    bool minimized = false;
    for (const Event& e : drain(300))
        minimized |= e.type == EventType::Minimized && e.window == main->id();
    EXPECT_TRUE(minimized);
    main->restore();
    EXPECT_FALSE(IsIconic(app_));
    bool restored = false;
    for (const Event& e : drain(300))
        restored |= e.type == EventType::Restored && e.window == main->id();
    EXPECT_TRUE(restored);
    EXPECT_TRUE(main->visible());
}

TEST_F(Win32Backend, IconsAndTitles) {
    auto w = make(WindowRole::Main);
    Image icon;
    icon.width = icon.height = 16;
    icon.pixels.assign(256, 0xFF00FF00u);
    w->setIcon(icon);
    EXPECT_NE(SendMessageW(hwndOf(*w), WM_GETICON, ICON_BIG, 0), 0);
    w->setTitle("托尔万");
    EXPECT_EQ(textOf(hwndOf(*w)), L"托尔万");
}

// The application's message box on Windows.

struct BoxSeen {
    std::wstring text;
    std::wstring ownerClass;
    bool formEnabled = true;
    int ticksWhenSeen = 0;
    bool found = false;
};

// Waits on another thread for the box with the caption, until `ticks` reach `want`, then
// presses its OK button.
std::thread watchBox(const std::wstring& caption, HWND form, std::atomic<int>& ticks, int want,
                     BoxSeen& seen) {
    return std::thread([=, &ticks, &seen] {
        for (int i = 0; i < 400; ++i) {
            HWND box = FindWindowW(L"#32770", caption.c_str());
            if (box && IsWindowVisible(box) && ticks.load() >= want) {
                wchar_t text[256] = {}, owner[64] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                GetClassNameW(GetWindow(box, GW_OWNER), owner, 64);
                seen = {text, owner, IsWindowEnabled(form) != FALSE, ticks.load(), true};
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            Sleep(25);
        }
        // Give up without leaving the box open: the test then fails on `found`.
        if (HWND box = FindWindowW(L"#32770", caption.c_str()))
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
}

class NativeBox : public ::testing::Test {
  protected:
    std::unique_ptr<Platform> platform_ = createWin32Platform("tolvane");
    test::FakeFontEngine fonts_;
    TApplication app_{*platform_, fonts_, "tolvane"};
    TForm form_{app_, TBorderStyle::bsNone, {200, 100}, WindowRole::Main};
    std::atomic<int> ticks_{0};
};

TEST_F(NativeBox, TimersKeepTickingUnderTheBoxAndTheOtherWindowsAreDisabled) {
    auto& timer = form_.make<TTimer>();
    timer.setInterval(50);
    timer.setOnTimer([this](TObject*) { ++ticks_; });
    timer.setEnabled(true);
    form_.show();
    const HWND form = hwndOf(form_.window());
    BoxSeen seen;
    std::thread watcher = watchBox(L"托尔万(Tolvane)", form, ticks_, 4, seen);
    const int result = app_.messageBox("IE标题设置成功！", "托尔万(Tolvane)", MB_OK);
    watcher.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.text, L"IE标题设置成功！");
    EXPECT_EQ(seen.ownerClass, L"TolvaneApplication");
    EXPECT_FALSE(seen.formEnabled);
    EXPECT_GE(seen.ticksWhenSeen, 4);
    EXPECT_TRUE(IsWindowEnabled(form));  // given back afterwards
    EXPECT_TRUE(form_.inputEnabled());
}

TEST_F(NativeBox, ABoxOpenedByATickUnderAnotherBoxNestsAndBothReturn) {
    auto& timer = form_.make<TTimer>();
    timer.setInterval(50);
    int inner = 0;
    timer.setOnTimer([&](TObject*) {
        if (++ticks_ == 2) {
            timer.setEnabled(false);
            inner = app_.messageBox("扫描硬盘结束！", "内层", MB_OK);
            timer.setEnabled(true);
        }
    });
    timer.setEnabled(true);
    form_.show();
    BoxSeen innerSeen, outerSeen;
    std::thread innerWatch = watchBox(L"内层", nullptr, ticks_, 2, innerSeen);
    std::thread outerWatch = watchBox(L"外层", nullptr, ticks_, 5, outerSeen);
    const int outer = app_.messageBox("外", "外层", MB_OK);
    innerWatch.join();
    outerWatch.join();
    EXPECT_TRUE(innerSeen.found);
    EXPECT_TRUE(outerSeen.found);
    EXPECT_EQ(inner, IDOK);
    EXPECT_EQ(outer, IDOK);
    EXPECT_GE(ticks_.load(), 5);  // the outer box's timer came back after the inner box
}

TEST_F(NativeBox, ACaptionTheCodePageCannotCarryIsShownExactlyNotWithQuestionMarks) {
    form_.show();
    BoxSeen seen;
    std::thread watcher = watchBox(L"标题😀", nullptr, ticks_, 0, seen);
    app_.messageBox("한국어", "标题😀", MB_OK | MB_ICONERROR);
    watcher.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, L"한국어");
}

}  // namespace
}  // namespace tv::platform
