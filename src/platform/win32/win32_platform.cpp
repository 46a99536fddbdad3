#include "platform/win32/win32_platform.h"

#include "gfx/win32/windows_api.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "gfx/picture.h"
#include "gfx/win32/win32_text.h"
#include "platform/scale.h"

namespace tv::platform {

namespace {

constexpr wchar_t kFormClass[] = L"TolvaneForm";
constexpr wchar_t kApplicationClass[] = L"TolvaneApplication";
// The application window's timer that runs our timers while a message box is up.
constexpr UINT_PTR kBoxTimer = 1;
// Posted to the application window to hand the activation on to the last active form.
constexpr UINT kActivateLastForm = WM_APP + 1;

class Win32Platform;

// The screen resolution that a program declaring no awareness is drawn at.
constexpr int kBaseDpi = 96;

// A function of user32 that older systems lack, or null.
// The resolution of the screen as a whole.
int systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

template <typename F>
F user32Function(const char* name) {
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<F>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

Key translateKey(WPARAM vk) {
    switch (vk) {
        case VK_RETURN:
            return Key::Return;
        case VK_ESCAPE:
            return Key::Escape;
        case VK_SPACE:
            return Key::Space;
        case VK_TAB:
            return Key::Tab;
        case VK_BACK:
            return Key::Backspace;
        case VK_DELETE:
            return Key::Delete;
        case VK_LEFT:
            return Key::Left;
        case VK_RIGHT:
            return Key::Right;
        case VK_UP:
            return Key::Up;
        case VK_DOWN:
            return Key::Down;
        case VK_HOME:
            return Key::Home;
        case VK_END:
            return Key::End;
        case VK_PRIOR:
            return Key::PageUp;
        case VK_NEXT:
            return Key::PageDown;
        case VK_F4:
            return Key::F4;
        case 'A':
            return Key::A;
        case 'C':
            return Key::C;
        case 'V':
            return Key::V;
        case 'X':
            return Key::X;
        default:
            return Key::Other;
    }
}

std::uint16_t keyboardShift() {
    std::uint16_t s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
    if (GetKeyState(VK_MENU) < 0) s |= kAlt;
    if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
    return s;
}

// The shift state of a mouse message: its button bits, and the keys as they were.
std::uint16_t mouseShift(WPARAM wParam) {
    std::uint16_t s = keyboardShift();
    if (wParam & MK_LBUTTON) s |= kLeftButton;
    if (wParam & MK_RBUTTON) s |= kRightButton;
    if (wParam & MK_MBUTTON) s |= kMiddleButton;
    return s;
}

HCURSOR systemCursor(Cursor c) {
    switch (c) {
        case Cursor::HandPoint:
            return LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));  // IDC_HAND
        case Cursor::IBeam:
            return LoadCursorW(nullptr, MAKEINTRESOURCEW(32513));  // IDC_IBEAM
        default:
            return LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    }
}

// An icon from a decoded picture: colour from its pixels, the mask from its alpha (alpha
// 0 is the icon's transparent part).
HICON makeIcon(const Image& image) {
    if (image.width <= 0 || image.height <= 0) return nullptr;
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = image.width;
    h.bV5Height = -image.height;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color) return nullptr;
    std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(Pixel));
    // The AND mask: one bit per pixel, rows padded to 16 bits, set where transparent.
    const int maskStride = ((image.width + 15) / 16) * 2;
    std::vector<BYTE> mask(std::size_t(maskStride) * std::size_t(image.height), 0);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if ((image.at(x, y) >> 24) == 0)
                mask[std::size_t(y * maskStride + x / 8)] |= BYTE(0x80 >> (x % 8));
    HBITMAP maskBitmap = CreateBitmap(image.width, image.height, 1, 1, mask.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = maskBitmap;
    HICON icon = maskBitmap ? CreateIconIndirect(&info) : nullptr;
    DeleteObject(color);
    if (maskBitmap) DeleteObject(maskBitmap);
    return icon;
}

class Win32Window final : public NativeWindow {
  public:
    Win32Window(Win32Platform& platform, WindowId id, const WindowSpec& spec);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND handle() const { return hwnd_; }
    WindowRole role() const { return role_; }

