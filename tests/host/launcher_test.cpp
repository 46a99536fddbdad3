#include "host/launcher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "host/temp_dir.h"

namespace tv {
namespace {

using testing::TempDir;

const std::string kPrefix = "rundll32.exe shell32.dll,Control_RunDLL ";

const char* const kAllPrograms[] = {"gnome-control-center",
                                    "systemsettings",
                                    "xfce4-mime-settings",
                                    "xfce4-display-settings",
                                    "xfce4-accessibility-settings",
                                    "xfce4-about",
                                    "xfce4-power-manager-settings",
                                    "nm-connection-editor",
                                    "arandr",
                                    "jstest-gtk",
                                    "pavucontrol",
                                    "xdg-open"};

// One run of the fake program, as it logged itself.
struct FakeRun {
    std::string argv;  // arguments joined by spaces
    std::string detail;
};

class LauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(bin_);
        setenv("TOLVANE_FAKE_LOG", log_.c_str(), 1);
    }
    void TearDown() override { unsetenv("TOLVANE_FAKE_LOG"); }

    void install(const std::string& name) {
        std::filesystem::create_symlink(TOLVANE_FAKE_PROGRAM, bin_ + "/" + name);
    }
    void installAll() {
        for (const char* p : kAllPrograms) install(p);
    }
    Launcher launcher(const std::string& desktop) const {
        return Launcher(LaunchEnvironment{"/nonexistent:" + bin_, desktop});
    }

    std::vector<FakeRun> runs() const {
        std::vector<FakeRun> out;
        std::istringstream in(testing::readWholeFile(log_));
        std::string line;
        while (std::getline(in, line)) {
            // The last five fields describe the process; the ones before are its argv.
            std::vector<std::string> fields;
            std::istringstream in2(line);
            std::string field;
            while (std::getline(in2, field, '|')) fields.push_back(field);
            FakeRun run;
            const std::size_t argc = fields.size() >= 5 ? fields.size() - 5 : 0;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                std::string& part = i < argc ? run.argv : run.detail;
                if (i < argc && !part.empty()) part += ' ';
                part += fields[i];
                if (i >= argc) part += ' ';
            }
            out.push_back(run);
        }
        return out;
    }

    // The started program runs on its own; wait until it has logged `count` runs.
    std::vector<FakeRun> waitForRuns(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            auto r = runs();
            if (r.size() >= count || std::chrono::steady_clock::now() > deadline) return r;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Runs one command line and returns the argv of what it started ("" for nothing).
    std::string started(const Launcher& l, const std::string& commandLine) {
        const std::size_t before = runs().size();
        if (!l.runCommand(commandLine)) return "";
        const auto r = waitForRuns(before + 1);
        return r.size() > before ? r.back().argv : "(started but never ran)";
    }

    TempDir dir_;
    std::string bin_ = dir_ / "bin";
    std::string log_ = dir_ / "runs.log";
};

struct Row {
    const char* applet;
    const char* gnome;
    const char* kde;
    const char* xfce;
};

// With every program installed, each desktop gets its own page; where it has none, the
// GNOME, KDE, XFCE order decides.
const Row kTable[] = {
    {"Inetcpl.cpl,,0", "gnome-control-center network", "systemsettings kcm_proxy",
     "xfce4-mime-settings"},
    {"telephon.cpl", "gnome-control-center wwan", "systemsettings kcm_networkmanagement",
     "gnome-control-center wwan"},
    {"desk.cpl,,0", "gnome-control-center display", "systemsettings kcm_kscreen",
     "xfce4-display-settings"},
    {"access.cpl,,1", "gnome-control-center universal-access", "systemsettings kcm_access",
     "xfce4-accessibility-settings"},
    {"intl.cpl,,0", "gnome-control-center region", "systemsettings kcm_regionandlang",
     "gnome-control-center region"},
    {"joy.cpl,,0", "systemsettings kcm_joystick", "systemsettings kcm_joystick",
     "systemsettings kcm_joystick"},
    {"mmsys.cpl,,0", "gnome-control-center sound", "systemsettings kcm_pulseaudio",
     "gnome-control-center sound"},
    {"sysdm.cpl,,0", "gnome-control-center info-overview", "systemsettings kcm_about-distro",
     "xfce4-about"},
    {"powercfg.cpl", "gnome-control-center power", "systemsettings kcm_powerdevilprofilesconfig",
     "xfce4-power-manager-settings"},
};

