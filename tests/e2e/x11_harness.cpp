#include "e2e/x11_harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "gfx/png.h"

namespace tv::e2e {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Colours and images

bool near(Rgb a, Rgb b, int tolerance) {
    return std::abs(int(a.r) - int(b.r)) <= tolerance &&
           std::abs(int(a.g) - int(b.g)) <= tolerance && std::abs(int(a.b) - int(b.b)) <= tolerance;
}

std::string toString(Rgb colour) {
    return "RGB(" + std::to_string(colour.r) + "," + std::to_string(colour.g) + "," +
           std::to_string(colour.b) + ")";
}

std::string toString(const Rect& r) {
    return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) +
           "+" + std::to_string(r.y);
}

RgbImage::RgbImage(int width, int height) {
    if (width < 0 || height < 0) throw std::invalid_argument("RgbImage: negative size");
    width_ = width;
    height_ = height;
    pixels_.assign(std::size_t(width) * std::size_t(height), rgb(0, 0, 0));
}

namespace {

Rgb toRgb(Pixel p) {
    return {std::uint8_t(pixelRed(p)), std::uint8_t(pixelGreen(p)), std::uint8_t(pixelBlue(p))};
}

}  // namespace

Rgb RgbImage::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw std::out_of_range("RgbImage::at(" + std::to_string(x) + "," + std::to_string(y) +
                                ") outside " + std::to_string(width_) + "x" +
                                std::to_string(height_));
    return toRgb(pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]);
}

void RgbImage::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw std::out_of_range("RgbImage::set outside the image");
    pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] =
        rgb(colour.r, colour.g, colour.b);
}

std::size_t RgbImage::distinctColours(std::size_t limit) const {
    std::set<Pixel> seen;
    for (std::size_t i = 0; i < pixels_.size() && seen.size() < limit; ++i) seen.insert(pixels_[i]);
    return seen.size();
}

std::size_t RgbImage::count(Rgb colour, int tolerance) const {
    return std::size_t(std::count_if(pixels_.begin(), pixels_.end(),
                                     [&](Pixel p) { return near(toRgb(p), colour, tolerance); }));
}

RgbImage RgbImage::crop(const Rect& area) const {
    const int x0 = std::clamp(area.x, 0, width_), y0 = std::clamp(area.y, 0, height_);
    const int x1 = std::clamp(area.x + area.width, x0, width_);
    const int y1 = std::clamp(area.y + area.height, y0, height_);
    RgbImage out(x1 - x0, y1 - y0);
    for (int y = y0; y < y1; ++y)
        std::copy_n(&pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x0)],
                    std::size_t(x1 - x0),
                    &out.pixels_[std::size_t(y - y0) * std::size_t(out.width_)]);
    return out;
}

void RgbImage::savePng(const fs::path& path) const {
    if (width_ == 0 || height_ == 0) throw std::runtime_error("cannot save an empty image");
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    tv::savePng(path.string(), pixels_.data(), width_, height_, width_);
}

// ---------------------------------------------------------------------------------------
// Files

TempDir::TempDir(std::string_view prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base && *base ? fs::path(base) : fs::temp_directory_path()) /
                          (std::string(prefix) + ".XXXXXX");
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp " + pattern + ": " + std::strerror(errno));
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> listFiles(const fs::path& dir) {
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(dir, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (!it->is_directory()) files.push_back(fs::relative(it->path(), dir).string());
    std::sort(files.begin(), files.end());
    return files;
}

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Queries on windows that vanish under us must fail through their return values, not
// end the test inside Xlib's default handler.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

int channelShift(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// One property as raw bytes (8-bit data) or longs (32-bit data, as Xlib hands them).
struct Property {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes;
    std::vector<long> longs;
};

std::optional<Property> getProperty(Display* display, Window window, Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, 65536, False, AnyPropertyType, &type, &format,
                           &items, &after, &data) != Success ||
        type == None) {
        if (data) XFree(data);
        return std::nullopt;
    }
    Property p;
    p.type = type;
    p.format = format;
    if (format == 8) p.bytes.assign(data, data + items);
    if (format == 32)
        p.longs.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + items);
    XFree(data);
    return p;
}

