// X events in our own types: pointer, keyboard, focus and activation, the window
// manager's requests and what happens to the windows.
#include <cstdlib>
#include <cstring>

#include "platform/x11/backend.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>

namespace tv::platform::x11 {

Key translateKey(::KeySym k) {
    switch (k) {
        case XK_Return:
        case XK_KP_Enter:
            return Key::Return;
        case XK_Escape:
            return Key::Escape;
        case XK_space:
        case XK_KP_Space:
            return Key::Space;
        case XK_Tab:
        case XK_KP_Tab:
        case XK_ISO_Left_Tab:
            return Key::Tab;
        case XK_BackSpace:
            return Key::Backspace;
        case XK_Delete:
        case XK_KP_Delete:
            return Key::Delete;
        case XK_Left:
        case XK_KP_Left:
            return Key::Left;
        case XK_Right:
        case XK_KP_Right:
            return Key::Right;
        case XK_Up:
        case XK_KP_Up:
            return Key::Up;
        case XK_Down:
        case XK_KP_Down:
            return Key::Down;
        case XK_Home:
        case XK_KP_Home:
            return Key::Home;
        case XK_End:
        case XK_KP_End:
            return Key::End;
        case XK_Prior:
        case XK_KP_Prior:
            return Key::PageUp;
        case XK_Next:
        case XK_KP_Next:
            return Key::PageDown;
        case XK_F4:
            return Key::F4;
        case XK_a:
        case XK_A:
            return Key::A;
        case XK_c:
        case XK_C:
            return Key::C;
        case XK_v:
        case XK_V:
            return Key::V;
        case XK_x:
        case XK_X:
            return Key::X;
        default:
            return Key::Other;
    }
}

std::uint16_t shiftState(unsigned int state) {
    std::uint16_t s = 0;
    if (state & ShiftMask) s |= kShift;
    if (state & Mod1Mask) s |= kAlt;
    if (state & ControlMask) s |= kCtrl;
    if (state & Button1Mask) s |= kLeftButton;
    if (state & Button3Mask) s |= kRightButton;
    if (state & Button2Mask) s |= kMiddleButton;
    return s;
}

namespace {

std::size_t sequenceLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

MouseButton buttonOf(unsigned int b) {
    switch (b) {
        case Button1:
            return MouseButton::Left;
        case Button2:
            return MouseButton::Middle;
        case Button3:
            return MouseButton::Right;
        default:
            return MouseButton{};
    }
}

std::uint16_t buttonBit(MouseButton b) {
    return b == MouseButton::Left    ? kLeftButton
           : b == MouseButton::Right ? kRightButton
                                     : kMiddleButton;
}

}  // namespace

void pushText(EventQueue& queue, EventType type, WindowId window, const char* utf8,
              std::size_t size) {
    constexpr std::size_t kRoom = sizeof(Event::text) - 1;
    std::size_t at = 0;
    do {
        std::size_t n = 0;
        while (at + n < size) {
            const std::size_t len = sequenceLength(static_cast<unsigned char>(utf8[at + n]));
            if (n + len > kRoom || at + n + len > size) break;
            n += len;
        }
        if (n == 0 && at < size) break;  // a broken sequence at the end
        Event& e = queue.push();
        e.type = type;
        e.window = window;
        std::memcpy(e.text, utf8 + at, n);
        at += n;
    } while (at < size);
}

char32_t firstCharacter(const char* utf8, std::size_t size) {
    if (size == 0) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8);
    const std::size_t len = std::min(sequenceLength(s[0]), size);
    char32_t c = len == 1 ? s[0] : s[0] & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i) c = (c << 6) | (s[i] & 0x3F);
    return c < 0x20 || c == 0x7F ? 0 : c;
}

