// Pointers from the user's cursor theme, the font cursors when the theme has none.
#include "platform/x11/backend.h"

#include <X11/Xcursor/Xcursor.h>
#include <X11/cursorfont.h>

namespace tv::platform::x11 {

namespace {

struct Shape {
    const char* themed[2];  // names in cursor themes, the freedesktop one first
    unsigned int font;      // the core font's shape
};

const Shape kShapes[3] = {
    {{"default", "left_ptr"}, XC_left_ptr},
    {{"pointer", "hand2"}, XC_hand2},
    {{"text", "xterm"}, XC_xterm},
};

}  // namespace

Cursors::~Cursors() {
    for (::Cursor c : loaded_)
        if (c && c_.display) XFreeCursor(c_.display, c);
}

::Cursor Cursors::get(Cursor which) {
    const auto i = std::size_t(which);
    if (i >= 3) return 0;
    if (!loaded_[i]) {
        for (const char* name : kShapes[i].themed)
            if ((loaded_[i] = XcursorLibraryLoadCursor(c_.display, name))) break;
        if (!loaded_[i]) loaded_[i] = XCreateFontCursor(c_.display, kShapes[i].font);
    }
    return loaded_[i];
}

int Cursors::pointerDrop() {
    ::Display* d = c_.display;
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

}  // namespace tv::platform::x11
