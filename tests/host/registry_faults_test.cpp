// The registry store when the machine misbehaves: a full disk, a directory that turns
// read-only, a process killed in the middle of a change, damaged files, several processes
// changing one root at once, and very large texts. Whatever happens, the file on disk is a
// whole version (the old one or the new one), a refused change raises the error the
// program reports, and nothing another process stored is lost.
//
// The full disk and the read-only directory are real: a child process gets a mount
// namespace of its own and mounts a small tmpfs (or a read-only bind) there. Where the
// tests may not mount (not root, or no CAP_SYS_ADMIN) they are skipped; the store's
// FaultHook and RLIMIT_FSIZE tests in registry_store_test.cpp cover the same paths then.

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "host/codepage.h"
#include "host/linux_host.h"
#include "host/registry_store.h"
#include "host/temp_dir.h"

namespace tv {
namespace {

using testing::readWholeFile;
using testing::TempDir;
using testing::writeWholeFile;

const std::string kMain = "Software\\Microsoft\\Internet Explorer\\Main";
const std::string kWinlogon = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
constexpr const char* kSetError = "Failed to set data for 'Window Title'";
constexpr const char* kDeleteError = "Failed to delete value 'Window Title'";

// What deleting a value raised; "" when nothing.
std::string deleteError(LinuxHostServices& h, RegistryKey& key, const std::string& name) {
    try {
        h.deleteValue(key, name);
    } catch (const RegistryError& e) {
        return e.what();
    }
    return "";
}

std::unique_ptr<LinuxHostServices> hostOver(const std::string& dir,
                                            RegistryStore::FaultHook hook = {}) {
    return std::make_unique<LinuxHostServices>(RegistryStore({dir, dir}, std::move(hook)),
                                               Launcher(LaunchEnvironment{}), nullptr);
}

// Writes one value the way the program does; "" or what the store raised.
std::string writeValue(LinuxHostServices& h, const std::string& name, const std::string& text,
                       const std::string& path = kMain) {
    auto key = h.openKey(RegistryRoot::CurrentUser, path);
    if (!key) return "the key did not open";
    try {
        h.writeString(*key, name, text);
    } catch (const RegistryError& e) {
        return e.what();
    }
    h.closeKey(std::move(key));
    return "";
}

// Runs `body` in a forked child and returns what it returned: "" when every check held,
// "skip: why" when the child could not set up its scene, otherwise the failure.
std::string inChild(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
        ::close(fds[0]);
        std::string result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = std::string("exception: ") + e.what();
        }
        const char* p = result.data();
        std::size_t left = result.size();
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= std::size_t(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        result.append(buffer, std::size_t(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child ended with status " + std::to_string(status) + ": " + result;
    return result;
}

#define EXPECT_CHILD_OK(body)                                         \
    do {                                                              \
        const std::string result_ = inChild(body);                    \
        if (result_.rfind("skip: ", 0) == 0) GTEST_SKIP() << result_; \
        EXPECT_EQ(result_, "");                                       \
    } while (0)

// Gives the calling (child) process mounts of its own that nobody else sees.
std::string privateMounts() {
    if (::unshare(CLONE_NEWNS) != 0)
        return std::string("skip: cannot make a mount namespace: ") + std::strerror(errno);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("skip: cannot make mounts private: ") + std::strerror(errno);
    return "";
}

std::string check(bool ok, const std::string& what) {
    return ok ? "" : what;
}

class RegistryFaults : public ::testing::Test {
  protected:
    std::string dir() const { return dir_ / "reg"; }
    std::string file() const { return dir() + "/HKEY_CURRENT_USER.reg"; }
    std::unique_ptr<LinuxHostServices> host(RegistryStore::FaultHook hook = {}) const {
        return hostOver(dir(), std::move(hook));
    }
    std::optional<std::string> stored(const std::string& name,
                                      const std::string& path = kMain) const {
        std::string data;
        if (RegistryStore({dir(), dir()}).readValue(RegistryRoot::CurrentUser, path, name, &data) !=
            StoreStatus::Ok)
            return std::nullopt;
        return data;
    }
    void setTitle(const std::string& text) {
        ASSERT_EQ(writeValue(*host(), "Window Title", text), "");
    }
    // Files in the directory other than the root files and their locks.
    std::vector<std::string> strayFiles() const {
        const std::set<std::string> ours = {"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock",
                                            "HKEY_LOCAL_MACHINE.reg",
                                            "HKEY_LOCAL_MACHINE.reg.lock"};
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir()))
            if (!ours.count(e.path().filename())) out.push_back(e.path().filename());
        return out;
    }

    TempDir dir_;
};

// ---------------------------------------------------------------------------------------
// A full disk

TEST_F(RegistryFaults, AFullDiskRefusesTheChangeAndKeepsTheOldFile) {
    EXPECT_CHILD_OK([this]() -> std::string {
        if (std::string e = privateMounts(); !e.empty()) return e;
        std::filesystem::create_directories(dir());
        if (::mount("tolvane-full", dir().c_str(), "tmpfs", 0, "size=256k,mode=0700") != 0)
            return std::string("skip: cannot mount a tmpfs: ") + std::strerror(errno);
        auto h = host();
        if (std::string e = writeValue(*h, "Window Title", "旧"); !e.empty()) return e;
        const std::string before = readWholeFile(file());

        // Fill every block that is left.
        {
            const int fd = ::open((dir() + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
            const std::string block(4096, 'x');
            while (::write(fd, block.data(), block.size()) > 0) {
            }
            ::close(fd);
        }
        std::string r = writeValue(*h, "Window Title", "新");
        if (r != kSetError) return "a full disk gave: '" + r + "'";
        if (readWholeFile(file()) != before) return "the old file changed on a full disk";
        if (std::filesystem::exists(file() + ".new")) return "the temporary was left behind";
        // Deleting needs a new file too, and says so.
        auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
        if (!key) return "opening an existing key needs no space, yet it failed";
        if (r = deleteError(*h, *key, "Window Title"); r != kDeleteError)
            return "a delete on a full disk gave: '" + r + "'";
        if (readWholeFile(file()) != before) return "the old file changed after a delete";

        // Room for a few blocks, but not for a large value: the disk fills mid-write.
        ::truncate((dir() + "/filler").c_str(), 0);
        {
            const int fd = ::open((dir() + "/filler").c_str(), O_WRONLY);
            const std::string block(4096, 'x');
            for (int i = 0; i < 256 / 4 - 4; ++i)
                if (::write(fd, block.data(), block.size()) <= 0) break;
            ::close(fd);
        }
        std::string big;
        while (big.size() < 64 * 1024) big += "托尔万网络安全";
        r = writeValue(*h, "Window Title", big);
        if (r != kSetError) return "a disk that fills mid-write gave: '" + r + "'";
        if (readWholeFile(file()) != before) return "the old file changed mid-write";
        if (std::filesystem::exists(file() + ".new")) return "the torn temporary was left";

        // Once there is room again, changes go through.
        ::unlink((dir() + "/filler").c_str());
        r = writeValue(*h, "Window Title", big);
        if (!r.empty()) return "after freeing space: " + r;
        return check(stored("Window Title") == utf8ToCp936(big), "the big value read back wrong");
    });
}

// ---------------------------------------------------------------------------------------
// A read-only directory

TEST_F(RegistryFaults, ADirectoryTurnedReadOnlyRefusesTheChangeAndKeepsTheOldFile) {
    std::filesystem::create_directories(dir());
    setTitle("旧");
    const std::string before = readWholeFile(file());
    EXPECT_CHILD_OK([this]() -> std::string {
        if (std::string e = privateMounts(); !e.empty()) return e;
        // A read-only bind of the directory over itself: root is refused too (EROFS),
        // as with a file system mounted read-only.
        auto readOnly = [this]() {
            return ::mount(dir().c_str(), dir().c_str(), nullptr, MS_BIND, nullptr) == 0 &&
                   ::mount(nullptr, dir().c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                           nullptr) == 0;
        };

        // Turned read-only between opening the key and writing to it.
        auto h = host();
        auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
        if (!key) return "the key did not open";
        if (!readOnly()) return std::string("skip: cannot bind read-only: ") + std::strerror(errno);
        try {
            h->writeString(*key, "Window Title", "新");
            return "a write to a read-only directory went through";
        } catch (const RegistryError& e) {
            if (std::string(e.what()) != kSetError) return std::string("wrong error: ") + e.what();
        }
        if (std::string r = deleteError(*h, *key, "Window Title"); r != kDeleteError)
            return "a delete in a read-only directory gave: '" + r + "'";
        if (h->openKey(RegistryRoot::CurrentUser, kMain) != nullptr)
            return "a read-only root opened for writing";
        std::string data;
        if (h->store().readValue(RegistryRoot::CurrentUser, kMain, "Window Title", &data) !=
                StoreStatus::Ok ||
            data != utf8ToCp936("旧"))
            return "reading a read-only root failed";
        return "";
    });
    EXPECT_EQ(readWholeFile(file()), before);
}

TEST_F(RegistryFaults, ADirectoryTurnedReadOnlyJustBeforeTheRenameKeepsTheOldFile) {
    std::filesystem::create_directories(dir());
    setTitle("旧");
    const std::string before = readWholeFile(file());
    EXPECT_CHILD_OK([this]() -> std::string {
        if (std::string e = privateMounts(); !e.empty()) return e;
        std::string failure;
        // The temporary is written and closed; only the rename is left when the
        // directory turns read-only (a file system remounted read-only on an error does
        // this). The store works in the folder it opened, so the mount it sees turns
        // read-only: a bind of the directory over itself first. A remount is refused while
        // a file is open for writing, so earlier steps are left to the FaultHook tests.
        if (::mount(dir().c_str(), dir().c_str(), nullptr, MS_BIND, nullptr) != 0)
            return std::string("skip: cannot bind: ") + std::strerror(errno);
        auto h = host([&](StoreStep s) {
            if (s != StoreStep::Rename) return true;
            if (::mount(nullptr, dir().c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                        nullptr) != 0)
                failure = std::string("skip: cannot bind read-only: ") + std::strerror(errno);
            return true;
        });
        const std::string r = writeValue(*h, "Window Title", "新");
        if (!failure.empty()) return failure;
        return check(r == kSetError, "a rename on a read-only directory gave: '" + r + "'");
    });
    // The bind was the child's alone: here the directory is writable again and the old
    // file is whole; the leftover temporary does not stop the next change.
    EXPECT_EQ(readWholeFile(file()), before);
    setTitle("新");
    EXPECT_EQ(stored("Window Title"), utf8ToCp936("新"));
    EXPECT_TRUE(strayFiles().empty());
}

// ---------------------------------------------------------------------------------------
// Killed mid-write

TEST_F(RegistryFaults, AProcessKilledAtAnyMomentLeavesTheOldOrTheNewVersion) {
    // Each change i stores "i:" and a text whose length depends on i, so a value read
    // back tells which change it came from and whether it is whole. The writer reports
    // each change once the store has returned; the file must then hold that change or the
    // one that was under way when the kill came.
    auto valueFor = [](int i) {
        std::string v = std::to_string(i) + ":";
        v.append(std::size_t(2000 + (i * 7919) % 30000), char('a' + i % 26));
        return v;
    };
    std::mt19937 rng(20240611);
    int kills = 0;
    for (int round = 0; round < 25; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const int first = round * 1000;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            auto h = host();
            for (int i = first;; ++i) {
                if (!writeValue(*h, "Window Title", valueFor(i)).empty()) ::_exit(3);
                if (::write(fds[1], &i, sizeof i) != sizeof i) ::_exit(4);
            }
        }
        ::close(fds[1]);
        // Anywhere from before the first change to a few dozen changes in.
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 30000)(rng)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;
        ++kills;
        int confirmed = -1;
        for (int i; ::read(fds[0], &i, sizeof i) == sizeof i;) confirmed = i;
        ::close(fds[0]);

        RegistryDocument doc;
        ASSERT_EQ(RegistryStore({dir(), dir()}).load(RegistryRoot::CurrentUser, &doc),
                  StoreStatus::Ok)
            << "round " << round << ": the file does not parse:\n"
            << readWholeFile(file()).substr(0, 400);
        const auto data = stored("Window Title");
        if (!data) {
            // Only before the first change of the first round is there nothing.
            EXPECT_TRUE(round == 0 && confirmed < 0) << "round " << round << " lost its value";
            continue;
        }
        const int found = std::stoi(*data);
        EXPECT_EQ(*data, valueFor(found)) << "round " << round << ": a torn value";
        // Killed before its first change was confirmed, the round left the previous
        // round's value or its own first one.
        if (confirmed >= 0)
            EXPECT_TRUE(found == confirmed || found == confirmed + 1)
                << "round " << round << ": confirmed " << confirmed << ", found " << found;
        else
            EXPECT_LE(found, first) << "round " << round;
    }
    EXPECT_EQ(kills, 25);
    // After all that, the next change goes through and leaves nothing behind.
    setTitle("终");
    EXPECT_EQ(stored("Window Title"), utf8ToCp936("终"));
    EXPECT_TRUE(strayFiles().empty());
}

// ---------------------------------------------------------------------------------------
// Damaged files

TEST_F(RegistryFaults, DamagedFilesAreLeftByteForByteAndEveryChangeIsRefused) {
    const std::string valid =
        "TOLVANE REGISTRY 1\n\n[HKEY_CURRENT_USER\\Software]\n\"A\"=hex(1):b1,0a,\\\n  ed\n";
    std::string huge = "TOLVANE REGISTRY 1\n\n[HKEY_CURRENT_USER\\Software]\n\"A\"=\"";
    huge.append(17u << 20, 'x');
    huge += "\"\n";
    const std::pair<const char*, std::string> cases[] = {
        {"no header", "[HKEY_CURRENT_USER\\Software]\n"},
        {"cut inside a hex continuation", valid.substr(0, valid.size() - 4)},
        {"cut inside quotes", "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A]\n\"Window Ti"},
        {"a zero byte", std::string("TOLVANE REGISTRY 1\n\0\n", 21)},
        {"invalid UTF-8", "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\\xC3\x28]\n"},
        {"a key of the other root", "TOLVANE REGISTRY 1\n[HKEY_LOCAL_MACHINE\\Software]\n"},
        {"the same value twice",
         "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n"
         "\"X\"=\"2\"\n"},
        {"binary garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"larger than any file the store writes", huge},
    };
    // The cases are written for the user's root; for the machine's the two root names
    // trade places.
    auto forRoot = [](RegistryRoot root, std::string text) {
        if (root == RegistryRoot::CurrentUser) return text;
        for (std::size_t at = 0; (at = text.find("HKEY_", at)) != std::string::npos; at += 5) {
            if (text.compare(at, 17, "HKEY_CURRENT_USER") == 0)
                text.replace(at, 17, "HKEY_LOCAL_MACHINE");
            else if (text.compare(at, 18, "HKEY_LOCAL_MACHINE") == 0)
                text.replace(at, 18, "HKEY_CURRENT_USER");
        }
        return text;
    };
    std::filesystem::create_directories(dir());
    for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        const std::string path = dir() + "/" + std::string(registryRootName(root)) + ".reg";
        const std::string damaged = "The registry file '" + path +
                                    "' is damaged and was left untouched; repair or remove it";
        for (const auto& [what, text] : cases) {
            SCOPED_TRACE(std::string(registryRootName(root)) + ": " + what);
            const std::string contents = forRoot(root, text);
            writeWholeFile(path, contents);
            auto h = host();
            auto key = h->openKey(root, kMain);
            ASSERT_TRUE(key);  // opening still works, as the program expects
            try {
                h->writeString(*key, "Window Title", "托尔万");
                ADD_FAILURE() << "the write went through";
            } catch (const RegistryError& e) {
                EXPECT_EQ(e.what(), damaged);
            }
            EXPECT_EQ(deleteError(*h, *key, "A"), damaged);
            EXPECT_TRUE(readWholeFile(path) == contents) << "the damaged file was changed";
            EXPECT_TRUE(strayFiles().empty());
        }
        std::filesystem::remove(path);
    }
}

TEST_F(RegistryFaults, ARootFileThatIsASymbolicLinkIsNeitherFollowedNorReplaced) {
    std::filesystem::create_directories(dir());
    const std::string elsewhere = dir_ / "elsewhere.reg";
    writeWholeFile(elsewhere, "TOLVANE REGISTRY 1\n");
    std::filesystem::create_symlink(elsewhere, file());
    auto h = host();
    EXPECT_EQ(h->openKey(RegistryRoot::CurrentUser, kMain), nullptr);
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(readWholeFile(elsewhere), "TOLVANE REGISTRY 1\n");
}

// ---------------------------------------------------------------------------------------
// Several processes at once

TEST_F(RegistryFaults, ManyProcessesChangingOneRootLoseNothingAndReadersNeverSeeATornFile) {
    // Each writer sets its own values, overwrites some and deletes others, so the outcome
    // of every process is known exactly; a reader loads the root all along.
    constexpr int kWriters = 4;
    constexpr int kValues = 60;
    setTitle("0");
    auto name = [](int w, int i) { return "W" + std::to_string(w) + "-" + std::to_string(i); };
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto h = host();
            for (int i = 0; i < kValues; ++i)
                if (!writeValue(*h, name(w, i), "第一" + std::to_string(i)).empty()) ::_exit(1);
            for (int i = 0; i < kValues; i += 2)
                if (!writeValue(*h, name(w, i), "第二" + std::to_string(i)).empty()) ::_exit(2);
            for (int i = 0; i < kValues; i += 3) {
                auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
                if (!key || !h->deleteValue(*key, name(w, i))) ::_exit(3);
            }
            ::_exit(0);
        }
        writers.push_back(child);
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        ::close(fds[1]);
        int loads = 0;
        RegistryStore store({dir(), dir()});
        // Until the parent closes the pipe.
        for (;;) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 0) > 0) break;
            RegistryDocument doc;
            if (store.load(RegistryRoot::CurrentUser, &doc) != StoreStatus::Ok) ::_exit(1);
            ++loads;
        }
        ::_exit(loads > 0 ? 0 : 2);
    }
    ::close(fds[0]);
    for (pid_t child : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ::close(fds[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(reader, &status, 0), reader);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the reader saw a file it could not load: " << status;

    RegistryDocument doc;
    ASSERT_EQ(RegistryStore({dir(), dir()}).load(RegistryRoot::CurrentUser, &doc), StoreStatus::Ok);
    const RegistryKeyEntry* key = doc.findKey(kMain);
    ASSERT_NE(key, nullptr);
    std::size_t expected = 1;
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValues; ++i) {
            const RegistryValue* v = key->findValue(name(w, i));
            if (i % 3 == 0) {
                EXPECT_EQ(v, nullptr) << name(w, i) << " came back";
                continue;
            }
            ++expected;
            ASSERT_NE(v, nullptr) << name(w, i) << " was lost";
            EXPECT_EQ(v->data, utf8ToCp936((i % 2 == 0 ? "第二" : "第一") + std::to_string(i)))
                << name(w, i);
        }
    }
    EXPECT_EQ(key->values.size(), expected);
}

