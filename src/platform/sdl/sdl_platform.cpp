#include "platform/sdl/sdl_platform.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/picture.h"
#include "platform/monitors.h"
#include "platform/sdl/sdl_api.h"
#include "platform/sdl/x11.h"

namespace tv::platform {

namespace {

Key translateKey(SDL_Keycode k) {
    switch (k) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return Key::Return;
        case SDLK_ESCAPE:
            return Key::Escape;
        case SDLK_SPACE:
            return Key::Space;
        case SDLK_TAB:
            return Key::Tab;
        case SDLK_BACKSPACE:
            return Key::Backspace;
        case SDLK_DELETE:
            return Key::Delete;
        case SDLK_LEFT:
            return Key::Left;
        case SDLK_RIGHT:
            return Key::Right;
        case SDLK_UP:
            return Key::Up;
        case SDLK_DOWN:
            return Key::Down;
        case SDLK_HOME:
            return Key::Home;
        case SDLK_END:
            return Key::End;
        case SDLK_PAGEUP:
            return Key::PageUp;
        case SDLK_PAGEDOWN:
            return Key::PageDown;
        case SDLK_F4:
            return Key::F4;
        case SDLK_a:
            return Key::A;
        case SDLK_c:
            return Key::C;
        case SDLK_v:
            return Key::V;
        case SDLK_x:
            return Key::X;
        default:
            return Key::Other;
    }
}

std::uint16_t shiftState(Uint16 mod, Uint32 buttons) {
    std::uint16_t s = 0;
    if (mod & KMOD_SHIFT) s |= kShift;
    if (mod & KMOD_ALT) s |= kAlt;
    if (mod & KMOD_CTRL) s |= kCtrl;
    if (buttons & SDL_BUTTON_LMASK) s |= kLeftButton;
    if (buttons & SDL_BUTTON_RMASK) s |= kRightButton;
    if (buttons & SDL_BUTTON_MMASK) s |= kMiddleButton;
    return s;
}

MouseButton translateButton(Uint8 b) {
    switch (b) {
        case SDL_BUTTON_LEFT:
            return MouseButton::Left;
        case SDL_BUTTON_RIGHT:
            return MouseButton::Right;
        case SDL_BUTTON_MIDDLE:
            return MouseButton::Middle;
        default:
            return MouseButton::None;
    }
}

class SdlPlatform;

// The main window, created before SDL is loaded, carries this id for its whole life; SDL's
// own ids are small counters.
constexpr WindowId kOwnWindowId = 0xFFFF0001u;

// A top-level window. Those made once SDL is up are SDL's, with SDL's window surface as
// their buffer. The main window is made earlier on our own connection, with a buffer of
// our own; SDL adopts it when the program first waits for input.
class SdlWindow final : public NativeWindow {
  public:
    SdlWindow(SdlPlatform& platform, SDL_Window* w);
    SdlWindow(SdlPlatform& platform, x11::Xid own, Size size, Point position);
    ~SdlWindow() override;

    x11::Xid own() const { return own_; }
    WindowId id() const override;
    Pixel* pixels() override {
        return own_ ? ownPixels_.data() : static_cast<Pixel*>(surface_->pixels);
    }
    int stride() const override { return own_ ? ownSize_.width : surface_->pitch / 4; }
    Size size() const override { return own_ ? ownSize_ : Size{surface_->w, surface_->h}; }
    void present(const Rect* rects, int count) override;
    Point position() const override;
    void setPosition(Point p) override;
    void show() override;
    void hide() override;
    bool visible() const override;
    void raise() override;
    void minimize() override;
    void restore() override;
    bool minimized() const override;
    void setTitle(const std::string& utf8) override;
    void setIcon(const Image& image) override;
    void setTransientFor(NativeWindow* owner) override;
    void setCursor(Cursor c) override;
    void captureMouse(bool on) override;
    void setTextInputRect(const Rect& r) override;

