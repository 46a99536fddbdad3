#include "host/registry_store.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <utility>
#include <vector>

namespace tv {

// ---------------------------------------------------------------------------------------
// Where the files live

RegistryDirectories RegistryDirectories::fromEnvironment() {
    auto get = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        if (!v) return std::nullopt;
        return std::string(v);
    };
    return resolve(get("TOLVANE_REGISTRY_DIR"), get("XDG_CONFIG_HOME"), get("HOME"));
}

RegistryDirectories RegistryDirectories::resolve(const std::optional<std::string>& registryDir,
                                                 const std::optional<std::string>& xdgConfigHome,
                                                 const std::optional<std::string>& home) {
    if (registryDir && !registryDir->empty()) return {*registryDir, *registryDir};
    RegistryDirectories dirs;
    dirs.localMachine = "/var/lib/tolvane";
    // A relative XDG_CONFIG_HOME is invalid and must be ignored, so the file never
    // depends on the working directory.
    if (xdgConfigHome && !xdgConfigHome->empty() && xdgConfigHome->front() == '/') {
        dirs.currentUser = *xdgConfigHome + "/tolvane";
        return dirs;
    }
    std::string homeDir = home.value_or("");
    if (homeDir.empty()) {
        std::vector<char> buffer(16384);
        passwd pw{};
        passwd* found = nullptr;
        if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir)
            homeDir = found->pw_dir;
    }
    if (!homeDir.empty() && homeDir.front() == '/') dirs.currentUser = homeDir + "/.config/tolvane";
    return dirs;
}

// ---------------------------------------------------------------------------------------
// File helpers

namespace {

// Larger files are not ours; they are treated as damaged rather than read into memory.
constexpr off_t kMaxFileSize = 16 << 20;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes and reports the result, which for a written file may be the first sign of a
    // failed write.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

mode_t directoryMode(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? 0700 : 0755;
}

// The machine root is readable by everyone, as on the system it imitates; the user's own
// settings are private.
mode_t fileMode(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? 0600 : 0644;
}

// Only the store's owner may take the lock: a lock anyone could open would let any local
// user hold every change of the root.
constexpr mode_t kLockMode = 0600;

// How long a change waits for another process to release the lock, and how often it looks
// again when no release was seen. A change holds the lock for a few milliseconds, so a lock held
// for the whole wait is held on purpose or by a hung process.
constexpr auto kLockWait = std::chrono::milliseconds(2000);
constexpr auto kRecheck = std::chrono::milliseconds(50);

bool makeDirectories(const std::string& dir, mode_t mode) {
    if (dir.empty()) return false;
    for (std::size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
        const std::string prefix = dir.substr(0, pos);
        if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), mode) != 0 &&
            errno != EEXIST)
            return false;
        if (pos == std::string::npos) break;
    }
    return true;
}

// Who must own a root's folder, and whether it may be reached through symbolic links.
struct FolderRule {
    uid_t owner;
    bool machine;  // the machine's own folder: owned by root, never a link
};

FolderRule folderRule(const RegistryDirectories& dirs, RegistryRoot root) {
    if (root == RegistryRoot::LocalMachine && !dirs.shared()) return {dirs.machineOwner, true};
    return {::geteuid(), false};
}

// What keeps a folder from being trusted (see registry_store.h); empty when it passes.
std::string folderRuleBroken(const struct stat& st, const FolderRule& rule) {
    if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return "it is not a folder";
    if (st.st_uid != rule.owner)
        return rule.machine ? "it is not owned by root"
                            : "it is not owned by the user running the program";
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return "users other than its owner may write to it";
    return {};
}

enum class ReadStatus { Ok, Absent, TooLarge, Failed };

ReadStatus readFile(int dir, const std::string& name, std::string& out, struct stat* st) {
    Fd fd(::openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) return errno == ENOENT ? ReadStatus::Absent : ReadStatus::Failed;
    if (::fstat(fd.get(), st) != 0 || !S_ISREG(st->st_mode)) return ReadStatus::Failed;
    if (st->st_size > kMaxFileSize) return ReadStatus::TooLarge;
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadStatus::Failed;
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > static_cast<std::size_t>(kMaxFileSize)) return ReadStatus::TooLarge;
    }
    return ReadStatus::Ok;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes `contents` to `name` in the folder through a temporary file beside it. Only this
