// Asking the session bus whether assistive technology is on, against a fake bus that
// answers as a real one does, or wrongly, or not at all.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "a11y/bus_status.h"

namespace tv::a11y {
namespace {

void pad(std::string& s, std::size_t n) {
    while (s.size() % n) s.push_back('\0');
}
void u32(std::string& s, std::uint32_t v) {
    pad(s, 4);
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xff));
}

// A message from the bus: `type` 2 is a method return, 3 an error, 4 a signal.
std::string message(int type, std::uint32_t replyTo, const std::string& signature,
                    const std::string& body) {
    std::string fields(16, '\0');
    fields += {5, 1, 'u', 0};
    u32(fields, replyTo);
    if (!signature.empty()) {
        pad(fields, 8);
        fields += {8, 1, 'g', 0, char(signature.size())};
        fields += signature + '\0';
    }
    std::string m = {'l', char(type), 0, 1};
    u32(m, std::uint32_t(body.size()));
    u32(m, 7);
    u32(m, std::uint32_t(fields.size() - 16));
    m.append(fields, 16);
    pad(m, 8);
    return m + body;
}
std::string boolean(bool v) {
    std::string b = {1, 'b', 0, 0};
    u32(b, v ? 1 : 0);
    return b;
}

// Serves one connection: answers the authentication with `auth`, then sends `replies`.
struct FakeBus {
    std::string path;
    int listener = -1;
    std::thread thread;
    FakeBus(std::string auth, std::string replies) {
        char dir[] = "/tmp/tv-bus-XXXXXX";
        path = std::string(mkdtemp(dir)) + "/bus";
        listener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        path.copy(sa.sun_path, sizeof sa.sun_path - 1);
        bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        listen(listener, 1);
        thread = std::thread([this, auth, replies] {
            const int c = accept(listener, nullptr, nullptr);
            std::string got;
            char buf[512];
            auto readUntil = [&](const std::string& what) {
                ssize_t n;
                while (got.find(what) == std::string::npos && (n = read(c, buf, sizeof buf)) > 0)
                    got.append(buf, std::size_t(n));
            };
            readUntil("\r\n");
            if (!auth.empty()) (void)!write(c, auth.data(), auth.size());
            readUntil("BEGIN\r\n");
            if (!replies.empty()) (void)!write(c, replies.data(), replies.size());
            readUntil("never");  // until the caller hangs up
            close(c);
        });
    }
    ~FakeBus() {
        thread.join();
        close(listener);
        unlink(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    }
    std::string address() const { return "unix:path=" + path + ",guid=0123"; }
};

TEST(BusStatus, ReadsIsEnabledAsTheBusAnswersIt) {
    const std::string hello = message(2, 1, "s", std::string("\5\0\0\0:1.42\0", 10));
    const std::string signal = message(4, 0, "s", std::string("\5\0\0\0:1.42\0", 10));
    struct Row {
        const char* what;
        std::string auth, replies;
        BusStatus expected;
    } rows[] = {
        {"enabled", "OK 0123\r\n", hello + signal + message(2, 2, "v", boolean(true)),
         BusStatus::Enabled},
        {"disabled", "OK 0123\r\n", hello + message(2, 2, "v", boolean(false)),
         BusStatus::Disabled},
        // No accessibility bus runs: the bus says the name has no owner.
        {"no owner", "OK 0123\r\n", hello + message(3, 2, "s", std::string("\4\0\0\0none\0", 9)),
         BusStatus::Disabled},
        {"not a boolean", "OK 0123\r\n",
         hello + message(2, 2, "v", std::string("\1u\0\0\1\0\0\0", 8)), BusStatus::Unknown},
        {"rejected", "REJECTED EXTERNAL\r\n", "", BusStatus::Unknown},
        {"silent", "OK 0123\r\n", "", BusStatus::Unknown},
    };
    for (const Row& r : rows) {
        FakeBus bus(r.auth, r.replies);
        EXPECT_EQ(accessibilityBusStatus(bus.address().c_str(), 300), r.expected) << r.what;
    }
    EXPECT_EQ(accessibilityBusStatus(nullptr, 300), BusStatus::NoBus);
    EXPECT_EQ(accessibilityBusStatus("unix:path=/nonexistent/bus", 300), BusStatus::NoBus);
    EXPECT_EQ(accessibilityBusStatus("tcp:host=localhost,port=1", 300), BusStatus::NoBus);
}

}  // namespace
}  // namespace tv::a11y