    WindowId id() const override { return id_; }
    Pixel* pixels() override { return pixels_.data(); }
    int stride() const override { return size_.width; }
    Size size() const override { return size_; }
    int scale() const override { return device_.scale(); }
    void present(const Rect* rects, int count) override;
    Point position() const override;
    void setPosition(Point p) override;
    void show() override;
    void hide() override { ShowWindow(hwnd_, SW_HIDE); }
    bool visible() const override { return IsWindowVisible(hwnd_) && !minimized(); }
    void raise() override;
    void minimize() override;
    void restore() override;
    bool minimized() const override;
    void setTitle(const std::string& utf8) override {
        SetWindowTextW(hwnd_, win32::toWideLenient(utf8).c_str());
    }
    void setIcon(const Image& image) override;
    // Every window is owned by the application window already, which keeps a dialog
    // above nothing in particular but off the task bar, as the classic toolkit does.
    void setTransientFor(NativeWindow*) override {}
    void setCursor(Cursor c) override;
    void captureMouse(bool on) override;
    void setTextInputRect(const Rect& r) override;
    void clearTextInputRect() override;
    void setEnabled(bool on) override { EnableWindow(hwnd_, on ? TRUE : FALSE); }

    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  private:
    // Takes the scale for a screen resolution: the window's size follows, with its top-left
    // corner at `at` when given, and the screen shows the whole buffer again.
    void setScale(int scale, const POINT* at);
    // Puts a rectangle of the device buffer (device pixels) on the screen.
    void blit(HDC dc, const Rect& r) const;
    void postMouse(EventType type, MouseButton button, int clicks, WPARAM wParam, LPARAM lParam);
    // The system caret, hidden, where the focused text control has its own; screen readers
    // follow it. A thread has one caret, made while its window has the keyboard focus.
    void placeCaret();
    void dropCaret();
    Event makeEvent(EventType type) const {
        Event e;
        e.type = type;
        e.window = id_;
        return e;
    }

    Win32Platform& platform_;
    WindowId id_;
    WindowRole role_;
    Size size_;
    std::vector<Pixel> pixels_;
    DeviceSurface device_;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    Cursor cursor_ = Cursor::Arrow;
    bool trackingLeave_ = false;
    std::optional<Rect> caret_;  // the focused text control's caret, in device pixels
    Size caretMade_;             // the size of the system caret this window made, if any
    wchar_t highSurrogate_ = 0;
};

