#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/picture.h"

namespace tv::platform {

bool queryX11Pointer(void* display, int& x, int& y);
void* x11DisplayOf(SDL_Window* w);
void setX11AsciiName(SDL_Window* w, const char* title);
int x11ConnectionFd(void* display);
bool x11EventsQueued(void* display);
struct X11Presenter;
X11Presenter* x11CreatePresenter(SDL_Window* w);
void x11DestroyPresenter(X11Presenter* p);
bool x11Present(X11Presenter* p, const std::uint32_t* pixels, int width, int height, int stride,
                const int* rects, int count);

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

class SdlWindow final : public NativeWindow {
  public:
    SdlWindow(SdlPlatform& platform, SDL_Window* w) : platform_(platform), window_(w) {
        refreshSurface();
    }
    ~SdlWindow() override;

    SDL_Window* sdl() const { return window_; }
    WindowId id() const override { return SDL_GetWindowID(window_); }
    Pixel* pixels() override { return static_cast<Pixel*>(surface_->pixels); }
    int stride() const override { return surface_->pitch / 4; }
    Size size() const override { return {surface_->w, surface_->h}; }
    void present(const Rect* rects, int count) override {
        rects_.clear();
        for (int i = 0; i < count; ++i)
            rects_.push_back({rects[i].left, rects[i].top, rects[i].width(), rects[i].height()});
        if (rects_.empty()) return;
        static_assert(sizeof(SDL_Rect) == 4 * sizeof(int));
        if (!presenter_) presenter_ = x11CreatePresenter(window_);
        if (x11Present(presenter_, static_cast<const std::uint32_t*>(surface_->pixels), surface_->w,
                       surface_->h, surface_->pitch / 4,
                       reinterpret_cast<const int*>(rects_.data()), int(rects_.size())))
            return;
        SDL_UpdateWindowSurfaceRects(window_, rects_.data(), int(rects_.size()));
    }
    Point position() const override {
        int x = 0, y = 0;
        SDL_GetWindowPosition(window_, &x, &y);
        return {x, y};
    }
    void setPosition(Point p) override { SDL_SetWindowPosition(window_, p.x, p.y); }
    void show() override {
        SDL_ShowWindow(window_);
        refreshSurface();
    }
    void hide() override { SDL_HideWindow(window_); }
    bool visible() const override {
        Uint32 f = SDL_GetWindowFlags(window_);
        return (f & SDL_WINDOW_SHOWN) && !(f & SDL_WINDOW_MINIMIZED);
    }
    void raise() override {
        SDL_RaiseWindow(window_);
        SDL_SetWindowInputFocus(window_);
    }
    void minimize() override { SDL_MinimizeWindow(window_); }
    void restore() override { SDL_RestoreWindow(window_); }
    bool minimized() const override { return SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED; }
    void setTitle(const std::string& utf8) override {
        SDL_SetWindowTitle(window_, utf8.c_str());
        setX11AsciiName(window_, utf8.c_str());
    }
    void setIcon(const Image& image) override {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<Pixel*>(image.pixels.data()), image.width, image.height, 32, image.width * 4,
            SDL_PIXELFORMAT_ARGB8888);
        if (!s) return;
        SDL_SetWindowIcon(window_, s);
        SDL_FreeSurface(s);
    }
    void setTransientFor(NativeWindow* owner) override {
        if (owner) SDL_SetWindowModalFor(window_, static_cast<SdlWindow*>(owner)->window_);
    }
    void setCursor(Cursor c) override;
    void captureMouse(bool on) override { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }
    void setTextInputRect(const Rect& r) override {
        SDL_Rect sr{r.left, r.top, r.width(), r.height()};
        SDL_SetTextInputRect(&sr);
    }

    void refreshSurface() {
        surface_ = SDL_GetWindowSurface(window_);
        if (!surface_)
            throw std::runtime_error(std::string("cannot get window surface: ") + SDL_GetError());
        if (surface_->format->BytesPerPixel != 4 || surface_->format->Rmask != 0x00FF0000u)
            throw std::runtime_error("the display does not offer 32-bit XRGB window surfaces");
        rects_.reserve(64);
    }

  private:
    SdlPlatform& platform_;
    SDL_Window* window_;
    SDL_Surface* surface_ = nullptr;
    std::vector<SDL_Rect> rects_;
    X11Presenter* presenter_ = nullptr;
};

