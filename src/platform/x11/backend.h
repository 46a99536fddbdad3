#pragma once
// Inside the X11 backend. Our own headers come first: Xlib's macros (None, Bool, Status)
// would break them, and its types (Window, Cursor) are reached with `::` below.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/scale.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tv::platform::x11 {

#define TV_X11_ATOMS(X)            \
    X(WM_PROTOCOLS)                \
    X(WM_DELETE_WINDOW)            \
    X(WM_STATE)                    \
    X(WM_CHANGE_STATE)             \
    X(_NET_WM_PING)                \
    X(_NET_WM_PID)                 \
    X(_NET_WM_NAME)                \
    X(_NET_WM_ICON)                \
    X(_NET_WM_WINDOW_TYPE)         \
    X(_NET_WM_WINDOW_TYPE_NORMAL)  \
    X(_NET_WM_WINDOW_TYPE_DIALOG)  \
    X(_NET_WM_WINDOW_TYPE_TOOLTIP) \
    X(_NET_WM_STATE)               \
    X(_NET_WM_STATE_SKIP_TASKBAR)  \
    X(_NET_WM_STATE_ABOVE)         \
    X(_NET_ACTIVE_WINDOW)          \
    X(_NET_SUPPORTING_WM_CHECK)    \
    X(_MOTIF_WM_HINTS)             \
    X(UTF8_STRING)                 \
    X(CLIPBOARD)                   \
    X(TARGETS)                     \
    X(INCR)                        \
    X(TOLVANE_SELECTION)

enum AtomIndex {
#define TV_X11_ATOM_INDEX(name) k_##name,
    TV_X11_ATOMS(TV_X11_ATOM_INDEX)
#undef TV_X11_ATOM_INDEX
        kAtomCount
};

// The one connection and what every part reads from it.
struct Connection {
    ::Display* display = nullptr;
    int screen = 0;
    ::Window root = 0;
    ::Atom atoms[kAtomCount] = {};
    // The server time of the last event read: selections and activation requests carry it.
    ::Time lastTime = 0;
    // Whether a window manager announces itself on the root window; read again when the
    // root's _NET_SUPPORTING_WM_CHECK changes.
    bool windowManager = false;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    ::Atom atom(AtomIndex i) const { return atoms[i]; }
    int fd() const { return ConnectionNumber(display); }
    // Reads _NET_SUPPORTING_WM_CHECK and the window it names.
    void readWindowManager();
};

// Opens $DISPLAY with our atoms and a handler that keeps asynchronous errors (a request
// about a window that another client just destroyed) from ending the process; throws
// std::runtime_error when the display cannot be opened. The connection closes with it.
void open(Connection& c);

// A property's value as its bytes (32-bit items as Xlib's longs).
struct Property {
    ::Atom type = 0;
    int format = 0;
    unsigned long count = 0;  // items
    std::string bytes;
    bool complete = true;  // false when longer than asked for
    // The first 32-bit item as a window (0 when there is none).
    ::Window window() const;
};
// Reads up to `limit` bytes of the property, deleting it when `remove`; nullopt when it
// cannot be read.
std::optional<Property> readProperty(const Connection& c, ::Window w, ::Atom property, ::Atom type,
                                     std::size_t limit, bool remove = false);

// A fixed ring of our events: translating one X event may give several (a committed text
// longer than one event holds), and the hot path allocates nothing.
class EventQueue {
  public:
    Event& push();  // the oldest is overwritten when full
    bool pop(Event& out);
    bool empty() const { return count_ == 0; }

  private:
    std::array<Event, 64> ring_{};
    std::size_t head_ = 0, count_ = 0;
};

// Keyboard: X key events in our keys, modifier bits and UTF-8 text.
Key translateKey(::KeySym keysym);
std::uint16_t shiftState(unsigned int state);
// Puts UTF-8 text into events of `type`, split at character boundaries.
void pushText(EventQueue& queue, EventType type, WindowId window, const char* utf8,
              std::size_t size);
// The first code point of UTF-8 text, 0 for none or a control character.
char32_t firstCharacter(const char* utf8, std::size_t size);

class InputMethod;
class X11Platform;

// A top-level window with its buffer. What the X server tells about it arrives through
// X11Platform::handle().
class X11Window final : public NativeWindow {
  public:
    X11Window(X11Platform& platform, ::Window xid, const WindowSpec& spec);
    ~X11Window() override;

    ::Window xid() const { return xid_; }
    WindowRole role() const { return role_; }

