#include "host/registry_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
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

bool makeDirectories(const std::string& dir, mode_t mode) {
    if (dir.empty()) return false;
    for (std::size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
        const std::string prefix = dir.substr(0, pos);
        if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), mode) != 0 &&
            errno != EEXIST)
            return false;
        if (pos == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

enum class ReadStatus { Ok, Absent, TooLarge, Failed };

ReadStatus readFile(const std::string& path, std::string& out, struct stat* st) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
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

bool syncDirectory(const std::string& dir) {
    Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

// Writes `contents` to `path` through a temporary file in the same directory. Only this
// process writes the temporary while it holds the lock, so a fixed name is safe, and a
// leftover from a crash is simply replaced.
bool replaceFile(const std::string& dir, const std::string& path, std::string_view contents,
                 mode_t mode, const struct stat* old, const RegistryStore::FaultHook& hook) {
    const std::string temporary = path + ".new";
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) return false;
    Fd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (!fd.valid()) return false;
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
    ok = ok && step(StoreStep::Rename) && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        fd.reset();
        ::unlink(temporary.c_str());
        return false;
    }
    // Without this the rename itself may be lost in a power cut, bringing back the old
    // file after the change was reported as stored.
    return syncDirectory(dir);
}

// Holds the root's lock file under an exclusive flock for its lifetime.
class RootLock {
  public:
    RootLock(const std::string& path, mode_t mode)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode)) {
        if (!fd_.valid()) return;
        int r;
        do {
            r = ::flock(fd_.get(), LOCK_EX);
        } while (r != 0 && errno == EINTR);
        locked_ = r == 0;
    }
    bool locked() const { return locked_; }

  private:
    Fd fd_;
    bool locked_ = false;
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

// Runs `apply(document, changed)` on the freshly read root under the lock and stores the
// result when it reports a change.
namespace {

// Reads and parses a root's file: an absent file is an empty root; one too large or that
// does not parse is damaged.
StoreStatus readRoot(const std::string& path, RegistryRoot root, RegistryDocument& document,
                     struct stat* st, bool* exists) {
    std::string text;
    struct stat local {};
    document = RegistryDocument{};
    document.root = root;
    switch (readFile(path, text, st ? st : &local)) {
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

template <typename Change>
StoreStatus RegistryStore::change(RegistryRoot root, Change&& apply) {
    const std::string& dir = directory(root);
    if (!makeDirectories(dir, directoryMode(root))) return StoreStatus::Unavailable;
    const std::string path = filePath(root);
    RootLock lock(path + ".lock", fileMode(root));
    if (!lock.locked()) return StoreStatus::Unavailable;
    if (::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return StoreStatus::Unavailable;

    struct stat st {};
    RegistryDocument document;
    bool exists = false;
    if (const StoreStatus read = readRoot(path, root, document, &st, &exists);
        read != StoreStatus::Ok)
        return read;
    bool changed = false;
    const StoreStatus status = apply(document, changed);
    if (status != StoreStatus::Ok || !changed) return status;
    const std::string written = serializeRegistry(document);
    // A file larger than the store reads back would lock the root against every later
    // change, so such a change is refused and the old file kept.
    if (written.size() > static_cast<std::size_t>(kMaxFileSize)) return StoreStatus::Unavailable;
    const mode_t mode = exists ? (st.st_mode & 07777) : fileMode(root);
    if (!replaceFile(dir, path, written, mode, exists ? &st : nullptr, faultHook_))
        return StoreStatus::Unavailable;
    return StoreStatus::Ok;
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
    if (const StoreStatus read = readRoot(filePath(root), root, result, nullptr, nullptr);
        read != StoreStatus::Ok)
        return read;
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
