// Kept apart: Xlib's macros (None, Cursor, ...) collide with our own names.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

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

bool queryX11Pointer(void* display, int& x, int& y) {
    auto* d = static_cast<Display*>(display);
    Window root, child;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
}

}  // namespace tv::platform
