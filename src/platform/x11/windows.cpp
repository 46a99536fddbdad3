// Top-level windows: their properties for the window manager, their pixels, and where
// they are.
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "gfx/picture.h"
#include "platform/x11/backend.h"
#include "platform/x11/x11_platform.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

namespace tv::platform::x11 {

namespace {

bool isAscii(const std::string& s) {
    for (unsigned char ch : s)
        if (ch >= 0x80) return false;
    return true;
}

void setAtoms(const Connection& c, ::Window w, AtomIndex property,
              std::initializer_list<AtomIndex> values) {
    ::Atom list[4] = {};
    int n = 0;
    for (AtomIndex v : values) list[n++] = c.atom(v);
    XChangeProperty(c.display, w, c.atom(property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list), n);
}

// The pointer passes through the window to whatever lies below it: its input shape is
// empty.
void makeInputTransparent(::Display* d, ::Window w) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XFixesQueryExtension(d, &eventBase, &errorBase)) return;
    if (!XFixesQueryVersion(d, &major, &minor) || major < 2) return;  // input shapes: 2.0
    XserverRegion empty = XFixesCreateRegion(d, nullptr, 0);
    XFixesSetWindowShapeRegion(d, w, ShapeInput, 0, 0, empty);
    XFixesDestroyRegion(d, empty);
}

// Waits (at most `timeoutMs`) until the window is exposed: pixels put before that are
// lost. Other events stay queued.
void waitExposed(::Display* d, ::Window w, int timeoutMs) {
    const std::uint64_t deadline = monotonicMs() + std::uint64_t(timeoutMs);
    XEvent e;
    for (;;) {
        if (XCheckTypedWindowEvent(d, w, Expose, &e)) return;
        const std::uint64_t t = monotonicMs();
        if (t >= deadline) return;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        ::poll(&p, 1, int(deadline - t));
    }
}

}  // namespace

X11Window::X11Window(X11Platform& platform, ::Window xid, const WindowSpec& spec)
    : platform_(platform),
      xid_(xid),
      role_(spec.role),
      pixels_(static_cast<Pixel*>(std::calloc(
          std::size_t(spec.size.width) * std::size_t(spec.size.height), sizeof(Pixel)))),
      size_(spec.size),
      position_(spec.position),
      parent_(platform.connection().root) {
    if (!pixels_) throw std::bad_alloc();
    device_.reset(size_, platform.scale());
    gc_ = XCreateGC(platform_.display(), xid_, 0, nullptr);
}

X11Window::~X11Window() {
    platform_.inputMethod().detach(*this);
    ::Display* d = platform_.display();
    if (image_) {
        image_->data = nullptr;  // the pixels are ours
        XDestroyImage(image_);
    }
    XFreeGC(d, gc_);
    XDestroyWindow(d, xid_);
    XFlush(d);
    platform_.forget(this);
}

void X11Window::putImage(const Rect& r) {
    ::Display* d = platform_.display();
    if (!image_) {
        XWindowAttributes attrs;
        XGetWindowAttributes(d, xid_, &attrs);
        const Size s = device_.deviceSize();
        image_ = XCreateImage(
            d, attrs.visual, unsigned(attrs.depth), ZPixmap, 0,
            const_cast<char*>(reinterpret_cast<const char*>(device_.pixels(pixels_.get()))),
            unsigned(s.width), unsigned(s.height), 32, device_.stride() * 4);
        if (!image_) return;
    }
    XPutImage(d, xid_, gc_, image_, r.left, r.top, r.left, r.top, unsigned(r.width()),
              unsigned(r.height()));
}

void X11Window::present(const Rect* rects, int count) {
    for (int i = 0; i < count; ++i) {
        // Enlarged into the device buffer first when the scale is above 1.
        const Rect r = device_.update(pixels_.get(), size_.width, rects[i]);
        if (!r.empty()) putImage(r);
    }
    // The first frame is on the screen when the server says so, not when it is sent.
    if (!synced_ && shown_) {
        XSync(platform_.display(), False);
        synced_ = true;
        if (role_ == WindowRole::Main) platform_.inputReady();
    } else {
        XFlush(platform_.display());
    }
}

