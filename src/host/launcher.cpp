#include "host/launcher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>

extern char** environ;

namespace tv {

LaunchEnvironment LaunchEnvironment::fromProcess() {
    LaunchEnvironment env;
    if (const char* path = std::getenv("PATH")) {
        env.searchPath = path;
    } else {
        std::array<char, 1024> buffer{};
        const std::size_t n = ::confstr(_CS_PATH, buffer.data(), buffer.size());
        env.searchPath = n > 0 && n <= buffer.size() ? buffer.data() : "/usr/bin:/bin";
    }
    if (const char* desktop = std::getenv("XDG_CURRENT_DESKTOP")) env.currentDesktop = desktop;
    return env;
}

namespace {

enum class Desktop { Gnome, Kde, Xfce, Any };

// Each applet's stand-ins. GNOME and KDE open a page of their settings program
// (gnome-control-center PAGE, systemsettings MODULE); XFCE and "any desktop" name a
// program of its own. An empty entry means that desktop has no such page.
struct AppletPages {
    std::string_view commandLine;
    std::string_view gnome;
    std::string_view kde;
    std::string_view xfce;
    std::string_view any;
};

constexpr AppletPages kApplets[] = {
    {"rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl,,0", "network", "kcm_proxy",
     "xfce4-mime-settings", ""},
    {"rundll32.exe shell32.dll,Control_RunDLL telephon.cpl", "wwan", "kcm_networkmanagement", "",
     "nm-connection-editor"},
    {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0", "display", "kcm_kscreen",
     "xfce4-display-settings", "arandr"},
    {"rundll32.exe shell32.dll,Control_RunDLL access.cpl,,1", "universal-access", "kcm_access",
     "xfce4-accessibility-settings", ""},
    {"rundll32.exe shell32.dll,Control_RunDLL intl.cpl,,0", "region", "kcm_regionandlang", "", ""},
    {"rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,0", "", "kcm_joystick", "", "jstest-gtk"},
    {"rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl,,0", "sound", "kcm_pulseaudio", "",
     "pavucontrol"},
    {"rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0", "info-overview", "kcm_about-distro",
     "xfce4-about", ""},
    {"rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl", "power",
     "kcm_powerdevilprofilesconfig", "xfce4-power-manager-settings", ""},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::optional<Desktop> desktopNamed(std::string_view name) {
    if (equalsIgnoringCase(name, "GNOME")) return Desktop::Gnome;
    if (equalsIgnoringCase(name, "KDE")) return Desktop::Kde;
    if (equalsIgnoringCase(name, "XFCE")) return Desktop::Xfce;
    return std::nullopt;
}

std::vector<std::string> candidateFor(const AppletPages& applet, Desktop desktop) {
    switch (desktop) {
        case Desktop::Gnome:
            if (applet.gnome.empty()) return {};
            return {"gnome-control-center", std::string(applet.gnome)};
        case Desktop::Kde:
            if (applet.kde.empty()) return {};
            return {"systemsettings", std::string(applet.kde)};
        case Desktop::Xfce:
            if (applet.xfce.empty()) return {};
            return {std::string(applet.xfce)};
        case Desktop::Any:
            if (applet.any.empty()) return {};
            return {std::string(applet.any)};
    }
    return {};
}

}  // namespace

std::vector<std::vector<std::string>> launchCandidates(std::string_view commandLine,
                                                       std::string_view currentDesktop) {
    const AppletPages* applet = nullptr;
    for (const AppletPages& a : kApplets) {
        if (a.commandLine == commandLine) applet = &a;
    }
    if (!applet) return {};

    std::vector<Desktop> order;
    auto add = [&order](Desktop d) {
        for (Desktop seen : order) {
            if (seen == d) return;
        }
        order.push_back(d);
    };
    for (std::size_t start = 0; start <= currentDesktop.size();) {
        std::size_t end = currentDesktop.find(':', start);
        if (end == std::string_view::npos) end = currentDesktop.size();
        if (auto d = desktopNamed(currentDesktop.substr(start, end - start))) add(*d);
        start = end + 1;
    }
    for (Desktop d : {Desktop::Gnome, Desktop::Kde, Desktop::Xfce, Desktop::Any}) add(d);

    std::vector<std::vector<std::string>> result;
    for (Desktop d : order) {
        if (auto argv = candidateFor(*applet, d); !argv.empty()) result.push_back(std::move(argv));
    }
    return result;
}

std::optional<std::string> findProgram(std::string_view program, std::string_view searchPath) {
    if (program.empty() || program.find('/') != std::string_view::npos) return std::nullopt;
    for (std::size_t start = 0; start <= searchPath.size();) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos) end = searchPath.size();
        const std::string_view dir = searchPath.substr(start, end - start);
        start = end + 1;
        if (dir.empty() || dir.front() != '/') continue;
        std::string candidate(dir);
        if (candidate.back() != '/') candidate += '/';
        candidate += program;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::faccessat(AT_FDCWD, candidate.c_str(), X_OK, AT_EACCESS) == 0)
            return candidate;
    }
    return std::nullopt;
}

