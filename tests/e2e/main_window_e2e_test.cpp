// The real program under Xvfb, used as a person would: clicking through the sidebar,
// hovering, running a scan to its notice, writing the registry, launching a settings
// page, dragging the window, hints, closing and minimising. Positions are the layout's
// window coordinates; colours are read back from the screen.

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "e2e/main_window.h"

namespace tv::e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(MainWindowTest, HeadersOpenTheirSectionsAndItemsSwitchPages) {
    start();
    // The optimisation header sits at y 365..389 in the security state.
    EXPECT_TRUE(near(pixel(15, 377), kDesktopBlue, 2)) << toString(pixel(15, 377));
    EXPECT_TRUE(near(pixel(420, 190), kWhite, 2));  // the disk scan list
    click(100, 377);
    // It moves up to 115..139, the personalisation page shows its third edit box.
    EXPECT_TRUE(waitForPixel(100, 127, kDesktopBlue)) << toString(pixel(100, 127));
    EXPECT_TRUE(waitForPixel(420, 190, kPageGrey)) << toString(pixel(420, 190));
    // The help header below it opens the help group with its single item.
    click(100, 402);
    EXPECT_TRUE(waitForPixel(100, 152, kDesktopBlue));
    click(100, 102);  // security header: back to the disk scan page
    EXPECT_TRUE(waitForPixel(420, 190, kWhite));
}

TEST_F(MainWindowTest, AnItemUnderThePointerTakesTheHoverColour) {
    start();
    const Point item{17 + 95, 167 + 3};  // "扫描网络", away from its caption
    EXPECT_TRUE(near(pixel(item.x, item.y), kItemGrey, 2)) << toString(pixel(item.x, item.y));
    desktop().mouseMove(at(item.x, item.y));
    EXPECT_TRUE(waitForPixel(item.x, item.y, kHover)) << toString(pixel(item.x, item.y));
    desktop().mouseMove(at(300, 52));  // the background resets it
    EXPECT_TRUE(waitForPixel(item.x, item.y, kItemGrey));
}

TEST_F(MainWindowTest, AScanAdvancesItsBarAndEndsWithItsNotice) {
    start();
    click(204 + 2 + 7, 88 + 2 + 7 * 13 + 6);  // check "系统内存"
    click(500, 108);                          // "扫  描"
    EXPECT_TRUE(waitForPixel(204 + 4, 235, kBarBlue, 3s)) << toString(pixel(208, 235));
    const WindowId notice = desktop().waitForWindow("托尔万(Tolvane)", 40s);
    ASSERT_NE(notice, kNoWindow);
    desktop().grabWindow(notice).savePng(artifactPath(".notice.png"));
    desktop().key("Return");
    EXPECT_TRUE(desktop().waitForWindowGone(notice, 3s) || !desktop().isViewable(notice));
    EXPECT_TRUE(waitForPixel(204 + 4, 235, Rgb{212, 208, 200}));  // the bar is empty again
}

TEST_F(MainWindowTest, SetTitleWritesTheRegistryStore) {
    start();
    click(100, 377);  // "网络优化": the personalisation page
    ASSERT_TRUE(waitForPixel(420, 190, kPageGrey));
    click(500, 99);  // "设定标题"
    const WindowId notice = desktop().waitForWindow("托尔万(Tolvane)", 5s);
    ASSERT_NE(notice, kNoWindow) << app_->stderrText();
    const std::string user = readFile(app_->registryDir() / "HKEY_CURRENT_USER.reg");
    EXPECT_NE(user.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]"),
              std::string::npos)
        << user;
    EXPECT_NE(user.find("\"Window Title\"=\"托尔万(Tolvane)\""), std::string::npos) << user;
    desktop().key("Return");
    EXPECT_TRUE(waitUntil([&] { return !desktop().isViewable(notice); }));
}

// A damaged store file is never reported as cleared: the button shows the error box (a
// second window of the program's title) instead of its notice, and the file stays as it
// was.
TEST_F(MainWindowTest, ClearingWithADamagedStoreFileShowsTheErrorAndKeepsTheFile) {
    struct Row {
        const char* file;
        Point button;
    };
    const Row rows[] = {
        {"HKEY_LOCAL_MACHINE.reg", {500, 195}},  // "清 除"
        {"HKEY_CURRENT_USER.reg", {500, 123}},   // "清除标题"
    };
    start();
    openPersonalisation();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string damaged = "TOLVANE REGISTRY 1\n[cut off";
        { std::ofstream(app_->registryDir() / row.file, std::ios::binary) << damaged; }
        click(row.button.x, row.button.y);
        ASSERT_TRUE(waitUntil([&] { return desktop().findWindows("tolvane").size() == 2; }, 5s))
            << app_->stderrText();
        EXPECT_TRUE(desktop().findWindows("托尔万(Tolvane)").empty()) << "a success notice";
        EXPECT_EQ(readFile(app_->registryDir() / row.file), damaged);
        desktop().key("Return");
        EXPECT_TRUE(waitUntil([&] { return desktop().findWindows("tolvane").size() == 1; }));
        std::filesystem::remove(app_->registryDir() / row.file);
    }
}