void X11Window::setPosition(Point p) {
    ::Display* d = platform_.display();
    moveSerial_ = NextRequest(d);
    XMoveWindow(d, xid_, p.x, p.y);
    XFlush(d);
    if (p == position_) return;
    position_ = moveTarget_ = p;
    movePending_ = true;
    moveTime_ = monotonicMs();
}

bool X11Window::configured(const XConfigureEvent& e) {
    Point at{e.x, e.y};
    if (!e.send_event && parent_ != platform_.connection().root) {
        // Inside a window manager's frame the coordinates are the frame's; the frame's
        // own moves come as synthetic events in root coordinates.
        ::Window child = 0;
        if (!XTranslateCoordinates(platform_.display(), xid_, platform_.connection().root, 0, 0,
                                   &at.x, &at.y, &child))
            return false;
    }
    if (movePending_) {
        // A report of an older request of ours, or of the window manager's answer to
        // one, is not where the window is going: wait for the last one. Without a
        // window manager the server's report after our last request is final; a window
        // manager that puts the window elsewhere is believed after a while.
        const bool done = at == moveTarget_ ||
                          (!platform_.connection().windowManager && e.serial >= moveSerial_) ||
                          monotonicMs() - moveTime_ > 500;
        if (!done) return false;
        movePending_ = false;
    }
    if (at == position_) return false;
    position_ = at;
    return true;
}

void X11Window::reparented(::Window parent) {
    parent_ = parent;
    if (movePending_) return;
    ::Window child = 0;
    Point at;
    if (XTranslateCoordinates(platform_.display(), xid_, platform_.connection().root, 0, 0, &at.x,
                              &at.y, &child))
        position_ = at;
}

std::optional<EventType> X11Window::mapped(bool on) {
    if (on) {
        if (focusOnMap_) {
            focusOnMap_ = false;
            XSetInputFocus(platform_.display(), xid_, RevertToParent, CurrentTime);
        }
        if (!iconic_) return std::nullopt;
        iconic_ = false;
        shown_ = true;
        return EventType::Restored;
    }
    if (unmapsExpected_ > 0) {
        --unmapsExpected_;
        return std::nullopt;
    }
    if (!shown_ || iconic_) return std::nullopt;
    // Unmapped by someone else while we show it: a window manager iconified it.
    iconic_ = true;
    return EventType::Minimized;
}

void X11Window::show() {
    if (shown_ && !iconic_) return;
    ::Display* d = platform_.display();
    shown_ = true;
    iconic_ = false;
    if (role_ == WindowRole::Tooltip) {
        XMapRaised(d, xid_);
        XFlush(d);
        return;
    }
    XMapRaised(d, xid_);
    XFlush(d);
    // The main window's first frame is painted right after this: it must not be lost.
    if (!mappedOnce_ && role_ == WindowRole::Main) waitExposed(d, xid_, 2000);
    mappedOnce_ = true;
}

void X11Window::hide() {
    if (!shown_) return;
    ::Display* d = platform_.display();
    shown_ = false;
    if (!iconic_) ++unmapsExpected_;
    iconic_ = false;
    XUnmapWindow(d, xid_);
    // A window manager withdraws a window when told so (ICCCM 4.1.4).
    XUnmapEvent e{};
    e.type = UnmapNotify;
    e.event = platform_.connection().root;
    e.window = xid_;
    XSendEvent(d, platform_.connection().root, False,
               SubstructureRedirectMask | SubstructureNotifyMask, reinterpret_cast<XEvent*>(&e));
    XFlush(d);
}

