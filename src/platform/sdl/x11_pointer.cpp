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

bool queryX11Pointer(void* display, int& x, int& y) {
    auto* d = static_cast<Display*>(display);
    Window root, child;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
}

}  // namespace tv::platform