// ---------------------------------------------------------------------------------------
// Large texts

TEST_F(RegistryFaults, AMegabyteTextIsStoredAndReadBackExactly) {
    std::string chinese;
    while (chinese.size() < (1u << 20)) chinese += "欢迎使用托尔万网络安全工具。";
    // Line breaks and tabs go into the file as hex bytes: three characters for each.
    std::string lines;
    while (lines.size() < (1u << 20)) lines += "第一行\r\n\tSecond line \\ \"quoted\"\n";
    for (const std::string* text : {&chinese, &lines}) {
        setTitle(*text);
        EXPECT_TRUE(stored("Window Title") == utf8ToCp936(*text)) << "the text came back changed";
    }
    // The file stays loadable for every later change.
    setTitle("短");
    EXPECT_EQ(stored("Window Title"), utf8ToCp936("短"));
}

TEST_F(RegistryFaults, ATextTooLargeForTheStoreIsRefusedNotWrittenAsAnUnreadableFile) {
    setTitle("旧");
    const std::string before = readWholeFile(file());
    // Control characters are stored as hex, three file bytes for each text byte, so this
    // would make a file of about 18 MB: more than the store reads back.
    const std::string text(6u << 20, '\n');
    auto h = host();
    auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
    ASSERT_TRUE(key);
    try {
        h->writeString(*key, "Window Title", text);
        ADD_FAILURE() << "the write went through";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), kSetError);
    }
    EXPECT_TRUE(readWholeFile(file()) == before) << "the old file was replaced";
    EXPECT_TRUE(strayFiles().empty());
    setTitle("新");
    EXPECT_EQ(stored("Window Title"), utf8ToCp936("新"));
}

}  // namespace
}  // namespace tv
