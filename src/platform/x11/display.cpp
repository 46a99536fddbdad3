// The connection, its atoms, the window manager's presence and the event ring.
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "platform/x11/backend.h"

#include <X11/Xatom.h>

namespace tv::platform::x11 {

namespace {

const char* const kAtomNames[kAtomCount] = {
#define TV_X11_ATOM_NAME(name) #name,
    TV_X11_ATOMS(TV_X11_ATOM_NAME)
#undef TV_X11_ATOM_NAME
};

// Errors arrive long after the request that caused them, mostly about a window another
// client (a window manager, a peer asking for the clipboard) destroyed meanwhile.
// Xlib's default handler would end the process; they are dropped.
int ignoreError(::Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

void open(Connection& c) {
    ::Display* d = XOpenDisplay(nullptr);
    if (!d) {
        const char* name = XDisplayName(nullptr);
        throw std::runtime_error(std::string("cannot open the display \"") + (name ? name : "") +
                                 "\"");
    }
    XSetErrorHandler(ignoreError);
    c.display = d;
    c.screen = DefaultScreen(d);
    c.root = RootWindow(d, c.screen);
    // One round trip for every name.
    XInternAtoms(d, const_cast<char**>(kAtomNames), kAtomCount, False, c.atoms);
}

Connection::~Connection() {
    if (display) XCloseDisplay(display);
}

std::optional<Property> readProperty(const Connection& c, ::Window w, ::Atom property, ::Atom type,
                                     std::size_t limit, bool remove) {
    Property p;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(c.display, w, property, 0, long((limit + 3) / 4), remove, type, &p.type,
                           &p.format, &p.count, &after, &data) != Success)
        return std::nullopt;
    const std::size_t item = p.format == 32 ? sizeof(long) : std::size_t(p.format / 8);
    if (data) {
        p.bytes.assign(reinterpret_cast<const char*>(data), p.count * item);
        XFree(data);
    }
    p.complete = after == 0;
    return p;
}

::Window Property::window() const {
    if (format != 32 || count < 1 || bytes.size() < sizeof(long)) return 0;
    unsigned long id = 0;
    std::memcpy(&id, bytes.data(), sizeof id);
    return ::Window(id);
}

void Connection::readWindowManager() {
    auto checkWindow = [this](::Window w) -> ::Window {
        auto p = readProperty(*this, w, atom(k__NET_SUPPORTING_WM_CHECK), XA_WINDOW, 4);
        return p && p->type == XA_WINDOW ? p->window() : 0;
    };
    // The check window names itself while the window manager runs; a stale property
    // left by one that died names a window that is gone or names nothing.
    const ::Window check = checkWindow(root);
    windowManager = check != 0 && checkWindow(check) == check;
}

std::uint64_t monotonicMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return std::uint64_t(t.tv_sec) * 1000u + std::uint64_t(t.tv_nsec) / 1000000u;
}

Event& EventQueue::push() {
    if (count_ == ring_.size()) {
        head_ = (head_ + 1) % ring_.size();
        --count_;
    }
    Event& e = ring_[(head_ + count_++) % ring_.size()];
    e = Event{};
    return e;
}

bool EventQueue::pop(Event& out) {
    if (count_ == 0) return false;
    out = ring_[head_];
    head_ = (head_ + 1) % ring_.size();
    --count_;
    return true;
}

}  // namespace tv::platform::x11