std::vector<Window> children(Display* display, Window window) {
    Window root = None, parent = None;
    Window* list = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &list, &count) && list)
        result.assign(list, list + count);
    if (list) XFree(list);
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The X server

Desktop::Desktop(Options options) : options_(options) {
    XSetErrorHandler(ignoreXError);
    startServer();
    display_.reset(XOpenDisplay(displayName_.c_str()));
    if (!display_) throw std::runtime_error("cannot connect to our own Xvfb " + displayName_);
    if (options_.windowManager) startWindowManager();
}

void Desktop::CloseDisplay::operator()(_XDisplay* d) const {
    XCloseDisplay(d);
}

Desktop::~Desktop() {
    display_.reset();
    if (wm_) wm_->terminate(1000ms);
    if (server_) server_->terminate(2000ms);
}

WindowId Desktop::root() const {
    return DefaultRootWindow(display());
}

Environment Desktop::baseEnvironment() const {
    Environment env;
    const char* path = std::getenv("PATH");
    env["PATH"] = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    env["DISPLAY"] = displayName_;
    env["HOME"] = dir_.path().string();
    env["XDG_CONFIG_HOME"] = (dir_.path() / "config").string();
    env["XDG_CACHE_HOME"] = (dir_.path() / "cache").string();
    env["LANG"] = "C.UTF-8";
    return env;
}

std::string Desktop::serverLog() const {
    std::string log = "--- Xvfb " + displayName_ + ":\n" + readFile(dir_.path() / "xvfb.log");
    if (wm_) log += "--- openbox:\n" + readFile(dir_.path() / "openbox.log");
    return log;
}

void Desktop::startServer() {
    const std::string size =
        std::to_string(options_.width) + "x" + std::to_string(options_.height) + "x24";
    Environment env = baseEnvironment();
    env.erase("DISPLAY");
    // Xvfb writes its display number to -displayfd once it accepts connections, and
    // never when another server holds the number: the pipe says "ready" and "ours" at
    // once, with no race against a test starting its own server beside us.
    for (int n = 90; n < 400; ++n) {
        if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
            fs::exists("/tmp/.X11-unix/X" + std::to_string(n)))
            continue;
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
        const int childFd = ready[1] == 3 ? 4 : 3;
        ChildProcess::Options spawn;
        spawn.argv = {
            "Xvfb",       ":" + std::to_string(n), "-screen", "0", size, "-nolisten", "tcp",
            "-displayfd", std::to_string(childFd)};
        spawn.env = env;
        spawn.stderrFile = dir_.path() / "xvfb.log";
        spawn.inheritFds = {{ready[1], childFd}};
        std::unique_ptr<ChildProcess> server;
        try {
            server = std::make_unique<ChildProcess>(spawn);
        } catch (...) {
            ::close(ready[0]);
            ::close(ready[1]);
            throw;
        }
        ::close(ready[1]);

        std::string answer;
        const auto deadline = std::chrono::steady_clock::now() + options_.startTimeout;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{ready[0], POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0) continue;
            char buffer[32];
            ssize_t got = ::read(ready[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;  // closed: the server gave up on this number
            answer.append(buffer, std::size_t(got));
            if (answer.find('\n') != std::string::npos) break;
        }
        ::close(ready[0]);
        if (answer.find('\n') != std::string::npos) {
            displayName_ = ":" + std::to_string(n);
            server_ = std::move(server);
            return;
        }
        server->terminate(1000ms);
    }
    throw std::runtime_error("could not start Xvfb on any display from :90; last log:\n" +
                             readFile(dir_.path() / "xvfb.log"));
}

