#pragma once
// What the backend does with Xlib itself, behind names that do not collide with Xlib's
// macros (None, Cursor, Window...). Displays are passed as void*, windows as their XIDs.
//
// The program opens a connection of its own before SDL is loaded: on it the main window
// is created, mapped and painted, so the first frame does not wait for SDL's start-up.
// SDL then adopts the window (SDL_CreateWindowFrom) and reads its input on SDL's own
// connection; the window manager's requests (close, ping) keep arriving on ours, because
// X sends client messages to the client that created the window.

#include <cstdint>
#include <string>
#include <vector>

namespace tv::platform::x11 {

using Xid = unsigned long;

struct Connection;

// Opens the display named by $DISPLAY; nullptr with `error` set when it cannot.
Connection* open(std::string& error);
void close(Connection* c);
void* display(Connection* c);
int connectionFd(void* display);
// Sends what is buffered; true when events already wait in Xlib's queue, which a wait on
// the connection alone would not see.
bool eventsQueued(void* display);
struct Monitor {
    int x = 0, y = 0, width = 0, height = 0;
};
// The monitors, the primary one first (RandR's monitor list; the whole screen as one
// monitor without RandR 1.5).
std::vector<Monitor> monitors(Connection* c);
// The size of the whole X screen, which holds every monitor.
void screenSize(Connection* c, int& width, int& height);
bool pointer(void* display, int& x, int& y);
// How far the themed arrow pointer ("left_ptr" at the default size) reaches below its hot
// spot: its last row with a visible pixel. The default pointer size when the theme has
// no such image.
int pointerDrop(Connection* c);

// Whether the screen's default visual is 24- or 32-bit XRGB, the layout of our pixel
// buffers; windows on other visuals are left to SDL's own conversion.
bool defaultVisualIsXrgb(Connection* c);

struct WindowSetup {
    const char* title = "";      // UTF-8
    const char* className = "";  // WM_CLASS
    int x = 0, y = 0, width = 0, height = 0;
};
// A borderless, fixed-size top-level window with the properties a window manager reads
// (names, class, pid, protocols, size hints, window type). It stays unmapped; 0 on failure.
Xid createMainWindow(Connection* c, const WindowSetup& setup);
void destroyWindow(Connection* c, Xid w);
void setTitle(void* display, Xid w, const char* utf8);
void setIcon(Connection* c, Xid w, const std::uint32_t* argb, int width, int height);
void moveWindow(Connection* c, Xid w, int x, int y);
// Maps the window and waits (at most `timeoutMs`) until it is exposed: pixels put before
// that are lost.
bool mapAndWaitExposed(Connection* c, Xid w, int timeoutMs);
void unmapWindow(Connection* c, Xid w);
void raiseWindow(Connection* c, Xid w);
// Where the window's top-left corner is on the screen, also when a window manager has
// put it into a frame of its own.
bool rootPosition(Connection* c, Xid w, int& x, int& y);
// Pointer input passes through the window to whatever lies below it.
void makeInputTransparent(void* display, Xid w);
// Asks SDL's connection for the events SDL reads from windows it created itself.
void selectInputEvents(void* display, Xid w);

// Our connection stops receiving the window's exposure and mapping events.
void stopWatching(Connection* c, Xid w);

// Handles what waits on our connection: pings are answered, the rest dropped. Returns
// true with the window when the window manager asks one to close.
bool takeCloseRequest(Connection* c, Xid& w);

// Puts a window's pixels on the screen with XPutImage, which copies them into the
// request: unlike SDL's shared-memory update it needs no round trip to the server
// afterwards, so a repaint does not put the program to sleep waiting for an answer.
struct Presenter;
// nullptr when the window's visual is not 24/32-bit XRGB.
Presenter* createPresenter(void* display, Xid w);
void destroyPresenter(Presenter* p);
bool present(Presenter* p, const std::uint32_t* pixels, int width, int height, int stride,
             const int* rects, int count);
// Waits until the server has drawn what was sent.
void sync(void* display);

}  // namespace tv::platform::x11
