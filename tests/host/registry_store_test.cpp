#include "host/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "host/codepage.h"
#include "host/linux_host.h"
#include "host/recording_host.h"
#include "host/temp_dir.h"

namespace tv {
namespace {

using testing::readWholeFile;
using testing::TempDir;
using testing::writeWholeFile;

const std::string kMain = "Software\\Microsoft\\Internet Explorer\\Main";
const std::string kWinlogon = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";

class RegistryStoreTest : public ::testing::Test {
  protected:
    // The machine folder belongs to whoever runs the tests, as root's own folders cannot
    // be made without being root.
    RegistryDirectories dirs() const { return {dir_ / "user", dir_ / "machine", owner_}; }
    // A host over this test's directories; the launcher is never used here.
    std::unique_ptr<LinuxHostServices> host(RegistryStore::FaultHook hook = {}) const {
        return std::make_unique<LinuxHostServices>(RegistryStore(dirs(), std::move(hook)),
                                                   Launcher(LaunchEnvironment{}), nullptr);
    }
    std::string userFile() const { return dir_ / "user/HKEY_CURRENT_USER.reg"; }
    std::string machineFile() const { return dir_ / "machine/HKEY_LOCAL_MACHINE.reg"; }

    // The stored bytes of a value, read by a separate store as another process would.
    std::optional<std::string> stored(RegistryRoot root, const std::string& path,
                                      const std::string& name) const {
        std::string data;
        if (RegistryStore(dirs()).readValue(root, path, name, &data) != StoreStatus::Ok)
            return std::nullopt;
        return data;
    }

    void write(RegistryRoot root, const std::string& path, const std::string& name,
               const std::string& text) {
        auto h = host();
        auto key = h->openKey(root, path);
        ASSERT_TRUE(key);
        h->writeString(*key, name, text);
        h->closeKey(std::move(key));
    }