void Desktop::startWindowManager() {
    ChildProcess::Options spawn;
    spawn.argv = {"openbox", "--sm-disable"};
    spawn.env = baseEnvironment();
    spawn.stdoutFile = dir_.path() / "openbox.out";
    spawn.stderrFile = dir_.path() / "openbox.log";
    wm_ = std::make_unique<ChildProcess>(spawn);
    // A window manager is ready once it has claimed the root window's supporting-WM
    // check; windows mapped before that would be placed without it.
    const Atom check = atom("_NET_SUPPORTING_WM_CHECK");
    bool ready = waitUntil(
        [&] {
            auto p = getProperty(display(), root(), check);
            return p && !p->longs.empty() && exists(Window(p->longs[0]));
        },
        options_.startTimeout);
    if (!ready) throw std::runtime_error("openbox did not start:\n" + serverLog());

    // openbox claims the root window before it has finished starting, and a window
    // mapped in between stays unmapped for good. So map throw-away windows until one
    // is managed (gets WM_STATE): from then on every window is.
    Display* d = display();
    const Atom wmStateAtom = atom("WM_STATE");
    ready = waitUntil(
        [&] {
            const Window sentinel = XCreateSimpleWindow(d, root(), 0, 0, 1, 1, 0, 0, 0);
            XStoreName(d, sentinel, "tolvane-e2e-wm-sentinel");
            XMapWindow(d, sentinel);
            XSync(d, False);
            const bool managed = waitUntil(
                [&] { return getProperty(d, sentinel, wmStateAtom).has_value(); }, 200ms, 5ms);
            XDestroyWindow(d, sentinel);
            XSync(d, False);
            return managed;
        },
        options_.startTimeout, 0ms);
    if (!ready) throw std::runtime_error("openbox manages no windows:\n" + serverLog());
    waitUntil([&] { return findWindows("tolvane-e2e-wm-sentinel").empty(); });
}

unsigned long Desktop::atom(const char* name) const {
    return XInternAtom(display(), name, False);
}

// ---------------------------------------------------------------------------------------
// Windows

bool Desktop::exists(Window window) const {
    XWindowAttributes attributes;
    return window != None && XGetWindowAttributes(display(), window, &attributes) != 0;
}

std::string Desktop::title(Window window) const {
    if (auto p = getProperty(display(), window, atom("_NET_WM_NAME")); p && p->format == 8)
        return std::string(p->bytes.begin(), p->bytes.end());
    XTextProperty text{};
    std::string result;
    if (XGetWMName(display(), window, &text) && text.value) {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display(), &text, &list, &count) >= Success && list) {
            if (count > 0) result = list[0];
            XFreeStringList(list);
        } else {
            result.assign(reinterpret_cast<char*>(text.value), text.nitems);
        }
        XFree(text.value);
    }
    return result;
}

std::optional<Rect> Desktop::geometry(Window window) const {
    XWindowAttributes attributes;
    int x = 0, y = 0;
    Window child = None;
    if (!XGetWindowAttributes(display(), window, &attributes) ||
        !XTranslateCoordinates(display(), window, root(), 0, 0, &x, &y, &child))
        return std::nullopt;
    return Rect{x, y, attributes.width, attributes.height};
}

bool Desktop::isViewable(Window window) const {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display(), window, &attributes) &&
           attributes.map_state == IsViewable;
}

WmState Desktop::wmState(Window window) const {
    auto p = getProperty(display(), window, atom("WM_STATE"));
    if (!p || p->longs.empty()) return WmState::Absent;
    switch (p->longs[0]) {
        case WithdrawnState:
            return WmState::Withdrawn;
        case NormalState:
            return WmState::Normal;
        case IconicState:
            return WmState::Iconic;
    }
    return WmState::Absent;
}

void Desktop::setMonitors(const std::vector<Rect>& monitors) const {
    Display* d = display();
    int major = 0, minor = 0;
    if (!XRRQueryVersion(d, &major, &minor) || major < 1 || (major == 1 && minor < 5))
        throw std::runtime_error("setMonitors: the server has no RandR 1.5");
    // Physical sizes are required; any plausible value will do.
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        XRRMonitorInfo* m = XRRAllocateMonitor(d, 0);
        const std::string name = "TV-" + std::to_string(i);
        m->name = XInternAtom(d, name.c_str(), False);
        m->primary = i == 0;
        m->automatic = False;
        m->x = monitors[i].x;
        m->y = monitors[i].y;
        m->width = monitors[i].width;
        m->height = monitors[i].height;
        m->mwidth = m->width / 4;
        m->mheight = m->height / 4;
        XRRSetMonitor(d, root(), m);
        XRRFreeMonitors(m);
    }
    XSync(d, False);
}