    WindowId id() const override { return WindowId(xid_); }
    Pixel* pixels() override { return pixels_.get(); }
    int stride() const override { return size_.width; }
    Size size() const override { return size_; }
    int scale() const override { return device_.scale(); }
    void present(const Rect* rects, int count) override;
    Point position() const override { return position_; }
    void setPosition(Point p) override;
    void show() override;
    void hide() override;
    bool visible() const override { return shown_ && !iconic_; }
    void raise() override;
    void minimize() override;
    void restore() override;
    bool minimized() const override { return iconic_; }
    void setTitle(const std::string& utf8) override;
    void setIcon(const Image& image) override;
    void setTransientFor(NativeWindow* owner) override;
    void setCursor(Cursor c) override;
    void captureMouse(bool on) override;
    void setTextInputRect(const Rect& r) override;

    // --- What the platform learns from the server ------------------------------------
    // A ConfigureNotify: the new position, when it is one; true when the window moved.
    bool configured(const XConfigureEvent& e);
    void reparented(::Window parent);
    // Returns the event to give the program for a map or unmap, if any.
    std::optional<EventType> mapped(bool on);

    // Input method state, kept by InputMethod.
    XIC ic = nullptr;
    std::u32string preedit;
    int preeditCaret = 0;
    Point spot{0, 0};
    X11Platform& platform() { return platform_; }

  private:
    void putImage(const Rect& r);

    X11Platform& platform_;
    ::Window xid_;
    WindowRole role_;
    // From calloc: the pages of a buffer that is never painted (a hidden dialog's) take no
    // memory.
    struct Free {
        void operator()(Pixel* p) const { std::free(p); }
    };
    std::unique_ptr<Pixel[], Free> pixels_;
    Size size_;
    // What the screen shows: the buffer enlarged to the platform's scale.
    DeviceSurface device_;
    Point position_;
    ::Window parent_;  // the root, or a window manager's frame
    bool shown_ = false;
    bool mappedOnce_ = false;
    bool iconic_ = false;
    int unmapsExpected_ = 0;  // unmaps we asked for that are not an iconify
    bool focusOnMap_ = false;
    // Our own move requests, until the server (or a window manager) reports them done:
    // older reports that arrive meanwhile are not taken for the window's place.
    bool movePending_ = false;
    Point moveTarget_;
    unsigned long moveSerial_ = 0;
    std::uint64_t moveTime_ = 0;
    std::optional<Cursor> cursor_;
    GC gc_ = nullptr;
    XImage* image_ = nullptr;
    bool synced_ = false;
};

// XIM: one input context per window, on-the-spot preedit where the input method offers
// it, over-the-spot otherwise; libX11's own local method (dead keys, compose) when no
// server runs. A server started later is taken up when it announces itself.
class InputMethod {
  public:
    explicit InputMethod(X11Platform& platform);
    ~InputMethod();
    InputMethod(const InputMethod&) = delete;
    InputMethod& operator=(const InputMethod&) = delete;

    void open();
    // Whether XMODIFIERS names an input method server (not libX11's local method).
    static bool serverNamed();
    // Input contexts for the window; none while no input method is open.
    void attach(X11Window& w);
    void detach(X11Window& w);
    // The input context follows the window's keyboard focus while text input is on.
    void setFocus(X11Window* w, bool textInput);
    void moveSpot(X11Window& w);
    // Committed text and the keysym of a key press; the text's length in `text`.
    ::KeySym lookup(X11Window* w, XKeyEvent& e, std::string& text);

  private:
    static void instantiated(::Display*, XPointer self, XPointer);
    static void destroyed(XIM, XPointer self, XPointer);
    static int preeditStart(XIC, XPointer window, XPointer);
    static void preeditDone(XIC, XPointer window, XPointer);
    static void preeditDraw(XIC, XPointer window, XPointer data);
    static void preeditCaret(XIC, XPointer window, XPointer data);
    void closeIm();
    void connect();
    void sendPreedit(X11Window& w);
    void createIc(X11Window& w);

    X11Platform& platform_;
    XIM im_ = nullptr;
    XIMStyle style_ = 0;
    bool serverIm_ = false;  // a real input method, not libX11's local one
    bool waiting_ = false;   // registered for an input method that starts later
    XIC active_ = nullptr;   // the context with the focus
    XFontSet fontSet_ = nullptr;
    X11Window* focus_ = nullptr;
    bool textInput_ = false;
    char buffer_[256] = {};
};

// STRING is Latin-1: nullopt when the UTF-8 text holds characters beyond it.
std::optional<std::string> toLatin1(const std::string& utf8);
std::string fromLatin1(const std::string& latin1);

// CLIPBOARD: owned and served from a window of its own, read with a bounded wait.
class Clipboard {
  public:
    explicit Clipboard(Connection& c) : c_(c) {}
    ~Clipboard();
    void set(const std::string& utf8);
    std::string get();
    // SelectionRequest and SelectionClear; true when the event was one of them.
    bool handle(const XEvent& e);

