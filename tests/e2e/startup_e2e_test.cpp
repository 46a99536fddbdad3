// The real program under Xvfb: its main window appears where and as it should, shows a
// painted frame, and a close request from the window system ends it with exit code 0.

#include <string>

#include "e2e/e2e_test.h"

namespace tv::e2e {
namespace {

constexpr std::string_view kMainTitle = "tolvane";
constexpr int kMainWidth = 601;
constexpr int kMainHeight = 439;

std::string stderrOf(App& app) {
    return "\nprogram stderr:\n" + app.stderrText();
}

// Run bare (the program places its window itself) and under openbox (the window
// manager may place it and reparents it into a frame).
class StartupTest : public E2eTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StartupTest, MainWindowIsCentredPaintedAndClosesWithExitCodeZero) {
    const bool withWm = GetParam();
    startDesktop({.windowManager = withWm});
    App& app = launch(TOLVANE_BINARY);

    const WindowId main = app.waitForWindow(kMainTitle);
    ASSERT_NE(main, kNoWindow) << "no viewable window titled 'tolvane'" << stderrOf(app);
    ASSERT_TRUE(app.waitForFirstFrame(10s)) << "no first-frame line" << stderrOf(app);

    const auto bounds = desktop().geometry(main);
    ASSERT_TRUE(bounds.has_value());
    EXPECT_EQ(bounds->width, kMainWidth);
    EXPECT_EQ(bounds->height, kMainHeight);
    // The spare width and height are odd, so either rounding of the half is centred.
    const Rect screen = desktop().screen();
    EXPECT_NEAR(bounds->x, (screen.width - kMainWidth) / 2, 1) << toString(*bounds);
    EXPECT_NEAR(bounds->y, (screen.height - kMainHeight) / 2, 1) << toString(*bounds);
    if (withWm) {
        EXPECT_EQ(desktop().wmState(main), WmState::Normal);
    }

    const RgbImage shot = desktop().grabWindow(main);
    shot.savePng(artifactPath(".png"));
    EXPECT_FALSE(shot.uniform()) << "the main window shows one flat colour, "
                                 << toString(shot.at(0, 0));

    // Without WM_DELETE_WINDOW in WM_PROTOCOLS a window manager kills the client instead
    // of asking it to close; a window that does not answer pings is called hung.
    EXPECT_TRUE(desktop().supportsDeleteWindow(main));
    EXPECT_TRUE(desktop().answersPing(main));
    desktop().requestClose(main);
    const ExitStatus status = app.waitForExit(5s);
    EXPECT_TRUE(status.ok()) << status.describe() << stderrOf(app);
}

INSTANTIATE_TEST_SUITE_P(Desktop, StartupTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Openbox" : "Bare"; });

class StartupFilesTest : public E2eTest {};

// Start-up reads no settings and saves nothing: the registry store and the
// configuration folder are written only when the user sets something.
TEST_F(StartupFilesTest, StartingAndClosingLeavesNoFiles) {
    App& app = launch(TOLVANE_BINARY);
    const WindowId main = app.waitForWindow(kMainTitle);
    ASSERT_NE(main, kNoWindow) << stderrOf(app);
    ASSERT_TRUE(app.waitForFirstFrame(10s)) << stderrOf(app);
    desktop().requestClose(main);
    ASSERT_TRUE(app.waitForExit(5s).ok()) << stderrOf(app);

    EXPECT_EQ(listFiles(app.registryDir()), std::vector<std::string>{});
    EXPECT_EQ(listFiles(app.configHome()), std::vector<std::string>{});
}

// There is no single-instance check: a second copy opens its own window, and closing
// one leaves the other running.
TEST_F(StartupFilesTest, TwoCopiesRunSideBySideAndCloseIndependently) {
    App& first = launch(TOLVANE_BINARY);
    const WindowId firstWindow = first.waitForWindow(kMainTitle);
    ASSERT_NE(firstWindow, kNoWindow) << stderrOf(first);
    // Windows are told apart by the process that owns them.
    ASSERT_EQ(desktop().ownerPid(firstWindow), first.pid()) << "_NET_WM_PID is not set";

    App& second = launch(TOLVANE_BINARY);
    const WindowId secondWindow = second.waitForWindow(kMainTitle);
    ASSERT_NE(secondWindow, kNoWindow) << "the second copy shows no window" << stderrOf(second);
    ASSERT_NE(secondWindow, firstWindow);

    desktop().requestClose(secondWindow);
    EXPECT_TRUE(second.waitForExit(5s).ok()) << stderrOf(second);
    EXPECT_TRUE(first.running()) << "closing the second copy ended the first";
    EXPECT_TRUE(desktop().isViewable(firstWindow));
    desktop().requestClose(firstWindow);
    EXPECT_TRUE(first.waitForExit(5s).ok()) << stderrOf(first);
}

// The title is the executable's own file name, whatever the caller put in argv[0], and a
// start with no arguments at all (argc 0, which execve allows) is a normal start.
TEST_F(StartupFilesTest, TheTitleComesFromTheExecutableNotFromArgvZero) {
    for (const auto& argv :
         {std::vector<std::string>{}, std::vector<std::string>{"/x/other.exe"}}) {
        App::Options o;
        o.binary = TOLVANE_BINARY;
        o.argv = argv;
        App& app = launch(TOLVANE_BINARY, o);
        const WindowId main = app.waitForWindow(kMainTitle);
        ASSERT_NE(main, kNoWindow) << argv.size() << " arguments" << stderrOf(app);
        ASSERT_TRUE(app.waitForFirstFrame(10s)) << stderrOf(app);
        desktop().requestClose(main);
        EXPECT_TRUE(app.waitForExit(5s).ok()) << stderrOf(app);
    }
}

// On a desktop of two monitors the main window is centred on the primary one, here the
// right-hand one, as the X server's RandR monitors say.
TEST_F(StartupFilesTest, TheMainWindowIsCentredOnThePrimaryMonitor) {
    startDesktop({.width = 2048, .height = 768});
    desktop().setMonitors({Rect{1024, 0, 1024, 768}, Rect{0, 0, 1024, 768}});
    App& app = launch(TOLVANE_BINARY);
    const WindowId main = app.waitForWindow(kMainTitle);
    ASSERT_NE(main, kNoWindow) << stderrOf(app);
    const auto bounds = desktop().geometry(main);
    ASSERT_TRUE(bounds.has_value());
    EXPECT_EQ(bounds->x, 1024 + (1024 - kMainWidth) / 2) << toString(*bounds);
    EXPECT_EQ(bounds->y, (768 - kMainHeight) / 2) << toString(*bounds);
    desktop().requestClose(main);
    EXPECT_TRUE(app.waitForExit(5s).ok()) << stderrOf(app);
}

}  // namespace
}  // namespace tv::e2e