bool Desktop::supportsDeleteWindow(Window window) const {
    auto p = getProperty(display(), window, atom("WM_PROTOCOLS"));
    const long deleteWindow = long(atom("WM_DELETE_WINDOW"));
    return p && std::find(p->longs.begin(), p->longs.end(), deleteWindow) != p->longs.end();
}

std::optional<pid_t> Desktop::ownerPid(Window window) const {
    auto p = getProperty(display(), window, atom("_NET_WM_PID"));
    if (!p || p->longs.empty()) return std::nullopt;
    return pid_t(p->longs[0]);
}

void Desktop::requestClose(Window window) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(atom("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    // No event mask: the event goes to the client that created the window, as a window
    // manager's close request does.
    XSendEvent(display(), window, False, NoEventMask, &event);
    XSync(display(), False);
}

bool Desktop::answersPing(Window window, std::chrono::milliseconds timeout) const {
    // A connection of its own, so the answer does not land in the queries' queue.
    Display* d = XOpenDisplay(displayName_.c_str());
    if (!d) throw std::runtime_error("answersPing: cannot open " + displayName_);
    const Window rootWindow = DefaultRootWindow(d);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    XSelectInput(d, rootWindow, SubstructureNotifyMask);
    const long stamp = 4242;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(ping);
    event.xclient.data.l[1] = stamp;
    event.xclient.data.l[2] = long(window);
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
    const bool answered = waitUntil(
        [&] {
            while (XPending(d) > 0) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == ClientMessage && e.xclient.message_type == protocols &&
                    Atom(e.xclient.data.l[0]) == ping && e.xclient.data.l[1] == stamp &&
                    Window(e.xclient.data.l[2]) == window && e.xclient.window == rootWindow)
                    return true;
            }
            return false;
        },
        timeout);
    XCloseDisplay(d);
    return answered;
}

void Desktop::focus(Window window) const {
    XSetInputFocus(display(), window, RevertToPointerRoot, CurrentTime);
    XSync(display(), False);
}

std::vector<WindowInfo> Desktop::topLevelWindows() const {
    const Atom wmStateAtom = atom("WM_STATE");
    auto hasWmState = [&](Window w) { return getProperty(display(), w, wmStateAtom).has_value(); };
    // Like xprop's client lookup: a frame's client is the first window below it that
    // carries WM_STATE; a window with none is its own client.
    auto clientOf = [&](Window top) {
        if (hasWmState(top)) return top;
        std::vector<Window> level = children(display(), top);
        for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
            std::vector<Window> next;
            for (Window w : level) {
                if (hasWmState(w)) return w;
                auto below = children(display(), w);
                next.insert(next.end(), below.begin(), below.end());
            }
            level = std::move(next);
        }
        return top;
    };
    std::vector<WindowInfo> result;
    for (Window top : children(display(), root())) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display(), top, &attributes)) continue;
        WindowInfo info;
        info.id = clientOf(top);
        info.overrideRedirect = attributes.override_redirect;
        info.title = title(info.id);
        auto bounds = geometry(info.id);
        if (!bounds) continue;
        info.bounds = *bounds;
        info.viewable = isViewable(info.id);
        result.push_back(std::move(info));
    }
    return result;
}

std::vector<Window> Desktop::findWindows(std::string_view title) const {
    std::vector<Window> found;
    for (const auto& info : topLevelWindows())
        if (info.title == title) found.push_back(info.id);
    return found;
}

Window Desktop::findWindow(std::string_view title) const {
    for (const auto& info : topLevelWindows())
        if (info.viewable && info.title == title) return info.id;
    return None;
}