    TempDir dir_;
    uid_t owner_ = ::geteuid();
};

TEST_F(RegistryStoreTest, TextsRoundTripAsCodePage936) {
    std::string longText;
    for (int i = 0; i < 3000; ++i) longText += "我的电脑";
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "托尔万(Tolvane)");
    write(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption", "");
    write(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeText", longText);
    write(RegistryRoot::CurrentUser, kMain, "Trail", "誠 \\ \"quoted\"");

    EXPECT_EQ(stored(RegistryRoot::CurrentUser, kMain, "Window Title"),
              "\xCD\xD0\xB6\xFB\xCD\xF2(Tolvane)");
    EXPECT_EQ(stored(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption"), "");
    EXPECT_EQ(stored(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeText"),
              utf8ToCp936(longText));
    EXPECT_EQ(stored(RegistryRoot::CurrentUser, kMain, "Trail"), "\xD5\x5C \\ \"quoted\"");
    // The roots are kept apart.
    EXPECT_EQ(stored(RegistryRoot::LocalMachine, kMain, "Window Title"), std::nullopt);

    const std::string user = readWholeFile(userFile());
    EXPECT_EQ(user.rfind("TOLVANE REGISTRY 1\n", 0), 0u);
    EXPECT_NE(user.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]\n"
                        "\"Window Title\"=\"托尔万(Tolvane)\"\n"
                        "\"Trail\"=\"誠 \\\\ \\\"quoted\\\"\"\n"),
              std::string::npos)
        << user;
}

TEST_F(RegistryStoreTest, OpenCreatesTheKeyAndTheKeysAboveIt) {
    auto h = host();
    EXPECT_TRUE(h->openKey(RegistryRoot::CurrentUser, kMain));
    RegistryDocument doc;
    ASSERT_EQ(RegistryStore(dirs()).load(RegistryRoot::CurrentUser, &doc), StoreStatus::Ok);
    ASSERT_EQ(doc.keys.size(), 4u);
    EXPECT_EQ(doc.keys[0].path, "Software");
    EXPECT_EQ(doc.keys[3].path, kMain);

    struct stat st {};
    ASSERT_EQ(::stat(userFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir_ / "user").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists(userFile() + ".new"));

    // Paths the registry cannot hold are refused.
    EXPECT_FALSE(h->openKey(RegistryRoot::CurrentUser, "\\Software"));
    EXPECT_FALSE(h->openKey(RegistryRoot::CurrentUser, "Software\\\\X"));
    EXPECT_FALSE(h->openKey(RegistryRoot::CurrentUser, "Software\\😀"));
}

TEST_F(RegistryStoreTest, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "one");
    write(RegistryRoot::CurrentUser, "SOFTWARE\\microsoft\\INTERNET explorer\\main", "WINDOW TITLE",
          "two");
    RegistryDocument doc;
    ASSERT_EQ(RegistryStore(dirs()).load(RegistryRoot::CurrentUser, &doc), StoreStatus::Ok);
    EXPECT_EQ(doc.keys.size(), 4u);
    const RegistryKeyEntry* key = doc.findKey(kMain);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->path, kMain);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->values[0].name, "Window Title");
    EXPECT_EQ(key->values[0].data, "two");
}

TEST_F(RegistryStoreTest, DeletingReportsWhetherTheValueWasThere) {
    write(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption", "标题");
    auto h = host();
    auto key = h->openKey(RegistryRoot::LocalMachine, kWinlogon);
    ASSERT_TRUE(key);
    EXPECT_FALSE(h->deleteValue(*key, "LegalNoticeText"));
    EXPECT_TRUE(h->deleteValue(*key, "legalnoticecaption"));
    EXPECT_FALSE(h->deleteValue(*key, "LegalNoticeCaption"));
    EXPECT_EQ(stored(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption"), std::nullopt);
    // Deleting never creates a missing file.
    auto userKey = h->openKey(RegistryRoot::CurrentUser, "");
    ASSERT_TRUE(userKey);
    EXPECT_FALSE(h->deleteValue(*userKey, "x"));
    EXPECT_FALSE(std::filesystem::exists(userFile()));
}

TEST_F(RegistryStoreTest, TextOutsideTheCodePageIsRefusedAndNothingWritten) {
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "托尔万");
    const std::string before = readWholeFile(userFile());
    auto h = host();
    auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
    ASSERT_TRUE(key);
    try {
        h->writeString(*key, "Window Title", "托尔万😀");
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Window Title'");
    }
    EXPECT_THROW(h->writeString(*key, "Bad\tName", "x"), RegistryError);
    EXPECT_THROW(h->writeString(*key, "Emoji 😀", "x"), RegistryError);
    EXPECT_EQ(readWholeFile(userFile()), before);
}

TEST_F(RegistryStoreTest, ADamagedFileIsLeftByteForByte) {
    std::filesystem::create_directories(dir_ / "user");
    const std::string damaged =
        "TOLVANE REGISTRY 1\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n";
    writeWholeFile(userFile(), damaged);
    auto h = host();
    auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
    ASSERT_TRUE(key);  // opening still works, as the caller expects
    EXPECT_THROW(h->writeString(*key, "Window Title", "托尔万"), RegistryError);
    EXPECT_THROW(h->deleteValue(*key, "x"), RegistryError);
    h->closeKey(std::move(key));
    EXPECT_EQ(readWholeFile(userFile()), damaged);
    EXPECT_FALSE(std::filesystem::exists(userFile() + ".new"));

    // An empty file is not a registry either.
    writeWholeFile(userFile(), "");
    key = h->openKey(RegistryRoot::CurrentUser, kMain);
    ASSERT_TRUE(key);
    EXPECT_THROW(h->writeString(*key, "Window Title", "x"), RegistryError);
    EXPECT_EQ(readWholeFile(userFile()), "");
}

TEST_F(RegistryStoreTest, AMachineRootThatCannotBeCreatedFailsToOpen) {
    // Tests may run as root, so the directory is made impossible rather than forbidden:
    // it would have to be created under a regular file.
    writeWholeFile(dir_ / "plain", "x");
    auto h = std::make_unique<LinuxHostServices>(
        RegistryStore({dir_ / "user", dir_ / "plain/machine", owner_}),
        Launcher(LaunchEnvironment{}), nullptr);
    EXPECT_EQ(h->openKey(RegistryRoot::LocalMachine, kMain), nullptr);
    EXPECT_EQ(h->openKey(RegistryRoot::LocalMachine, ""), nullptr);
    EXPECT_NE(h->openKey(RegistryRoot::CurrentUser, kMain), nullptr);
    // So does a user root without a home.
    LinuxHostServices homeless(RegistryStore({"", dir_ / "machine"}), Launcher(LaunchEnvironment{}),
                               nullptr);
    EXPECT_EQ(homeless.openKey(RegistryRoot::CurrentUser, kMain), nullptr);
}

TEST_F(RegistryStoreTest, AnOrdinaryUserCannotOpenTheMachineRoot) {
    // The machine root exists and already holds the key; opening it for writing must
    // still fail for someone who may not change it.
    write(RegistryRoot::LocalMachine, kMain, "Window Title", "x");
    const std::string before = readWholeFile(machineFile());
    ::chmod(dir_.path().c_str(), 0755);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As root, become nobody; otherwise take the write permission away.
        const bool dropped = ::geteuid() == 0 ? ::setgid(65534) == 0 && ::setuid(65534) == 0
                                              : ::chmod((dir_ / "machine").c_str(), 0555) == 0;
        if (!dropped) ::_exit(2);
        auto h = host();
        ::_exit(h->openKey(RegistryRoot::LocalMachine, kMain) == nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod((dir_ / "machine").c_str(), 0755);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readWholeFile(machineFile()), before);
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    write(RegistryRoot::CurrentUser, kMain, "Start", "0");
    constexpr int kWrites = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int code = 0;
            try {
                auto h = host();
                for (int i = 0; i < kWrites; ++i) {
                    auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
                    if (!key) {
                        code = 1;
                        break;
                    }
                    h->writeString(*key, "P" + std::to_string(c) + "-" + std::to_string(i),
                                   "值" + std::to_string(i));
                }
            } catch (...) {
                code = 2;
            }
            ::_exit(code);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    RegistryDocument doc;
    ASSERT_EQ(RegistryStore(dirs()).load(RegistryRoot::CurrentUser, &doc), StoreStatus::Ok);
    const RegistryKeyEntry* key = doc.findKey(kMain);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values.size(), 1u + 2 * kWrites);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kWrites; ++i) {
            const RegistryValue* v =
                key->findValue("P" + std::to_string(c) + "-" + std::to_string(i));
            ASSERT_NE(v, nullptr) << c << " " << i;
            EXPECT_EQ(v->data, utf8ToCp936("值" + std::to_string(i)));
        }
    }
}

