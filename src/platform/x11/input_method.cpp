// XIM: the input method's server (or libX11's local method for dead keys and compose
// sequences) sees the keys first; committed text comes back as key events, the
// composition of an on-the-spot method through the preedit callbacks.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/x11/backend.h"

namespace tv::platform::x11 {

namespace {

// libX11 parses its compose table whenever the local method opens unless it finds a
// cache; it never writes one for root into the system's folder. A folder of our own
// under the user's cache holds it while the method opens.
template <class F>
void withComposeCache(F&& f) {
    if (std::getenv("XCOMPOSECACHE")) return f();
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string dir;
    if (xdg && *xdg)
        dir = std::string(xdg);
    else if (home && *home)
        dir = std::string(home) + "/.cache";
    if (dir.empty()) return f();
    ::mkdir(dir.c_str(), 0700);
    dir += "/tolvane";
    ::mkdir(dir.c_str(), 0700);
    dir += "/compose";
    ::mkdir(dir.c_str(), 0700);
    ::setenv("XCOMPOSECACHE", dir.c_str(), 1);
    f();
    ::unsetenv("XCOMPOSECACHE");
}

// The styles we can serve, best first: the composition drawn by us at the caret, then
// by the input method over the caret, then beside it.
const XIMStyle kStyles[] = {
    XIMPreeditCallbacks | XIMStatusNothing, XIMPreeditCallbacks | XIMStatusNone,
    XIMPreeditPosition | XIMStatusNothing,  XIMPreeditPosition | XIMStatusNone,
    XIMPreeditNothing | XIMStatusNothing,   XIMPreeditNothing | XIMStatusNone,
    XIMPreeditNone | XIMStatusNone,
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// XIMText in the locale's multibyte encoding (UTF-8, see the platform) or as wide
// characters (UCS-4 with glibc).
std::u32string decode(const XIMText* t) {
    std::u32string out;
    if (!t) return out;
    if (t->encoding_is_wchar) {
        if (t->string.wide_char)
            for (unsigned short i = 0; i < t->length; ++i) out += char32_t(t->string.wide_char[i]);
        return out;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(t->string.multi_byte);
    if (!s) return out;
    for (std::size_t i = 0; s[i];) {
        const unsigned char lead = s[i];
        const int len = lead < 0x80    ? 1
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC0 ? 2
                                       : 1;
        char32_t c = len == 1 ? lead : lead & (0x7F >> len);
        int k = 1;
        for (; k < len && (s[i + std::size_t(k)] & 0xC0) == 0x80; ++k)
            c = (c << 6) | (s[i + std::size_t(k)] & 0x3F);
        out += c;
        i += std::size_t(k);
    }
    return out;
}

// Xlib declares one callback type for every callback; each has its own signature.
template <class F>
XIMProc imProc(F* f) {
    return reinterpret_cast<XIMProc>(reinterpret_cast<void (*)()>(f));
}

// A keysym as UTF-8 text, for keys read without any input method.
void keysymText(::KeySym sym, std::string& out) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF))
        appendUtf8(out, char32_t(sym));
    else if ((sym & 0xFF000000) == 0x01000000)
        appendUtf8(out, char32_t(sym & 0x00FFFFFF));
}

}  // namespace

InputMethod::InputMethod(X11Platform& platform) : platform_(platform) {}

InputMethod::~InputMethod() {
    closeIm();
    if (fontSet_) XFreeFontSet(platform_.display(), fontSet_);
}

bool InputMethod::serverNamed() {
    const char* modifiers = std::getenv("XMODIFIERS");
    const char* name = modifiers ? std::strstr(modifiers, "@im=") : nullptr;
    if (!name) return false;
    name += 4;
    const std::size_t length = std::strcspn(name, "@");
    const std::string_view server(name, length);
    return !server.empty() && server != "none" && server != "local";
}

void InputMethod::open() {
    if (!XSupportsLocale()) return;
    XSetLocaleModifiers("");
    // An input method started after the program announces itself on the root window;
    // libX11 calls back then.
    if (serverNamed() && !waiting_)
        waiting_ = XRegisterIMInstantiateCallback(platform_.display(), nullptr, nullptr, nullptr,
                                                  instantiated, reinterpret_cast<XPointer>(this));
    if (!im_) connect();
}

