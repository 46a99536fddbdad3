// Start-up bench: the program and a bare Xlib floor, and with --peers the minimal FLTK,
// Qt 5 and GTK 3 windows built beside it, run in turn on one private Xvfb, so that drift
// between runs hits all alike. For each it prints the time from exec to the first-frame
// line on stderr (median, min, max) and to the line saying it reads input (the program
// loads its input machinery after the first frame; the others read input from their
// first frame on), the peak resident memory (VmHWM just before closing), the voluntary
// context switches while idling, and its ratios to the floor. It prints figures and
// asserts nothing. Run under a session bus, the program is given its address: with the
// accessibility bus enabled on it, the figures are those of the program with its
// accessibility bridge loaded.
//
// usage: startup_bench [--program PATH] [--floor PATH] [--runs N] [--idle SECONDS] [--peers]

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/x11_harness.h"

namespace tv::bench {
namespace {

using namespace tv::e2e;
using Clock = std::chrono::steady_clock;

struct Subject {
    std::string label;
    std::filesystem::path binary;
    std::string title;       // of the window to close
    Environment env;         // added to the bench's own
    bool readyLine = false;  // prints a line of its own once it reads input
    std::vector<double> startMs;
    std::vector<double> readyMs;
    long peakKb = 0;
    long voluntaryMain = 0, voluntaryAll = 0;
    int threads = 0;
};

struct Settings {
    std::filesystem::path program;
    std::filesystem::path floor;
    int runs = 15;
    int idleSeconds = 5;
    bool peers = false;
};

// One "Name:  value kB" field of /proc/PID/status or /proc/PID/task/TID/status.
std::optional<long> statusField(const std::filesystem::path& statusFile, std::string_view name) {
    std::ifstream in(statusFile);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 &&
            line[name.size()] == ':') {
            std::istringstream value(line.substr(name.size() + 1));
            long n = 0;
            if (value >> n) return n;
        }
    }
    return std::nullopt;
}

struct Switches {
    long main = 0;
    long all = 0;
    int threads = 0;
};

// /proc/PID/status counts the main thread only; the task folder has every thread.
Switches voluntarySwitches(pid_t pid) {
    Switches s;
    const std::filesystem::path proc = "/proc/" + std::to_string(pid);
    s.main = statusField(proc / "status", "voluntary_ctxt_switches").value_or(-1);
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(proc / "task", error)) {
        s.all += statusField(task.path() / "status", "voluntary_ctxt_switches").value_or(0);
        ++s.threads;
    }
    return s;
}

class Bench {
  public:
    Bench(const Settings& settings) : settings_(settings) {
        env_ = desktop_.baseEnvironment();
        // One home for every run, as a user has: caches made by the first start count
        // for the later ones, and the warm-up run pays for them.
        env_["HOME"] = home_.path().string();
        env_["XDG_CONFIG_HOME"] = (home_.path() / "config").string();
        env_["XDG_CACHE_HOME"] = (home_.path() / "cache").string();
        env_["TOLVANE_REGISTRY_DIR"] = (home_.path() / "registry").string();
        env_["TOLVANE_TRACE_STARTUP"] = "1";
        std::filesystem::create_directories(home_.path() / "registry");
    }

    const Desktop& desktop() const { return desktop_; }

    struct Times {
        double frameMs = 0, readyMs = 0;
    };