// Typed text, Chinese included, reaches the title box through the keyboard and the input
// method opened after the first frame, with and without a window manager, and "设定标题"
// stores it.
class TypingTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TypingTest, TypedTitleIsStoredBySetTitle) {
    start({}, /*windowManager=*/GetParam());
    click(100, 377);  // "网络优化": the personalisation page
    ASSERT_TRUE(waitForPixel(420, 190, kPageGrey));
    click(368, 98);  // Edit1
    desktop().key("ctrl+a");
    desktop().type("abc测试");
    std::this_thread::sleep_for(200ms);
    click(500, 99);  // "设定标题"
    const WindowId notice = desktop().waitForWindow("托尔万(Tolvane)", 5s);
    ASSERT_NE(notice, kNoWindow) << app_->stderrText();
    const std::string user = readFile(app_->registryDir() / "HKEY_CURRENT_USER.reg");
    EXPECT_NE(user.find("\"Window Title\"=\"abc测试\""), std::string::npos) << user;
    desktop().key("Return");
}

INSTANTIATE_TEST_SUITE_P(Desktop, TypingTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Openbox" : "Bare"; });

TEST_F(MainWindowTest, ALauncherStartsTheDesktopsSettingsPage) {
    TempDir bin("tolvane-fake-bin");
    const auto record = bin.path() / "args.txt";
    {
        std::ofstream f(bin.path() / "gnome-control-center");
        f << "#!/bin/sh\necho \"$@\" > '" << record.string() << "'\n";
    }
    std::filesystem::permissions(bin.path() / "gnome-control-center",
                                 std::filesystem::perms::owner_all);
    start({{"PATH", bin.path().string() + ":/usr/bin:/bin"}, {"XDG_CURRENT_DESKTOP", "GNOME"}});
    click(100, 377);                            // "网络优化"
    click(60, 48 + 40 + 2 + 50 + 2 + 16 + 15);  // "IE  属性"
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(record); }, 5s));
    EXPECT_TRUE(waitUntil([&] { return readFile(record) == "network\n"; }));
}

TEST_F(MainWindowTest, DraggingTheTitleBarTheTitleOrTheBottomBarMovesTheWindowByTheOffset) {
    start();
    const Point surfaces[] = {{300, 25}, {100, 14}, {200, 426}};
    for (const Point s : surfaces) {
        const Rect before = where();
        desktop().drag({before.x + s.x, before.y + s.y},
                       {before.x + s.x + 40, before.y + s.y + 30});
        ASSERT_TRUE(waitUntil([&] {
            return where().x == before.x + 40 && where().y == before.y + 30;
        })) << "from "
            << s.x << "," << s.y << ": " << toString(before) << " -> " << toString(where());
        EXPECT_EQ(where().width, 601);
        EXPECT_EQ(where().height, 439);
    }
    // The red mark and the address are no drag surfaces.
    for (const Point s : {Point{12, 12}, Point{440, 426}}) {
        const Rect before = where();
        desktop().drag({before.x + s.x, before.y + s.y},
                       {before.x + s.x + 40, before.y + s.y + 30});
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(where(), before) << "dragged from " << s.x << "," << s.y;
    }
}

// A window manager puts the window into a frame of its own before the program reads
// input: dragging and the hint's place must still use the window's true screen position.
TEST_F(MainWindowTest, UnderAWindowManagerDragsAndHintsFollowTheTrueScreenPosition) {
    start({}, /*windowManager=*/true);
    const Rect before = where();
    desktop().drag({before.x + 300, before.y + 25}, {before.x + 340, before.y + 55});
    ASSERT_TRUE(waitUntil([&] { return where().x == before.x + 40 && where().y == before.y + 30; }))
        << toString(before) << " -> " << toString(where());
    origin_ = where().at(0, 0);

    desktop().mouseMove(at(566, 14));
    const WindowId hint = desktop().waitForWindow("最小化", 3s);
    ASSERT_NE(hint, kNoWindow);
    const Rect h = *desktop().geometry(hint);
    EXPECT_GT(h.y, at(566, 14).y);
    EXPECT_LT(h.y, at(566, 14).y + 40) << "the hint is not under the pointer: " << toString(h);
    EXPECT_NEAR(h.x, at(566, 14).x, 40) << toString(h);
}