void X11Platform::handle(XEvent& x) {
    // Times of events the server made, for selections and activation requests.
    switch (x.type) {
        case KeyPress:
        case KeyRelease:
            c_.lastTime = x.xkey.time;
            break;
        case ButtonPress:
        case ButtonRelease:
            c_.lastTime = x.xbutton.time;
            break;
        case MotionNotify:
            c_.lastTime = x.xmotion.time;
            break;
        case PropertyNotify:
            c_.lastTime = x.xproperty.time;
            break;
        default:
            break;
    }
    if (clipboard_.handle(x)) return;
    if (x.type == MappingNotify) {
        // Another client changed the keyboard map (a layout switch, a tool that binds a
        // spare key to a character it types): look keys up in the new one from now on.
        XRefreshKeyboardMapping(&x.xmapping);
        return;
    }
    if (x.xany.window == c_.root) {
        if (x.type == PropertyNotify) {
            if (x.xproperty.atom == c_.atom(k__NET_ACTIVE_WINDOW)) activeWindowChanged();
            if (x.xproperty.atom == c_.atom(k__NET_SUPPORTING_WM_CHECK)) c_.readWindowManager();
        }
        return;
    }
    X11Window* w = find(x.xany.window);
    if (!w) return;
    trackPointer(x, *w);
    const WindowId id = w->id();
    switch (x.type) {
        case MotionNotify: {
            // Every motion counts, also one whose window coordinates repeat the last: a
            // window that follows the pointer keeps them the same while the pointer moves.
            Event& e = queue_.push();
            e.type = EventType::MouseMove;
            e.window = id;
            e.pos = toLogical(Point{x.xmotion.x, x.xmotion.y}, w->scale());
            e.screen = {x.xmotion.x_root, x.xmotion.y_root};
            e.shift = shiftState(x.xmotion.state);
            return;
        }
        case ButtonPress:
        case ButtonRelease:
            button(x.xbutton, *w);
            return;
        case LeaveNotify:
            if (x.xcrossing.mode == NotifyNormal && x.xcrossing.detail != NotifyInferior) {
                Event& e = queue_.push();
                e.type = EventType::MouseLeave;
                e.window = id;
            }
            return;
        case KeyPress:
        case KeyRelease:
            key(x.xkey, *w);
            return;
        case FocusIn:
        case FocusOut:
            // Grabs (a window manager moving a window, a menu of another program) lend
            // the keyboard for a moment: no change of activation. Focus moving to or
            // from a child window of ours is none either.
            if (x.xfocus.mode == NotifyGrab || x.xfocus.mode == NotifyUngrab) return;
            if (x.xfocus.detail == NotifyInferior || x.xfocus.detail > NotifyPointer) return;
            focusChanged(*w, x.type == FocusIn);
            return;
        case Expose:
            if (x.xexpose.count == 0) {
                Event& e = queue_.push();
                e.type = EventType::Exposed;
                e.window = id;
            }
            return;
        case ConfigureNotify:
            if (w->configured(x.xconfigure)) {
                Event& e = queue_.push();
                e.type = EventType::Moved;
                e.window = id;
            }
            return;
        case ReparentNotify:
            w->reparented(x.xreparent.parent);
            return;
        case MapNotify:
        case UnmapNotify:
            if (auto t = w->mapped(x.type == MapNotify)) {
                Event& e = queue_.push();
                e.type = *t;
                e.window = id;
            }
            return;
        case ClientMessage:
            clientMessage(x.xclient, *w);
            return;
        default:
            return;
    }
}

void X11Platform::trackPointer(const XEvent& x, const X11Window& w) {
    constexpr unsigned int kButtons =
        Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;
    switch (x.type) {
        case MotionNotify:
            pointer_ = Point{x.xmotion.x_root, x.xmotion.y_root};
            return;
        case ButtonPress:
            pointer_ = Point{x.xbutton.x_root, x.xbutton.y_root};
            return;
        case ButtonRelease: {
            // The state holds the buttons before the release: is this the last one?
            const bool last =
                (x.xbutton.state & kButtons & ~(Button1Mask << (x.xbutton.button - 1))) == 0;
            const Size s = toDevice(w.size(), w.scale());
            const bool inside = x.xbutton.x >= 0 && x.xbutton.y >= 0 && x.xbutton.x < s.width &&
                                x.xbutton.y < s.height;
            // Released outside: the grab ends and the pointer is no longer followed.
            if (last && !inside)
                pointer_.reset();
            else
                pointer_ = Point{x.xbutton.x_root, x.xbutton.y_root};
            return;
        }
        case EnterNotify:
            pointer_ = Point{x.xcrossing.x_root, x.xcrossing.y_root};
            return;
        case LeaveNotify:
            if ((x.xcrossing.state & kButtons) == 0) pointer_.reset();
            return;
        default:
            return;
    }
}

