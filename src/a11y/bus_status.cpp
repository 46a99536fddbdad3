// org.a11y.Status.IsEnabled, read with the few messages of the D-Bus wire protocol it
// takes, so that a program no one listens to loads no D-Bus, GLib or ATK library at all.
#include "a11y/bus_status.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tv::a11y {

namespace {

std::uint64_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::uint64_t(t.tv_sec) * 1000 + std::uint64_t(t.tv_nsec) / 1000000;
}

// The first unix: address of a bus address list; -1 when there is none or it cannot be
// reached.
int connectTo(std::string_view addresses) {
    while (!addresses.empty()) {
        const std::size_t end = addresses.find(';');
        const std::string_view a = addresses.substr(0, end);
        addresses = end == std::string_view::npos ? "" : addresses.substr(end + 1);
        if (!a.starts_with("unix:")) continue;
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::size_t length = 0;
        for (std::string_view kv : {std::string_view("path="), std::string_view("abstract=")}) {
            const std::size_t at = a.find(kv);
            if (at == std::string_view::npos) continue;
            std::string_view v = a.substr(at + kv.size());
            v = v.substr(0, v.find(','));
            const bool abstract = kv[0] == 'a';
            if (v.size() + 1 >= sizeof sa.sun_path) break;
            std::memcpy(sa.sun_path + (abstract ? 1 : 0), v.data(), v.size());
            length = offsetof(sockaddr_un, sun_path) + v.size() + 1;
            break;
        }
        if (!length) continue;
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (connect(fd, reinterpret_cast<sockaddr*>(&sa), socklen_t(length)) == 0) return fd;
        close(fd);
    }
    return -1;
}

class Wire {
  public:
    Wire(int fd, std::uint64_t deadline) : fd_(fd), deadline_(deadline) {}
    bool send(const std::string& s) {
        std::size_t done = 0;
        while (done < s.size()) {
            const ssize_t n = ::send(fd_, s.data() + done, s.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += std::size_t(n);
        }
        return true;
    }
    // Reads until `buffer` holds at least `size` bytes.
    bool fill(std::size_t size) {
        while (buffer.size() < size) {
            const std::uint64_t t = nowMs();
            if (t >= deadline_) return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, int(deadline_ - t)) <= 0) return false;
            char chunk[512];
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) return false;
            buffer.append(chunk, std::size_t(n));
        }
        return true;
    }
    std::string buffer;

  private:
    int fd_;
    std::uint64_t deadline_;
};

// Little-endian marshalling of what a method call needs.
struct Writer {
    std::string out;
    void align(std::size_t n) {
        while (out.size() % n) out.push_back('\0');
    }
    void u32(std::uint32_t v) {
        align(4);
        for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
    }
    void string(std::string_view s) {
        u32(std::uint32_t(s.size()));
        out.append(s);
        out.push_back('\0');
    }
    void signature(std::string_view s) {
        out.push_back(char(s.size()));
        out.append(s);
        out.push_back('\0');
    }
    void field(char code, char type, std::string_view value) {
        align(8);
        out.push_back(code);
        signature(std::string_view(&type, 1));
        if (type == 'g')
            signature(value);
        else
            string(value);
    }
};

std::string methodCall(std::uint32_t serial, std::string_view destination, std::string_view path,
                       std::string_view interface, std::string_view member, const std::string& body,
                       std::string_view bodySignature) {
    Writer h;
    h.out = {'l', 1, 2 /* no auto start */, 1};
    h.u32(std::uint32_t(body.size()));
    h.u32(serial);
    Writer fields;
    fields.out.assign(16, '\0');  // keeps the fields' alignment as in the whole message
    fields.field(1, 'o', path);
    fields.field(2, 's', interface);
    fields.field(3, 's', member);
    fields.field(6, 's', destination);
    if (!bodySignature.empty()) fields.field(8, 'g', bodySignature);
    h.u32(std::uint32_t(fields.out.size() - 16));
    h.out.append(fields.out, 16);
    h.align(8);
    return h.out + body;
}

std::uint32_t readU32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint8_t(b[at + std::size_t(i)]);
    return v;
}

}  // namespace

BusStatus accessibilityBusStatus(const char* sessionBusAddress, int timeoutMs) {
    if (!sessionBusAddress || !*sessionBusAddress) return BusStatus::NoBus;
    const int fd = connectTo(sessionBusAddress);
    if (fd < 0) return BusStatus::NoBus;
    Wire wire(fd, nowMs() + std::uint64_t(timeoutMs));
    BusStatus status = BusStatus::Unknown;
    std::string hexUid;
    for (char c : std::to_string(getuid())) {
        static constexpr char kHex[] = "0123456789abcdef";
        hexUid += kHex[std::uint8_t(c) >> 4];
        hexUid += kHex[std::uint8_t(c) & 15];
    }
    Writer args;
    args.string("org.a11y.Status");
    args.string("IsEnabled");
    const std::string messages =
        methodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                   "Hello", "", "") +
        methodCall(2, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get",
                   args.out, "ss");
    if (wire.send(std::string(1, '\0') + "AUTH EXTERNAL " + hexUid + "\r\n") && wire.fill(3) &&
        wire.buffer.starts_with("OK ") && wire.send("BEGIN\r\n" + messages)) {
        // The authentication's answer is one line; messages follow it.
        std::size_t line;
        while ((line = wire.buffer.find("\r\n")) == std::string::npos &&
               wire.fill(wire.buffer.size() + 1)) {
        }
        if (line != std::string::npos) {
            wire.buffer.erase(0, line + 2);
            // Messages until the reply to the second call: a return or an error.
            while (status == BusStatus::Unknown && wire.fill(16)) {
                const std::string& b = wire.buffer;
                if (b[0] != 'l') break;  // a bus answers in the caller's byte order
                const std::uint32_t bodyLength = readU32(b, 4);
                const std::uint32_t fieldsLength = readU32(b, 12);
                const std::size_t bodyAt = (16 + std::size_t(fieldsLength) + 7) / 8 * 8;
                const std::size_t total = bodyAt + bodyLength;
                if (total > (1u << 20) || !wire.fill(total)) break;
                const int type = b[1];
                // REPLY_SERIAL among the header fields.
                std::uint32_t replyTo = 0;
                for (std::size_t at = 16; at + 8 <= bodyAt && at < 16 + fieldsLength;) {
                    const char code = b[at];
                    const std::size_t sigLength = std::uint8_t(b[at + 1]);
                    const char sig = b[at + 2];
                    std::size_t v = at + 3 + sigLength;
                    std::size_t next;
                    if (sig == 'u') {
                        v = (v + 3) / 4 * 4;
                        if (code == 5) replyTo = readU32(b, v);
                        next = v + 4;
                    } else if (sig == 'g') {
                        next = v + 1 + std::uint8_t(b[v]) + 1;
                    } else {  // s, o
                        v = (v + 3) / 4 * 4;
                        next = v + 4 + readU32(b, v) + 1;
                    }
                    at = (next + 7) / 8 * 8;
                }
                if (replyTo == 2 && type == 3) status = BusStatus::Disabled;
                if (replyTo == 2 && type == 2) {
                    // A variant: its signature "b", then the boolean.
                    const std::string_view body(b.data() + bodyAt, bodyLength);
                    if (body.size() >= 8 && body.substr(0, 3) == std::string_view("\1b\0", 3))
                        status = readU32(b, bodyAt + 4) ? BusStatus::Enabled : BusStatus::Disabled;
                }
                wire.buffer.erase(0, total);
            }
        }
    }
    close(fd);
    return status;
}

}  // namespace tv::a11y
