#include "host/registry_store.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

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
    RegistryDirectories dirs() const { return {dir_ / "user", dir_ / "machine"}; }
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
    EXPECT_FALSE(h->deleteValue(*key, "x"));
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
    auto h =
        std::make_unique<LinuxHostServices>(RegistryStore({dir_ / "user", dir_ / "plain/machine"}),
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
        EXPECT_FALSE(h->deleteValue(*key, "Window Title"));
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
}

}  // namespace
}  // namespace tv
