#pragma once
// The platform layer: native top-level windows with a 32-bit pixel buffer, the event
// stream, the pointer, the monitors, a monotonic clock and the clipboard. Everything above
// it is written against these two interfaces; the X11, Windows and headless
// backends implement them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gfx/color.h"
#include "gfx/geometry.h"
#include "platform/events.h"

namespace tv {
struct Image;
}

namespace tv::platform {

enum class Cursor : std::uint8_t { Arrow, HandPoint, IBeam };

enum class WindowRole : std::uint8_t {
    Main,     // the application's window with its task-bar entry
    Dialog,   // transient for the main window, no task-bar entry
    Tooltip,  // top-most pop-up that never takes the focus
};

struct WindowSpec {
    std::string title;  // UTF-8
    Size size;
    Point position;
    WindowRole role = WindowRole::Main;
};

class NativeWindow {
  public:
    virtual ~NativeWindow() = default;

    virtual WindowId id() const = 0;
    // The pixel buffer, 0xAARRGGBB, `stride` pixels per row. It stays valid until the
    // next call that changes the window's size.
    virtual Pixel* pixels() = 0;
    virtual int stride() const = 0;
    virtual Size size() const = 0;
    // Puts the given rectangles of the buffer on the screen.
    virtual void present(const Rect* rects, int count) = 0;

    virtual Point position() const = 0;
    virtual void setPosition(Point p) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool visible() const = 0;
    virtual void raise() = 0;  // on top and given the keyboard focus
    virtual void minimize() = 0;
    virtual void restore() = 0;
    virtual bool minimized() const = 0;
    virtual void setTitle(const std::string& utf8) = 0;
    virtual void setIcon(const Image& image) = 0;
    virtual void setTransientFor(NativeWindow* owner) = 0;
    virtual void setCursor(Cursor c) = 0;
    // Keeps delivering pointer events to this window while a button is held outside it.
    virtual void captureMouse(bool on) = 0;
    // Where an input method should show its candidates (the caret), in buffer coordinates.
    // Where the window system keeps a caret of its own for assistive technology to follow,
    // it is put there too (never shown: the control draws its own).
    virtual void setTextInputRect(const Rect& r) = 0;
    // The control that took text has lost the focus: the window has no caret now.
    virtual void clearTextInputRect() {}
    // A window that another is modal over refuses input; where the window system knows
    // of it, clicks on it then go nowhere and do not activate it.
    virtual void setEnabled(bool /*on*/) {}
    // How many screen pixels a logical pixel is across. The size, the buffer and pointer
    // positions within the window are logical pixels; the window's position, the pointer's
    // screen position and the monitors are screen pixels.
    virtual int scale() const { return 1; }
};

// Sizes the desktop sets, in logical pixels.
struct Metrics {
    int largeIcon = 32;    // an icon's large size
    int scrollArrow = 16;  // the height of a horizontal scroll bar's arrow
};

// Something besides the window system that the wait watches (the main context of the
// accessibility bridge's libraries): descriptors to poll and a longest sleep of its own.
struct WaitFd {
    int fd = -1;
    short events = 0;
    short revents = 0;
};
class WaitSource {
  public:
    virtual ~WaitSource() = default;
    // Before each sleep: appends the descriptors to watch and returns the longest the
    // sleep may last in milliseconds (-1: no limit).
    virtual int prepare(std::vector<WaitFd>& fds) = 0;
    // After it, with what the sleep found in those descriptors (the same entries, in the
    // same order, from `first` on): runs what is ready. True when the program has work
    // of its own now, so the wait returns without an event.
    virtual bool dispatch(const WaitFd* first, std::size_t count) = 0;
};

class Platform {
  public:
    virtual ~Platform() = default;

    virtual Metrics metrics() const { return {}; }
    // The system colours the windows paint with: the classic scheme unless the desktop
    // has one of its own. The scheme may change in place (ColorsChanged follows), so
    // holders keep the reference, not a copy; it lives as long as the platform.
    virtual const SystemColors& systemColors() const { return SystemColors::classic(); }
    // Adds a source to the wait, until it is removed; false where the backend takes none.
    virtual bool addWaitSource(WaitSource* /*source*/) { return false; }
    virtual void removeWaitSource(WaitSource* /*source*/) {}

    virtual std::unique_ptr<NativeWindow> createWindow(const WindowSpec& spec) = 0;
    // Milliseconds on a monotonic clock.
    virtual std::uint64_t now() = 0;
    // Waits for the next event until the deadline (on the clock of now()); none = no
    // deadline. Returns false when the deadline passed without an event.
    virtual bool waitEvent(Event& out, std::optional<std::uint64_t> deadline) = 0;
    virtual Point cursorPos() = 0;
    // How far the arrow pointer's visible image reaches below its hot spot, in pixels
    // (the pointer's full height when its image cannot be read). Hints go that far below.
    virtual int pointerDrop() = 0;
    // The virtual desktop: every monitor's rectangle within it, in screen coordinates.
    virtual Rect desktopRect() = 0;
    // The monitor that holds `p`, the nearest one when none does; the primary monitor
    // for nullopt.
    virtual Rect monitorRect(std::optional<Point> p) = 0;
    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(const std::string& utf8) = 0;
    virtual void startTextInput() = 0;
    virtual void stopTextInput() = 0;

    // Runs what is due while a box of the platform's own is up, and returns the next
    // deadline (none: nothing is waiting).
    using BoxService = std::function<std::optional<std::uint64_t>()>;
    // The platform's own modal message box, where it has one: shown owned by the
    // application, it returns the pressed button's code. While it is up, `service` runs
    // once `deadline` has come, then at each deadline it returns, so the application's
    // timers keep ticking under the box. nullopt: the platform has no such box and the
    // application draws its own.
    virtual std::optional<int> nativeMessageBox(const std::string& /*text*/,
                                                const std::string& /*caption*/, unsigned /*flags*/,
                                                std::optional<std::uint64_t> /*deadline*/,
                                                const BoxService& /*service*/) {
        return std::nullopt;
    }
};

}  // namespace tv::platform
