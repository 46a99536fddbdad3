// Kept apart: Xlib's macros (None, Cursor, Window...) collide with our own names.
#include "platform/sdl/x11.h"

#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

namespace tv::platform::x11 {

namespace {

enum AtomIndex {
    kWmProtocols,
    kWmDeleteWindow,
    kNetWmPing,
    kNetWmPid,
    kNetWmIcon,
    kNetWmWindowType,
    kNetWmWindowTypeNormal,
    kMotifWmHints,
    kAtomCount
};

const char* const kAtomNames[kAtomCount] = {
    "WM_PROTOCOLS",
    "WM_DELETE_WINDOW",
    "_NET_WM_PING",
    "_NET_WM_PID",
    "_NET_WM_ICON",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_MOTIF_WM_HINTS",
};

// The layout of our pixel buffers: 0x00RRGGBB in 32-bit words.
bool isXrgb(int depth, const Visual* v) {
    return (depth == 24 || depth == 32) && v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 &&
           v->blue_mask == 0xFF;
}

bool isAscii(const char* s) {
    for (; *s; ++s)
        if (static_cast<unsigned char>(*s) >= 0x80) return false;
    return true;
}

}  // namespace

struct Connection {
    Display* display = nullptr;
    Atom atoms[kAtomCount] = {};
    std::optional<bool> hasMonitors;  // RandR 1.5, asked the first time monitors are read
};

Connection* open(std::string& error) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        const char* name = XDisplayName(nullptr);
        error = std::string("cannot open the display \"") + (name ? name : "") + "\"";
        return nullptr;
    }
    auto* c = new Connection;
    c->display = d;
    // One round trip for every name.
    XInternAtoms(d, const_cast<char**>(kAtomNames), kAtomCount, False, c->atoms);
    return c;
}

void close(Connection* c) {
    if (!c) return;
    // The process is ending: an error the server reports for something sent earlier must
    // not turn into exit code 1 through Xlib's default handler.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XCloseDisplay(c->display);
    delete c;
}

void* display(Connection* c) {
    return c->display;
}

int connectionFd(void* display) {
    return ConnectionNumber(static_cast<Display*>(display));
}

bool eventsQueued(void* display) {
    return XEventsQueued(static_cast<Display*>(display), QueuedAfterFlush) > 0;
}

void screenSize(Connection* c, int& width, int& height) {
    width = DisplayWidth(c->display, DefaultScreen(c->display));
    height = DisplayHeight(c->display, DefaultScreen(c->display));
}

std::vector<Monitor> monitors(Connection* c) {
    Display* d = c->display;
    std::vector<Monitor> list;
    if (!c->hasMonitors) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        c->hasMonitors = XRRQueryExtension(d, &eventBase, &errorBase) &&
                         XRRQueryVersion(d, &major, &minor) &&
                         (major > 1 || (major == 1 && minor >= 5));
    }
    if (*c->hasMonitors) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(d, DefaultRootWindow(d), True, &count)) {
            for (int i = 0; i < count; ++i) {
                const Monitor m{info[i].x, info[i].y, info[i].width, info[i].height};
                if (m.width <= 0 || m.height <= 0) continue;
                if (info[i].primary)
                    list.insert(list.begin(), m);
                else
                    list.push_back(m);
            }
            XRRFreeMonitors(info);
        }
    }
    if (list.empty()) {
        Monitor whole;
        screenSize(c, whole.width, whole.height);
        list.push_back(whole);
    }
    return list;
}

int pointerDrop(Connection* c) {
    Display* d = c->display;
    const int size = XcursorGetDefaultSize(d);
    XcursorImage* image = XcursorLibraryLoadImage("left_ptr", XcursorGetTheme(d), size);
    if (!image) return size;
    int last = -1;
    for (int y = int(image->height) - 1; y >= 0 && last < 0; --y)
        for (int x = 0; x < int(image->width); ++x)
            if (image->pixels[std::size_t(y) * image->width + std::size_t(x)] >> 24) {
                last = y;
                break;
            }
    const int drop = last < 0 ? size : last + 1 - int(image->yhot);
    XcursorImageDestroy(image);
    return drop > 0 ? drop : size;
}