class Win32Platform final : public Platform {
  public:
    explicit Win32Platform(const std::string& title);
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    std::unique_ptr<NativeWindow> createWindow(const WindowSpec& spec) override;
    Metrics metrics() const override { return metrics_; }
    const SystemColors& systemColors() const override { return colors_; }
    std::uint64_t now() override;
    bool waitEvent(Event& out, std::optional<std::uint64_t> deadline) override;
    Point cursorPos() override {
        POINT p{};
        GetCursorPos(&p);
        return {int(p.x), int(p.y)};
    }
    int pointerDrop() override;
    Rect desktopRect() override {
        return Rect::fromXYWH(
            GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    }
    Rect monitorRect(std::optional<Point> p) override {
        const POINT at{p ? p->x : 0, p ? p->y : 0};
        HMONITOR m = MonitorFromPoint(at, p ? MONITOR_DEFAULTTONEAREST : MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        if (m && GetMonitorInfoW(m, &mi))
            return {int(mi.rcMonitor.left), int(mi.rcMonitor.top), int(mi.rcMonitor.right),
                    int(mi.rcMonitor.bottom)};
        return Rect::fromXYWH(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    std::string clipboardText() override;
    void setClipboardText(const std::string& utf8) override;
    // The input method is available in every window; text only reaches a control that
    // takes it, so there is nothing to switch.
    void startTextInput() override {}
    void stopTextInput() override {}
    std::optional<int> nativeMessageBox(const std::string& text, const std::string& caption,
                                        unsigned flags, std::optional<std::uint64_t> deadline,
                                        const BoxService& service) override;

    HWND application() const { return app_; }
    HINSTANCE instance() const { return instance_; }
    // The screen resolution where the window is.
    int dpiOf(HWND h) const;
    // Reads the desktop's colours into the scheme the forms paint with.
    void readColors();
    HCURSOR cursor(Cursor c) const { return cursors_[std::size_t(c)]; }
    void post(const Event& e);
    void windowCreated(Win32Window* w);
    void windowGone(Win32Window* w);
    void formActivated(HWND h) { lastActive_ = h; }
    ObjectRequests* objectRequests() const { return objectRequests_; }
    void setObjectRequests(ObjectRequests* r) { objectRequests_ = r; }
    void wake() {
        woken_ = true;
        PostMessageW(app_, WM_NULL, 0, 0);
    }
    // The application window's task-bar entry appears with the main window.
    void showApplication() {
        if (!IsWindowVisible(app_)) ShowWindow(app_, SW_SHOWNOACTIVATE);
    }

  private:
    static LRESULT CALLBACK applicationProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
    static void CALLBACK boxTimerProc(HWND h, UINT msg, UINT_PTR id, DWORD time);
    LRESULT handleApplication(UINT msg, WPARAM wParam, LPARAM lParam);
    void armBoxTimer(std::optional<std::uint64_t> deadline);
    bool pop(Event& out);

    HINSTANCE instance_ = nullptr;
    HWND app_ = nullptr;
    HWND lastActive_ = nullptr;
    int pointerDrop_ = -1;  // read when the first hint shows
    // The desktop's colours, read at start and again when the user changes them, and its
    // sizes at 96 dots per inch.
    SystemColors colors_;
    Metrics metrics_;
    // Per-monitor resolutions, where the system has them (null before Windows 10).
    UINT(WINAPI* dpiForWindow_)(HWND) = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    std::array<HCURSOR, 3> cursors_{};
    Win32Window* main_ = nullptr;
    WindowId nextId_ = 1;
    bool minimizedSeen_ = false;
    ObjectRequests* objectRequests_ = nullptr;
    bool woken_ = false;
    // Events in arrival order; a ring, so taking messages allocates nothing.
    std::array<Event, 1024> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    // The services of the message boxes open now, innermost last.
    std::vector<const BoxService*> boxServices_;
    // GetTickCount wraps after 49.7 days; the clock carries the wraps.
    DWORD lastTick_ = 0;
    std::uint64_t tickBase_ = 0;
};

Win32Platform* platformOf(HWND h) {
    return reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

LRESULT CALLBACK formProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* w = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (w && w->handle() == h) return w->onMessage(msg, wParam, lParam);
    return DefWindowProcW(h, msg, wParam, lParam);
}

// Win32Window

Win32Window::Win32Window(Win32Platform& platform, WindowId id, const WindowSpec& spec)
    : platform_(platform),
      id_(id),
      role_(spec.role),
      size_{std::max(1, spec.size.width), std::max(1, spec.size.height)},
      pixels_(std::size_t(size_.width) * std::size_t(size_.height), 0xFF000000u) {
    DWORD exStyle = 0;
    if (role_ == WindowRole::Tooltip) exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    // The handle is set here before CreateWindowExW returns: the messages sent during
    // creation already find this object.
    hwnd_ =
        CreateWindowExW(exStyle, kFormClass, win32::toWideLenient(spec.title).c_str(),
                        WS_POPUP | WS_CLIPSIBLINGS, spec.position.x, spec.position.y, size_.width,
                        size_.height, platform_.application(), nullptr, platform_.instance(), this);
    if (!hwnd_) throw std::runtime_error("cannot create a window");
    device_.reset(size_, 1);
    // Made at the logical size where it is to appear, it takes the scale of that monitor.
    setScale(scaleForDpi(platform_.dpiOf(hwnd_)), nullptr);
    platform_.windowCreated(this);
}

void Win32Window::setScale(int scale, const POINT* at) {
    if (scale == device_.scale()) return;
    device_.reset(size_, scale);
    device_.update(pixels_.data(), size_.width, {0, 0, size_.width, size_.height});
    const Size d = device_.deviceSize();
    SetWindowPos(hwnd_, nullptr, at ? at->x : 0, at ? at->y : 0, d.width, d.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (at ? 0 : SWP_NOMOVE));
    InvalidateRect(hwnd_, nullptr, FALSE);
}

Win32Window::~Win32Window() {
    platform_.windowGone(this);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    if (icon_) DestroyIcon(icon_);
}

void Win32Window::blit(HDC dc, const Rect& area) const {
    const Size size = device_.deviceSize();
    const Rect r = area.intersected({0, 0, size.width, size.height});
    if (r.empty()) return;
    // A DIB of just the rectangle's rows (top-down, the buffer's full width), so the
    // source rows need no bottom-up arithmetic.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size.width;
    bi.bmiHeader.biHeight = -r.height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    const Pixel* rows =
        device_.pixels(pixels_.data()) + std::size_t(r.top) * std::size_t(device_.stride());
    SetDIBitsToDevice(dc, r.left, r.top, DWORD(r.width()), DWORD(r.height()), r.left, 0, 0,
                      UINT(r.height()), rows, &bi, DIB_RGB_COLORS);
}

void Win32Window::present(const Rect* rects, int count) {
    if (count <= 0) return;
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    // Each rectangle is enlarged into the device buffer first when the scale is above 1.
    for (int i = 0; i < count; ++i) blit(dc, device_.update(pixels_.data(), size_.width, rects[i]));
    ReleaseDC(hwnd_, dc);
}

Point Win32Window::position() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return {int(r.left), int(r.top)};
}

void Win32Window::setPosition(Point p) {
    SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::show() {
    if (role_ == WindowRole::Main) platform_.showApplication();
    // Showing does not activate; raise() does, for the windows that take the activation.
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

void Win32Window::raise() {
    if (role_ == WindowRole::Tooltip) {
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    SetFocus(hwnd_);
}

void Win32Window::minimize() {
    // The main window goes down with the application window: the platform's animation
    // runs from the task-bar entry, and the windows it owns disappear with it.
    if (role_ == WindowRole::Main)
        ShowWindow(platform_.application(), SW_MINIMIZE);
    else
        ShowWindow(hwnd_, SW_MINIMIZE);
}

void Win32Window::restore() {
    ShowWindow(role_ == WindowRole::Main ? platform_.application() : hwnd_, SW_RESTORE);
}

bool Win32Window::minimized() const {
    return IsIconic(role_ == WindowRole::Main ? platform_.application() : hwnd_) != FALSE;
}

void Win32Window::setIcon(const Image& image) {
    HICON icon = makeIcon(image);
    if (!icon) return;
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (icon_) DestroyIcon(icon_);
    icon_ = icon;
}

void Win32Window::setCursor(Cursor c) {
    cursor_ = c;
    POINT p{};
    if (GetCapture() == hwnd_ || (GetCursorPos(&p) && WindowFromPoint(p) == hwnd_))
        SetCursor(platform_.cursor(c));
}

void Win32Window::captureMouse(bool on) {
    if (on) {
        SetCapture(hwnd_);
    } else if (GetCapture() == hwnd_) {
        ReleaseCapture();
    }
}

void Win32Window::placeCaret() {
    if (!caret_ || GetFocus() != hwnd_) return;
    const Size size{std::max(1, caret_->width()), std::max(1, caret_->height())};
    if (size != caretMade_) {
        // Making a caret replaces the thread's previous one.
        if (!CreateCaret(hwnd_, nullptr, size.width, size.height)) return;
        caretMade_ = size;
    }
    SetCaretPos(caret_->left, caret_->top);
}

void Win32Window::dropCaret() {
    if (caretMade_ == Size{}) return;
    DestroyCaret();
    caretMade_ = {};
}

void Win32Window::clearTextInputRect() {
    caret_.reset();
    dropCaret();
}

void Win32Window::setTextInputRect(const Rect& area) {
    // The input method places its windows in device pixels.
    const Rect d = toDevice(area, device_.scale());
    caret_ = d;
    placeCaret();
    HIMC imc = ImmGetContext(hwnd_);
    if (!imc) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = {d.left, d.top};
    ImmSetCompositionWindow(imc, &form);
    CANDIDATEFORM candidate{};
    candidate.dwIndex = 0;
    candidate.dwStyle = CFS_EXCLUDE;
    candidate.ptCurrentPos = {d.left, d.bottom};
    candidate.rcArea = {d.left, d.top, d.right, d.bottom};
    ImmSetCandidateWindow(imc, &candidate);
    ImmReleaseContext(hwnd_, imc);
}

void Win32Window::postMouse(EventType type, MouseButton button, int clicks, WPARAM wParam,
                            LPARAM lParam) {
    Event e = makeEvent(type);
    POINT s{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    e.pos = toLogical(Point{int(s.x), int(s.y)}, device_.scale());
    ClientToScreen(hwnd_, &s);
    e.screen = {int(s.x), int(s.y)};
    e.button = button;
    e.clicks = std::uint8_t(clicks);
    e.shift = mouseShift(wParam);
    if (clicks == 2) e.shift |= kDoubleClick;
    platform_.post(e);
}

LRESULT Win32Window::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            // What the system lost comes back from the buffer; nothing is painted anew.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            if (dc) {
                blit(dc, {int(ps.rcPaint.left), int(ps.rcPaint.top), int(ps.rcPaint.right),
                          int(ps.rcPaint.bottom)});
            }
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (!trackingLeave_) {
                TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
                trackingLeave_ = TrackMouseEvent(&t) != FALSE;
            }
            postMouse(EventType::MouseMove, MouseButton::None, 0, wParam, lParam);
            return 0;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            platform_.post(makeEvent(EventType::MouseLeave));
            return 0;
        case WM_LBUTTONDOWN:
            postMouse(EventType::MouseDown, MouseButton::Left, 1, wParam, lParam);
            return 0;
        case WM_LBUTTONDBLCLK:
            postMouse(EventType::MouseDown, MouseButton::Left, 2, wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            postMouse(EventType::MouseUp, MouseButton::Left, 1, wParam, lParam);
            return 0;
        case WM_RBUTTONDOWN:
            postMouse(EventType::MouseDown, MouseButton::Right, 1, wParam, lParam);
            return 0;
        case WM_RBUTTONDBLCLK:
            postMouse(EventType::MouseDown, MouseButton::Right, 2, wParam, lParam);
            return 0;
        case WM_RBUTTONUP:
            postMouse(EventType::MouseUp, MouseButton::Right, 1, wParam, lParam);
            return 0;
        case WM_MBUTTONDOWN:
            postMouse(EventType::MouseDown, MouseButton::Middle, 1, wParam, lParam);
            return 0;
        case WM_MBUTTONDBLCLK:
            postMouse(EventType::MouseDown, MouseButton::Middle, 2, wParam, lParam);
            return 0;
        case WM_MBUTTONUP:
            postMouse(EventType::MouseUp, MouseButton::Middle, 1, wParam, lParam);
            return 0;
        case WM_MOUSEWHEEL: {
            // The position comes in screen coordinates.
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            Event e = makeEvent(EventType::MouseWheel);
            e.screen = {int(p.x), int(p.y)};
            ScreenToClient(hwnd_, &p);
            e.pos = toLogical(Point{int(p.x), int(p.y)}, device_.scale());
            const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
            e.wheel = delta / WHEEL_DELTA != 0 ? delta / WHEEL_DELTA : (delta > 0 ? 1 : -1);
            e.shift = mouseShift(GET_KEYSTATE_WPARAM(wParam));
            platform_.post(e);
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
            Event e = makeEvent(down ? EventType::KeyDown : EventType::KeyUp);
            e.key = translateKey(wParam);
            e.shift = keyboardShift();
            if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) e.shift |= kAlt;
            platform_.post(e);
            // Alt+F4 is the form's own (it closes the form); the system would send a
            // second close.
            if ((msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) && wParam != VK_F4)
                return DefWindowProcW(hwnd_, msg, wParam, lParam);
            return 0;
        }
        case WM_CHAR: {
            // Typed and composed text, one UTF-16 unit at a time; keys that type control
            // characters are handled as keys.
            const auto unit = wchar_t(wParam);
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                highSurrogate_ = unit;
                return 0;
            }
            char32_t cp = unit;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                if (!highSurrogate_) return 0;
                cp = 0x10000 + ((char32_t(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
            }
            highSurrogate_ = 0;
            if (cp < 0x20 || cp == 0x7F) return 0;
            Event e = makeEvent(EventType::TextInput);
            wchar_t units[2];
            int n = 1;
            if (cp >= 0x10000) {
                units[0] = wchar_t(0xD800 + ((cp - 0x10000) >> 10));
                units[1] = wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
                n = 2;
            } else {
                units[0] = wchar_t(cp);
            }
            WideCharToMultiByte(CP_UTF8, 0, units, n, e.text, int(sizeof e.text) - 1, nullptr,
                                nullptr);
            platform_.post(e);
            return 0;
        }
        case WM_SYSCHAR:
            return 0;  // no beep for Alt with a letter: there are no menus
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(platform_.cursor(cursor_));
                return TRUE;
            }
            break;
        case WM_MOUSEACTIVATE:
            if (role_ == WindowRole::Tooltip) return MA_NOACTIVATE;
            break;
        case WM_NCHITTEST:
            // The pointer passes through a hint to the window below, so a hint pushed up
            // under the pointer does not make that window lose the pointer.
            if (role_ == WindowRole::Tooltip) return HTTRANSPARENT;
            break;
        case WM_SETFOCUS:
            placeCaret();
            break;
        case WM_KILLFOCUS:
            dropCaret();
            break;
        case WM_ACTIVATE:
            if (role_ == WindowRole::Tooltip) break;
            if (LOWORD(wParam) != WA_INACTIVE) platform_.formActivated(hwnd_);
            platform_.post(makeEvent(LOWORD(wParam) == WA_INACTIVE ? EventType::FocusLost
                                                                   : EventType::FocusGained));
            return 0;
        case WM_CLOSE:
            platform_.post(makeEvent(EventType::CloseRequest));
            return 0;
        case WM_MOVE:
            platform_.post(makeEvent(EventType::Moved));
            return 0;
        case WM_SYSCOLORCHANGE:
            // Every top-level window hears of it; each reading gives the same colours.
            platform_.readColors();
            platform_.post(makeEvent(EventType::ColorsChanged));
            return 0;
        case WM_GETDPISCALEDSIZE: {
            // On the way to a monitor of another resolution the window keeps a whole
            // number of device pixels to each logical one.
            auto* out = reinterpret_cast<SIZE*>(lParam);
            const Size d = toDevice(size_, scaleForDpi(double(wParam)));
            *out = {d.width, d.height};
            return TRUE;
        }
        case WM_GETOBJECT: {
            std::intptr_t result = 0;
            if (ObjectRequests* r = platform_.objectRequests();
                r && r->getObject(hwnd_, wParam, lParam, result))
                return LRESULT(result);
            break;
        }
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            const POINT at{suggested->left, suggested->top};
            setScale(scaleForDpi(double(HIWORD(wParam))), &at);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

// Win32Platform

Win32Platform::Win32Platform(const std::string& title) : instance_(GetModuleHandleW(nullptr)) {
    cursors_ = {systemCursor(Cursor::Arrow), systemCursor(Cursor::HandPoint),
                systemCursor(Cursor::IBeam)};
    boxServices_.reserve(8);

    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.style = CS_DBLCLKS;
    form.lpfnWndProc = formProc;
    form.hInstance = instance_;
    form.lpszClassName = kFormClass;
    WNDCLASSEXW app{};
    app.cbSize = sizeof app;
    app.lpfnWndProc = applicationProc;
    app.hInstance = instance_;
    app.hIcon = LoadIconW(instance_, L"MAINICON");
    app.lpszClassName = kApplicationClass;
    if ((!RegisterClassExW(&form) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ||
        (!RegisterClassExW(&app) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)) {
        throw std::runtime_error("cannot register the window classes");
    }
    // Zero-size in the middle of the screen: visible only as the task-bar entry, and
    // where message boxes owned by it centre.
    const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
    app_ = CreateWindowExW(0, kApplicationClass, win32::toWideLenient(title).c_str(),
                           WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                           cx, cy, 0, 0, nullptr, nullptr, instance_, nullptr);
    if (!app_) throw std::runtime_error("cannot create the application window");
    SetWindowLongPtrW(app_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    lastTick_ = GetTickCount();

    readColors();
    // The sizes as they are at 96 dots per inch: the widgets lay out in logical pixels.
    const auto forDpi = user32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    const int dpi = systemDpi();
    auto logical = [&](int index, int fallback) {
        const int v =
            forDpi ? forDpi(index, kBaseDpi) : MulDiv(GetSystemMetrics(index), kBaseDpi, dpi);
        return v > 0 ? v : fallback;
    };
    metrics_.largeIcon = logical(SM_CXICON, metrics_.largeIcon);
    metrics_.scrollArrow = logical(SM_CYVSCROLL, metrics_.scrollArrow);
}

void Win32Platform::readColors() {
    for (unsigned i = 0; i < SystemColors::kCount; ++i) {
        const COLORREF c = GetSysColor(int(i));
        colors_.colors[i] = rgb(GetRValue(c), GetGValue(c), GetBValue(c));
    }
}

Win32Platform::~Win32Platform() {
    KillTimer(app_, kBoxTimer);
    SetWindowLongPtrW(app_, GWLP_USERDATA, 0);
    DestroyWindow(app_);
}

int Win32Platform::dpiOf(HWND h) const {
    if (dpiForWindow_) {
        if (const UINT dpi = dpiForWindow_(h)) return int(dpi);
    }
    // Before Windows 10 every monitor has the system's resolution.
    return systemDpi();
}

std::unique_ptr<NativeWindow> Win32Platform::createWindow(const WindowSpec& spec) {
    return std::make_unique<Win32Window>(*this, nextId_++, spec);
}

void Win32Platform::windowCreated(Win32Window* w) {
    if (!main_ && w->role() == WindowRole::Main) main_ = w;
}

void Win32Platform::windowGone(Win32Window* w) {
    if (main_ == w) main_ = nullptr;
    if (lastActive_ == w->handle()) lastActive_ = nullptr;
    // Events still queued for it go nowhere: the application finds no form for the id.
}

std::uint64_t Win32Platform::now() {
    const DWORD t = GetTickCount();
    if (t < lastTick_) tickBase_ += std::uint64_t(1) << 32;
    lastTick_ = t;
    return tickBase_ + t;
}

void Win32Platform::post(const Event& e) {
    // Moves between two reads of the queue only matter as the last position.
    if (e.type == EventType::MouseMove && count_ > 0) {
        Event& last = ring_[(head_ + count_ - 1) % ring_.size()];
        if (last.type == EventType::MouseMove && last.window == e.window && last.shift == e.shift) {
            last = e;
            return;
        }
    }
    if (count_ == ring_.size()) {
        // A program that takes no events for a thousand messages is hung anyway; the
        // oldest pointer move is the one thing that can be dropped without a trace.
        for (std::size_t i = 0; i < count_; ++i) {
            Event& old = ring_[(head_ + i) % ring_.size()];
            if (old.type == EventType::MouseMove) {
                old.type = EventType::None;
                break;
            }
        }
        if (count_ == ring_.size()) return;
    }
    ring_[(head_ + count_) % ring_.size()] = e;
    ++count_;
}

bool Win32Platform::pop(Event& out) {
    while (count_ > 0) {
        out = ring_[head_];
        head_ = (head_ + 1) % ring_.size();
        --count_;
        if (out.type != EventType::None) return true;
    }
    return false;
}

bool Win32Platform::waitEvent(Event& out, std::optional<std::uint64_t> deadline) {
    for (;;) {
        if (pop(out)) return true;
        // Everything that is ready is translated before the first event is taken, so moves
        // that queued up behind each other arrive as one.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                Event q;
                q.type = EventType::Quit;
                post(q);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pop(out)) return true;
        if (woken_) {
            woken_ = false;
            return false;
        }
        DWORD timeout = INFINITE;
        if (deadline) {
            const std::uint64_t t = now();
            if (t >= *deadline) return false;
            timeout = DWORD(std::min<std::uint64_t>(*deadline - t, 0x7FFFFFFF));
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

std::string Win32Platform::clipboardText() {
    std::string text;
    if (!OpenClipboard(app_)) return text;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            const std::size_t limit = GlobalSize(h) / sizeof(wchar_t);
            text = win32::fromWide(std::wstring_view(p, wcsnlen(p, limit)));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void Win32Platform::setClipboardText(const std::string& utf8) {
    const std::wstring wide = win32::toWideLenient(utf8);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (!h) return;
    std::memcpy(GlobalLock(h), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(h);
    if (!OpenClipboard(app_)) {
        GlobalFree(h);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, h)) GlobalFree(h);
    CloseClipboard();
}

void Win32Platform::armBoxTimer(std::optional<std::uint64_t> deadline) {
    if (!deadline) {
        KillTimer(app_, kBoxTimer);
        return;
    }
    const std::uint64_t t = now();
    const std::uint64_t delay = *deadline > t ? *deadline - t : 0;
    SetTimer(app_, kBoxTimer,
             UINT(std::clamp<std::uint64_t>(delay, USER_TIMER_MINIMUM, 0x7FFFFFFF)), boxTimerProc);
}

void CALLBACK Win32Platform::boxTimerProc(HWND h, UINT, UINT_PTR id, DWORD) {
    Win32Platform* p = platformOf(h);
    KillTimer(h, id);
    if (!p || p->boxServices_.empty()) return;
    std::optional<std::uint64_t> next;
    // Nothing may unwind through the system's message loop: the service handles the
    // errors of our handlers itself, and anything else waits for the next round.
    try {
        next = (*p->boxServices_.back())();
    } catch (...) {
        next = p->now() + 100;
    }
    if (!p->boxServices_.empty()) p->armBoxTimer(next);
}

// The arrow pointer's last visible row, read from its masks: monochrome pointers keep
// the AND mask above the XOR mask in one bitmap twice as tall; a pixel shows where the
// AND bit is 0 or the XOR bit is 1.
int Win32Platform::pointerDrop() {
    if (pointerDrop_ >= 0) return pointerDrop_;
    pointerDrop_ = GetSystemMetrics(SM_CYCURSOR);
    ICONINFO info{};
    if (!GetIconInfo(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)), &info)) return pointerDrop_;
    BITMAP bm{};
    if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bm, &bm) && bm.bmWidthBytes > 0) {
        const bool mono = info.hbmColor == nullptr;
        const int height = mono ? bm.bmHeight / 2 : bm.bmHeight;
        std::vector<unsigned char> bits(std::size_t(bm.bmWidthBytes) * std::size_t(bm.bmHeight));
        if (GetBitmapBits(info.hbmMask, LONG(bits.size()), bits.data()) > 0) {
            auto bit = [&](int x, int y) {
                return (bits[std::size_t(y) * std::size_t(bm.bmWidthBytes) + std::size_t(x / 8)] >>
                        (7 - x % 8)) &
                       1;
            };
            for (int y = height - 1; y >= 0; --y) {
                bool visible = false;
                for (int x = 0; x < bm.bmWidth && !visible; ++x)
                    visible = bit(x, y) == 0 || (mono && bit(x, y + height) == 1);
                if (visible) {
                    if (y + 1 > int(info.yHotspot)) pointerDrop_ = y + 1 - int(info.yHotspot);
                    break;
                }
            }
        }
    }
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return pointerDrop_;
}

std::optional<int> Win32Platform::nativeMessageBox(const std::string& text,
                                                   const std::string& caption, unsigned flags,
                                                   std::optional<std::uint64_t> deadline,
                                                   const BoxService& service) {
    // A box centres on its owner's monitor; the owner moves to the active window's
    // monitor for the duration of the box.
    HWND active = GetActiveWindow();
    RECT home{};
    GetWindowRect(app_, &home);
    bool moved = false;
    if (active && active != app_) {
        HMONITOR there = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
        if (there != MonitorFromWindow(app_, MONITOR_DEFAULTTONEAREST)) {
            MONITORINFO mi{};
            mi.cbSize = sizeof mi;
            if (GetMonitorInfoW(there, &mi)) {
                SetWindowPos(app_, nullptr, (mi.rcMonitor.left + mi.rcMonitor.right) / 2,
                             (mi.rcMonitor.top + mi.rcMonitor.bottom) / 2, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                moved = true;
            }
        }
    }

    boxServices_.push_back(&service);
    armBoxTimer(deadline);
    // The box takes code page 936 bytes. A text that the code page cannot carry, or a
    // system that reads ANSI texts in another code page, gets the wide box with the very
    // same text instead of question marks.
    const std::optional<std::string> ansiText = win32::toCodePage(text, win32::kCodePage936);
    const std::optional<std::string> ansiCaption = win32::toCodePage(caption, win32::kCodePage936);
    int result;
    if (ansiText && ansiCaption && GetACP() == win32::kCodePage936) {
        result = MessageBoxA(app_, ansiText->c_str(), ansiCaption->c_str(), flags);
    } else {
        result = MessageBoxW(app_, win32::toWideLenient(text).c_str(),
                             win32::toWideLenient(caption).c_str(), flags);
    }
    boxServices_.pop_back();
    KillTimer(app_, kBoxTimer);
    // The box around this one, if any, takes the timer back.
    if (!boxServices_.empty()) armBoxTimer(now());
    if (moved)
        SetWindowPos(app_, nullptr, home.left, home.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return result;
}

LRESULT CALLBACK Win32Platform::applicationProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    Win32Platform* p = platformOf(h);
    if (p && p->app_ == h) return p->handleApplication(msg, wParam, lParam);
    return DefWindowProcW(h, msg, wParam, lParam);
}

LRESULT Win32Platform::handleApplication(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SIZE:
            if (!main_) break;
            if (wParam == SIZE_MINIMIZED) {
                minimizedSeen_ = true;
                Event e;
                e.type = EventType::Minimized;
                e.window = main_->id();
                post(e);
            } else if (wParam == SIZE_RESTORED && minimizedSeen_) {
                minimizedSeen_ = false;
                Event e;
                e.type = EventType::Restored;
                e.window = main_->id();
                post(e);
            }
            return 0;
        case WM_ACTIVATE:
            // The task-bar entry was chosen: the form that was active takes over.
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && lastActive_)
                PostMessageW(app_, kActivateLastForm, 0, 0);
            return 0;
        case kActivateLastForm:
            if (lastActive_ && IsWindowVisible(lastActive_) && IsWindowEnabled(lastActive_) &&
                GetActiveWindow() == app_) {
                SetActiveWindow(lastActive_);
                SetFocus(lastActive_);
            }
            return 0;
        case WM_CLOSE:
            // Closing the task-bar entry closes the main window.
            if (main_) {
                Event e;
                e.type = EventType::CloseRequest;
                e.window = main_->id();
                post(e);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(app_, msg, wParam, lParam);
}

}  // namespace

std::unique_ptr<Platform> createWin32Platform(const std::string& applicationTitle) {
    return std::make_unique<Win32Platform>(applicationTitle);
}

void* nativeHandle(const NativeWindow& window) {
    const auto* w = dynamic_cast<const Win32Window*>(&window);
    return w ? w->handle() : nullptr;
}

void* applicationHandle(const Platform& platform) {
    const auto* p = dynamic_cast<const Win32Platform*>(&platform);
    return p ? p->application() : nullptr;
}

void setObjectRequests(Platform& platform, ObjectRequests* requests) {
    if (auto* p = dynamic_cast<Win32Platform*>(&platform)) p->setObjectRequests(requests);
}

void wake(Platform& platform) {
    if (auto* p = dynamic_cast<Win32Platform*>(&platform)) p->wake();
}

std::string executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return std::string();
        if (n < path.size()) {
            path.resize(n);
            return win32::fromWide(path);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace tv::platform