TEST_F(RegistryStoreTest, AFailedStepLeavesTheOldFileWhole) {
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "旧");
    const std::string before = readWholeFile(userFile());
    for (StoreStep failing :
         {StoreStep::WriteTemporary, StoreStep::SyncTemporary, StoreStep::Rename}) {
        auto h = host([failing](StoreStep s) { return s != failing; });
        auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
        ASSERT_TRUE(key);
        EXPECT_THROW(h->writeString(*key, "Window Title", "新"), RegistryError);
        EXPECT_THROW(h->deleteValue(*key, "Window Title"), RegistryError);
        // Creating a key is a change too: it fails the open.
        EXPECT_EQ(h->openKey(RegistryRoot::CurrentUser, "Software\\New"), nullptr);
        EXPECT_EQ(readWholeFile(userFile()), before);
        EXPECT_FALSE(std::filesystem::exists(userFile() + ".new"));
    }
}

TEST_F(RegistryStoreTest, ACrashBeforeTheRenameLeavesTheOldFileWhole) {
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "旧");
    const std::string before = readWholeFile(userFile());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto h = host([](StoreStep s) {
            if (s == StoreStep::Rename) ::_exit(0);  // dies with the new file written
            return true;
        });
        auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
        if (key) h->writeString(*key, "Window Title", "新");
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readWholeFile(userFile()), before);
    // The leftover temporary does not stand in the way of the next change.
    EXPECT_TRUE(std::filesystem::exists(userFile() + ".new"));
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "新");
    EXPECT_EQ(stored(RegistryRoot::CurrentUser, kMain, "Window Title"), utf8ToCp936("新"));
    EXPECT_FALSE(std::filesystem::exists(userFile() + ".new"));
}