    // SDL has taken our window over: from now on its state is SDL's.
    void adopt(SDL_Window* w);

  private:
    const SdlApi& sdlApi() const;
    void needSdl();
    void refreshSurface();

    SdlPlatform& platform_;
    SDL_Window* window_ = nullptr;
    SDL_Surface* surface_ = nullptr;
    x11::Xid own_ = 0;
    std::vector<Pixel> ownPixels_;
    Size ownSize_;
    Point ownPosition_;
    bool ownShown_ = false;
    bool raiseWhenAdopted_ = false;
    bool synced_ = false;
    std::vector<int> rects_;
    x11::Presenter* presenter_ = nullptr;
};

class SdlPlatform final : public Platform {
  public:
    explicit SdlPlatform(std::function<void()> onInputReady)
        : onInputReady_(std::move(onInputReady)) {
        std::setlocale(LC_ALL, "");
        // SIGTERM and SIGINT end the program as closing its main window does. They are
        // blocked (threads started later inherit that) and read from a descriptor that
        // the loop waits on together with the display connections.
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTERM);
        sigaddset(&stop, SIGINT);
        if (pthread_sigmask(SIG_BLOCK, &stop, nullptr) == 0)
            signals_ = signalfd(-1, &stop, SFD_NONBLOCK | SFD_CLOEXEC);
        std::string error;
        connection_ = x11::open(error);
        if (!connection_) throw std::runtime_error(error);
    }
    ~SdlPlatform() override {
        if (api_) {
            api_->FreeCursor(arrow_);
            api_->FreeCursor(hand_);
            api_->FreeCursor(ibeam_);
        }
        if (signals_ >= 0) ::close(signals_);
        x11::close(connection_);
        // No SDL_Quit: the process is ending, and closing SDL's connections can meet an X
        // error that Xlib's default handler turns into exit code 1.
    }

    const SdlApi& api() const { return *api_; }
    x11::Connection* connection() const { return connection_; }

    std::unique_ptr<NativeWindow> createWindow(const WindowSpec& spec) override {
        if (!api_ && !own_ && spec.role == WindowRole::Main &&
            x11::defaultVisualIsXrgb(connection_)) {
            const std::string cls = className();
            x11::WindowSetup setup;
            setup.title = spec.title.c_str();
            setup.className = cls.c_str();
            setup.x = spec.position.x;
            setup.y = spec.position.y;
            setup.width = spec.size.width;
            setup.height = spec.size.height;
            const x11::Xid w = x11::createMainWindow(connection_, setup);
            if (w) {
                auto window = std::make_unique<SdlWindow>(*this, w, spec.size, spec.position);
                own_ = window.get();
                return window;
            }
        }
        ensureInput();
        Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
        if (spec.role == WindowRole::Dialog) flags |= SDL_WINDOW_SKIP_TASKBAR;
        if (spec.role == WindowRole::Tooltip) flags |= SDL_WINDOW_TOOLTIP | SDL_WINDOW_SKIP_TASKBAR;
        SDL_Window* w = api_->CreateWindow(spec.title.c_str(), spec.position.x, spec.position.y,
                                           spec.size.width, spec.size.height, flags);
        if (!w)
            throw std::runtime_error(std::string("cannot create a window: ") + api_->GetError());
        void* d = nullptr;
        x11::Xid xid = 0;
        if (api_->x11Handles(w, d, xid)) {
            if (!display_) display_ = d;
            x11::setTitle(d, xid, spec.title.c_str());
            // A hint pushed up under the pointer must not take the pointer from the window
            // it explains: the pointer passes through it.
            if (spec.role == WindowRole::Tooltip) x11::makeInputTransparent(d, xid);
        }
        return std::make_unique<SdlWindow>(*this, w);
    }

    void forget(SdlWindow* w) {
        if (own_ == w) own_ = nullptr;
    }

