#pragma once
// A window that a test makes itself with Xlib, on its own connection, to check the
// harness and tools against a window whose every property the test knows.
// Include after GoogleTest: Xlib's macros (None, Bool) clash with its names.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "e2e/x11_harness.h"

namespace tv::e2e {

// A window made by the test on its own connection, so it can see the events the
// harness sends.
class ProbeWindow {
  public:
    // `colour` is the window's background pixel, 0xRRGGBB on a 24-bit screen.
    ProbeWindow(const Desktop& desktop, Rect bounds, const char* title, unsigned long colour)
        : display_(XOpenDisplay(desktop.displayName().c_str())) {
        if (!display_) throw std::runtime_error("probe: cannot connect");
        XSetWindowAttributes attributes{};
        attributes.background_pixel = colour;
        attributes.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                KeyPressMask | StructureNotifyMask | ExposureMask;
        window_ =
            XCreateWindow(display_, DefaultRootWindow(display_), bounds.x, bounds.y,
                          unsigned(bounds.width), unsigned(bounds.height), 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        // Ask a window manager to keep our position and size.
        XSizeHints hints{};
        hints.flags = USPosition | USSize;
        hints.x = bounds.x;
        hints.y = bounds.y;
        hints.width = bounds.width;
        hints.height = bounds.height;
        XSetWMNormalHints(display_, window_, &hints);
        XStoreName(display_, window_, "probe");
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                        XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title), int(std::strlen(title)));
        Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &deleteWindow, 1);
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~ProbeWindow() { XCloseDisplay(display_); }
    ProbeWindow(const ProbeWindow&) = delete;
    ProbeWindow& operator=(const ProbeWindow&) = delete;

    Window id() const { return window_; }
    Display* display() const { return display_; }

    // Waits for an event of this type on the probe window and returns it.
    std::optional<XEvent> waitFor(int type, std::chrono::milliseconds timeout = 3s) {
        XEvent event;
        if (!waitUntil([&] { return XCheckTypedWindowEvent(display_, window_, type, &event); },
                       timeout))
            return std::nullopt;
        return event;
    }
    void drain() {
        XSync(display_, False);
        XEvent event;
        while (XPending(display_)) XNextEvent(display_, &event);
    }

  private:
    Display* display_;
    Window window_ = None;
};

}  // namespace tv::e2e