namespace {

// posix_spawn's attributes and file actions, set up (and allocated) before the fork so
// the middle process only calls posix_spawn, write and _exit.
class SpawnSetup {
  public:
    SpawnSetup() {
        ok_ = posix_spawnattr_init(&attr_) == 0;
        if (!ok_) return;
        attrInit_ = true;
        ok_ = posix_spawn_file_actions_init(&actions_) == 0;
        if (!ok_) return;
        actionsInit_ = true;
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        ok_ = posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
              posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
              posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                   POSIX_SPAWN_SETSIGDEF) == 0 &&
              posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
              posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
    }
    ~SpawnSetup() {
        if (actionsInit_) posix_spawn_file_actions_destroy(&actions_);
        if (attrInit_) posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool ok() const { return ok_; }
    const posix_spawnattr_t* attr() const { return &attr_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

  private:
    posix_spawnattr_t attr_{};
    posix_spawn_file_actions_t actions_{};
    bool attrInit_ = false;
    bool actionsInit_ = false;
    bool ok_ = false;
};

}  // namespace

bool spawnDetached(const std::string& executable, const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    SpawnSetup setup;
    if (!setup.ok()) return false;

    // The middle process reports posix_spawn's result through this pipe.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        pid_t program;
        int error = posix_spawn(&program, executable.c_str(), setup.actions(), setup.attr(),
                                args.data(), environ);
        [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
        ::_exit(0);
    }
    ::close(report[1]);
    int error = -1;
    std::size_t got = 0;
    auto* bytes = reinterpret_cast<char*>(&error);
    while (got < sizeof error) {
        const ssize_t n = ::read(report[0], bytes + got, sizeof error - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(report[0]);
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    return got == sizeof error && error == 0;
}

bool isWebAddress(std::string_view address) {
    std::size_t prefix = 0;
    if (address.size() > 7 && equalsIgnoringCase(address.substr(0, 7), "http://")) prefix = 7;
    if (address.size() > 8 && equalsIgnoringCase(address.substr(0, 8), "https://")) prefix = 8;
    if (prefix == 0) return false;
    for (char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

Launcher::Launcher(LaunchEnvironment environment) : env_(std::move(environment)) {}

bool Launcher::start(const std::vector<std::string>& argv) const {
    const std::optional<std::string> executable = findProgram(argv.front(), env_.searchPath);
    return executable && spawnDetached(*executable, argv);
}

bool Launcher::runCommand(std::string_view commandLine) const {
    // A program that is found but cannot be executed gives way to the next candidate.
    for (const auto& argv : launchCandidates(commandLine, env_.currentDesktop)) {
        if (start(argv)) return true;
    }
    return false;
}

bool Launcher::openAddress(std::string_view address) const {
    if (!isWebAddress(address)) return false;
    return start({"xdg-open", std::string(address)});
}

}  // namespace tv
