// The harness itself, against windows the test makes with Xlib: if these pass, a failing
// end-to-end test points at the program, not at the harness.

// GoogleTest before Xlib: Xlib's macros (None, Bool) clash with its names.
#include "e2e/e2e_test.h"
#include "e2e/probe_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

namespace tv::e2e {
namespace {

// ---------------------------------------------------------------------------------------
// Child processes

ChildProcess::Options shell(const std::string& script, const std::filesystem::path& out = {}) {
    ChildProcess::Options options;
    options.argv = {"sh", "-c", script};
    options.env = {{"PATH", "/usr/bin:/bin"}};
    options.stdoutFile = out;
    return options;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ChildProcessTest, ReportsExitCodesAndSignals) {
    EXPECT_EQ(ChildProcess(shell("exit 0")).waitForExit(5s).describe(), "exit code 0");
    ExitStatus three = ChildProcess(shell("exit 3")).waitForExit(5s);
    EXPECT_EQ(three.kind, ExitStatus::Kind::Exited);
    EXPECT_EQ(three.value, 3);
    EXPECT_FALSE(three.ok());
    ExitStatus crashed = ChildProcess(shell("kill -SEGV $$")).waitForExit(5s);
    EXPECT_EQ(crashed.kind, ExitStatus::Kind::Signalled);
    EXPECT_EQ(crashed.value, SIGSEGV);
}

TEST(ChildProcessTest, KillsAChildThatOutlivesItsTimeout) {
    ChildProcess sleeper(shell("exec sleep 30"));
    const auto start = std::chrono::steady_clock::now();
    ExitStatus status = sleeper.waitForExit(100ms);
    EXPECT_EQ(status.kind, ExitStatus::Kind::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(sleeper.running());
    EXPECT_NE(::kill(sleeper.pid(), 0), 0) << "the child is still there";
}

TEST(ChildProcessTest, TerminateLetsAChildStopGently) {
    TempDir dir;
    ChildProcess child(
        shell("trap 'echo bye; exit 7' TERM; echo ready; while :; do sleep 0.01; done",
              dir.path() / "out"));
    ASSERT_TRUE(waitUntil([&] { return slurp(dir.path() / "out") == "ready\n"; }));
    ExitStatus status = child.terminate(3s);
    EXPECT_EQ(status.describe(), "exit code 7");
    EXPECT_EQ(slurp(dir.path() / "out"), "ready\nbye\n");
}

TEST(ChildProcessTest, GivesExactlyTheEnvironmentAsked) {
    TempDir dir;
    ChildProcess::Options options = shell("echo \"$FOO|${HOME-unset}|$PATH\"", dir.path() / "out");
    options.env["FOO"] = "a b=c";
    ASSERT_TRUE(ChildProcess(options).waitForExit(5s).ok());
    EXPECT_EQ(slurp(dir.path() / "out"), "a b=c|unset|/usr/bin:/bin\n");
}

TEST(ChildProcessTest, HandsOverDescriptorsAndPipesStderr) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ChildProcess::Options options = shell("echo to-fd5 >&5; echo to-stderr >&2");
    options.inheritFds = {{fds[1], 5}};
    options.stderrPipe = true;
    ChildProcess child(options);
    ::close(fds[1]);
    ASSERT_TRUE(child.waitForExit(5s).ok());
    char buffer[64] = {};
    EXPECT_EQ(std::string(buffer, std::size_t(::read(fds[0], buffer, sizeof buffer))), "to-fd5\n");
    EXPECT_EQ(std::string(buffer, std::size_t(::read(child.stderrFd(), buffer, sizeof buffer))),
              "to-stderr\n");
    ::close(fds[0]);
}

TEST(ChildProcessTest, RefusesAMissingProgramClearly) {
    ChildProcess::Options options;
    options.env = {{"PATH", "/usr/bin:/bin"}};
    options.argv = {"/nonexistent/tolvane"};
    try {
        ChildProcess child(options);
        FAIL() << "started a program that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
    options.argv = {"no-such-program-anywhere"};
    EXPECT_THROW(ChildProcess{options}, std::runtime_error);
}

TEST(WaitUntilTest, ReturnsAsSoonAsThePredicateHoldsAndFalseAfterTheTimeout) {
    int calls = 0;
    EXPECT_TRUE(waitUntil([&] { return ++calls == 3; }, 2s, 1ms));
    EXPECT_EQ(calls, 3);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(waitUntil([] { return false; }, 100ms));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 2s);
}

// ---------------------------------------------------------------------------------------
// Images

TEST(RgbImageTest, CountsColoursAndCropsWithinBounds) {
    RgbImage image(4, 3);
    EXPECT_TRUE(image.uniform());
    image.set(3, 2, {255, 0, 0});
    image.set(1, 1, {250, 4, 0});
    EXPECT_FALSE(image.uniform());
    EXPECT_EQ(image.distinctColours(), 3u);
    EXPECT_EQ(image.count({255, 0, 0}), 1u);
    EXPECT_EQ(image.count({255, 0, 0}, 5), 2u);

    RgbImage corner = image.crop({2, 1, 10, 10});  // runs off the right and bottom edges
    EXPECT_EQ(corner.width(), 2);
    EXPECT_EQ(corner.height(), 2);
    EXPECT_EQ(corner.at(1, 1), (Rgb{255, 0, 0}));
    EXPECT_THROW(corner.at(2, 0), std::out_of_range);
    EXPECT_EQ(image.crop({-5, -5, 2, 2}).width(), 0);
}

TEST(RgbImageTest, SavesAPngThatReadsBackTheSame) {
    TempDir dir;
    RgbImage image(3, 2);
    image.set(0, 0, {1, 2, 3});
    image.set(2, 1, {207, 207, 207});
    image.savePng(dir.path() / "sub" / "shot.png");

    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, (dir.path() / "sub" / "shot.png").c_str()));
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr));
    ASSERT_EQ(png.width, 3u);
    ASSERT_EQ(png.height, 2u);
    EXPECT_EQ(pixels[0], 1);
    EXPECT_EQ(pixels[2], 3);
    EXPECT_EQ(pixels[(1 * 3 + 2) * 3], 207);

    EXPECT_THROW(RgbImage().savePng(dir.path() / "empty.png"), std::runtime_error);
    std::ofstream(dir.path() / "file") << "not a folder";
    EXPECT_THROW(image.savePng(dir.path() / "file" / "shot.png"), std::exception);
}

