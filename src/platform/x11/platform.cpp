// The platform: the connection, the windows, and the one wait of the program.
#include <langinfo.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstddef>
#include <cstring>

#include "platform/monitors.h"
#include "platform/x11/backend.h"
#include "platform/x11/x11_platform.h"

#include <X11/XKBlib.h>

namespace tv::platform::x11 {

X11Platform::X11Platform(std::function<void()> onInputReady)
    : onInputReady_(std::move(onInputReady)) {
    std::setlocale(LC_ALL, "");
    // Text from the keyboard and input methods is UTF-8 whatever the environment says:
    // in a locale of another encoding libX11 would hand over characters it can express
    // in that encoding only.
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
    // SIGTERM and SIGINT end the program as closing its main window does. They are
    // blocked (threads started later inherit that) and read from a descriptor that the
    // loop waits on together with the display connection.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &stop, nullptr) == 0)
        signals_ = signalfd(-1, &stop, SFD_NONBLOCK | SFD_CLOEXEC);
    open(c_);
    // The scale the desktop asks for: GNOME, KDE and XFCE write theirs as Xft.dpi into
    // the screen's resources, which the connection read when it opened.
    scale_ = scaleForDpi(xftDpi(XResourceManagerString(c_.display)));
    // The active window and the window manager's presence are read from the root.
    XSelectInput(c_.display, c_.root, PropertyChangeMask);
    c_.readWindowManager();
}

X11Platform::~X11Platform() {
    if (signals_ >= 0) ::close(signals_);
}

X11Window* X11Platform::find(::Window xid) const {
    for (X11Window* w : windows_)
        if (w->xid() == xid) return w;
    return nullptr;
}

X11Window* X11Platform::mainWindow() const {
    for (X11Window* w : windows_)
        if (w->role() == WindowRole::Main) return w;
    return nullptr;
}

void X11Platform::forget(X11Window* w) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
    if (focus_ == w) focus_ = nullptr;
}

// After the first frame: what reading input needs beyond the window's event mask.
void X11Platform::becomeReady() {
    ready_ = true;
    // Held keys repeat as presses alone, without a release before each.
    XkbSetDetectableAutoRepeat(c_.display, True, nullptr);
    // Not put off to the first key: keys that came meanwhile would be read late, after
    // keyboard mappings changed since (a tool that types by remapping keys).
    openInputMethod();
    // Until now the windows showed whatever pointer their parent has.
    for (X11Window* w : windows_)
        if (w->role() != WindowRole::Tooltip) w->setCursor(Cursor::Arrow);
    inputReady();
}

void X11Platform::openInputMethod() {
    imOpened_ = true;
    im_.open();
    for (X11Window* w : windows_)
        if (w->role() != WindowRole::Tooltip) im_.attach(*w);
    im_.setFocus(focus_, textInput_);
}

void X11Platform::inputReady() {
    if (inputReady_) return;
    inputReady_ = true;
    if (onInputReady_) onInputReady_();
}

// Reads what the connection holds, then sleeps in poll() on the connection and the
// signal descriptor until something arrives or the deadline passes. The loop owns the
// wait: nothing wakes it but input, a signal or a due timer.
bool X11Platform::waitEvent(Event& out, std::optional<std::uint64_t> deadline) {
    if (!ready_) becomeReady();
    for (;;) {
        if (queue_.pop(out)) return true;
        // XPending sends what is buffered and reads what has arrived.
        while (XPending(c_.display) > 0) {
            XEvent x;
            XNextEvent(c_.display, &x);
            // The input method takes what it needs (keys it composes, its own messages).
            if (XFilterEvent(&x, 0)) {
                if (!queue_.empty()) break;
                continue;
            }
            handle(x);
            if (!queue_.empty()) break;
        }
        if (queue_.pop(out)) return true;
        if (takeSignal()) {
            out = Event{};
            out.type = EventType::Quit;
            return true;
        }
        int timeout = -1;
        if (deadline) {
            const std::uint64_t t = now();
            if (t >= *deadline) return false;
            timeout = int(std::min<std::uint64_t>(*deadline - t, 1u << 30));
        }
        if (XEventsQueued(c_.display, QueuedAfterFlush) > 0) continue;
        if (sleep(timeout)) return false;
    }
}

bool X11Platform::sleep(int timeout) {
    if (sources_.empty()) {
        pollfd fds[2] = {{c_.fd(), POLLIN, 0}, {signals_, POLLIN, 0}};
        return ::poll(fds, signals_ >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR;
    }
    // WaitFd has pollfd's layout, so the one array goes to poll() as it is.
    static_assert(sizeof(WaitFd) == sizeof(pollfd) &&
                  offsetof(WaitFd, revents) == offsetof(pollfd, revents));
    fds_.clear();
    fds_.push_back({c_.fd(), POLLIN, 0});
    fds_.push_back({signals_, POLLIN, 0});
    std::size_t first[8] = {};
    const std::size_t count = std::min<std::size_t>(sources_.size(), 8);
    for (std::size_t i = 0; i < count; ++i) {
        first[i] = fds_.size();
        const int limit = sources_[i]->prepare(fds_);
        if (limit >= 0 && (timeout < 0 || limit < timeout)) timeout = limit;
    }
    bool work =
        ::poll(reinterpret_cast<pollfd*>(fds_.data()), fds_.size(), timeout) < 0 && errno != EINTR;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = i + 1 < count ? first[i + 1] : fds_.size();
        work |= sources_[i]->dispatch(fds_.data() + first[i], end - first[i]);
    }
    return work;
}

bool X11Platform::addWaitSource(WaitSource* source) {
    if (sources_.size() >= 8) return false;
    sources_.push_back(source);
    return true;
}

void X11Platform::removeWaitSource(WaitSource* source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

bool X11Platform::takeSignal() {
    if (signals_ < 0) return false;
    signalfd_siginfo info;
    return ::read(signals_, &info, sizeof info) == ssize_t(sizeof info);
}

Point X11Platform::cursorPos() {
    if (pointer_) return *pointer_;
    ::Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    XQueryPointer(c_.display, c_.root, &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

int X11Platform::pointerDrop() {
    if (pointerDrop_ < 0) pointerDrop_ = cursors_.pointerDrop();
    return pointerDrop_;
}

Rect X11Platform::desktopRect() {
    return Rect::fromXYWH(0, 0, DisplayWidth(c_.display, c_.screen),
                          DisplayHeight(c_.display, c_.screen));
}

Rect X11Platform::monitorRect(std::optional<Point> p) {
    return chooseMonitor(readMonitors(c_, hasMonitors_), 0, p, desktopRect());
}

void X11Platform::startTextInput() {
    textInput_ = true;
    im_.setFocus(focus_, true);
}

void X11Platform::stopTextInput() {
    textInput_ = false;
    im_.setFocus(focus_, false);
}

}  // namespace tv::platform::x11

namespace tv::platform {

std::unique_ptr<Platform> createX11Platform(std::function<void()> onInputReady) {
    return std::make_unique<x11::X11Platform>(std::move(onInputReady));
}

}  // namespace tv::platform
