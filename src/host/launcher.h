#pragma once
// Starting other programs. The program asks for Control Panel applets by their command
// lines; on Linux each of them becomes the matching page of the desktop's own settings
// program, found on PATH. Programs are started without a shell, detached from this
// process: a middle process starts the program in a session of its own and exits at
// once, so the program is never this process's child and leaves no zombie, and the
// calling thread waits only for that middle process.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// What the launcher reads from the environment, captured once so tests can give their own.
struct LaunchEnvironment {
    std::string searchPath;      // PATH, a colon-separated list of directories
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"

    // PATH falls back to the system's default search path when unset.
    static LaunchEnvironment fromProcess();
};

// The argument vectors that can stand in for a command line, best first: the pages of
// the desktops named in `currentDesktop` (GNOME, KDE, XFCE, matched without regard to
// case), then GNOME's, KDE's and XFCE's, then a program that works on any desktop.
// Empty for a command line that is not one of the nine applet command lines.
std::vector<std::vector<std::string>> launchCandidates(std::string_view commandLine,
                                                       std::string_view currentDesktop);

// The absolute file name of `program` in the first directory of `searchPath` that holds
// it as an executable regular file. Empty and relative directories are skipped, so the
// working directory is never searched; a program name with '/' is never looked up.
std::optional<std::string> findProgram(std::string_view program, std::string_view searchPath);

// Starts `executable` with `argv` (argv[0] included) and this process's environment,
// detached: a new session, an empty signal mask, every signal at its default action,
// standard input from /dev/null and no descriptors beyond 0-2. True once the program has
// been executed; false when it could not be.
bool spawnDetached(const std::string& executable, const std::vector<std::string>& argv);

// True for the addresses openAddress hands on: http:// or https:// followed by at least
// one character, with no control characters.
bool isWebAddress(std::string_view address);

class Launcher {
  public:
    explicit Launcher(LaunchEnvironment environment = LaunchEnvironment::fromProcess());

    const LaunchEnvironment& environment() const { return env_; }

    // Starts the first candidate of launchCandidates whose program is found and starts.
    // False when the command line is unknown or nothing could be started.
    bool runCommand(std::string_view commandLine) const;
    // Opens a web address with xdg-open; any other address is ignored (false).
    bool openAddress(std::string_view address) const;

  private:
    bool start(const std::vector<std::string>& argv) const;

    LaunchEnvironment env_;
};

}  // namespace tv