class SdlPlatform final : public Platform {
  public:
    SdlPlatform() {
        std::setlocale(LC_ALL, "");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // SIGTERM and SIGINT end the program as closing its main window does. They are
        // blocked (threads started later inherit that) and read from a descriptor that
        // the loop waits on together with the display connection.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTERM);
        sigaddset(&stop, SIGINT);
        if (pthread_sigmask(SIG_BLOCK, &stop, nullptr) == 0)
            signals_ = signalfd(-1, &stop, SFD_NONBLOCK | SFD_CLOEXEC);
        withComposeCache([] {
            if (SDL_Init(SDL_INIT_VIDEO) != 0)
                throw std::runtime_error(std::string("cannot open the display: ") + SDL_GetError());
        });
        SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
        arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        hand_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
        ibeam_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_IBEAM);
    }
    ~SdlPlatform() override {
        SDL_FreeCursor(arrow_);
        SDL_FreeCursor(hand_);
        SDL_FreeCursor(ibeam_);
        if (signals_ >= 0) ::close(signals_);
        // No SDL_Quit: the process is ending, and closing SDL's second display connection
        // can meet an X error that Xlib's default handler turns into exit code 1.
    }

    std::unique_ptr<NativeWindow> createWindow(const WindowSpec& spec) override {
        Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
        if (spec.role == WindowRole::Dialog) flags |= SDL_WINDOW_SKIP_TASKBAR;
        if (spec.role == WindowRole::Tooltip) flags |= SDL_WINDOW_TOOLTIP | SDL_WINDOW_SKIP_TASKBAR;
        SDL_Window* w = SDL_CreateWindow(spec.title.c_str(), spec.position.x, spec.position.y,
                                         spec.size.width, spec.size.height, flags);
        if (!w) throw std::runtime_error(std::string("cannot create a window: ") + SDL_GetError());
        setX11AsciiName(w, spec.title.c_str());
        if (!display_) {
            display_ = x11DisplayOf(w);
        }
        return std::make_unique<SdlWindow>(*this, w);
    }

    std::uint64_t now() override { return SDL_GetTicks64(); }

    // Drains SDL's queue, then sleeps in poll() on the display connection and the signal
    // descriptor until something arrives or the deadline passes. The loop owns the wait,
    // so nothing wakes it but input, a signal or a due timer.
    bool waitEvent(Event& out, std::optional<std::uint64_t> deadline) override {
        SDL_Event e;
        for (;;) {
            while (SDL_PollEvent(&e))
                if (translate(e, out)) return true;
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
            if (display_ && x11EventsQueued(display_)) continue;
            pollfd fds[2];
            int n = 0;
            if (display_) fds[n++] = {x11ConnectionFd(display_), POLLIN, 0};
            if (signals_ >= 0) fds[n++] = {signals_, POLLIN, 0};
            if (n == 0) {
                SDL_WaitEventTimeout(nullptr, timeout < 0 ? 100 : timeout);
                continue;
            }
            if (::poll(fds, nfds_t(n), timeout) < 0 && errno != EINTR) return false;
        }
    }

    Point cursorPos() override {
        int rx = 0, ry = 0;
        if (display_ && queryX11Pointer(display_, rx, ry)) return {rx, ry};
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return {x, y};
    }

    Size screenSize() override {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(0, &r) == 0) return {r.w, r.h};
        return {1024, 768};
    }
    std::string clipboardText() override {
        char* t = SDL_GetClipboardText();
        std::string s = t ? t : "";
        SDL_free(t);
        return s;
    }
    void setClipboardText(const std::string& utf8) override { SDL_SetClipboardText(utf8.c_str()); }
    void startTextInput() override { SDL_StartTextInput(); }
    void stopTextInput() override { SDL_StopTextInput(); }

    SDL_Cursor* cursor(Cursor c) const {
        switch (c) {
            case Cursor::HandPoint:
                return hand_;
            case Cursor::IBeam:
                return ibeam_;
            default:
                return arrow_;
        }
    }

  private:
    // libX11 parses its compose table at every start unless it finds a cache; point it at
    // a private cache directory for SDL_Init, then put the environment back.
    template <class F>
    static void withComposeCache(F&& f) {
        const char* old = std::getenv("XCOMPOSECACHE");
        std::string saved = old ? old : "";
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

    Point screenOf(Uint32 windowId, int x, int y) {
        SDL_Window* w = SDL_GetWindowFromID(windowId);
        int wx = 0, wy = 0;
        if (w) SDL_GetWindowPosition(w, &wx, &wy);
        return {wx + x, wy + y};
    }

    bool translate(const SDL_Event& e, Event& out) {
        out = Event{};
        switch (e.type) {
            case SDL_QUIT:
                return false;  // closing goes through the windows' close requests
            case SDL_MOUSEMOTION:
                out.type = EventType::MouseMove;
                out.window = e.motion.windowID;
                out.pos = {e.motion.x, e.motion.y};
                out.screen = screenOf(e.motion.windowID, e.motion.x, e.motion.y);
                out.shift = shiftState(SDL_GetModState(), e.motion.state);
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                out.type =
                    e.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp;
                out.window = e.button.windowID;
                out.pos = {e.button.x, e.button.y};
                out.screen = screenOf(e.button.windowID, e.button.x, e.button.y);
                out.button = translateButton(e.button.button);
                if (out.button == MouseButton::None) return false;
                out.shift = shiftState(SDL_GetModState(), SDL_GetMouseState(nullptr, nullptr));
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
                out.window = e.wheel.windowID;
                {
                    int x = 0, y = 0;
                    SDL_GetMouseState(&x, &y);
                    out.pos = {x, y};
                    out.screen = screenOf(e.wheel.windowID, x, y);
                }
                out.wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                out.shift = shiftState(SDL_GetModState(), SDL_GetMouseState(nullptr, nullptr));
                return true;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                out.type = e.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
                out.window = e.key.windowID;
                out.key = translateKey(e.key.keysym.sym);
                out.shift = shiftState(e.key.keysym.mod, SDL_GetMouseState(nullptr, nullptr));
                return true;
            case SDL_TEXTINPUT:
                out.type = EventType::TextInput;
                out.window = e.text.windowID;
                std::memcpy(out.text, e.text.text, sizeof out.text - 1);
                return true;
            case SDL_TEXTEDITING:
                out.type = EventType::TextEditing;
                out.window = e.edit.windowID;
                std::memcpy(out.text, e.edit.text, sizeof out.text - 1);
                out.editCursor = e.edit.start;
                return true;
            case SDL_WINDOWEVENT:
                out.window = e.window.windowID;
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
    void* display_ = nullptr;
    int signals_ = -1;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* hand_ = nullptr;
    SDL_Cursor* ibeam_ = nullptr;
};

SdlWindow::~SdlWindow() {
    x11DestroyPresenter(presenter_);
    SDL_DestroyWindow(window_);
}

void SdlWindow::setCursor(Cursor c) {
    SDL_SetCursor(platform_.cursor(c));
}

}  // namespace

std::unique_ptr<Platform> createSdlPlatform() {
    return std::make_unique<SdlPlatform>();
}

}  // namespace tv::platform