bool pointer(void* display, int& x, int& y) {
    auto* d = static_cast<Display*>(display);
    Window root, child;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
}

bool defaultVisualIsXrgb(Connection* c) {
    Display* d = c->display;
    const int screen = DefaultScreen(d);
    return isXrgb(DefaultDepth(d, screen), DefaultVisual(d, screen));
}

Xid createMainWindow(Connection* c, const WindowSetup& s) {
    Display* d = c->display;
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = 0;  // no background: nothing is drawn before our pixels
    attributes.border_pixel = 0;
    attributes.backing_store = NotUseful;
    // Exposure and mapping are watched here only until SDL has taken the window over.
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    const Window w = XCreateWindow(
        d, root, s.x, s.y, unsigned(s.width), unsigned(s.height), 0, CopyFromParent, InputOutput,
        CopyFromParent, CWBackPixmap | CWBorderPixel | CWBackingStore | CWEventMask, &attributes);
    if (!w) return 0;

    XSizeHints* size = XAllocSizeHints();
    size->flags = PMinSize | PMaxSize | USPosition;
    size->min_width = size->max_width = s.width;
    size->min_height = size->max_height = s.height;
    size->x = s.x;
    size->y = s.y;
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = True;
    wm->initial_state = NormalState;
    XClassHint* cls = XAllocClassHint();
    cls->res_name = const_cast<char*>(s.className);
    cls->res_class = const_cast<char*>(s.className);
    XSetWMProperties(d, w, nullptr, nullptr, nullptr, 0, size, wm, cls);
    XFree(size);
    XFree(wm);
    XFree(cls);
    setTitle(d, w, s.title);

    Atom protocols[] = {c->atoms[kWmDeleteWindow], c->atoms[kNetWmPing]};
    XSetWMProtocols(d, w, protocols, 2);
    const long pid = long(::getpid());
    XChangeProperty(d, w, c->atoms[kNetWmPid], XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XChangeProperty(d, w, c->atoms[kNetWmWindowType], XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&c->atoms[kNetWmWindowTypeNormal]), 1);
    // Motif hints: decorations (flag 2) none. The window draws its own caption and edges.
    const long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(d, w, c->atoms[kMotifWmHints], c->atoms[kMotifWmHints], 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
    return w;
}

void destroyWindow(Connection* c, Xid w) {
    XDestroyWindow(c->display, w);
    XFlush(c->display);
}

// _NET_WM_NAME carries the UTF-8 title; WM_NAME is a plain STRING when the title is
// ASCII (older tools read only that) and compound text otherwise.
void setTitle(void* display, Xid w, const char* utf8) {
    auto* d = static_cast<Display*>(display);
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(d, "UTF8_STRING", False);
    XChangeProperty(d, w, netName, utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8), int(std::strlen(utf8)));
    if (isAscii(utf8)) {
        XStoreName(d, w, utf8);
    } else {
        XTextProperty text{};
        char* list[] = {const_cast<char*>(utf8)};
        if (Xutf8TextListToTextProperty(d, list, 1, XStdICCTextStyle, &text) >= Success) {
            XSetWMName(d, w, &text);
            XFree(text.value);
        }
    }
    XFlush(d);
}

void setIcon(Connection* c, Xid w, const std::uint32_t* argb, int width, int height) {
    // The property's 32-bit items are longs in Xlib's interface.
    std::vector<long> data;
    data.reserve(std::size_t(2 + width * height));
    data.push_back(width);
    data.push_back(height);
    for (int i = 0; i < width * height; ++i) data.push_back(long(argb[i]));
    XChangeProperty(c->display, w, c->atoms[kNetWmIcon], XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
}

void moveWindow(Connection* c, Xid w, int x, int y) {
    XMoveWindow(c->display, w, x, y);
    XFlush(c->display);
}

bool mapAndWaitExposed(Connection* c, Xid w, int timeoutMs) {
    Display* d = c->display;
    XMapRaised(d, w);
    XFlush(d);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    XEvent e;
    for (;;) {
        if (XCheckTypedWindowEvent(d, w, Expose, &e)) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) > 0) XEventsQueued(d, QueuedAfterReading);
    }
}