TEST_F(LauncherTest, EachDesktopGetsItsOwnSettingsPage) {
    installAll();
    const Launcher gnome = launcher("ubuntu:GNOME");
    const Launcher kde = launcher("KDE");
    const Launcher xfce = launcher("xfce");  // desktop names match without regard to case
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.applet);
        EXPECT_EQ(started(gnome, kPrefix + row.applet), row.gnome);
        EXPECT_EQ(started(kde, kPrefix + row.applet), row.kde);
        EXPECT_EQ(started(xfce, kPrefix + row.applet), row.xfce);
    }
}

TEST_F(LauncherTest, DesktopIndependentProgramsComeLast) {
    for (const char* p : {"nm-connection-editor", "arandr", "jstest-gtk", "pavucontrol"})
        install(p);
    const Launcher unknown = launcher("X-Cinnamon");
    EXPECT_EQ(started(unknown, kPrefix + "telephon.cpl"), "nm-connection-editor");
    EXPECT_EQ(started(unknown, kPrefix + "desk.cpl,,0"), "arandr");
    EXPECT_EQ(started(unknown, kPrefix + "joy.cpl,,0"), "jstest-gtk");
    EXPECT_EQ(started(unknown, kPrefix + "mmsys.cpl,,0"), "pavucontrol");
    // These have no desktop-independent program: nothing happens.
    for (const char* applet :
         {"Inetcpl.cpl,,0", "access.cpl,,1", "intl.cpl,,0", "sysdm.cpl,,0", "powercfg.cpl"}) {
        EXPECT_EQ(started(unknown, kPrefix + applet), "") << applet;
    }

    install("systemsettings");
    // The desktop's program is missing, so the next in line is used.
    EXPECT_EQ(started(launcher("GNOME"), kPrefix + "desk.cpl,,0"), "systemsettings kcm_kscreen");
    EXPECT_EQ(started(launcher(""), kPrefix + "desk.cpl,,0"), "systemsettings kcm_kscreen");
}

