// tolvane-xclose WINDOW_ID
//
// Asks a window to close the way a window manager does, with a WM_DELETE_WINDOW client
// message, so ./run can end the program through its normal close path on an Xvfb that
// has no window manager. xdotool cannot: its windowclose destroys the window under the
// client's feet.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <charconv>
#include <cstdio>
#include <string_view>

namespace tv {
namespace {

int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

int run(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvane-xclose WINDOW_ID  (decimal or 0x-prefixed hex)\n");
        return 2;
    }
    std::string_view text = argv[1];
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id == 0) {
        std::fprintf(stderr, "tolvane-xclose: bad window id '%s'\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "tolvane-xclose: cannot open display '%s'\n", XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(ignoreXError);
    const Window window = Window(id);

    // A window that does not take part in the protocol would ignore the message; say so
    // rather than pretend it was asked.
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int count = 0;
    bool supported = false;
    if (XGetWMProtocols(display, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i) supported = supported || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    if (!supported) {
        std::fprintf(stderr, "tolvane-xclose: window 0x%lx is gone or takes no close requests\n",
                     id);
        XCloseDisplay(display);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}

}  // namespace
}  // namespace tv

int main(int argc, char** argv) {
    return tv::run(argc, argv);
}