    // Starts the subject, waits for its first frame and for it to read input, optionally
    // idles, closes it. Returns the times from exec in milliseconds.
    Times runOnce(Subject& subject, bool idle) {
        ChildProcess::Options spawn;
        spawn.argv = {subject.binary.string()};
        spawn.env = env_;
        for (const auto& [name, value] : subject.env) spawn.env[name] = value;
        spawn.stderrPipe = true;
        const auto start = Clock::now();
        ChildProcess child(spawn);
        std::string seen;
        Times times;
        if (!waitForMarker(child, kFirstFrameMarker, start + std::chrono::seconds(20), seen))
            throw std::runtime_error(subject.label + " printed no first-frame line within 20 s");
        times.frameMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        times.readyMs = times.frameMs;
        if (subject.readyLine) {
            if (!waitForMarker(child, kReadyMarker, start + std::chrono::seconds(20), seen))
                throw std::runtime_error(subject.label + " printed no ready line within 20 s");
            times.readyMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }

        if (idle) {
            // Settle for half a second, then count what the idle process does.
            std::this_thread::sleep_for(500ms);
            const Switches before = voluntarySwitches(child.pid());
            std::this_thread::sleep_for(std::chrono::seconds(settings_.idleSeconds));
            const Switches after = voluntarySwitches(child.pid());
            subject.voluntaryMain = after.main - before.main;
            subject.voluntaryAll = after.all - before.all;
            subject.threads = after.threads;
            subject.peakKb =
                statusField("/proc/" + std::to_string(child.pid()) + "/status", "VmHWM")
                    .value_or(-1);
        }

        const WindowId window = desktop_.waitForWindow(subject.title, 5s);
        if (window == kNoWindow) throw std::runtime_error(subject.label + ": no window to close");
        desktop_.requestClose(window);
        drain(child);
        const ExitStatus status = child.waitForExit(5s);
        if (!status.ok())
            std::fprintf(stderr, "warning: %s ended with %s\n", subject.label.c_str(),
                         status.describe().c_str());
        return times;
    }

  private:
    static bool waitForMarker(ChildProcess& child, std::string_view marker,
                              Clock::time_point deadline, std::string& seen) {
        char buffer[4096];
        while (seen.find(marker) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd p{child.stderrFd(), POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0) continue;
            const ssize_t got = ::read(child.stderrFd(), buffer, sizeof buffer);
            if (got <= 0) return false;  // closed: the child died
            seen.append(buffer, std::size_t(got));
        }
        return true;
    }

    // Reads what is left so a chatty child cannot block on a full pipe while closing.
    static void drain(ChildProcess& child) {
        char buffer[4096];
        pollfd p{child.stderrFd(), POLLIN, 0};
        while (::poll(&p, 1, 0) > 0 && ::read(child.stderrFd(), buffer, sizeof buffer) > 0) {
        }
    }

    Settings settings_;
    Desktop desktop_;
    TempDir home_{"tolvane-bench"};
    Environment env_;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void usage() {
    std::fprintf(stderr,
                 "usage: startup_bench [--program PATH] [--floor PATH] [--runs N] "
                 "[--idle SECONDS] [--peers]\n");
}

std::optional<Settings> parse(int argc, char** argv) {
    Settings s;
#ifdef TOLVANE_BINARY
    s.program = TOLVANE_BINARY;
#endif
    s.floor = TOLVANE_FLOOR;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--peers") {
            s.peers = true;
            continue;
        }
        if (i + 1 >= argc) return std::nullopt;
        const std::string_view value = argv[++i];
        int number = 0;
        const bool numeric =
            std::from_chars(value.data(), value.data() + value.size(), number).ec == std::errc() &&
            number > 0;
        if (arg == "--program") {
            s.program = value;
        } else if (arg == "--floor") {
            s.floor = value;
        } else if (arg == "--runs" && numeric) {
            s.runs = number;
        } else if (arg == "--idle" && numeric) {
            s.idleSeconds = number;
        } else {
            return std::nullopt;
        }
    }
    if (s.program.empty()) {
        std::fprintf(stderr, "startup_bench: no program built in; give --program PATH\n");
        return std::nullopt;
    }
    return s;
}