    std::uint64_t now() override {
        timespec t{};
        ::clock_gettime(CLOCK_MONOTONIC, &t);
        return std::uint64_t(t.tv_sec) * 1000u + std::uint64_t(t.tv_nsec) / 1000000u;
    }

    // Drains SDL's queue and our connection, then sleeps in poll() on both display
    // connections and the signal descriptor until something arrives or the deadline
    // passes. The loop owns the wait, so nothing wakes it but input, a signal or a due
    // timer.
    bool waitEvent(Event& out, std::optional<std::uint64_t> deadline) override {
        ensureInput();
        SDL_Event e;
        for (;;) {
            while (api_->PollEvent(&e))
                if (translate(e, out)) return true;
            if (exposeOwn_ && own_) {
                exposeOwn_ = false;
                out = Event{};
                out.type = EventType::Exposed;
                out.window = kOwnWindowId;
                return true;
            }
            x11::Xid closing = 0;
            if (x11::takeCloseRequest(connection_, closing) && own_ && closing == own_->own()) {
                out = Event{};
                out.type = EventType::CloseRequest;
                out.window = kOwnWindowId;
                return true;
            }
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
            if (display_ && x11::eventsQueued(display_)) continue;
            pollfd fds[3];
            int n = 0;
            fds[n++] = {x11::connectionFd(ownDisplay()), POLLIN, 0};
            if (display_) fds[n++] = {x11::connectionFd(display_), POLLIN, 0};
            if (signals_ >= 0) fds[n++] = {signals_, POLLIN, 0};
            if (::poll(fds, nfds_t(n), timeout) < 0 && errno != EINTR) return false;
        }
    }

    int pointerDrop() override {
        if (pointerDrop_ < 0) pointerDrop_ = x11::pointerDrop(connection_);
        return pointerDrop_;
    }

    Point cursorPos() override {
        int x = 0, y = 0;
        x11::pointer(ownDisplay(), x, y);
        return {x, y};
    }

    Rect desktopRect() override {
        int w = 0, h = 0;
        x11::screenSize(connection_, w, h);
        return Rect::fromXYWH(0, 0, w, h);
    }
    Rect monitorRect(std::optional<Point> p) override {
        std::vector<Rect> list;
        for (const x11::Monitor& m : x11::monitors(connection_))
            list.push_back(Rect::fromXYWH(m.x, m.y, m.width, m.height));
        return chooseMonitor(list, 0, p, desktopRect());
    }
    std::string clipboardText() override {
        ensureInput();
        char* t = api_->GetClipboardText();
        std::string s = t ? t : "";
        api_->free(t);
        return s;
    }
    void setClipboardText(const std::string& utf8) override {
        ensureInput();
        api_->SetClipboardText(utf8.c_str());
    }
    void startTextInput() override {
        textInput_ = true;
        if (api_) api_->StartTextInput();
    }
    void stopTextInput() override {
        textInput_ = false;
        if (api_) api_->StopTextInput();
    }
    void setCursor(Cursor c) {
        cursor_ = c;
        if (api_)
            api_->SetCursor(c == Cursor::HandPoint ? hand_ : c == Cursor::IBeam ? ibeam_ : arrow_);
    }

    // Loads SDL and brings its input machinery up (keyboard, input method, clipboard,
    // cursors), then hands it the main window. Called when the program first waits for
    // input or needs any of these, after the first frame is on the screen.
    void ensureInput() {
        if (api_) return;
        api_ = SdlApi::load();
        // The main window is an X11 window, whatever $SDL_VIDEODRIVER asks for.
        api_->SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
        api_->SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        api_->SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        api_->SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        api_->SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        api_->SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
        api_->SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        api_->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        withComposeCache([this] {
            if (api_->Init(SDL_INIT_VIDEO) != 0)
                throw std::runtime_error(std::string("cannot open the display: ") +
                                         api_->GetError());
        });
        api_->EventState(SDL_SYSWMEVENT, SDL_DISABLE);
        arrow_ = api_->CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        hand_ = api_->CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
        ibeam_ = api_->CreateSystemCursor(SDL_SYSTEM_CURSOR_IBEAM);
        if (own_) adoptOwnWindow();
        if (textInput_) api_->StartTextInput();
        setCursor(cursor_);
        if (onInputReady_) onInputReady_();
    }