// process writes the temporary while it holds the lock, so a fixed name is safe, and a
// leftover from a crash is simply replaced.
StoreStatus replaceFile(int dir, const std::string& name, std::string_view contents, mode_t mode,
                        const struct stat* old, const RegistryStore::FaultHook& hook) {
    const std::string temporary = name + ".new";
    if (::unlinkat(dir, temporary.c_str(), 0) != 0 && errno != ENOENT)
        return StoreStatus::Unavailable;
    Fd fd(::openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                   mode));
    if (!fd.valid()) return StoreStatus::Unavailable;
    auto step = [&](StoreStep s) { return !hook || hook(s); };
    bool ok = ::fchmod(fd.get(), mode) == 0;  // the umask may have narrowed the mode
    if (ok && old && ::geteuid() == 0 && (old->st_uid != 0 || old->st_gid != 0)) {
        // An administrator changing a user's file should not take it away from the user;
        // where ownership cannot be given (no such capability) the change still goes on.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old->st_uid, old->st_gid);
    }
    ok = ok && step(StoreStep::WriteTemporary) && writeAll(fd.get(), contents);
    ok = ok && step(StoreStep::SyncTemporary) && ::fsync(fd.get()) == 0;
    ok = ok && fd.close();
    ok =
        ok && step(StoreStep::Rename) && ::renameat(dir, temporary.c_str(), dir, name.c_str()) == 0;
    if (!ok) {
        fd.reset();
        ::unlinkat(dir, temporary.c_str(), 0);
        return StoreStatus::Unavailable;
    }
    // Without this the rename itself may be lost in a power cut, bringing back the old
    // file. The new file is in place all the same, so a failure here is not a failed
    // change.
    if (!step(StoreStep::SyncFolder) || ::fsync(dir) != 0) return StoreStatus::NotSynced;
    return StoreStatus::Ok;
}

// Holds the root's lock file under an exclusive flock for its lifetime. The wait is
// bounded: flock cannot time out by itself, and a timer would need a signal handler of
// the whole process. So the lock is tried without blocking, and between tries the store
// sleeps in poll() on an inotify watch of the lock file: a holder releases the lock by
// closing the file, which wakes the waiters at once. Without such an event the store
// looks again every kRecheck (a lock released without a close, or no inotify), and once
// kLockWait has passed the change fails as Busy. An uncontended lock costs one try.
class RootLock {
  public:
    RootLock(int dir, const std::string& name)
        : fd_(::openat(dir, name.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockMode)) {
        // Opened read-only: flock needs no more, and an open file being written would keep
        // the file system from being remounted read-only meanwhile.
        if (!fd_.valid()) return;
        // A lock file left by an earlier version may be readable by anyone, and a read-only
        // descriptor is enough for flock; from now on only the owner can open it.
        struct stat st {};
        if (::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
        if ((st.st_mode & 07777) != kLockMode && ::fchmod(fd_.get(), kLockMode) != 0) return;
        if (tryLock()) return;
        Fd watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
        if (watch.valid()) {
            const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
            if (::inotify_add_watch(watch.get(), self.c_str(), IN_CLOSE) < 0) watch.reset();
        }
        const auto deadline = std::chrono::steady_clock::now() + kLockWait;
        while (status_ == StoreStatus::Busy && !tryLock()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return;
            pollfd p{watch.get(), POLLIN, 0};
            const int timeout = int(std::min(left, kRecheck).count());
            if (::poll(&p, watch.valid() ? 1 : 0, timeout) > 0) {
                alignas(inotify_event) char events[4096];
                while (::read(watch.get(), events, sizeof events) > 0) {
                }
            }
        }
    }
    // Ok once the lock is held; Busy when the wait ran out; Unavailable when the lock file
    // cannot be opened or made private.
    StoreStatus status() const { return status_; }

  private:
    // True when trying is over: the lock is held (Ok) or cannot be had (Unavailable).
    bool tryLock() {
        for (;;) {
            if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
                status_ = StoreStatus::Ok;
                return true;
            }
            if (errno == EINTR) continue;
            status_ = errno == EWOULDBLOCK ? StoreStatus::Busy : StoreStatus::Unavailable;
            return status_ != StoreStatus::Busy;
        }
    }

