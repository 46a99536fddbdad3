// CLIPBOARD: we own it with the text last copied and serve it to whoever asks while the
// program runs; reading another owner's text waits a bounded time in our own loop.
#include <poll.h>

#include "platform/x11/backend.h"

#include <X11/Xatom.h>

namespace tv::platform::x11 {

namespace {

constexpr std::uint64_t kWaitMs = 1000;  // for the owner's answer, and for each INCR piece

}  // namespace

std::optional<std::string> toLatin1(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += char(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out += char(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string fromLatin1(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Clipboard::~Clipboard() {
    if (window_ && c_.display) XDestroyWindow(c_.display, window_);
}

// An unmapped window of our own owns the selection and receives what is converted for
// us, whatever the forms' windows do meanwhile.
::Window Clipboard::window() {
    if (!window_) {
        XSetWindowAttributes a{};
        a.event_mask = PropertyChangeMask;
        window_ = XCreateWindow(c_.display, c_.root, -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                                CopyFromParent, CWEventMask, &a);
    }
    return window_;
}

void Clipboard::set(const std::string& utf8) {
    const ::Window w = window();
    XSetSelectionOwner(c_.display, c_.atom(k_CLIPBOARD), w,
                       c_.lastTime ? c_.lastTime : CurrentTime);
    if (XGetSelectionOwner(c_.display, c_.atom(k_CLIPBOARD)) == w)
        text_ = utf8;
    else
        text_.reset();
}

bool Clipboard::handle(const XEvent& e) {
    if (e.type == SelectionClear && e.xselectionclear.window == window_ &&
        e.xselectionclear.selection == c_.atom(k_CLIPBOARD)) {
        text_.reset();  // another program copied something
        return true;
    }
    if (e.type == SelectionRequest) {
        serve(e.xselectionrequest);
        return true;
    }
    return false;
}

void Clipboard::serve(const XSelectionRequestEvent& r) {
    XSelectionEvent answer{};
    answer.type = SelectionNotify;
    answer.display = r.display;
    answer.requestor = r.requestor;
    answer.selection = r.selection;
    answer.target = r.target;
    answer.time = r.time;
    answer.property = 0;  // refused
    // Old clients name no property: the target's name is used.
    const ::Atom property = r.property ? r.property : r.target;
    // What fits in one request; we do not hand out text in INCR pieces.
    const std::size_t room =
        std::size_t(XExtendedMaxRequestSize(c_.display) ? XExtendedMaxRequestSize(c_.display)
                                                        : XMaxRequestSize(c_.display)) *
            4 -
        64;
    if (text_ && r.selection == c_.atom(k_CLIPBOARD) && r.owner == window_) {
        if (r.target == c_.atom(k_TARGETS)) {
            const ::Atom targets[] = {c_.atom(k_TARGETS), c_.atom(k_UTF8_STRING), XA_STRING};
            XChangeProperty(c_.display, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(targets), 3);
            answer.property = property;
        } else if (r.target == c_.atom(k_UTF8_STRING) || r.target == XA_STRING) {
            std::optional<std::string> data =
                r.target == XA_STRING ? toLatin1(*text_) : std::optional<std::string>(*text_);
            if (data && data->size() <= room) {
                XChangeProperty(c_.display, r.requestor, property, r.target, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(data->data()),
                                int(data->size()));
                answer.property = property;
            }
        }
    }
    XSendEvent(c_.display, r.requestor, False, 0, reinterpret_cast<XEvent*>(&answer));
    XFlush(c_.display);
}

bool Clipboard::waitFor(int type, XEvent& e, std::uint64_t deadline) {
    for (;;) {
        // Requests for our own selection are answered while we wait, or a peer that
        // asks us while we ask it would wait for us in turn.
        XEvent request;
        while (XCheckTypedEvent(c_.display, SelectionRequest, &request))
            serve(request.xselectionrequest);
        if (XCheckTypedWindowEvent(c_.display, window_, type, &e)) return true;
        const std::uint64_t t = monotonicMs();
        if (t >= deadline) return false;
        pollfd p{c_.fd(), POLLIN, 0};
        ::poll(&p, 1, int(deadline - t));
    }
}

std::optional<std::string> Clipboard::convert(::Atom target) {
    const ::Atom property = c_.atom(k_TOLVANE_SELECTION);
    XDeleteProperty(c_.display, window(), property);
    XConvertSelection(c_.display, c_.atom(k_CLIPBOARD), target, property, window_,
                      c_.lastTime ? c_.lastTime : CurrentTime);
    XEvent e;
    const std::uint64_t deadline = monotonicMs() + kWaitMs;
    for (;;) {
        if (!waitFor(SelectionNotify, e, deadline)) return std::nullopt;
        if (e.xselection.selection == c_.atom(k_CLIPBOARD) && e.xselection.target == target) break;
    }
    if (e.xselection.property == 0) return std::nullopt;  // the owner refused
    auto p = readProperty(c_, window_, property, AnyPropertyType, kLimit, true);
    if (!p) return std::nullopt;
    // Deleting the property (done by the read) asks for the first piece.
    if (p->type == c_.atom(k_INCR)) return readIncremental();
    if (p->format != 8 || !p->complete) return std::nullopt;  // too large: refused
    return std::move(p->bytes);
}

std::optional<std::string> Clipboard::readIncremental() {
    const ::Atom property = c_.atom(k_TOLVANE_SELECTION);
    std::string text;
    bool refused = false;
    for (;;) {
        XEvent e;
        if (!waitFor(PropertyNotify, e, monotonicMs() + kWaitMs)) return std::nullopt;
        if (e.xproperty.atom != property || e.xproperty.state != PropertyNewValue) continue;
        auto p = readProperty(c_, window_, property, AnyPropertyType, kLimit, true);
        if (!p) return std::nullopt;
        if (p->type == 0) continue;  // the notice of a value already taken
        // Past the limit the pieces are still taken (and dropped) to the end, so the owner
        // finishes its transfer.
        if (!refused && p->format == 8) {
            if (text.size() + p->bytes.size() > kLimit)
                refused = true;
            else
                text += p->bytes;
        }
        if (p->count == 0) break;
    }
    if (refused) return std::nullopt;
    return text;
}

std::string Clipboard::get() {
    if (text_ && XGetSelectionOwner(c_.display, c_.atom(k_CLIPBOARD)) == window_) return *text_;
    if (!XGetSelectionOwner(c_.display, c_.atom(k_CLIPBOARD))) return {};
    if (auto text = convert(c_.atom(k_UTF8_STRING))) return *text;
    if (auto text = convert(XA_STRING)) return fromLatin1(*text);
    return {};
}

}  // namespace tv::platform::x11