Window Desktop::waitForWindow(std::string_view title, std::chrono::milliseconds timeout) const {
    Window found = None;
    waitUntil([&] { return (found = findWindow(title)) != None; }, timeout);
    return found;
}

bool Desktop::waitForWindowGone(Window window, std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return !isViewable(window); }, timeout);
}

// ---------------------------------------------------------------------------------------
// Input

void Desktop::xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const Run result = run(argv, {}, 10s);
    if (!result.status.ok()) {
        std::string command;
        for (const auto& arg : argv) command += arg + " ";
        throw std::runtime_error(command + "failed (" + result.status.describe() +
                                 "): " + result.out);
    }
}

Desktop::Run Desktop::run(const std::vector<std::string>& argv, const Environment& extra,
                          std::chrono::milliseconds timeout) const {
    ChildProcess::Options spawn;
    spawn.argv = argv;
    spawn.env = baseEnvironment();
    for (const auto& [key, value] : extra) spawn.env[key] = value;
    spawn.stdoutFile = dir_.path() / "run.out";
    spawn.stderrFile = dir_.path() / "run.err";
    ChildProcess child(spawn);
    Run result;
    result.status = child.waitForExit(timeout);
    result.out = readFile(spawn.stdoutFile) + readFile(spawn.stderrFile);
    return result;
}

bool Desktop::hasInputMethod(std::string_view name) const {
    const auto servers = getProperty(display(), root(), atom("XIM_SERVERS"));
    if (!servers) return false;
    const std::string want = "@server=" + std::string(name);
    for (long a : servers->longs) {
        char* atomName = XGetAtomName(display(), Atom(a));
        const bool match = atomName && want == atomName;
        if (atomName) XFree(atomName);
        if (match) return true;
    }
    return false;
}

void Desktop::mouseMove(Point to) const {
    xdotool({"mousemove", std::to_string(to.x), std::to_string(to.y)});
}

void Desktop::click(Point at, int button) const {
    xdotool(
        {"mousemove", std::to_string(at.x), std::to_string(at.y), "click", std::to_string(button)});
}

void Desktop::drag(Point from, Point to, int steps) const {
    steps = std::max(steps, 1);
    // One chained xdotool command keeps the steps evenly spaced.
    std::vector<std::string> args = {
        "mousemove", std::to_string(from.x), std::to_string(from.y), "sleep", "0.02", "mousedown",
        "1"};
    for (int i = 1; i <= steps; ++i) {
        const int x = from.x + (to.x - from.x) * i / steps;
        const int y = from.y + (to.y - from.y) * i / steps;
        args.insert(args.end(),
                    {"sleep", "0.02", "mousemove", std::to_string(x), std::to_string(y)});
    }
    args.insert(args.end(), {"sleep", "0.02", "mouseup", "1"});
    xdotool(args);
}

void Desktop::key(std::string_view keys) const {
    xdotool({"key", std::string(keys)});
}

void Desktop::type(std::string_view text) const {
    // xdotool types a character the keyboard map lacks by binding it to a spare key for
    // the moment of the keystroke; the program must look the key up before the binding is
    // undone, so such text goes slowly enough for a loaded machine.
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    xdotool({"type", "--delay", ascii ? "20" : "150", std::string(text)});
}

Point Desktop::pointer() const {
    Window rootReturn = None, child = None;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display(), root(), &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    return {rootX, rootY};
}

// ---------------------------------------------------------------------------------------
// Pixels

