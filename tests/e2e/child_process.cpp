#include "e2e/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace tv::e2e {

std::string ExitStatus::describe() const {
    switch (kind) {
        case Kind::Exited:
            return "exit code " + std::to_string(value);
        case Kind::Signalled:
            return "killed by signal " + std::to_string(value) + " (" + strsignal(value) + ")";
        case Kind::TimedOut:
            return "still running at the timeout (killed)";
    }
    return "?";
}

std::filesystem::path findInPath(const std::string& program, const std::string& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        std::filesystem::path dir = path.substr(start, end - start);
        if (dir.empty()) dir = ".";
        std::filesystem::path candidate = dir / program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

namespace {

// Everything the forked child needs, prepared before fork: between fork and exec the
// child may only make async-signal-safe calls, so nothing there allocates.
struct ExecPlan {
    std::string path;
    std::vector<std::string> argvStore, envStore;
    std::vector<char*> argv, envp;
    std::string stdoutFile, stderrFile;
};

[[noreturn]] void failInChild(int errorFd, int error) {
    ssize_t ignored = ::write(errorFd, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

int openForChild(const std::string& file) {
    if (file.empty()) return ::open("/dev/null", O_WRONLY);
    return ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
}

}  // namespace

ChildProcess::ChildProcess(Options options) {
    if (options.argv.empty() && options.path.empty())
        throw std::invalid_argument("ChildProcess: empty argv");
    name_ = options.path.empty() ? options.argv.front() : options.path;

    ExecPlan plan;
    plan.path = name_;
    if (plan.path.find('/') == std::string::npos) {
        auto pathVar = options.env.find("PATH");
        auto found =
            findInPath(plan.path, pathVar != options.env.end() ? pathVar->second : "/usr/bin:/bin");
        if (found.empty()) throw std::runtime_error("cannot find " + plan.path + " in PATH");
        plan.path = found.string();
    }
    plan.argvStore = options.argv;
    for (auto& [key, value] : options.env) plan.envStore.push_back(key + "=" + value);
    for (auto& arg : plan.argvStore) plan.argv.push_back(arg.data());
    plan.argv.push_back(nullptr);
    for (auto& entry : plan.envStore) plan.envp.push_back(entry.data());
    plan.envp.push_back(nullptr);
    plan.stdoutFile = options.stdoutFile.string();
    plan.stderrFile = options.stderrFile.string();

    // The child reports a failed exec through this pipe; a successful exec closes it.
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    int outPipe[2] = {-1, -1};
    if (options.stderrPipe && ::pipe2(outPipe, O_CLOEXEC) != 0) {
        ::close(errorPipe[0]);
        ::close(errorPipe[1]);
        throw std::runtime_error("pipe2 failed");
    }

    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        for (int fd : {errorPipe[0], errorPipe[1], outPipe[0], outPipe[1]})
            if (fd >= 0) ::close(fd);
        throw std::runtime_error("fork failed: " + std::string(std::strerror(errno)));
    }
    if (pid_ == 0) {
        const int errorFd = errorPipe[1];
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(127);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &defaults, nullptr);

        // Park the inherited descriptors high so that setting up 0-2 cannot clobber them.
        std::size_t i = 0;
        for (auto& [from, to] : options.inheritFds) {
            (void)to;
            if (::fcntl(from, F_DUPFD, 200 + int(i++)) < 0) failInChild(errorFd, errno);
        }
        int in = ::open("/dev/null", O_RDONLY);
        int out = openForChild(plan.stdoutFile);
        int err = outPipe[1] >= 0 ? outPipe[1] : openForChild(plan.stderrFile);
        if (in < 0 || out < 0 || err < 0) failInChild(errorFd, errno);
        if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            failInChild(errorFd, errno);
        i = 0;
        for (auto& [from, to] : options.inheritFds) {
            (void)from;
            int parked = 200 + int(i++);
            if (::dup2(parked, to) < 0) failInChild(errorFd, errno);
            ::close(parked);
        }
        ::execve(plan.path.c_str(), plan.argv.data(), plan.envp.data());
        failInChild(errorFd, errno);
    }

    ::close(errorPipe[1]);
    if (outPipe[1] >= 0) ::close(outPipe[1]);
    stderrFd_ = outPipe[0];
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(errorPipe[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (got > 0) {
        reap(true);
        if (stderrFd_ >= 0) ::close(stderrFd_);
        throw std::runtime_error("cannot run " + plan.path + ": " + std::strerror(childError));
    }
}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        reap(true);
    }
    if (stderrFd_ >= 0) ::close(stderrFd_);
}

bool ChildProcess::reap(bool block) {
    if (reaped_) return true;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done != pid_) return false;
    reaped_ = true;
    if (WIFSIGNALED(status))
        status_ = {ExitStatus::Kind::Signalled, WTERMSIG(status)};
    else
        status_ = {ExitStatus::Kind::Exited, WEXITSTATUS(status)};
    return true;
}

bool ChildProcess::running() {
    return !reap(false);
}

ExitStatus ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            reap(true);
            return {ExitStatus::Kind::TimedOut, 0};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

ExitStatus ChildProcess::terminate(std::chrono::milliseconds grace) {
    if (!reaped_) ::kill(pid_, SIGTERM);
    return waitForExit(grace);
}

}  // namespace tv::e2e