void X11Window::raise() {
    Connection& c = platform_.connection();
    ::Display* d = c.display;
    XRaiseWindow(d, xid_);
    if (c.windowManager) {
        // Activation is the window manager's: ask it as a program does (source 1).
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = xid_;
        e.xclient.message_type = c.atom(k__NET_ACTIVE_WINDOW);
        e.xclient.format = 32;
        e.xclient.data.l[0] = 1;
        e.xclient.data.l[1] = long(c.lastTime);
        XSendEvent(d, c.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else if (shown_ && mappedOnce_) {
        XWindowAttributes attrs;
        if (XGetWindowAttributes(d, xid_, &attrs) && attrs.map_state == IsViewable)
            XSetInputFocus(d, xid_, RevertToParent, CurrentTime);
        else
            focusOnMap_ = true;
    } else {
        focusOnMap_ = true;
    }
    XFlush(d);
}

void X11Window::minimize() {
    if (!shown_ || iconic_) return;
    Connection& c = platform_.connection();
    if (c.windowManager) {
        XIconifyWindow(c.display, xid_, c.screen);
    } else {
        // Nobody keeps icons: the window goes off the screen until it is restored.
        XUnmapWindow(c.display, xid_);
    }
    XFlush(c.display);
}

void X11Window::restore() {
    if (!iconic_) return;
    XMapRaised(platform_.display(), xid_);
    raise();
}

void X11Window::setTitle(const std::string& utf8) {
    Connection& c = platform_.connection();
    ::Display* d = c.display;
    // _NET_WM_NAME carries the UTF-8 title; WM_NAME is a plain STRING when the title is
    // ASCII (older tools read only that) and compound text otherwise.
    XChangeProperty(d, xid_, c.atom(k__NET_WM_NAME), c.atom(k_UTF8_STRING), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.c_str()), int(utf8.size()));
    if (isAscii(utf8)) {
        XStoreName(d, xid_, utf8.c_str());
    } else {
        XTextProperty text{};
        char* list[] = {const_cast<char*>(utf8.c_str())};
        if (Xutf8TextListToTextProperty(d, list, 1, XStdICCTextStyle, &text) >= Success) {
            XSetWMName(d, xid_, &text);
            XFree(text.value);
        }
    }
    XFlush(d);
}

void X11Window::setIcon(const Image& image) {
    Connection& c = platform_.connection();
    // The property's 32-bit items are longs in Xlib's interface.
    std::vector<long> data;
    data.reserve(std::size_t(2 + image.width * image.height));
    data.push_back(image.width);
    data.push_back(image.height);
    for (Pixel p : image.pixels) data.push_back(long(p));
    XChangeProperty(c.display, xid_, c.atom(k__NET_WM_ICON), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
}

void X11Window::setTransientFor(NativeWindow* owner) {
    if (!owner) return;
    XSetTransientForHint(platform_.display(), xid_, static_cast<X11Window*>(owner)->xid_);
}

void X11Window::setCursor(Cursor c) {
    if (cursor_ == c) return;
    cursor_ = c;
    XDefineCursor(platform_.display(), xid_, platform_.cursors().get(c));
    XFlush(platform_.display());
}

void X11Window::captureMouse(bool /*on*/) {
    // The X server grabs the pointer for the window a button was pressed in until every
    // button is up: events outside it already come here while a button is held.
}

void X11Window::setTextInputRect(const Rect& r) {
    // The input method places its window in the screen's pixels.
    const Point at{r.left * scale(), r.bottom * scale()};
    if (at == spot) return;
    spot = at;
    platform_.inputMethod().moveSpot(*this);
}

std::unique_ptr<NativeWindow> X11Platform::createWindow(const WindowSpec& spec) {
    ::Display* d = c_.display;
    const int depth = DefaultDepth(d, c_.screen);
    const Visual* v = DefaultVisual(d, c_.screen);
    // The layout of our pixel buffers: 0x00RRGGBB in 32-bit words.
    if ((depth != 24 && depth != 32) || v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 ||
        v->blue_mask != 0xFF)
        throw std::runtime_error("the display's default visual is not 24-bit true colour");

    const bool tooltip = spec.role == WindowRole::Tooltip;
    XSetWindowAttributes a{};
    a.background_pixmap = 0;  // no background: nothing is drawn before our pixels
    a.border_pixel = 0;
    a.backing_store = NotUseful;
    a.override_redirect = tooltip;
    a.save_under = tooltip;
    a.event_mask = ExposureMask | StructureNotifyMask;
    if (!tooltip)
        a.event_mask |= FocusChangeMask | EnterWindowMask | LeaveWindowMask | ButtonPressMask |
                        ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask |
                        PropertyChangeMask;
    const Size screenSize = toDevice(spec.size, scale_);
    const ::Window w =
        XCreateWindow(d, c_.root, spec.position.x, spec.position.y, unsigned(screenSize.width),
                      unsigned(screenSize.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixmap | CWBorderPixel | CWBackingStore | CWOverrideRedirect |
                          CWSaveUnder | CWEventMask,
                      &a);
    if (!w) throw std::runtime_error("cannot create a window");

    const std::string cls = className();
    XSizeHints* size = XAllocSizeHints();
    size->flags = PMinSize | PMaxSize | USPosition | PPosition;
    size->min_width = size->max_width = screenSize.width;
    size->min_height = size->max_height = screenSize.height;
    size->x = spec.position.x;
    size->y = spec.position.y;
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = !tooltip;
    wm->initial_state = NormalState;
    XClassHint* hint = XAllocClassHint();
    hint->res_name = const_cast<char*>(cls.c_str());
    hint->res_class = const_cast<char*>(cls.c_str());
    XSetWMProperties(d, w, nullptr, nullptr, nullptr, 0, size, wm, hint);
    XFree(size);
    XFree(wm);
    XFree(hint);

    const long pid = long(::getpid());
    XChangeProperty(d, w, c_.atom(k__NET_WM_PID), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    // Motif hints: decorations (flag 2) none. The window draws its own caption and edges.
    const long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(d, w, c_.atom(k__MOTIF_WM_HINTS), c_.atom(k__MOTIF_WM_HINTS), 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(motif), 5);
    switch (spec.role) {
        case WindowRole::Main:
            setAtoms(c_, w, k__NET_WM_WINDOW_TYPE, {k__NET_WM_WINDOW_TYPE_NORMAL});
            break;
        case WindowRole::Dialog:
            setAtoms(c_, w, k__NET_WM_WINDOW_TYPE, {k__NET_WM_WINDOW_TYPE_DIALOG});
            setAtoms(c_, w, k__NET_WM_STATE, {k__NET_WM_STATE_SKIP_TASKBAR});
            if (X11Window* main = mainWindow()) XSetTransientForHint(d, w, main->xid());
            break;
        case WindowRole::Tooltip:
            setAtoms(c_, w, k__NET_WM_WINDOW_TYPE, {k__NET_WM_WINDOW_TYPE_TOOLTIP});
            setAtoms(c_, w, k__NET_WM_STATE, {k__NET_WM_STATE_SKIP_TASKBAR, k__NET_WM_STATE_ABOVE});
            // A hint pushed up under the pointer must not take the pointer from the
            // window it explains.
            makeInputTransparent(d, w);
            break;
    }
    if (!tooltip) {
        ::Atom protocols[] = {c_.atom(k_WM_DELETE_WINDOW), c_.atom(k__NET_WM_PING)};
        XSetWMProtocols(d, w, protocols, 2);
    }

    auto window = std::make_unique<X11Window>(*this, w, spec);
    window->setTitle(spec.title);
    windows_.push_back(window.get());
    if (!tooltip && imOpened_) im_.attach(*window);
    return window;
}

std::string X11Platform::className() {
    const std::string path = executablePath();
    const std::size_t slash = path.rfind('/');
    return path.empty() ? "tolvane" : path.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace tv::platform::x11

namespace tv::platform {

std::string executablePath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
}

}  // namespace tv::platform