    static constexpr std::size_t kLimit = 4u << 20;  // larger selections are refused

  private:
    ::Window window();
    void serve(const XSelectionRequestEvent& r);
    // Waits for an event of `type` on our window (serving requests meanwhile); false
    // when the deadline passed.
    bool waitFor(int type, XEvent& e, std::uint64_t deadline);
    std::optional<std::string> convert(::Atom target);
    std::optional<std::string> readIncremental();

    Connection& c_;
    ::Window window_ = 0;
    std::optional<std::string> text_;  // what we own
};

// Themed pointers, loaded when first shown.
class Cursors {
  public:
    explicit Cursors(Connection& c) : c_(c) {}
    ~Cursors();
    ::Cursor get(Cursor which);
    // How far the themed arrow reaches below its hot spot.
    int pointerDrop();

  private:
    Connection& c_;
    ::Cursor loaded_[3] = {};
};

// The monitors from RandR, the primary one first; the whole screen without RandR 1.5.
std::vector<Rect> readMonitors(Connection& c, std::optional<bool>& hasMonitors);

// Milliseconds on the monotonic clock.
std::uint64_t monotonicMs();

class X11Platform final : public Platform {
  public:
    explicit X11Platform(std::function<void()> onInputReady);
    ~X11Platform() override;

    Connection& connection() { return c_; }
    ::Display* display() const { return c_.display; }
    // The desktop's scale (Xft.dpi / 96), read once at start.
    int scale() const { return scale_; }
    EventQueue& queue() { return queue_; }
    Cursors& cursors() { return cursors_; }
    InputMethod& inputMethod() { return im_; }
    const std::vector<X11Window*>& windows() const { return windows_; }
    X11Window* mainWindow() const;
    void forget(X11Window* w);
    // The main window's first frame is on the screen. Its input events were asked for
    // when it was made: what the user does from now on waits on the connection.
    void inputReady();

    std::unique_ptr<NativeWindow> createWindow(const WindowSpec& spec) override;
    std::uint64_t now() override { return monotonicMs(); }
    bool waitEvent(Event& out, std::optional<std::uint64_t> deadline) override;
    Point cursorPos() override;
    int pointerDrop() override;
    Rect desktopRect() override;
    Rect monitorRect(std::optional<Point> p) override;
    std::string clipboardText() override { return clipboard_.get(); }
    void setClipboardText(const std::string& utf8) override { clipboard_.set(utf8); }
    void startTextInput() override;
    void stopTextInput() override;
    bool addWaitSource(WaitSource* source) override;
    void removeWaitSource(WaitSource* source) override;

  private:
    X11Window* find(::Window xid) const;
    static std::string className();
    void becomeReady();
    void openInputMethod();
    void handle(XEvent& e);
    void trackPointer(const XEvent& e, const X11Window& w);
    void button(const XButtonEvent& e, X11Window& w);
    void key(XKeyEvent& e, X11Window& w);
    void focusChanged(X11Window& w, bool in);
    void activeWindowChanged();
    void clientMessage(const XClientMessageEvent& e, X11Window& w);
    bool takeSignal();
    // Sleeps in poll() on the connection, the signal descriptor and the added sources,
    // then lets the sources run; true when the wait should return without an event (a
    // source has work for the program, or poll failed).
    bool sleep(int timeout);

    Connection c_;
    EventQueue queue_;
    Cursors cursors_{c_};
    Clipboard clipboard_{c_};
    InputMethod im_{*this};
    std::vector<X11Window*> windows_;
    std::function<void()> onInputReady_;
    bool ready_ = false;  // the pointers are up
    bool imOpened_ = false;
    bool inputReady_ = false;  // onInputReady_ has run
    bool textInput_ = false;
    X11Window* focus_ = nullptr;  // the window with the keyboard focus
    int signals_ = -1;
    int scale_ = 1;
    std::vector<WaitSource*> sources_;
    std::vector<WaitFd> fds_;  // reused by every sleep
    int pointerDrop_ = -1;
    std::optional<bool> hasMonitors_;
    std::string keyText_;
    // Where the pointer was at the last pointer event of ours. While the pointer is over
    // one of our windows or a button held in one grabs it, the server reports every move
    // to us, so this is where it is as of the event being handled: two reads during one
    // event agree, and a drag adds up to exactly the pointer's travel.
    std::optional<Point> pointer_;
    static constexpr std::uint32_t kDoubleClickTime = 500;  // ms
    // Double-click counting: the last press.
    struct Press {
        MouseButton button{};
        ::Time time = 0;
        Point at;
        int clicks = 0;
    } lastPress_;
};

}  // namespace tv::platform::x11