void InputMethod::connect() {
    ::Display* d = platform_.display();
    XSetLocaleModifiers("");
    withComposeCache([&] { im_ = XOpenIM(d, nullptr, nullptr, nullptr); });
    if (!im_) {
        // The input method named in XMODIFIERS is not running: the local one still
        // composes.
        XSetLocaleModifiers("@im=none");
        withComposeCache([&] { im_ = XOpenIM(d, nullptr, nullptr, nullptr); });
    }
    if (!im_) return;
    XIMStyles* offered = nullptr;
    if (XGetIMValues(im_, XNQueryInputStyle, &offered, nullptr) != nullptr || !offered) {
        XCloseIM(im_);
        im_ = nullptr;
        return;
    }
    style_ = 0;
    serverIm_ = false;
    for (XIMStyle want : kStyles) {
        for (unsigned short i = 0; i < offered->count_styles; ++i) {
            const XIMStyle s = offered->supported_styles[i];
            if (s & (XIMPreeditCallbacks | XIMPreeditPosition)) serverIm_ = true;
            if (!style_ && s == want) style_ = s;
        }
    }
    XFree(offered);
    if (!style_) {
        XCloseIM(im_);
        im_ = nullptr;
        return;
    }
    XIMCallback destroy{reinterpret_cast<XPointer>(this), imProc(destroyed)};
    XSetIMValues(im_, XNDestroyCallback, &destroy, nullptr);
}

void InputMethod::closeIm() {
    if (!im_) return;
    for (X11Window* w : platform_.windows())
        if (w->ic) {
            XDestroyIC(w->ic);
            w->ic = nullptr;
        }
    active_ = nullptr;
    XCloseIM(im_);
    im_ = nullptr;
    serverIm_ = false;
}

void InputMethod::instantiated(::Display*, XPointer self, XPointer) {
    auto* m = reinterpret_cast<InputMethod*>(self);
    if (m->serverIm_) return;
    // Until now keys went to the local method (or none): the server takes over.
    m->closeIm();
    m->connect();
    for (X11Window* w : m->platform_.windows())
        if (w->role() != WindowRole::Tooltip) m->attach(*w);
    m->active_ = nullptr;
    m->setFocus(m->focus_, m->textInput_);
}

void InputMethod::destroyed(XIM, XPointer self, XPointer) {
    // The server went away, and its contexts with it; keys are read without it until
    // one announces itself again.
    auto* m = reinterpret_cast<InputMethod*>(self);
    for (X11Window* w : m->platform_.windows()) w->ic = nullptr;
    m->im_ = nullptr;
    m->active_ = nullptr;
    m->serverIm_ = false;
}

void InputMethod::attach(X11Window& w) {
    if (!im_ || w.ic) return;
    createIc(w);
    if (!w.ic) return;
    // The method may need events of its own from the window.
    unsigned long filter = 0;
    XGetICValues(w.ic, XNFilterEvents, &filter, nullptr);
    if (filter) {
        XWindowAttributes attrs;
        if (XGetWindowAttributes(platform_.display(), w.xid(), &attrs))
            XSelectInput(platform_.display(), w.xid(), attrs.your_event_mask | long(filter));
    }
}

void InputMethod::createIc(X11Window& w) {
    const ::Window xid = w.xid();
    XPoint spot{short(w.spot.x), short(w.spot.y)};
    if (style_ & XIMPreeditCallbacks) {
        const XPointer self = reinterpret_cast<XPointer>(&w);
        XIMCallback start{self, imProc(preeditStart)};
        XIMCallback done{self, imProc(preeditDone)};
        XIMCallback draw{self, imProc(preeditDraw)};
        XIMCallback caret{self, imProc(preeditCaret)};
        // The spot tells the method where to open its candidate list.
        for (bool withSpot : {true, false}) {
            XVaNestedList attrs =
                XVaCreateNestedList(0, XNPreeditStartCallback, &start, XNPreeditDoneCallback, &done,
                                    XNPreeditDrawCallback, &draw, XNPreeditCaretCallback, &caret,
                                    withSpot ? XNSpotLocation : nullptr, &spot, nullptr);
            w.ic = XCreateIC(im_, XNInputStyle, style_, XNClientWindow, xid, XNFocusWindow, xid,
                             XNPreeditAttributes, attrs, nullptr);
            XFree(attrs);
            if (w.ic) return;
        }
    } else if (style_ & XIMPreeditPosition) {
        // libX11 asks for a font set with this style; the method draws with its own.
        if (!fontSet_) {
            char** missing = nullptr;
            int missingCount = 0;
            char* fallback = nullptr;
            fontSet_ =
                XCreateFontSet(platform_.display(), "-*-*-medium-r-normal--16-*-*-*-*-*-*-*,*",
                               &missing, &missingCount, &fallback);
            if (missing) XFreeStringList(missing);
        }
        XVaNestedList attrs =
            XVaCreateNestedList(0, XNSpotLocation, &spot, XNFontSet, fontSet_, nullptr);
        w.ic = XCreateIC(im_, XNInputStyle, style_, XNClientWindow, xid, XNFocusWindow, xid,
                         XNPreeditAttributes, attrs, nullptr);
        XFree(attrs);
    } else {
        w.ic =
            XCreateIC(im_, XNInputStyle, style_, XNClientWindow, xid, XNFocusWindow, xid, nullptr);
    }
}