TEST_F(RegistryStoreTest, AFullDiskRaisesTheErrorAndKeepsTheOldFile) {
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "旧");
    const std::string before = readWholeFile(userFile());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file size limit makes the write itself fail, as a full disk does.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        auto h = host();
        auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
        if (!key) ::_exit(1);
        try {
            h->writeString(*key, "Window Title", "新");
        } catch (const RegistryError& e) {
            ::_exit(std::string(e.what()) == "Failed to set data for 'Window Title'" ? 0 : 3);
        }
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readWholeFile(userFile()), before);
}

TEST_F(RegistryStoreTest, KeysFromElsewhereAreRefused) {
    RecordingHost other;
    auto foreign = other.openKey(RegistryRoot::CurrentUser, kMain);
    auto h = host();
    EXPECT_THROW(h->writeString(*foreign, "Window Title", "x"), RegistryError);
    EXPECT_FALSE(h->deleteValue(*foreign, "Window Title"));
    EXPECT_FALSE(std::filesystem::exists(userFile()));
}

// What a change through the host raised; "" when it went through.
std::string changeError(LinuxHostServices& h, RegistryRoot root, bool deleting) {
    auto key = h.openKey(root, kMain);
    if (!key) return "the key did not open";
    try {
        if (deleting)
            h.deleteValue(*key, "Window Title");
        else
            h.writeString(*key, "Window Title", "托尔万");
    } catch (const RegistryError& e) {
        return e.what();
    }
    return "";
}

