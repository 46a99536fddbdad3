#pragma once
// A child process for the end-to-end tests and the bench: started with an exact
// environment, stdin from /dev/null, stdout and stderr to files or a pipe, and killed
// when the process that started it dies, so a test killed on timeout leaves no Xvfb or
// program behind.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tv::e2e {

using Environment = std::map<std::string, std::string>;

// How a child ended, as a test wants to print it.
struct ExitStatus {
    enum class Kind { Exited, Signalled, TimedOut };
    Kind kind = Kind::Exited;
    int value = 0;  // the exit code, or the signal number

    bool ok() const { return kind == Kind::Exited && value == 0; }
    std::string describe() const;  // "exit code 0", "killed by signal 11 (Segmentation fault)"
};

class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> argv;  // argv[0] is looked up in PATH when it has no '/'
        std::string path;  // when set, the file to run; argv is then what it sees, even empty
        Environment env;   // the whole environment; nothing is inherited
        std::filesystem::path stdoutFile;  // empty: /dev/null
        std::filesystem::path stderrFile;  // empty: /dev/null, unless stderrPipe
        bool stderrPipe = false;           // read stderr through stderrFd() instead
        // Descriptors of this process handed to the child under another number, e.g. a
        // pipe's write end as fd 3 for Xvfb's -displayfd.
        std::vector<std::pair<int, int>> inheritFds;
    };

    // Throws std::runtime_error when the program cannot be started at all.
    explicit ChildProcess(Options options);
    ~ChildProcess();  // kills and reaps a child that is still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& name() const { return name_; }
    bool running();
    int stderrFd() const { return stderrFd_; }  // -1 unless Options::stderrPipe

    // Waits for the child to end; past the timeout it is killed and the result says
    // TimedOut.
    ExitStatus waitForExit(std::chrono::milliseconds timeout);
    // SIGTERM, then SIGKILL if it is still there after the grace period.
    ExitStatus terminate(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

  private:
    bool reap(bool block);

    std::string name_;
    pid_t pid_ = -1;
    int stderrFd_ = -1;
    bool reaped_ = false;
    ExitStatus status_;
};

// The full path of a program found in PATH, or empty.
std::filesystem::path findInPath(const std::string& program, const std::string& path);

}  // namespace tv::e2e