RgbImage Desktop::grab(const Rect& area) const {
    const int x0 = std::max(area.x, 0), y0 = std::max(area.y, 0);
    const int x1 = std::min(area.x + area.width, options_.width);
    const int y1 = std::min(area.y + area.height, options_.height);
    if (x1 <= x0 || y1 <= y0)
        throw std::runtime_error("grab: " + toString(area) + " is off the screen");
    XImage* image = XGetImage(display(), root(), x0, y0, unsigned(x1 - x0), unsigned(y1 - y0),
                              AllPlanes, ZPixmap);
    if (!image) throw std::runtime_error("grab: XGetImage failed");
    RgbImage out(image->width, image->height);
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    const bool common = image->bits_per_pixel == 32 && masks[0] == 0xff0000 && masks[1] == 0xff00 &&
                        masks[2] == 0xff;
    int shifts[3];
    unsigned long maxima[3];
    for (int c = 0; c < 3; ++c) {
        shifts[c] = channelShift(masks[c]);
        maxima[c] = std::max(masks[c] >> shifts[c], 1ul);
    }
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if (common) {
                // The usual TrueColor layout is already 0x??RRGGBB.
                std::uint32_t word;
                std::memcpy(&word, image->data + y * image->bytes_per_line + x * 4, 4);
                out.set(x, y, toRgb(word));
                continue;
            }
            const unsigned long p = XGetPixel(image, x, y);
            out.set(x, y,
                    {std::uint8_t(((p & masks[0]) >> shifts[0]) * 255 / maxima[0]),
                     std::uint8_t(((p & masks[1]) >> shifts[1]) * 255 / maxima[1]),
                     std::uint8_t(((p & masks[2]) >> shifts[2]) * 255 / maxima[2])});
        }
    }
    XDestroyImage(image);
    return out;
}

RgbImage Desktop::grabWindow(Window window) const {
    auto bounds = geometry(window);
    if (!bounds) throw std::runtime_error("grabWindow: no such window");
    return grab(*bounds);
}

Rgb Desktop::pixel(Point at) const {
    return grab({at.x, at.y, 1, 1}).at(0, 0);
}

// ---------------------------------------------------------------------------------------
// The program under test

App::App(const Desktop& desktop, Options options) : desktop_(desktop) {
    home_ = dir_.path() / "home";
    configHome_ = dir_.path() / "config";
    registryDir_ = dir_.path() / "registry";
    stderrFile_ = dir_.path() / "stderr.log";
    for (const auto& d : {home_, configHome_, registryDir_}) fs::create_directories(d);

    Environment env = desktop.baseEnvironment();
    env["HOME"] = home_.string();
    env["XDG_CONFIG_HOME"] = configHome_.string();
    env["XDG_CACHE_HOME"] = (home_ / ".cache").string();
    env["TOLVANE_REGISTRY_DIR"] = registryDir_.string();
    if (options.traceStartup) env["TOLVANE_TRACE_STARTUP"] = "1";
    // Sanitizer builds must keep their settings in the program they test.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) env[name] = value;
    for (auto& [key, value] : options.env) env[key] = value;

    ChildProcess::Options spawn;
    spawn.argv = {options.binary.string()};
    spawn.argv.insert(spawn.argv.end(), options.args.begin(), options.args.end());
    if (options.argv) {
        spawn.path = options.binary.string();
        spawn.argv = *options.argv;
    }
    spawn.env = std::move(env);
    spawn.stderrFile = stderrFile_;
    process_ = std::make_unique<ChildProcess>(std::move(spawn));
}

App::~App() = default;

std::string App::stderrText() const {
    return readFile(stderrFile_);
}

bool App::waitForStderr(std::string_view needle, std::chrono::milliseconds timeout) const {
    bool ended = false;
    bool found = false;
    waitUntil(
        [&] {
            // Checked before reading, so the last words of a program that just ended count.
            ended = !process_->running();
            found = stderrText().find(needle) != std::string::npos;
            return found || ended;
        },
        timeout);
    return found;
}

WindowId App::waitForWindow(std::string_view title, std::chrono::milliseconds timeout) const {
    WindowId found = kNoWindow;
    waitUntil(
        [&] {
            for (const auto& info : desktop_.topLevelWindows()) {
                if (!info.viewable || info.title != title) continue;
                const auto owner = desktop_.ownerPid(info.id);
                if (!owner || *owner == pid()) {
                    found = info.id;
                    return true;
                }
            }
            return !process_->running();
        },
        timeout);
    return found;
}

}  // namespace tv::e2e
