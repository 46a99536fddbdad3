// Stands in for a settings program or xdg-open in the launcher's tests. Each run appends
// one line to the file named by TOLVANE_FAKE_LOG:
//   argv0|arg1|...|sid=1|stdin=/dev/null|fds=0,1,2|blocked=0|usr1ignored=0
// (sid: it leads its own session; blocked: SIGUSR2 is blocked; usr1ignored: SIGUSR1 is
// ignored), so a test can check what was started and how it was detached.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) line += '|';
        line += argv[i];
    }
    line += "|sid=" + std::to_string(getsid(0) == getpid() ? 1 : 0);

    char target[256] = {};
    const ssize_t n = readlink("/proc/self/fd/0", target, sizeof target - 1);
    line += "|stdin=" + std::string(n > 0 ? target : "?");

    std::vector<int> fds;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] == '.') continue;
            const int fd = std::atoi(e->d_name);
            if (fd != dirfd(dir)) fds.push_back(fd);
        }
        closedir(dir);
    }
    std::sort(fds.begin(), fds.end());
    line += "|fds=";
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (i > 0) line += ',';
        line += std::to_string(fds[i]);
    }

    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    line += "|blocked=" + std::to_string(sigismember(&mask, SIGUSR2) ? 1 : 0);
    struct sigaction sa {};
    sigaction(SIGUSR1, nullptr, &sa);
    line += "|usr1ignored=" + std::to_string(sa.sa_handler == SIG_IGN ? 1 : 0);
    line += '\n';

    const char* log = std::getenv("TOLVANE_FAKE_LOG");
    if (!log) return 2;
    const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return 3;
    const bool ok = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    close(fd);
    return ok ? 0 : 4;
}