    Fd fd_;
    StoreStatus status_ = StoreStatus::Unavailable;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// The store

RegistryStore::RegistryStore(RegistryDirectories directories, FaultHook faultHook)
    : dirs_(std::move(directories)), faultHook_(std::move(faultHook)) {}

const std::string& RegistryStore::directory(RegistryRoot root) const {
    return root == RegistryRoot::CurrentUser ? dirs_.currentUser : dirs_.localMachine;
}

std::string RegistryStore::filePath(RegistryRoot root) const {
    return directory(root) + "/" + std::string(registryRootName(root)) + ".reg";
}

std::string RegistryStore::folderProblem(RegistryRoot root) const {
    const std::string& dir = directory(root);
    if (dir.empty()) return {};
    if (dir.front() != '/') return "it is not an absolute path";
    const FolderRule rule = folderRule(dirs_, root);
    struct stat st {};
    if ((rule.machine ? ::lstat(dir.c_str(), &st) : ::stat(dir.c_str(), &st)) != 0) return {};
    return folderRuleBroken(st, rule);
}

namespace {

std::string rootFileName(RegistryRoot root) {
    return std::string(registryRootName(root)) + ".reg";
}

// Opens a root's folder and checks it against its rule; `fd` holds it when Ok. With
// `create`, missing folders are made first; without, a folder that does not exist is
// Missing.
StoreStatus openFolder(const RegistryDirectories& dirs, RegistryRoot root, bool create, Fd& fd) {
    const std::string& dir =
        root == RegistryRoot::CurrentUser ? dirs.currentUser : dirs.localMachine;
    if (dir.empty()) return StoreStatus::Unavailable;
    // A relative folder would make the store depend on the working folder.
    if (dir.front() != '/') return StoreStatus::UnsafeFolder;
    if (create && !makeDirectories(dir, directoryMode(root))) return StoreStatus::Unavailable;
    const FolderRule rule = folderRule(dirs, root);
    fd.reset(
        ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (rule.machine ? O_NOFOLLOW : 0)));
    struct stat st {};
    if (!fd.valid()) {
        if (errno == ENOENT) return StoreStatus::Missing;
        // A link where none is allowed, or something else than a folder at that place.
        if ((errno == ELOOP || errno == ENOTDIR) && ::lstat(dir.c_str(), &st) == 0)
            return StoreStatus::UnsafeFolder;
        return StoreStatus::Unavailable;
    }
    if (::fstat(fd.get(), &st) != 0) return StoreStatus::Unavailable;
    return folderRuleBroken(st, rule).empty() ? StoreStatus::Ok : StoreStatus::UnsafeFolder;
}

// Reads and parses a root's file: an absent file is an empty root; one too large or that
// does not parse is damaged.
StoreStatus readRoot(int dir, RegistryRoot root, RegistryDocument& document, struct stat* st,
                     bool* exists) {
    std::string text;
    struct stat local {};
    document = RegistryDocument{};
    document.root = root;
    switch (readFile(dir, rootFileName(root), text, st ? st : &local)) {
        case ReadStatus::Absent:
            return StoreStatus::Ok;
        case ReadStatus::TooLarge:
            return StoreStatus::Damaged;
        case ReadStatus::Failed:
            return StoreStatus::Unavailable;
        case ReadStatus::Ok:
            break;
    }
    RegistryParseResult parsed = parseRegistry(text, root);
    if (!parsed.document) return StoreStatus::Damaged;
    document = std::move(*parsed.document);
    if (exists) *exists = true;
    return StoreStatus::Ok;
}

}  // namespace