    void* x11DisplayOf(SDL_Window* w) const {
        void* display = nullptr;
        x11::Xid window = 0;
        return api_->x11Handles(w, display, window) ? display : nullptr;
    }
    x11::Xid x11WindowOf(SDL_Window* w) const {
        void* display = nullptr;
        x11::Xid window = 0;
        return api_->x11Handles(w, display, window) ? window : 0;
    }
    void* ownDisplay() const { return x11::display(connection_); }

  private:
    void adoptOwnWindow() {
        const x11::Xid xid = own_->own();
        SDL_Window* w = api_->CreateWindowFrom(reinterpret_cast<const void*>(xid));
        if (!w)
            throw std::runtime_error(std::string("cannot hand the main window to SDL: ") +
                                     api_->GetError());
        if (!display_) display_ = x11DisplayOf(w);
        // SDL reads input only from windows it created; ask for the same events.
        x11::stopWatching(connection_, xid);
        x11::selectInputEvents(display_, xid);
        // SDL took the position relative to the parent, which a window manager's frame
        // makes wrong; tell it where the window really is.
        int rx = 0, ry = 0, sx = 0, sy = 0;
        api_->GetWindowPosition(w, &sx, &sy);
        if (x11::rootPosition(connection_, xid, rx, ry) && (rx != sx || ry != sy))
            api_->SetWindowPosition(w, rx, ry);
        adoptedId_ = api_->GetWindowID(w);
        own_->adopt(w);
        // What was exposed between the first frame and now was seen by nobody.
        exposeOwn_ = true;
    }

    // The window class SDL gives its own windows: $SDL_VIDEO_X11_WMCLASS or the
    // executable's name.
    static std::string className() {
        if (const char* env = std::getenv("SDL_VIDEO_X11_WMCLASS"); env && *env) return env;
        const std::string path = executablePath();
        const std::size_t slash = path.rfind('/');
        return path.empty() ? "tolvane" : path.substr(slash == std::string::npos ? 0 : slash + 1);
    }

    // libX11 parses its compose table at every start unless it finds a cache; point it at
    // a private cache directory for SDL_Init, then put the environment back.
    template <class F>
    static void withComposeCache(F&& f) {
        const char* old = std::getenv("XCOMPOSECACHE");
        std::string dir;
        if (!old) {
            const char* xdg = std::getenv("XDG_CACHE_HOME");
            const char* home = std::getenv("HOME");
            if (xdg && *xdg)
                dir = std::string(xdg) + "/tolvane";
            else if (home && *home)
                dir = std::string(home) + "/.cache/tolvane";
            if (!dir.empty()) {
                std::string parent = dir.substr(0, dir.rfind('/'));
                ::mkdir(parent.c_str(), 0700);
                ::mkdir(dir.c_str(), 0700);
                dir += "/compose";
                ::mkdir(dir.c_str(), 0700);
                ::setenv("XCOMPOSECACHE", dir.c_str(), 1);
            }
        }
        try {
            f();
        } catch (...) {
            if (!old) ::unsetenv("XCOMPOSECACHE");
            throw;
        }
        if (!old) ::unsetenv("XCOMPOSECACHE");
    }

    WindowId ourId(Uint32 sdlId) const {
        return adoptedId_ != 0 && sdlId == adoptedId_ ? kOwnWindowId : sdlId;
    }

    Point screenOf(Uint32 windowId, int x, int y) {
        SDL_Window* w = api_->GetWindowFromID(windowId);
        int wx = 0, wy = 0;
        if (w) api_->GetWindowPosition(w, &wx, &wy);
        return {wx + x, wy + y};
    }