// ---------------------------------------------------------------------------------------
// Desktops and windows

constexpr const char* kProbeTitle = "托尔万(Tolvane) probe";

TEST(DesktopTest, TwoDesktopsGetTheirOwnServers) {
    Desktop a({.width = 640, .height = 480});
    Desktop b;
    EXPECT_NE(a.displayName(), b.displayName());
    EXPECT_EQ(DisplayWidth(a.display(), 0), 640);
    EXPECT_EQ(DisplayHeight(a.display(), 0), 480);
    EXPECT_EQ(DisplayWidth(b.display(), 0), 1024);
    EXPECT_EQ(a.baseEnvironment().at("DISPLAY"), a.displayName());
}

class WindowQueryTest : public E2eTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WindowQueryTest, FindsMeasuresAndGrabsAWindow) {
    const bool withWm = GetParam();
    startDesktop({.windowManager = withWm});
    const Rect asked{100, 80, 200, 120};
    ProbeWindow probe(desktop(), asked, kProbeTitle, 0xff0000);

    const WindowId found = desktop().waitForWindow(kProbeTitle);
    ASSERT_EQ(found, probe.id()) << "the client window, not a frame around it";
    EXPECT_EQ(desktop().title(found), kProbeTitle);
    EXPECT_EQ(desktop().findWindow("probe"), kNoWindow) << "titles match exactly";
    EXPECT_TRUE(desktop().supportsDeleteWindow(found));
    EXPECT_EQ(desktop().wmState(found), withWm ? WmState::Normal : WmState::Absent);

    // openbox puts its frame, title bar and all, where the client asked to be, so the
    // client area itself moves down and right; its size stays.
    const auto where = desktop().geometry(found);
    ASSERT_TRUE(where.has_value());
    if (withWm) {
        EXPECT_EQ(where->width, asked.width);
        EXPECT_EQ(where->height, asked.height);
        EXPECT_GT(where->y, asked.y) << "no title bar above the client?";
    } else {
        EXPECT_EQ(*where, asked);
    }