// At the bottom of the desktop the hint is pushed up under the pointer. The pointer
// passes through it, so the window keeps the pointer and the hint stays its full time
// instead of going and coming back.
TEST_F(MainWindowTest, AHintPushedUpUnderThePointerStays) {
    start();
    desktop().xdotool({"windowmove", std::to_string(main_), "300", "748"});
    ASSERT_TRUE(waitUntil([&] { return where().y == 748; })) << toString(where());
    origin_ = where().at(0, 0);
    desktop().mouseMove(at(566, 14));
    const WindowId hint = desktop().waitForWindow("最小化", 3s);
    ASSERT_NE(hint, kNoWindow);
    const Rect h = *desktop().geometry(hint);
    ASSERT_LE(h.y, at(566, 14).y) << "the hint is not under the pointer: " << toString(h);
    std::this_thread::sleep_for(1200ms);
    EXPECT_TRUE(desktop().isViewable(hint));
    EXPECT_EQ(desktop().findWindow("最小化"), hint);
}

// The About dialog opens from the help group over the main window, centred on the screen
// the first time. A click on its button's sunken edge does nothing; a click inside closes
// it, and the main window takes input again.
TEST_F(MainWindowTest, TheAboutDialogOpensCentredAndItsButtonClosesIt) {
    start({}, /*windowManager=*/true);
    click(100, 402);  // the help header
    ASSERT_TRUE(waitForPixel(100, 152, kDesktopBlue));
    click(17 + 50, 251 + 15);  // "关于软件"
    const WindowId about = desktop().waitForWindow("关于…", 3s);
    ASSERT_NE(about, kNoWindow) << app_->stderrText();
    const Rect a = *desktop().geometry(about);
    EXPECT_NEAR(a.x, (1024 - a.width) / 2, 1) << toString(a);
    EXPECT_NEAR(a.y, (768 - a.height) / 2, 1) << toString(a);
    desktop().grab(a).savePng(artifactPath(".about.png"));

    // "确 定" is 65 x 28 at (262, 144) of the client area, which starts at (3, 22).
    desktop().click(a.at(3 + 262, 22 + 144 + 14));  // its left edge
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(desktop().isViewable(about)) << "a click on the edge closed the dialog";
    desktop().click(a.at(3 + 262 + 32, 22 + 144 + 14));
    EXPECT_TRUE(desktop().waitForWindowGone(about, 3s));

    click(100, 102);  // the security header: back to the disk scan page
    EXPECT_TRUE(waitForPixel(420, 190, kWhite)) << toString(pixel(420, 190));
}

TEST_F(MainWindowTest, TheHintOfTheMinimisePictureAppearsAfterHalfASecond) {
    start();
    desktop().mouseMove(at(566, 14));
    const auto t0 = std::chrono::steady_clock::now();
    const WindowId hint = desktop().waitForWindow("最小化", 3s);
    const auto waited = std::chrono::steady_clock::now() - t0;
    ASSERT_NE(hint, kNoWindow);
    EXPECT_GE(waited, 400ms);
    const Rect h = *desktop().geometry(hint);
    EXPECT_GT(h.y, at(566, 14).y);  // below the pointer
    desktop().click(at(566, 300));  // moving away and clicking removes it
    EXPECT_TRUE(waitUntil([&] { return !desktop().isViewable(hint); }));
}

TEST_F(MainWindowTest, TheClosePictureEndsTheProgramWithZero) {
    start();
    click(587, 14);
    const ExitStatus status = app_->waitForExit(5s);
    EXPECT_TRUE(status.ok()) << status.describe() << app_->stderrText();
}

TEST_F(MainWindowTest, MinimiseIconifiesTheWindowAndRestoringBringsItBackWhereItWas) {
    start({}, /*windowManager=*/true);
    const Rect before = where();
    click(566, 14);
    ASSERT_TRUE(waitUntil([&] { return desktop().wmState(main_) == WmState::Iconic; }, 3s));
    desktop().xdotool({"windowactivate", std::to_string(main_)});
    ASSERT_TRUE(waitUntil([&] { return desktop().wmState(main_) == WmState::Normal; }, 3s));
    EXPECT_EQ(where(), before);
    EXPECT_TRUE(app_->running());
}

}  // namespace
}  // namespace tv::e2e