TEST_F(RegistryStoreTest, FoldersTheStoreDoesNotTrustAreRefusedByName) {
    const bool root = ::geteuid() == 0;
    const std::string good = dir_ / "good";
    struct Row {
        const char* what;
        RegistryRoot root;
        std::function<bool(const std::string& folder)> make;  // false: cannot here
        const char* why;
    };
    namespace fs = std::filesystem;
    auto made = [](const std::string& f, mode_t mode) {
        return fs::create_directory(f) && ::chmod(f.c_str(), mode) == 0;
    };
    auto ownedByNobody = [&](const std::string& f) {
        return root && made(f, 0755) && ::chown(f.c_str(), 65534, 65534) == 0;
    };
    const Row rows[] = {
        {"a link to a good folder", RegistryRoot::LocalMachine,
         [&](const std::string& f) {
             fs::create_directory(good);
             fs::create_directory_symlink(good, f);
             return true;
         },
         "it is a symbolic link"},
        {"group-writable", RegistryRoot::LocalMachine,
         [&](const std::string& f) { return made(f, 0775); },
         "users other than its owner may write to it"},
        {"world-writable", RegistryRoot::CurrentUser,
         [&](const std::string& f) { return made(f, 01777); },
         "users other than its owner may write to it"},
        {"a file", RegistryRoot::LocalMachine,
         [&](const std::string& f) {
             writeWholeFile(f, "");
             return true;
         },
         "it is not a folder"},
        {"owned by another user", RegistryRoot::LocalMachine, ownedByNobody,
         "it is not owned by root"},
        {"owned by another user", RegistryRoot::CurrentUser, ownedByNobody,
         "it is not owned by the user running the program"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(registryRootName(row.root)) + ", " + row.what);
        const std::string folder =
            row.root == RegistryRoot::CurrentUser ? dirs().currentUser : dirs().localMachine;
        for (const std::string& f : {dirs().currentUser, dirs().localMachine, good})
            fs::remove_all(f);
        if (!row.make(folder)) continue;  // owning a folder to another user needs root
        auto h = host();
        const std::string refused = "The registry folder '" + folder + "' is not used: " + row.why +
                                    "; nothing was changed";
        EXPECT_EQ(changeError(*h, row.root, false), refused);
        EXPECT_EQ(changeError(*h, row.root, true), refused);
        if (fs::is_directory(folder)) {
            EXPECT_TRUE(fs::is_empty(folder)) << "files were made";
        }
        // The other root is not affected.
        const RegistryRoot other = row.root == RegistryRoot::CurrentUser
                                       ? RegistryRoot::LocalMachine
                                       : RegistryRoot::CurrentUser;
        EXPECT_EQ(changeError(*h, other, false), "");
    }
    fs::remove_all(dirs().localMachine);

    // The user's folder may be reached through a link, as a linked ~/.config is common.
    fs::remove_all(dirs().currentUser);
    fs::create_directory(good);
    fs::create_directory_symlink(good, dirs().currentUser);
    auto h = host();
    EXPECT_EQ(changeError(*h, RegistryRoot::CurrentUser, false), "");
    EXPECT_TRUE(fs::exists(good + "/HKEY_CURRENT_USER.reg"));

    // One folder for both roots belongs to the user running the program, as the tests'
    // own folders do; another user's is refused.
    const std::string shared = dir_ / "shared";
    LinuxHostServices own(RegistryStore({shared, shared}), Launcher(LaunchEnvironment{}), nullptr);
    EXPECT_EQ(changeError(own, RegistryRoot::LocalMachine, false), "");
    if (root) {
        ASSERT_EQ(::chown(shared.c_str(), 65534, 65534), 0);
        EXPECT_EQ(changeError(own, RegistryRoot::LocalMachine, false),
                  "The registry folder '" + shared +
                      "' is not used: it is not owned by the user running the program; nothing "
                      "was changed");
    }

    // A relative folder would depend on the working folder: refused before anything is
    // made.
    const auto relative = RegistryDirectories::resolve("tolvane-relative", std::nullopt, "/h");
    LinuxHostServices portable(RegistryStore(relative), Launcher(LaunchEnvironment{}), nullptr);
    for (const RegistryRoot r : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        EXPECT_EQ(changeError(portable, r, false),
                  "The registry folder 'tolvane-relative' is not used: it is not an absolute "
                  "path; nothing was changed");
    }
    EXPECT_FALSE(fs::exists("tolvane-relative"));
}

TEST_F(RegistryStoreTest, FilesGetSafeModesAndLocksOnlyTheirOwnerCanOpen) {
    struct Row {
        RegistryRoot root;
        mode_t before;  // 0: no file yet
        mode_t after;
    };
    const Row rows[] = {
        {RegistryRoot::CurrentUser, 0, 0600},      {RegistryRoot::LocalMachine, 0, 0644},
        {RegistryRoot::CurrentUser, 0640, 0640},    // a mode the owner chose is kept
        {RegistryRoot::LocalMachine, 04666, 0664},  // never set-id or world-writable
        {RegistryRoot::LocalMachine, 02757, 0755}, {RegistryRoot::CurrentUser, 01602, 0600},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(registryRootName(row.root)) + " " + std::to_string(row.before));
        std::filesystem::remove_all(dir_ / "user");
        std::filesystem::remove_all(dir_ / "machine");
        const std::string file = row.root == RegistryRoot::CurrentUser ? userFile() : machineFile();
        if (row.before) {
            write(row.root, kMain, "Window Title", "旧");
            ASSERT_EQ(::chmod(file.c_str(), row.before), 0);
            // A lock file made by an earlier version, which anyone could open.
            ASSERT_EQ(::chmod((file + ".lock").c_str(), 0644), 0);
        }
        write(row.root, kMain, "Window Title", "新");
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.after);
        ASSERT_EQ(::stat((file + ".lock").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
    }
}

