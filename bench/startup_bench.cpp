// Start-up bench: the program and a bare Xlib floor, run alternately on one private
// Xvfb, so that drift between runs hits both alike. For each it prints the time from
// exec to the first-frame line on stderr (median and min), the peak resident memory
// (VmHWM just before closing) and the voluntary context switches while idling.
// It prints figures and asserts nothing.
//
// usage: startup_bench [--program PATH] [--floor PATH] [--runs N] [--idle SECONDS]

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
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
    std::string title;  // of the window to close
    std::vector<double> startMs;
    long peakKb = 0;
    long voluntaryMain = 0, voluntaryAll = 0;
    int threads = 0;
};

struct Settings {
    std::filesystem::path program;
    std::filesystem::path floor;
    int runs = 15;
    int idleSeconds = 5;
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

    // Starts the subject, waits for its first frame, optionally idles, closes it.
    // Returns the start-up time in milliseconds.
    double runOnce(Subject& subject, bool idle) {
        ChildProcess::Options spawn;
        spawn.argv = {subject.binary.string()};
        spawn.env = env_;
        spawn.stderrPipe = true;
        const auto start = Clock::now();
        ChildProcess child(spawn);
        if (!waitForMarker(child, start + std::chrono::seconds(20)))
            throw std::runtime_error(subject.label + " printed no first-frame line within 20 s");
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

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
        return ms;
    }

  private:
    static bool waitForMarker(ChildProcess& child, Clock::time_point deadline) {
        std::string seen;
        char buffer[4096];
        while (seen.find(kFirstFrameMarker) == std::string::npos) {
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
                 "[--idle SECONDS]\n");
}

std::optional<Settings> parse(int argc, char** argv) {
    Settings s;
#ifdef TOLVANE_BINARY
    s.program = TOLVANE_BINARY;
#endif
    s.floor = TOLVANE_FLOOR;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
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

int run(int argc, char** argv) {
    auto settings = parse(argc, argv);
    if (!settings) {
        usage();
        return 2;
    }
    Subject program{"tolvane", settings->program, "tolvane"};
    Subject floor{"floor (bare Xlib)", settings->floor, "tolvane-floor"};
    Bench bench(*settings);
    std::printf("start-up bench on Xvfb %s 1024x768x24, %d runs each, alternating\n",
                bench.desktop().displayName().c_str(), settings->runs);
    std::fflush(stdout);

    bench.runOnce(program, false);  // warm-up: caches, page cache
    bench.runOnce(floor, false);
    for (int i = 0; i < settings->runs; ++i) {
        // Swap who goes first each round so neither always follows the other.
        Subject& a = i % 2 ? floor : program;
        Subject& b = i % 2 ? program : floor;
        a.startMs.push_back(bench.runOnce(a, false));
        b.startMs.push_back(bench.runOnce(b, false));
    }
    bench.runOnce(program, true);
    bench.runOnce(floor, true);

    std::printf("\n%-18s %9s %9s %9s %10s   %s\n", "", "median", "min", "max", "peak RSS",
                "voluntary context switches idling");
    for (const Subject* s : {&program, &floor}) {
        std::printf(
            "%-18s %6.1f ms %6.1f ms %6.1f ms %7.1f MB   %ld in %d s (all %d threads: %ld)\n",
            s->label.c_str(), median(s->startMs),
            *std::min_element(s->startMs.begin(), s->startMs.end()),
            *std::max_element(s->startMs.begin(), s->startMs.end()), double(s->peakKb) / 1024,
            s->voluntaryMain, settings->idleSeconds, s->threads, s->voluntaryAll);
    }
    std::printf("\ntolvane / floor: %.1f x (medians), %.1f x (minimums)\n",
                median(program.startMs) / median(floor.startMs),
                *std::min_element(program.startMs.begin(), program.startMs.end()) /
                    *std::min_element(floor.startMs.begin(), floor.startMs.end()));
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
