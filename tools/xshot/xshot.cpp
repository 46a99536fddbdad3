// tolvane-xshot OUT.png [WINDOW_ID | --root] [--geometry X Y W H]
//
// Grabs what the screen shows, not a window's own contents: a window is read through
// the root window at its position, so whatever covers it is in the picture, as a person
// would see it, and a window partly off the screen is cut to the visible part instead of
// failing. --geometry is relative to the window (or to the screen with --root).

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/color.h"
#include "gfx/png.h"

namespace tv {
namespace {

constexpr const char* kUsage =
    "usage: tolvane-xshot OUT.png [WINDOW_ID | --root] [--geometry X Y W H]\n"
    "  WINDOW_ID is decimal or 0x-prefixed hexadecimal; the default is --root.\n";

struct Request {
    std::string out;
    Window window = None;  // None: the root window
    bool hasArea = false;  // --geometry given
    int x = 0, y = 0, width = 0, height = 0;
};

std::optional<long> parseNumber(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

bool parseArgs(int argc, char** argv, Request& request, std::string& error) {
    if (argc < 2) {
        error = "missing OUT.png";
        return false;
    }
    request.out = argv[1];
    bool haveTarget = false;
    for (int i = 2; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--geometry") {
            if (i + 4 >= argc) {
                error = "--geometry needs X Y W H";
                return false;
            }
            long v[4];
            for (int k = 0; k < 4; ++k) {
                auto n = parseNumber(argv[i + 1 + k]);
                if (!n || *n < -32768 || *n > 32767) {
                    error = std::string("bad --geometry value '") + argv[i + 1 + k] + "'";
                    return false;
                }
                v[k] = *n;
            }
            if (v[2] <= 0 || v[3] <= 0) {
                error = "--geometry needs a positive width and height";
                return false;
            }
            request.x = int(v[0]);
            request.y = int(v[1]);
            request.width = int(v[2]);
            request.height = int(v[3]);
            request.hasArea = true;
            i += 4;
        } else if (arg == "--root" && !haveTarget) {
            haveTarget = true;
        } else if (!haveTarget && !arg.starts_with("-")) {
            auto id = parseNumber(arg);
            if (!id || *id <= 0) {
                error = "bad window id '" + std::string(arg) + "'";
                return false;
            }
            request.window = Window(*id);
            haveTarget = true;
        } else {
            error = "unexpected argument '" + std::string(arg) + "'";
            return false;
        }
    }
    return true;
}

// Bad window ids must come back as failed calls, not end the program inside Xlib.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

int channelShift(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Converts any TrueColor image into opaque pixels, scaling channels narrower than 8 bits.
std::vector<Pixel> toPixels(XImage* image) {
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    int shifts[3];
    unsigned long maxima[3];
    for (int c = 0; c < 3; ++c) {
        shifts[c] = channelShift(masks[c]);
        maxima[c] = std::max(masks[c] >> shifts[c], 1ul);
    }
    std::vector<Pixel> pixels;
    pixels.reserve(std::size_t(image->width) * std::size_t(image->height));
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            int channel[3];
            for (int c = 0; c < 3; ++c)
                channel[c] = int(((p & masks[c]) >> shifts[c]) * 255 / maxima[c]);
            pixels.push_back(rgb(channel[0], channel[1], channel[2]));
        }
    }
    return pixels;
}

int run(int argc, char** argv) {
    Request request;
    std::string error;
    if (!parseArgs(argc, argv, request, error)) {
        std::fprintf(stderr, "tolvane-xshot: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "tolvane-xshot: cannot open display '%s'\n", XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(ignoreXError);
    const Window root = DefaultRootWindow(display);
    const int screenW = DisplayWidth(display, DefaultScreen(display));
    const int screenH = DisplayHeight(display, DefaultScreen(display));

    // The target's rectangle in root coordinates.
    int left = 0, top = 0, width = screenW, height = screenH;
    if (request.window != None) {
        XWindowAttributes attributes;
        Window child;
        if (!XGetWindowAttributes(display, request.window, &attributes) ||
            !XTranslateCoordinates(display, request.window, root, 0, 0, &left, &top, &child)) {
            std::fprintf(stderr, "tolvane-xshot: no window 0x%lx\n", request.window);
            XCloseDisplay(display);
            return 1;
        }
        width = attributes.width;
        height = attributes.height;
    }
    if (request.hasArea) {
        left += request.x;
        top += request.y;
        width = request.width;
        height = request.height;
    }
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(left + width, screenW), y1 = std::min(top + height, screenH);
    if (x1 <= x0 || y1 <= y0) {
        std::fprintf(stderr, "tolvane-xshot: the area %dx%d+%d+%d is off the %dx%d screen\n", width,
                     height, left, top, screenW, screenH);
        XCloseDisplay(display);
        return 1;
    }

    XImage* image =
        XGetImage(display, root, x0, y0, unsigned(x1 - x0), unsigned(y1 - y0), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "tolvane-xshot: the X server refused to read the screen\n");
        XCloseDisplay(display);
        return 1;
    }
    const std::vector<Pixel> pixels = toPixels(image);
    const int w = image->width, h = image->height;
    XDestroyImage(image);
    XCloseDisplay(display);

    try {
        savePng(request.out, pixels.data(), w, h, w);
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "tolvane-xshot: %s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace tv

int main(int argc, char** argv) {
    return tv::run(argc, argv);
}
