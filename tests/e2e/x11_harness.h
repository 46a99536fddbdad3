#pragma once
// End-to-end harness: a private X server (Xvfb, optionally with openbox) per test, the
// real program started on it with a throw-away home, and the queries and input a person
// would make: find a window by title, read where it is, move the pointer, press
// buttons, type keys, look at pixels. Input goes through xdotool, pixels come back
// through XGetImage on the root window, so a test sees exactly what the screen shows.
//
// Nothing here sleeps for a fixed long time: every wait is waitUntil(), polling every
// 20 ms up to a timeout, so a fast machine runs fast and a slow one still passes.
// The library does not depend on GoogleTest; errors in setting up are thrown as
// std::runtime_error.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "e2e/child_process.h"
#include "gfx/color.h"

// Xlib's connection type, declared as Xlib does; the header leaves out Xlib itself,
// whose macros (None, Bool, Status) break GoogleTest and most other code.
struct _XDisplay;

namespace tv::e2e {

using namespace std::chrono_literals;

// An X window id (Xlib's Window); kNoWindow is Xlib's None.
using WindowId = unsigned long;
inline constexpr WindowId kNoWindow = 0;

// The line the program writes to stderr, with TOLVANE_TRACE_STARTUP=1, once its first
// complete frame is on the screen.
inline constexpr std::string_view kFirstFrameMarker = "tolvane: first frame presented";
// ...and once it reads input: clicks and keys sent before that line may be lost.
inline constexpr std::string_view kReadyMarker = "tolvane: ready for input";

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(Point, Point) = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    Point at(int dx, int dy) const { return {x + dx, y + dy}; }
    Point centre() const { return {x + width / 2, y + height / 2}; }
    bool contains(Point p) const {
        return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

// True when every channel differs by at most `tolerance`.
bool near(Rgb a, Rgb b, int tolerance = 0);
std::string toString(Rgb colour);     // "RGB(207,207,207)"
std::string toString(const Rect& r);  // "601x439+211+164"

// What a grab sees, as opaque 0xFFRRGGBB pixels (the program's own Pixel format).
class RgbImage {
  public:
    RgbImage() = default;
    RgbImage(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const;
    void set(int x, int y, Rgb colour);
    // Colours counted up to `limit`, so a check for "more than one" stops early.
    std::size_t distinctColours(std::size_t limit = SIZE_MAX) const;
    bool uniform() const { return distinctColours(2) <= 1; }
    std::size_t count(Rgb colour, int tolerance = 0) const;
    RgbImage crop(const Rect& area) const;  // area in image coordinates, clipped
    const std::vector<Pixel>& pixels() const { return pixels_; }
    // Creates missing folders; throws std::runtime_error when the file cannot be written.
    void savePng(const std::filesystem::path& path) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

// Polls `predicate` every `poll` until it holds or `timeout` has passed; it is always
// tried once more at the deadline, so a timeout never hides a late success.
template <class Predicate>
bool waitUntil(Predicate&& predicate, std::chrono::milliseconds timeout = 3000ms,
               std::chrono::milliseconds poll = 20ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return predicate();
        std::this_thread::sleep_for(poll);
    }
}

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it.
class TempDir {
  public:
    explicit TempDir(std::string_view prefix = "tolvane-e2e");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

enum class WmState { Absent, Withdrawn, Normal, Iconic };

struct WindowInfo {
    WindowId id = kNoWindow;  // the client window, inside its frame when a window manager runs
    std::string title;
    Rect bounds;  // the client area in screen coordinates
    bool viewable = false;
    bool overrideRedirect = false;  // pop-ups such as hints
};

// A private X server, optionally with a window manager, and a connection to it.
class Desktop {
  public:
    struct Options {
        int width = 1024;
        int height = 768;
        bool windowManager = false;  // openbox --sm-disable
        std::chrono::milliseconds startTimeout = 10s;
    };

    explicit Desktop(Options options);
    Desktop() : Desktop(Options{}) {}
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    const std::string& displayName() const { return displayName_; }  // ":90"
    _XDisplay* display() const { return display_.get(); }
    WindowId root() const;
    Rect screen() const { return {0, 0, options_.width, options_.height}; }
    // Splits the screen into RandR monitors, the first one primary; throws when the
    // server cannot.
    void setMonitors(const std::vector<Rect>& monitors) const;
    // DISPLAY, PATH and a throw-away HOME: the start of any child's environment.
    Environment baseEnvironment() const;
    // What Xvfb and the window manager wrote, for failure messages.
    std::string serverLog() const;

    // --- Windows -------------------------------------------------------------------
    // Client windows in stacking order, bottom first: with a window manager the
    // clients inside the frames, without one the children of the root window.
    std::vector<WindowInfo> topLevelWindows() const;
    std::vector<WindowId> findWindows(std::string_view title) const;
    // The viewable window with this exact title, or kNoWindow.
    WindowId findWindow(std::string_view title) const;
    WindowId waitForWindow(std::string_view title, std::chrono::milliseconds timeout = 5s) const;
    // Waits until the window is destroyed or no longer viewable.
    bool waitForWindowGone(WindowId window, std::chrono::milliseconds timeout = 3s) const;

    bool exists(WindowId window) const;
    std::string title(WindowId window) const;  // _NET_WM_NAME, else WM_NAME, as UTF-8
    std::optional<Rect> geometry(WindowId window) const;
    bool isViewable(WindowId window) const;
    WmState wmState(WindowId window) const;                // Absent without a window manager
    bool supportsDeleteWindow(WindowId window) const;      // WM_DELETE_WINDOW in WM_PROTOCOLS
    std::optional<pid_t> ownerPid(WindowId window) const;  // _NET_WM_PID, when set
    // The close request a window manager sends when the user closes a window.
    void requestClose(WindowId window) const;
    // Pings the window as a window manager does (_NET_WM_PING) and tells whether its
    // client answered within the timeout; unanswered pings make desktops call it hung.
    bool answersPing(WindowId window, std::chrono::milliseconds timeout = 2s) const;
    void focus(WindowId window) const;

    // --- Input (through xdotool; each call returns once the X server has the events) ---
    void mouseMove(Point to) const;
    void click(Point at, int button = 1) const;
    // Press at `from`, move in `steps` steps to `to` with a short pause between them so
    // the program sees every motion, release.
    void drag(Point from, Point to, int steps = 10) const;
    void key(std::string_view keys) const;  // xdotool key names: "Return", "ctrl+a"
    void type(std::string_view text) const;
    Point pointer() const;
    // Runs xdotool with these arguments; throws with its stderr when it fails.
    void xdotool(const std::vector<std::string>& args) const;

    // --- Other clients ---------------------------------------------------------------
    struct Run {
        ExitStatus status;
        std::string out;  // stdout, then stderr
    };
    // Runs a program on this display to its end (killed at the timeout), with `extra`
    // added to the base environment.
    Run run(const std::vector<std::string>& argv, const Environment& extra = {},
            std::chrono::milliseconds timeout = 5s) const;
    // Whether an input method server of this name (XMODIFIERS' @im=NAME) has announced
    // itself on the root window.
    bool hasInputMethod(std::string_view name) const;

    // --- Pixels ----------------------------------------------------------------------
    RgbImage grab(const Rect& area) const;  // clipped to the screen
    RgbImage grabScreen() const { return grab(screen()); }
    RgbImage grabWindow(WindowId window) const;
    Rgb pixel(Point at) const;

  private:
    void startServer();
    void startWindowManager();
    unsigned long atom(const char* name) const;  // an Xlib Atom

    Options options_;
    TempDir dir_{"tolvane-xvfb"};
    std::string displayName_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> wm_;
    struct CloseDisplay {
        void operator()(_XDisplay* d) const;
    };
    std::unique_ptr<_XDisplay, CloseDisplay> display_;  // closed before the server stops
};

// The program under test, on a Desktop, with its own empty home, configuration and
// registry folders and its stderr kept in a file.
class App {
  public:
    struct Options {
        std::filesystem::path binary;
        std::vector<std::string> args;
        Environment env;           // added to, or replacing, the defaults
        bool traceStartup = true;  // TOLVANE_TRACE_STARTUP=1
        // What the program sees as its arguments, argv[0] included (even none at all)
        // instead of the binary's path and `args`.
        std::optional<std::vector<std::string>> argv;
    };

    App(const Desktop& desktop, Options options);
    ~App();  // a program still running is killed
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    pid_t pid() const { return process_->pid(); }
    bool running() { return process_->running(); }

    const std::filesystem::path& configHome() const { return configHome_; }
    const std::filesystem::path& registryDir() const { return registryDir_; }

    std::string stderrText() const;
    // Both waits give up at once when the program has ended, so a crash at start fails
    // a test in milliseconds, not at the timeout.
    bool waitForStderr(std::string_view needle, std::chrono::milliseconds timeout = 5s) const;
    // A viewable window with this exact title that belongs to this program (by
    // _NET_WM_PID; a window without it counts too), or kNoWindow.
    WindowId waitForWindow(std::string_view title, std::chrono::milliseconds timeout = 10s) const;
    bool waitForFirstFrame(std::chrono::milliseconds timeout = 10s) const {
        return waitForStderr(kFirstFrameMarker, timeout);
    }
    bool waitForInputReady(std::chrono::milliseconds timeout = 10s) const {
        return waitForStderr(kReadyMarker, timeout);
    }
    ExitStatus waitForExit(std::chrono::milliseconds timeout = 5s) {
        return process_->waitForExit(timeout);
    }

  private:
    const Desktop& desktop_;
    TempDir dir_{"tolvane-app"};
    std::filesystem::path home_, configHome_, registryDir_, stderrFile_;
    std::unique_ptr<ChildProcess> process_;
};

// Every file below `dir`, relative to it, sorted: what a test compares before and after.
std::vector<std::string> listFiles(const std::filesystem::path& dir);

}  // namespace tv::e2e