    ASSERT_TRUE(waitUntil([&] { return desktop().pixel(where->centre()) == Rgb{255, 0, 0}; }));
    RgbImage inside = desktop().grabWindow(found);
    EXPECT_EQ(inside.width(), 200);
    EXPECT_EQ(inside.count({255, 0, 0}), 200u * 120u);
    RgbImage around =
        desktop().grab({where->x - 1, where->y - 1, where->width + 2, where->height + 2});
    EXPECT_NE(around.at(0, 0), (Rgb{255, 0, 0})) << "the grab is offset";
    EXPECT_EQ(around.at(1, 1), (Rgb{255, 0, 0})) << "the grab is offset";
    // Clipped to the screen rather than failing.
    EXPECT_EQ(desktop().grab({1000, 700, 100, 100}).width(), 24);
    EXPECT_THROW(desktop().grab({2000, 0, 10, 10}), std::runtime_error);

    desktop().requestClose(found);
    auto message = probe.waitFor(ClientMessage);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(Atom(message->xclient.data.l[0]),
              XInternAtom(probe.display(), "WM_DELETE_WINDOW", False));

    XUnmapWindow(probe.display(), probe.id());
    XSync(probe.display(), False);
    EXPECT_TRUE(desktop().waitForWindowGone(found));
    EXPECT_EQ(desktop().findWindow(kProbeTitle), kNoWindow);
    // A window manager hands a withdrawn window back to the root window a moment later.
    EXPECT_TRUE(waitUntil([&] { return desktop().findWindows(kProbeTitle).size() == 1; }))
        << "an unmapped window still exists, like a hidden dialog";
}

TEST_P(WindowQueryTest, SendsPointerAndKeyboardInput) {
    startDesktop({.windowManager = GetParam()});
    ProbeWindow probe(desktop(), {300, 200, 300, 200}, kProbeTitle, 0x0000ff);
    ASSERT_NE(desktop().waitForWindow(kProbeTitle), kNoWindow);
    const Rect where = desktop().geometry(probe.id()).value();
    probe.drain();

    desktop().mouseMove(where.at(10, 20));
    EXPECT_EQ(desktop().pointer(), where.at(10, 20));

    desktop().click(where.at(50, 60));
    auto press = probe.waitFor(ButtonPress);
    auto release = probe.waitFor(ButtonRelease);
    ASSERT_TRUE(press && release);
    EXPECT_EQ(press->xbutton.button, 1u);
    EXPECT_EQ((Point{press->xbutton.x, press->xbutton.y}), (Point{50, 60}));

    probe.drain();
    desktop().drag(where.at(20, 20), where.at(120, 70), 5);
    press = probe.waitFor(ButtonPress);
    release = probe.waitFor(ButtonRelease);
    ASSERT_TRUE(press && release);
    EXPECT_EQ((Point{press->xbutton.x, press->xbutton.y}), (Point{20, 20}));
    EXPECT_EQ((Point{release->xbutton.x, release->xbutton.y}), (Point{120, 70}));
    int motions = 0;
    while (probe.waitFor(MotionNotify, 0ms)) ++motions;
    EXPECT_GE(motions, 5) << "every step of a drag should reach the window";

    desktop().focus(probe.id());
    probe.drain();
    desktop().key("Return");
    auto key = probe.waitFor(KeyPress);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(XLookupKeysym(&key->xkey, 0), unsigned(XK_Return));
}

INSTANTIATE_TEST_SUITE_P(Desktop, WindowQueryTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Openbox" : "Bare"; });

TEST(DesktopTest, SeesIconicWindowsUnderAWindowManager) {
    Desktop desktop({.windowManager = true});
    ProbeWindow probe(desktop, {50, 50, 100, 100}, kProbeTitle, 0x00ff00);
    ASSERT_NE(desktop.waitForWindow(kProbeTitle), kNoWindow);
    XIconifyWindow(probe.display(), probe.id(), 0);
    XSync(probe.display(), False);
    EXPECT_TRUE(waitUntil([&] { return desktop.wmState(probe.id()) == WmState::Iconic; }));
    EXPECT_FALSE(desktop.isViewable(probe.id()));
}

}  // namespace
}  // namespace tv::e2e