    bool translate(const SDL_Event& e, Event& out) {
        out = Event{};
        switch (e.type) {
            case SDL_QUIT:
                return false;  // closing goes through the windows' close requests
            case SDL_MOUSEMOTION:
                out.type = EventType::MouseMove;
                out.window = ourId(e.motion.windowID);
                out.pos = {e.motion.x, e.motion.y};
                out.screen = screenOf(e.motion.windowID, e.motion.x, e.motion.y);
                out.shift = shiftState(api_->GetModState(), e.motion.state);
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                out.type =
                    e.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp;
                out.window = ourId(e.button.windowID);
                out.pos = {e.button.x, e.button.y};
                out.screen = screenOf(e.button.windowID, e.button.x, e.button.y);
                out.button = translateButton(e.button.button);
                if (out.button == MouseButton::None) return false;
                out.shift = shiftState(api_->GetModState(), api_->GetMouseState(nullptr, nullptr));
                out.clicks = 1;
                if (out.type == EventType::MouseDown) {
                    // A double-click is the second press of one button within the double-click
                    // time and a 4-pixel square, as on the classic platform; a third press
                    // starts over.
                    const bool second = lastPress_.clicks == 1 && lastPress_.button == out.button &&
                                        e.button.timestamp - lastPress_.time <= kDoubleClickTime &&
                                        std::abs(out.screen.x - lastPress_.at.x) <= 2 &&
                                        std::abs(out.screen.y - lastPress_.at.y) <= 2;
                    out.clicks = second ? 2 : 1;
                    if (second) out.shift |= kDoubleClick;
                    lastPress_ = {out.button, e.button.timestamp, out.screen, out.clicks};
                }
                return true;
            }
            case SDL_MOUSEWHEEL:
                out.type = EventType::MouseWheel;
                out.window = ourId(e.wheel.windowID);
                {
                    int x = 0, y = 0;
                    api_->GetMouseState(&x, &y);
                    out.pos = {x, y};
                    out.screen = screenOf(e.wheel.windowID, x, y);
                }
                out.wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                out.shift = shiftState(api_->GetModState(), api_->GetMouseState(nullptr, nullptr));
                return true;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                out.type = e.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
                out.window = ourId(e.key.windowID);
                out.key = translateKey(e.key.keysym.sym);
                out.shift = shiftState(e.key.keysym.mod, api_->GetMouseState(nullptr, nullptr));
                return true;
            case SDL_TEXTINPUT:
                out.type = EventType::TextInput;
                out.window = ourId(e.text.windowID);
                std::memcpy(out.text, e.text.text, sizeof out.text - 1);
                return true;
            case SDL_TEXTEDITING:
                out.type = EventType::TextEditing;
                out.window = ourId(e.edit.windowID);
                std::memcpy(out.text, e.edit.text, sizeof out.text - 1);
                out.editCursor = e.edit.start;
                return true;
            case SDL_WINDOWEVENT:
                out.window = ourId(e.window.windowID);
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        out.type = EventType::CloseRequest;
                        return true;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        out.type = EventType::FocusGained;
                        return true;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        out.type = EventType::FocusLost;
                        return true;
                    case SDL_WINDOWEVENT_EXPOSED:
                        out.type = EventType::Exposed;
                        return true;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        out.type = EventType::Minimized;
                        return true;
                    case SDL_WINDOWEVENT_RESTORED:
                        out.type = EventType::Restored;
                        return true;
                    case SDL_WINDOWEVENT_MOVED:
                        out.type = EventType::Moved;
                        return true;
                    case SDL_WINDOWEVENT_LEAVE:
                        out.type = EventType::MouseLeave;
                        return true;
                    default:
                        return false;
                }
            default:
                return false;
        }
    }

    bool takeSignal() {
        if (signals_ < 0) return false;
        signalfd_siginfo info;
        return ::read(signals_, &info, sizeof info) == ssize_t(sizeof info);
    }

    static constexpr Uint32 kDoubleClickTime = 500;
    struct Press {
        MouseButton button = MouseButton::None;
        Uint32 time = 0;
        Point at;
        int clicks = 0;
    } lastPress_;
    std::function<void()> onInputReady_;
    std::unique_ptr<SdlApi> api_;
    x11::Connection* connection_ = nullptr;
    void* display_ = nullptr;  // SDL's connection
    SdlWindow* own_ = nullptr;
    Uint32 adoptedId_ = 0;
    bool exposeOwn_ = false;
    int pointerDrop_ = -1;  // read when the first hint shows
    bool textInput_ = false;
    Cursor cursor_ = Cursor::Arrow;
    int signals_ = -1;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* hand_ = nullptr;
    SDL_Cursor* ibeam_ = nullptr;
};