TEST_F(RegistryStoreTest, ALockHeldElsewhereIsWaitedForAboutTwoSecondsThenChangesNothing) {
    using Clock = std::chrono::steady_clock;
    write(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption", "旧");
    const std::string before = readWholeFile(machineFile());
    // flock locks belong to an open file, so a second open here holds the lock against
    // the store as another process would.
    const int holder = ::open((machineFile() + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    auto h = host();
    const std::string busy = "The registry file '" + machineFile() +
                             "' is locked by another process; nothing was changed";
    const auto start = Clock::now();
    auto key = h->openKey(RegistryRoot::LocalMachine, kWinlogon);
    const auto waited = Clock::now() - start;
    ASSERT_TRUE(key);  // opening fails silently, so the first change says why
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LE(waited, std::chrono::milliseconds(3000));
    try {
        h->writeString(*key, "LegalNoticeCaption", "新");
        ADD_FAILURE() << "the write went through";
    } catch (const RegistryError& e) {
        EXPECT_EQ(e.what(), busy);
    }
    EXPECT_THROW(h->deleteValue(*key, "LegalNoticeCaption"), RegistryError);
    // The key's first refusal stands; there is no second wait.
    EXPECT_LE(Clock::now() - start, waited + std::chrono::milliseconds(200));
    EXPECT_EQ(readWholeFile(machineFile()), before);

    // A lock released during the wait is taken as soon as it is released.
    std::thread release([holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(holder);
    });
    const auto second = Clock::now();
    write(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption", "新");
    const auto took = Clock::now() - second;
    release.join();
    EXPECT_GE(took, std::chrono::milliseconds(250));
    EXPECT_LE(took, std::chrono::milliseconds(1500));
    EXPECT_EQ(stored(RegistryRoot::LocalMachine, kWinlogon, "LegalNoticeCaption"),
              utf8ToCp936("新"));
}

TEST_F(RegistryStoreTest, AChangeStoredButNotSyncedSaysSoInsteadOfFailing) {
    write(RegistryRoot::CurrentUser, kMain, "Window Title", "旧");
    auto h = host([](StoreStep s) { return s != StoreStep::SyncFolder; });
    auto key = h->openKey(RegistryRoot::CurrentUser, kMain);
    ASSERT_TRUE(key);
    const std::string tail =
        "HKEY_CURRENT_USER.reg', but the folder could not be synced to disk; a power cut may "
        "still undo the change";
    const std::string userPrefix = dir_ / "user/";
    try {
        h->writeString(*key, "Window Title", "新");
        ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_EQ(e.what(), "The data for 'Window Title' was stored in '" + userPrefix + tail);
    }
    EXPECT_EQ(stored(RegistryRoot::CurrentUser, kMain, "Window Title"), utf8ToCp936("新"));
    try {
        h->deleteValue(*key, "Window Title");
        ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_EQ(e.what(), "The value 'Window Title' was deleted from '" + userPrefix + tail);
    }
    EXPECT_EQ(stored(RegistryRoot::CurrentUser, kMain, "Window Title"), std::nullopt);
}

TEST(RegistryDirectories, FollowTheEnvironmentRules) {
    auto d = RegistryDirectories::resolve("/portable", "/xdg", "/home/u");
    EXPECT_EQ(d.currentUser, "/portable");
    EXPECT_EQ(d.localMachine, "/portable");
    d = RegistryDirectories::resolve(std::string(), "/xdg", "/home/u");
    EXPECT_EQ(d.currentUser, "/xdg/tolvane");
    EXPECT_EQ(d.localMachine, "/var/lib/tolvane");
    d = RegistryDirectories::resolve(std::nullopt, "relative", "/home/u");
    EXPECT_EQ(d.currentUser, "/home/u/.config/tolvane");
    d = RegistryDirectories::resolve(std::nullopt, std::nullopt, "/home/u");
    EXPECT_EQ(d.currentUser, "/home/u/.config/tolvane");
    EXPECT_FALSE(d.shared());
}

}  // namespace
}  // namespace tv