TEST_F(LauncherTest, UnknownCommandLinesStartNothing) {
    installAll();
    const Launcher l = launcher("GNOME");
    const std::string lines[] = {"notepad.exe",
                                 "",
                                 kPrefix + "inetcpl.cpl,,0",
                                 kPrefix + "desk.cpl",
                                 kPrefix + "desk.cpl,,0 ",
                                 "gnome-control-center display",
                                 kPrefix + "desk.cpl,,0; rm -rf /"};
    for (const std::string& line : lines) {
        EXPECT_FALSE(l.runCommand(line)) << line;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(runs().empty());
}

TEST_F(LauncherTest, AProgramThatCannotRunGivesWayToTheNext) {
    // An executable file that is no program: the kernel refuses it.
    testing::writeWholeFile(bin_ + "/gnome-control-center", "not a program\n");
    ::chmod((bin_ + "/gnome-control-center").c_str(), 0755);
    install("systemsettings");
    EXPECT_EQ(started(launcher("GNOME"), kPrefix + "sound.cpl"), "");
    EXPECT_EQ(started(launcher("GNOME"), kPrefix + "mmsys.cpl,,0"),
              "systemsettings kcm_pulseaudio");
}

TEST_F(LauncherTest, StartsDetachedAndLeavesNoZombie) {
    install("arandr");
    // Give the caller the state a careless start would pass on: an ignored signal, a
    // blocked one and a descriptor without close-on-exec.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGUSR1, &ignore, &previous);
    sigset_t usr2;
    sigset_t oldMask;
    sigemptyset(&usr2);
    sigaddset(&usr2, SIGUSR2);
    sigprocmask(SIG_BLOCK, &usr2, &oldMask);
    const int leaked = ::open("/dev/zero", O_RDONLY);

    const bool ok = launcher("").runCommand(kPrefix + "desk.cpl,,0");

    ::close(leaked);
    sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(SIGUSR1, &previous, nullptr);

    ASSERT_TRUE(ok);
    const auto r = waitForRuns(1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].argv, "arandr");
    EXPECT_EQ(r[0].detail, "sid=1 stdin=/dev/null fds=0,1,2 blocked=0 usr1ignored=0 ");

    // The middle process has been reaped and the program is not our child.
    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(LauncherTest, OpensOnlyWebAddresses) {
    install("xdg-open");
    const Launcher l = launcher("GNOME");
    EXPECT_TRUE(l.openAddress("https://tolvane.example/"));
    EXPECT_TRUE(l.openAddress("HTTP://tolvane.example/a b?c=\"d\"&e"));
    for (const char* bad :
         {"", "http://", "https:/x", "file:///etc/passwd", "ftp://host/", "javascript:alert(1)",
          "-http://x", "mailto:a@b", "http://x\n--help", "/usr/bin/xterm"}) {
        EXPECT_FALSE(l.openAddress(bad)) << bad;
    }
    // The two run side by side, so they may log in either order.
    const auto r = waitForRuns(2);
    ASSERT_EQ(r.size(), 2u);
    std::vector<std::string> argvs{r[0].argv, r[1].argv};
    std::sort(argvs.begin(), argvs.end());
    EXPECT_EQ(argvs[0], "xdg-open HTTP://tolvane.example/a b?c=\"d\"&e");
    EXPECT_EQ(argvs[1], "xdg-open https://tolvane.example/");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(runs().size(), 2u);
}

TEST_F(LauncherTest, NothingOnPathStartsNothing) {
    EXPECT_FALSE(launcher("GNOME").runCommand(kPrefix + "desk.cpl,,0"));
    EXPECT_FALSE(launcher("GNOME").openAddress("https://tolvane.example/"));
}

TEST(FindProgram, SearchesOnlyAbsoluteDirectoriesForExecutableFiles) {
    TempDir dir;
    const std::string a = dir / "a";
    const std::string b = dir / "b";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    testing::writeWholeFile(a + "/tool", "#!/bin/sh\n");  // not executable
    ::chmod((a + "/tool").c_str(), 0644);
    std::filesystem::create_directory(a + "/dirtool");  // a directory, not a program
    testing::writeWholeFile(b + "/tool", "#!/bin/sh\n");
    ::chmod((b + "/tool").c_str(), 0755);
    testing::writeWholeFile(b + "/dirtool", "#!/bin/sh\n");
    ::chmod((b + "/dirtool").c_str(), 0755);

    EXPECT_EQ(findProgram("tool", a + ":" + b), b + "/tool");
    EXPECT_EQ(findProgram("dirtool", a + "::" + b + "/"), b + "/dirtool");
    EXPECT_EQ(findProgram("tool", a), std::nullopt);
    EXPECT_EQ(findProgram("b/tool", dir.path()), std::nullopt);
    EXPECT_EQ(findProgram("", b), std::nullopt);

    // Relative and empty entries would search the working directory.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(b);
    EXPECT_EQ(findProgram("tool", ":.:b"), std::nullopt);
    std::filesystem::current_path(cwd);
}

TEST(LaunchCandidates, ListEveryDesktopOnceInOrder) {
    const auto c = launchCandidates(kPrefix + "desk.cpl,,0", "XFCE:KDE:GNOME:XFCE");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0], (std::vector<std::string>{"xfce4-display-settings"}));
    EXPECT_EQ(c[1], (std::vector<std::string>{"systemsettings", "kcm_kscreen"}));
    EXPECT_EQ(c[2], (std::vector<std::string>{"gnome-control-center", "display"}));
    EXPECT_EQ(c[3], (std::vector<std::string>{"arandr"}));
    EXPECT_TRUE(launchCandidates("desk.cpl", "GNOME").empty());
}

}  // namespace
}  // namespace tv