SdlWindow::SdlWindow(SdlPlatform& platform, SDL_Window* w) : platform_(platform), window_(w) {
    refreshSurface();
}

SdlWindow::SdlWindow(SdlPlatform& platform, x11::Xid own, Size size, Point position)
    : platform_(platform),
      own_(own),
      ownPixels_(std::size_t(size.width) * std::size_t(size.height)),
      ownSize_(size),
      ownPosition_(position) {
    rects_.reserve(4 * 64);
}

SdlWindow::~SdlWindow() {
    x11::destroyPresenter(presenter_);
    if (window_) {
        void* sdlDisplay = own_ ? platform_.x11DisplayOf(window_) : nullptr;
        sdlApi().DestroyWindow(window_);  // an adopted window stays ours
        // What SDL sent about the window (its input context lets go of it) must reach
        // the server before the window goes, or SDL's connection meets a BadWindow error.
        if (sdlDisplay) x11::sync(sdlDisplay);
    }
    if (own_) x11::destroyWindow(platform_.connection(), own_);
    platform_.forget(this);
}

const SdlApi& SdlWindow::sdlApi() const {
    return platform_.api();
}

void SdlWindow::needSdl() {
    platform_.ensureInput();
}

void SdlWindow::refreshSurface() {
    surface_ = sdlApi().GetWindowSurface(window_);
    if (!surface_)
        throw std::runtime_error(std::string("cannot get window surface: ") + sdlApi().GetError());
    if (surface_->format->BytesPerPixel != 4 || surface_->format->Rmask != 0x00FF0000u)
        throw std::runtime_error("the display does not offer 32-bit XRGB window surfaces");
    rects_.reserve(4 * 64);
}

void SdlWindow::adopt(SDL_Window* w) {
    window_ = w;
    if (raiseWhenAdopted_) raise();
}

WindowId SdlWindow::id() const {
    return own_ ? kOwnWindowId : sdlApi().GetWindowID(window_);
}

void SdlWindow::present(const Rect* rects, int count) {
    rects_.clear();
    for (int i = 0; i < count; ++i) {
        const int r[4] = {rects[i].left, rects[i].top, rects[i].width(), rects[i].height()};
        rects_.insert(rects_.end(), r, r + 4);
    }
    if (rects_.empty()) return;
    if (own_) {
        if (!presenter_) presenter_ = x11::createPresenter(platform_.ownDisplay(), own_);
        x11::present(presenter_, ownPixels_.data(), ownSize_.width, ownSize_.height, ownSize_.width,
                     rects_.data(), count);
        // The first frame is on the screen when the server says so, not when it is sent.
        if (!synced_) x11::sync(platform_.ownDisplay());
        synced_ = true;
        return;
    }
    if (!presenter_)
        presenter_ =
            x11::createPresenter(platform_.x11DisplayOf(window_), platform_.x11WindowOf(window_));
    if (x11::present(presenter_, static_cast<const std::uint32_t*>(surface_->pixels), surface_->w,
                     surface_->h, surface_->pitch / 4, rects_.data(), count))
        return;
    static_assert(sizeof(SDL_Rect) == 4 * sizeof(int));
    sdlApi().UpdateWindowSurfaceRects(window_, reinterpret_cast<const SDL_Rect*>(rects_.data()),
                                      count);
}