void X11Platform::button(const XButtonEvent& x, X11Window& w) {
    const bool press = x.type == ButtonPress;
    if (x.button == Button4 || x.button == Button5) {
        if (!press) return;  // a wheel step is a press and a release
        Event& e = queue_.push();
        e.type = EventType::MouseWheel;
        e.window = w.id();
        e.pos = toLogical(Point{x.x, x.y}, w.scale());
        e.screen = {x.x_root, x.y_root};
        e.wheel = x.button == Button4 ? 1 : -1;
        e.shift = shiftState(x.state);
        return;
    }
    const MouseButton b = buttonOf(x.button);
    if (b == MouseButton{}) return;
    if (press && !c_.windowManager && w.role() != WindowRole::Tooltip && focus_ != &w) {
        // Without a window manager nobody gives the keyboard to a clicked window.
        XSetInputFocus(c_.display, w.xid(), RevertToParent, x.time);
    }
    Event& e = queue_.push();
    e.type = press ? EventType::MouseDown : EventType::MouseUp;
    e.window = w.id();
    e.pos = toLogical(Point{x.x, x.y}, w.scale());
    e.screen = {x.x_root, x.y_root};
    e.button = b;
    // The state is the one before the event: the pressed button is held after it.
    e.shift = shiftState(x.state);
    if (press)
        e.shift |= buttonBit(b);
    else
        e.shift &= std::uint16_t(~buttonBit(b));
    e.clicks = 1;
    if (press) {
        // A double-click is the second press of one button within the double-click time
        // and a 4-pixel square, as on the classic platform; a third press starts over.
        const bool second = lastPress_.clicks == 1 && lastPress_.button == b &&
                            std::uint32_t(x.time - lastPress_.time) <= kDoubleClickTime &&
                            std::abs(e.screen.x - lastPress_.at.x) <= 2 &&
                            std::abs(e.screen.y - lastPress_.at.y) <= 2;
        e.clicks = second ? 2 : 1;
        if (second) e.shift |= kDoubleClick;
        lastPress_ = {b, x.time, e.screen, e.clicks};
    }
}

void X11Platform::key(XKeyEvent& x, X11Window& w) {
    const bool press = x.type == KeyPress;
    // Our keys are the unshifted symbols: shift+Tab is Tab with the shift bit.
    const ::KeySym plain = XLookupKeysym(&x, 0);
    keyText_.clear();
    const ::KeySym typed = press ? im_.lookup(&w, x, keyText_) : plain;
    const ::KeySym sym = plain ? plain : typed;
    if (x.keycode != 0 && (sym || !press)) {
        Event& e = queue_.push();
        e.type = press ? EventType::KeyDown : EventType::KeyUp;
        e.window = w.id();
        e.key = translateKey(sym);
        e.shift = shiftState(x.state);
        if (press) e.character = firstCharacter(keyText_.data(), keyText_.size());
    }
    if (!press || keyText_.empty() || !textInput_) return;
    // Control characters (Return, Backspace, ctrl+letters) are keys, not text.
    if (static_cast<unsigned char>(keyText_[0]) < 0x20 || keyText_[0] == 0x7F) return;
    pushText(queue_, EventType::TextInput, w.id(), keyText_.data(), keyText_.size());
}

void X11Platform::focusChanged(X11Window& w, bool in) {
    if (in) {
        if (focus_ == &w) return;
        if (focus_) focusChanged(*focus_, false);
        focus_ = &w;
    } else {
        if (focus_ != &w) return;
        focus_ = nullptr;
    }
    im_.setFocus(focus_, textInput_);
    Event& e = queue_.push();
    e.type = in ? EventType::FocusGained : EventType::FocusLost;
    e.window = w.id();
}

// A window manager names the active window on the root. When it names none of ours, the
// application lost activation, even where the keyboard focus has not moved yet (a
// window manager that activates a window before focusing it).
void X11Platform::activeWindowChanged() {
    if (!focus_) return;
    const auto p = readProperty(c_, c_.root, c_.atom(k__NET_ACTIVE_WINDOW), XA_WINDOW, 4);
    const ::Window active = p ? p->window() : 0;
    if (active != 0 && !find(active)) focusChanged(*focus_, false);
}

void X11Platform::clientMessage(const XClientMessageEvent& x, X11Window& w) {
    if (x.message_type != c_.atom(k_WM_PROTOCOLS) || x.format != 32) return;
    const ::Atom protocol = ::Atom(x.data.l[0]);
    if (protocol == c_.atom(k_WM_DELETE_WINDOW)) {
        Event& e = queue_.push();
        e.type = EventType::CloseRequest;
        e.window = w.id();
    } else if (protocol == c_.atom(k__NET_WM_PING)) {
        // The answer goes back to the root window with the window's id in it.
        XEvent reply{};
        reply.xclient = x;
        reply.xclient.window = c_.root;
        XSendEvent(c_.display, c_.root, False, SubstructureNotifyMask | SubstructureRedirectMask,
                   &reply);
        XFlush(c_.display);
    }
}

}  // namespace tv::platform::x11