void InputMethod::detach(X11Window& w) {
    if (focus_ == &w) focus_ = nullptr;
    if (!w.ic) return;
    if (active_ == w.ic) active_ = nullptr;
    XDestroyIC(w.ic);
    w.ic = nullptr;
}

void InputMethod::setFocus(X11Window* w, bool textInput) {
    focus_ = w;
    textInput_ = textInput;
    XIC next = w && textInput ? w->ic : nullptr;
    if (next == active_) return;
    if (active_) XUnsetICFocus(active_);
    if (next) XSetICFocus(next);
    active_ = next;
}

void InputMethod::moveSpot(X11Window& w) {
    if (!w.ic || !(style_ & (XIMPreeditCallbacks | XIMPreeditPosition))) return;
    XPoint spot{short(w.spot.x), short(w.spot.y)};
    XVaNestedList attrs = XVaCreateNestedList(0, XNSpotLocation, &spot, nullptr);
    XSetICValues(w.ic, XNPreeditAttributes, attrs, nullptr);
    XFree(attrs);
}

::KeySym InputMethod::lookup(X11Window* w, XKeyEvent& e, std::string& text) {
    ::KeySym sym = 0;
    if (w && w->ic) {
        Status status = 0;
        int n = Xutf8LookupString(w->ic, &e, buffer_, int(sizeof buffer_), &sym, &status);
        if (status == XBufferOverflow) {
            text.resize(std::size_t(n));
            n = Xutf8LookupString(w->ic, &e, text.data(), n, &sym, &status);
            text.resize(status == XLookupChars || status == XLookupBoth ? std::size_t(n) : 0);
        } else if (status == XLookupChars || status == XLookupBoth) {
            text.assign(buffer_, std::size_t(n));
        }
        if (status != XLookupKeySym && status != XLookupBoth) sym = 0;
        return sym;
    }
    // No input method at all: the key's own symbol.
    const int n = XLookupString(&e, buffer_, int(sizeof buffer_), &sym, nullptr);
    keysymText(sym, text);
    if (text.empty() && n == 1 && static_cast<unsigned char>(buffer_[0]) < 0x80)
        text.assign(buffer_, 1);
    return sym;
}

int InputMethod::preeditStart(XIC, XPointer window, XPointer) {
    auto* w = reinterpret_cast<X11Window*>(window);
    w->preedit.clear();
    w->preeditCaret = 0;
    return -1;  // no limit on the composition's length
}

void InputMethod::preeditDone(XIC, XPointer window, XPointer) {
    auto* w = reinterpret_cast<X11Window*>(window);
    w->preedit.clear();
    w->preeditCaret = 0;
    w->platform().inputMethod().sendPreedit(*w);
}

void InputMethod::preeditDraw(XIC, XPointer window, XPointer data) {
    auto* w = reinterpret_cast<X11Window*>(window);
    const auto* d = reinterpret_cast<const XIMPreeditDrawCallbackStruct*>(data);
    const std::size_t size = w->preedit.size();
    const std::size_t first = std::min(std::size_t(std::max(d->chg_first, 0)), size);
    const std::size_t length = std::min(std::size_t(std::max(d->chg_length, 0)), size - first);
    w->preedit.replace(first, length, decode(d->text));
    w->preeditCaret = std::clamp(d->caret, 0, int(w->preedit.size()));
    w->platform().inputMethod().sendPreedit(*w);
}

void InputMethod::preeditCaret(XIC, XPointer window, XPointer data) {
    auto* w = reinterpret_cast<X11Window*>(window);
    auto* d = reinterpret_cast<XIMPreeditCaretCallbackStruct*>(data);
    const int size = int(w->preedit.size());
    int caret = w->preeditCaret;
    switch (d->direction) {
        case XIMForwardChar:
            ++caret;
            break;
        case XIMBackwardChar:
            --caret;
            break;
        case XIMLineStart:
            caret = 0;
            break;
        case XIMLineEnd:
            caret = size;
            break;
        case XIMAbsolutePosition:
            caret = d->position;
            break;
        default:
            break;
    }
    w->preeditCaret = std::clamp(caret, 0, size);
    d->position = w->preeditCaret;
    w->platform().inputMethod().sendPreedit(*w);
}

// The composition as one event: as many whole characters as it holds.
void InputMethod::sendPreedit(X11Window& w) {
    Event& e = w.platform().queue().push();
    e.type = EventType::TextEditing;
    e.window = w.id();
    std::string utf8;
    std::size_t fits = 0;
    for (char32_t c : w.preedit) {
        appendUtf8(utf8, c);
        if (utf8.size() > sizeof e.text - 1) break;
        fits = utf8.size();
    }
    std::memcpy(e.text, utf8.data(), fits);
    e.editCursor = w.preeditCaret;
}

}  // namespace tv::platform::x11