Point SdlWindow::position() const {
    if (!window_) return ownPosition_;
    int x = 0, y = 0;
    sdlApi().GetWindowPosition(window_, &x, &y);
    return {x, y};
}

void SdlWindow::setPosition(Point p) {
    if (window_) {
        sdlApi().SetWindowPosition(window_, p.x, p.y);
        return;
    }
    ownPosition_ = p;
    x11::moveWindow(platform_.connection(), own_, p.x, p.y);
}

void SdlWindow::show() {
    if (!window_) {
        x11::mapAndWaitExposed(platform_.connection(), own_, 2000);
        ownShown_ = true;
        return;
    }
    sdlApi().ShowWindow(window_);
    if (!own_) refreshSurface();
}

void SdlWindow::hide() {
    if (!window_) {
        x11::unmapWindow(platform_.connection(), own_);
        ownShown_ = false;
        return;
    }
    sdlApi().HideWindow(window_);
}

bool SdlWindow::visible() const {
    if (!window_) return ownShown_;
    Uint32 f = sdlApi().GetWindowFlags(window_);
    return (f & SDL_WINDOW_SHOWN) && !(f & SDL_WINDOW_MINIMIZED);
}

void SdlWindow::raise() {
    if (!window_) {
        // The keyboard focus is given once SDL reads the window's input.
        x11::raiseWindow(platform_.connection(), own_);
        raiseWhenAdopted_ = true;
        return;
    }
    sdlApi().RaiseWindow(window_);
    sdlApi().SetWindowInputFocus(window_);
}

void SdlWindow::minimize() {
    needSdl();
    sdlApi().MinimizeWindow(window_);
}

void SdlWindow::restore() {
    needSdl();
    sdlApi().RestoreWindow(window_);
}

bool SdlWindow::minimized() const {
    return window_ && (sdlApi().GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED);
}

void SdlWindow::setTitle(const std::string& utf8) {
    if (!window_) {
        x11::setTitle(platform_.ownDisplay(), own_, utf8.c_str());
        return;
    }
    sdlApi().SetWindowTitle(window_, utf8.c_str());
    if (void* d = platform_.x11DisplayOf(window_))
        x11::setTitle(d, platform_.x11WindowOf(window_), utf8.c_str());
}

void SdlWindow::setIcon(const Image& image) {
    if (own_) {
        x11::setIcon(platform_.connection(), own_, image.pixels.data(), image.width, image.height);
        return;
    }
    SDL_Surface* s = sdlApi().CreateRGBSurfaceWithFormatFrom(
        const_cast<Pixel*>(image.pixels.data()), image.width, image.height, 32, image.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    sdlApi().SetWindowIcon(window_, s);
    sdlApi().FreeSurface(s);
}

void SdlWindow::setTransientFor(NativeWindow* owner) {
    if (!owner) return;
    needSdl();
    sdlApi().SetWindowModalFor(window_, static_cast<SdlWindow*>(owner)->window_);
}

void SdlWindow::setCursor(Cursor c) {
    platform_.setCursor(c);
}

void SdlWindow::captureMouse(bool on) {
    if (!window_) return;  // no input has been read yet
    sdlApi().CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::setTextInputRect(const Rect& r) {
    if (!window_) return;
    SDL_Rect sr{r.left, r.top, r.width(), r.height()};
    sdlApi().SetTextInputRect(&sr);
}

}  // namespace

std::string executablePath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
}

std::unique_ptr<Platform> createSdlPlatform(std::function<void()> onInputReady) {
    return std::make_unique<SdlPlatform>(std::move(onInputReady));
}

}  // namespace tv::platform
