// Kept apart: Xlib's macros (None, Cursor, ...) collide with our own names.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

namespace tv::platform {

void* x11DisplayOf(SDL_Window* w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11)
        return info.info.x11.display;
    return nullptr;
}

// SDL stores WM_NAME as UTF-8 text under a UTF-8 locale, which older tools cannot read;
// a plain ASCII title is stored as an ordinary STRING, as any X program would.
void setX11AsciiName(SDL_Window* w, const char* title) {
    for (const char* p = title; *p; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XStoreName(info.info.x11.display, info.info.x11.window, title);
    XFlush(info.info.x11.display);
}

int x11ConnectionFd(void* display) {
    return ConnectionNumber(static_cast<Display*>(display));
}

// Sends what is buffered and tells whether events already wait in Xlib's queue, which a
// wait on the connection alone would not see.
bool x11EventsQueued(void* display) {
    return XEventsQueued(static_cast<Display*>(display), QueuedAfterFlush) > 0;
}

// Puts a window's pixels on the screen with XPutImage, which copies them into the request:
// unlike SDL's shared-memory update it needs no round trip to the server afterwards, so a
// repaint does not put the program to sleep waiting for the server's answer.
struct X11Presenter {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    XImage* image = nullptr;
    const void* data = nullptr;
    int width = 0, height = 0, stride = 0;
};

X11Presenter* x11CreatePresenter(SDL_Window* w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attrs)) return nullptr;
    if ((attrs.depth != 24 && attrs.depth != 32) || attrs.visual->red_mask != 0xFF0000 ||
        attrs.visual->green_mask != 0xFF00 || attrs.visual->blue_mask != 0xFF)
        return nullptr;
    auto* p = new X11Presenter;
    p->display = info.info.x11.display;
    p->window = info.info.x11.window;
    p->gc = XCreateGC(p->display, p->window, 0, nullptr);
    p->visual = attrs.visual;
    p->depth = attrs.depth;
    return p;
}

void x11DestroyPresenter(X11Presenter* p) {
    if (!p) return;
    if (p->image) {
        p->image->data = nullptr;  // the pixels belong to the window's surface
        XDestroyImage(p->image);
    }
    if (p->gc) XFreeGC(p->display, p->gc);
    delete p;
}

bool x11Present(X11Presenter* p, const std::uint32_t* pixels, int width, int height, int stride,
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

bool queryX11Pointer(void* display, int& x, int& y) {
    auto* d = static_cast<Display*>(display);
    Window root, child;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
}

}  // namespace tv::platform