// Runs `apply(document, changed)` on the freshly read root under the lock and stores the
// result when it reports a change.
template <typename Change>
StoreStatus RegistryStore::change(RegistryRoot root, Change&& apply) {
    Fd folder;
    if (const StoreStatus s = openFolder(dirs_, root, true, folder); s != StoreStatus::Ok)
        return s == StoreStatus::Missing ? StoreStatus::Unavailable : s;
    const std::string name = rootFileName(root);
    const RootLock lock(folder.get(), name + ".lock");
    if (lock.status() != StoreStatus::Ok) return lock.status();
    if (::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return StoreStatus::Unavailable;

    struct stat st {};
    RegistryDocument document;
    bool exists = false;
    if (const StoreStatus read = readRoot(folder.get(), root, document, &st, &exists);
        read != StoreStatus::Ok)
        return read;
    bool changed = false;
    const StoreStatus status = apply(document, changed);
    if (status != StoreStatus::Ok || !changed) return status;
    const std::string written = serializeRegistry(document);
    // A file larger than the store reads back would lock the root against every later
    // change, so such a change is refused and the old file kept.
    if (written.size() > static_cast<std::size_t>(kMaxFileSize)) return StoreStatus::Unavailable;
    // A rewritten file keeps its permissions, but never the set-id and sticky bits or
    // write access for everyone.
    const mode_t mode = exists ? (st.st_mode & 0777 & ~mode_t(S_IWOTH)) : fileMode(root);
    return replaceFile(folder.get(), name, written, mode, exists ? &st : nullptr, faultHook_);
}

StoreStatus RegistryStore::openKey(RegistryRoot root, std::string_view path,
                                   std::string* canonicalPath) {
    if (!splitKeyPath(path)) return StoreStatus::InvalidName;
    if (canonicalPath) *canonicalPath = std::string(path);
    return change(root, [&](RegistryDocument& doc, bool& changed) {
        // The root itself always exists; it gets a section only once it holds a value.
        if (path.empty()) return StoreStatus::Ok;
        RegistryKeyEntry& key = doc.ensureKey(path, &changed);
        if (canonicalPath) *canonicalPath = key.path;
        return StoreStatus::Ok;
    });
}

StoreStatus RegistryStore::setValue(RegistryRoot root, std::string_view path, std::string_view name,
                                    std::string_view data) {
    if (!splitKeyPath(path) || !isValidValueName(name)) return StoreStatus::InvalidName;
    return change(root, [&](RegistryDocument& doc, bool& changed) {
        changed = doc.ensureKey(path).setValue(name, data);
        return StoreStatus::Ok;
    });
}

StoreStatus RegistryStore::deleteValue(RegistryRoot root, std::string_view path,
                                       std::string_view name) {
    if (!splitKeyPath(path) || !isValidValueName(name)) return StoreStatus::InvalidName;
    return change(root, [&](RegistryDocument& doc, bool& changed) {
        RegistryKeyEntry* key = doc.findKey(path);
        changed = key && key->eraseValue(name);
        return changed ? StoreStatus::Ok : StoreStatus::Missing;
    });
}

StoreStatus RegistryStore::load(RegistryRoot root, RegistryDocument* document) const {
    // Readers need no lock: a change replaces the file in one rename, so a reader sees
    // the old file or the new one.
    RegistryDocument result;
    result.root = root;
    Fd folder;
    const StoreStatus opened = openFolder(dirs_, root, false, folder);
    if (opened != StoreStatus::Ok && opened != StoreStatus::Missing) return opened;
    if (opened == StoreStatus::Ok) {
        if (const StoreStatus read = readRoot(folder.get(), root, result, nullptr, nullptr);
            read != StoreStatus::Ok)
            return read;
    }
    if (document) *document = std::move(result);
    return StoreStatus::Ok;
}

StoreStatus RegistryStore::readValue(RegistryRoot root, std::string_view path,
                                     std::string_view name, std::string* data) const {
    RegistryDocument doc;
    const StoreStatus status = load(root, &doc);
    if (status != StoreStatus::Ok) return status;
    const RegistryKeyEntry* key = doc.findKey(path);
    const RegistryValue* value = key ? key->findValue(name) : nullptr;
    if (!value) return StoreStatus::Missing;
    if (data) *data = value->data;
    return StoreStatus::Ok;
}

}  // namespace tv
