/* The floor for the start-up bench: the least a program can do to show a 601 x 439
 * window with a picture in it over plain Xlib. It prints the same first-frame line as
 * the program, after XPutImage and XSync, and exits 0 on WM_DELETE_WINDOW. */

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

enum { kWidth = 601, kHeight = 439 };

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "floor_xlib: cannot open display\n");
        return 1;
    }
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    int x = (DisplayWidth(display, screen) - kWidth) / 2;
    int y = (DisplayHeight(display, screen) - kHeight) / 2;
    XSetWindowAttributes attributes = {0};
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    Window window = XCreateWindow(display, root, x, y, kWidth, kHeight, 0, CopyFromParent,
                                  InputOutput, CopyFromParent, CWEventMask, &attributes);
    XStoreName(display, window, "tolvane-floor");
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XMapWindow(display, window);

    Visual* visual = DefaultVisual(display, screen);
    int depth = DefaultDepth(display, screen);
    char* pixels = malloc((size_t)kWidth * kHeight * 4);
    if (!pixels) return 1;
    XImage* image =
        XCreateImage(display, visual, (unsigned)depth, ZPixmap, 0, pixels, kWidth, kHeight, 32, 0);
    for (int row = 0; row < kHeight; ++row)
        for (int col = 0; col < kWidth; ++col)
            XPutPixel(image, col, row, row < 30 ? 0x000080ul : 0xcfcfcful);
    GC gc = XCreateGC(display, window, 0, NULL);

    int painted = 0;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        /* Pixels put before the window is mapped and exposed are lost. */
        if (event.type == Expose && !painted) {
            XPutImage(display, window, gc, image, 0, 0, 0, 0, kWidth, kHeight);
            XSync(display, False);
            fprintf(stderr, "tolvane: first frame presented\n");
            painted = 1;
        } else if (event.type == Expose && event.xexpose.count == 0) {
            XPutImage(display, window, gc, image, 0, 0, 0, 0, kWidth, kHeight);
        } else if (event.type == ClientMessage && (Atom)event.xclient.data.l[0] == deleteWindow) {
            break;
        }
    }
    XFreeGC(display, gc);
    XDestroyImage(image); /* frees pixels too */
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