// The peers built beside the bench, each with its GL integration off (as a user without
// a GPU gets it) and with the toolkit's defaults. Those not built are left out.
std::vector<Subject> peers() {
    std::vector<Subject> found;
    const auto add = [&found](std::string label, const char* binary, std::string title,
                              Environment env) {
        if (std::filesystem::exists(binary))
            found.push_back({std::move(label), binary, std::move(title), std::move(env)});
    };
#ifdef TOLVANE_PEER_FLTK
    add("FLTK 1.3", TOLVANE_PEER_FLTK, "tolvane-peer-fltk", {});
#endif
#ifdef TOLVANE_PEER_QT
    add("Qt 5 (GL off)", TOLVANE_PEER_QT, "tolvane-peer-qt", {{"QT_XCB_GL_INTEGRATION", "none"}});
    add("Qt 5 (defaults)", TOLVANE_PEER_QT, "tolvane-peer-qt", {});
#endif
#ifdef TOLVANE_PEER_GTK
    add("GTK 3 (GL off)", TOLVANE_PEER_GTK, "tolvane-peer-gtk", {{"GDK_GL", "disable"}});
    add("GTK 3 (defaults)", TOLVANE_PEER_GTK, "tolvane-peer-gtk", {});
#endif
    (void)add;
    return found;
}

double minimum(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}
double maximum(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

int run(int argc, char** argv) {
    auto settings = parse(argc, argv);
    if (!settings) {
        usage();
        return 2;
    }
    std::vector<Subject> subjects;
    // Run under a session bus, the program sees it and asks whether assistive technology
    // wants its accessibility tree (and, when it does, loads the bridge).
    Environment programEnv;
    if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        programEnv["DBUS_SESSION_BUS_ADDRESS"] = bus;
    subjects.push_back({"tolvane", settings->program, "tolvane", programEnv, true});
    subjects.push_back({"floor (bare Xlib)", settings->floor, "tolvane-floor", {}});
    if (settings->peers) {
        std::vector<Subject> found = peers();
        if (found.empty()) {
            std::fprintf(stderr,
                         "startup_bench: no peer is built; install libfltk1.3-dev, "
                         "qtbase5-dev, libqt5x11extras5-dev or libgtk-3-dev and rebuild "
                         "(bench/run --peers does both)\n");
            return 1;
        }
        std::move(found.begin(), found.end(), std::back_inserter(subjects));
    }
    const Subject& floor = subjects[1];

    Bench bench(*settings);
    std::printf("start-up bench on Xvfb %s 1024x768x24, %d runs each, in turn\n",
                bench.desktop().displayName().c_str(), settings->runs);
    std::fflush(stdout);

    for (Subject& s : subjects) bench.runOnce(s, false);  // warm-up: caches, page cache
    const std::size_t n = subjects.size();
    for (int i = 0; i < settings->runs; ++i) {
        // Each round starts one further along, so no subject always follows another.
        for (std::size_t k = 0; k < n; ++k) {
            Subject& s = subjects[(std::size_t(i) + k) % n];
            const auto times = bench.runOnce(s, false);
            s.startMs.push_back(times.frameMs);
            s.readyMs.push_back(times.readyMs);
        }
    }
    for (Subject& s : subjects) bench.runOnce(s, true);

    std::printf("\n%-18s %9s %9s %9s %9s %10s %12s   %s\n", "", "median", "min", "max", "ready",
                "peak RSS", "x floor", "voluntary context switches idling");
    for (const Subject& s : subjects) {
        std::printf(
            "%-18s %6.1f ms %6.1f ms %6.1f ms %6.1f ms %7.1f MB %5.1f / %4.1f   %ld in %d s "
            "(all %d threads: %ld)\n",
            s.label.c_str(), median(s.startMs), minimum(s.startMs), maximum(s.startMs),
            median(s.readyMs), double(s.peakKb) / 1024, median(s.startMs) / median(floor.startMs),
            double(s.peakKb) / double(floor.peakKb), s.voluntaryMain, settings->idleSeconds,
            s.threads, s.voluntaryAll);
    }
    std::printf(
        "\nmedian, min, max: exec to the first complete frame; ready: exec to reading "
        "input (median)\n");
    std::printf("x floor: median start-up / peak RSS, each divided by the floor's\n");
    std::printf("tolvane / floor: %.1f x (medians), %.1f x (minimums)\n",
                median(subjects[0].startMs) / median(floor.startMs),
                minimum(subjects[0].startMs) / minimum(floor.startMs));
    return 0;
}

}  // namespace
}  // namespace tv::bench

int main(int argc, char** argv) {
    try {
        return tv::bench::run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startup_bench: %s\n", e.what());
        return 1;
    }
}