void unmapWindow(Connection* c, Xid w) {
    XUnmapWindow(c->display, w);
    XFlush(c->display);
}

void raiseWindow(Connection* c, Xid w) {
    XRaiseWindow(c->display, w);
    XFlush(c->display);
}

bool rootPosition(Connection* c, Xid w, int& x, int& y) {
    Window child;
    return XTranslateCoordinates(c->display, w, DefaultRootWindow(c->display), 0, 0, &x, &y,
                                 &child);
}

void makeInputTransparent(void* display, Xid w) {
    auto* d = static_cast<Display*>(display);
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(d, &eventBase, &errorBase)) return;
    int major = 0, minor = 0;
    if (!XFixesQueryVersion(d, &major, &minor) || major < 2) return;  // input shapes: 2.0
    XserverRegion empty = XFixesCreateRegion(d, nullptr, 0);
    XFixesSetWindowShapeRegion(d, w, ShapeInput, 0, 0, empty);
    XFixesDestroyRegion(d, empty);
    XFlush(d);
}

void selectInputEvents(void* display, Xid w) {
    auto* d = static_cast<Display*>(display);
    XSelectInput(d, w,
                 FocusChangeMask | EnterWindowMask | LeaveWindowMask | ExposureMask |
                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                     KeyReleaseMask | PropertyChangeMask | StructureNotifyMask | KeymapStateMask);
    XFlush(d);
}

void stopWatching(Connection* c, Xid w) {
    XSelectInput(c->display, w, NoEventMask);
    XFlush(c->display);
}

bool takeCloseRequest(Connection* c, Xid& w) {
    Display* d = c->display;
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != ClientMessage || e.xclient.message_type != c->atoms[kWmProtocols]) continue;
        const Atom protocol = Atom(e.xclient.data.l[0]);
        if (protocol == c->atoms[kWmDeleteWindow]) {
            w = e.xclient.window;
            return true;
        }
        if (protocol == c->atoms[kNetWmPing]) {
            const Window root = DefaultRootWindow(d);
            e.xclient.window = root;
            XSendEvent(d, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &e);
            XFlush(d);
        }
    }
    return false;
}

struct Presenter {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    XImage* image = nullptr;
    const void* data = nullptr;
    int width = 0, height = 0, stride = 0;
};

Presenter* createPresenter(void* display, Xid w) {
    auto* d = static_cast<Display*>(display);
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, w, &attrs)) return nullptr;
    if (!isXrgb(attrs.depth, attrs.visual)) return nullptr;
    auto* p = new Presenter;
    p->display = d;
    p->window = w;
    p->gc = XCreateGC(d, w, 0, nullptr);
    p->visual = attrs.visual;
    p->depth = attrs.depth;
    return p;
}

void destroyPresenter(Presenter* p) {
    if (!p) return;
    if (p->image) {
        p->image->data = nullptr;  // the pixels belong to the window
        XDestroyImage(p->image);
    }
    if (p->gc) XFreeGC(p->display, p->gc);
    delete p;
}

bool present(Presenter* p, const std::uint32_t* pixels, int width, int height, int stride,
             const int* rects, int count) {
    if (!p) return false;
    if (!p->image || p->data != pixels || p->width != width || p->height != height ||
        p->stride != stride) {
        if (p->image) {
            p->image->data = nullptr;
            XDestroyImage(p->image);
        }
        p->image = XCreateImage(p->display, p->visual, unsigned(p->depth), ZPixmap, 0,
                                reinterpret_cast<char*>(const_cast<std::uint32_t*>(pixels)),
                                unsigned(width), unsigned(height), 32, stride * 4);
        if (!p->image) return false;
        p->data = pixels;
        p->width = width;
        p->height = height;
        p->stride = stride;
    }
    for (int i = 0; i < count; ++i) {
        const int* r = rects + 4 * i;
        XPutImage(p->display, p->window, p->gc, p->image, r[0], r[1], r[0], r[1], unsigned(r[2]),
                  unsigned(r[3]));
    }
    XFlush(p->display);
    return true;
}

void sync(void* display) {
    XSync(static_cast<Display*>(display), False);
}

}  // namespace tv::platform::x11
