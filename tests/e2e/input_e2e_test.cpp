// Input as the X server delivers it, with the peers a user has: the window dragged by
// equal and unequal steps, double-clicks, a real input method (fcitx5 with pinyin) and a
// real clipboard peer (xclip).

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

#include "e2e/main_window.h"

namespace tv::e2e {
namespace {

// The personalisation page: Edit1 (title) and Edit2 (logon caption) with their buttons.
constexpr Point kEdit1{368, 98};
constexpr Point kSetTitle{500, 99};
constexpr Point kEdit2{368, 162};
constexpr Point kSetLogon{500, 163};

class InputTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {};

// The window follows the pointer, so during a drag equal steps give motions with the same
// window coordinates: each must still move the window.
struct DragCase {
    const char* name;
    int steps;
    Point step;
    const char* pause;  // seconds between steps
};

const DragCase kDrags[] = {
    {"two equal steps apart", 2, {30, 15}, "0.2"},
    {"forty small equal steps", 40, {2, 1}, "0.01"},
    {"unequal steps", 3, {16, 10}, "0.1"},
    {"one long step", 1, {60, 30}, "0.05"},
};

TEST_P(InputTest, DragsEndExactlyWhereThePointerWent) {
    start({}, /*windowManager=*/GetParam());
    for (const DragCase& c : kDrags) {
        const Rect before = where();
        std::vector<std::string> args = {"mousemove",
                                         std::to_string(before.x + 300),
                                         std::to_string(before.y + 25),
                                         "sleep",
                                         "0.05",
                                         "mousedown",
                                         "1"};
        for (int i = 0; i < c.steps; ++i)
            args.insert(args.end(), {"sleep", c.pause, "mousemove_relative", "--",
                                     std::to_string(c.step.x), std::to_string(c.step.y)});
        args.insert(args.end(), {"sleep", "0.05", "mouseup", "1"});
        desktop().xdotool(args);
        const Point want{before.x + c.steps * c.step.x, before.y + c.steps * c.step.y};
        EXPECT_TRUE(waitUntil([&] { return where().at(0, 0) == want; }, 2s))
            << c.name << ": " << toString(before) << " -> " << toString(where()) << ", want "
            << want.x << "," << want.y;
    }
}

// A double-click selects the word under the pointer with the blanks after it, as the
// classic edit box does; what is typed next replaces it.
TEST_P(InputTest, ADoubleClickSelectsAWordThatTypingReplaces) {
    start({}, /*windowManager=*/GetParam());
    openPersonalisation();
    click(kEdit1.x, kEdit1.y);
    desktop().key("ctrl+a");
    desktop().type("abc def");
    desktop().xdotool({"mousemove", std::to_string(at(290, 98).x), std::to_string(at(290, 98).y),
                       "click", "--repeat", "2", "--delay", "60", "1"});
    desktop().type("Z");
    std::this_thread::sleep_for(100ms);
    const std::string user = pressAndRead(kSetTitle, "HKEY_CURRENT_USER.reg");
    EXPECT_NE(user.find("\"Window Title\"=\"Zdef\""), std::string::npos) << user;
}

// Without an input method, libX11's own composes dead keys and compose sequences. (The
// characters are ones the registry's code page holds.)
using ComposeTest = MainWindowTest;

TEST_F(ComposeTest, DeadKeysAndComposeSequencesTypeTheirCharacters) {
    struct Row {
        const char* keys;  // xdotool key names, one key after the other
        const char* typed;
    };
    const Row rows[] = {
        {"dead_acute e", "é"},
        {"dead_diaeresis u", "ü"},
        {"Multi_key grave a", "à"},
        {"Multi_key minus minus minus", "—"},
    };
    start();
    openPersonalisation();
    click(kEdit1.x, kEdit1.y);
    desktop().key("ctrl+a");
    std::string want;
    for (const Row& r : rows) {
        std::vector<std::string> args = {"key", "--delay", "20"};
        for (std::size_t at = 0, next; at < std::strlen(r.keys); at = next + 1) {
            next = std::string_view(r.keys).find(' ', at);
            if (next == std::string_view::npos) next = std::strlen(r.keys);
            args.emplace_back(r.keys + at, next - at);
        }
        desktop().xdotool(args);
        want += r.typed;
    }
    std::this_thread::sleep_for(100ms);
    const std::string user = pressAndRead(kSetTitle, "HKEY_CURRENT_USER.reg");
    EXPECT_NE(user.find("\"Window Title\"=\"" + want + "\""), std::string::npos) << user;
}

INSTANTIATE_TEST_SUITE_P(Desktop, InputTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Openbox" : "Bare"; });

// Text copied in the program is what another program pastes, and the other way round,
// while the program runs. Only the text types are offered.
using ClipboardTest = MainWindowTest;

TEST_F(ClipboardTest, TheClipboardIsSharedWithAnotherProgram) {
    start();
    openPersonalisation();
    click(kEdit1.x, kEdit1.y);
    desktop().key("ctrl+a");
    desktop().type("复制 copy");
    desktop().key("ctrl+a");
    desktop().key("ctrl+c");
    const std::vector<std::string> paste = {"xclip", "-o", "-selection", "clipboard"};
    std::string out;
    EXPECT_TRUE(waitUntil([&] { return (out = desktop().run(paste).out) == "复制 copy"; })) << out;
    const auto targets = desktop().run({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"});
    EXPECT_EQ(targets.out, "TARGETS\nUTF8_STRING\nSTRING\n");
    const auto latin1 = desktop().run({"xclip", "-o", "-selection", "clipboard", "-t", "STRING"});
    EXPECT_FALSE(latin1.status.ok()) << "Chinese text offered as Latin-1: " << latin1.out;
    const auto image = desktop().run({"xclip", "-o", "-selection", "clipboard", "-t", "image/png"});
    EXPECT_FALSE(image.status.ok()) << image.out;

    // xclip owns the clipboard until the test ends.
    ChildProcess::Options o;
    o.argv = {"sh", "-c", "printf '%s' \"$0\" | exec xclip -quiet -i -selection clipboard",
              "粘贴 paste"};
    o.env = desktop().baseEnvironment();
    ChildProcess owner(o);
    ASSERT_TRUE(waitUntil([&] { return desktop().run(paste).out == "粘贴 paste"; }));
    click(kEdit2.x, kEdit2.y);
    desktop().key("ctrl+a");
    desktop().key("ctrl+v");
    std::this_thread::sleep_for(100ms);
    const std::string machine = pressAndRead(kSetLogon, "HKEY_LOCAL_MACHINE.reg");
    EXPECT_NE(machine.find("\"LegalNoticeCaption\"=\"粘贴 paste\""), std::string::npos) << machine;
}

// fcitx5 with pinyin on a session bus of its own, pinyin the second input method of its
// profile. Its XIM server offers on-the-spot composition (drawn by the edit box at the
// caret) when told to, over-the-spot (its own window at the caret) otherwise.
struct ImCase {
    const char* name;
    bool onTheSpot;
    bool startedLater;  // after the program: it must take the method up when it comes
};

void PrintTo(const ImCase& c, std::ostream* out) {
    *out << c.name;
}

class InputMethodTest : public MainWindowTest, public ::testing::WithParamInterface<ImCase> {
  protected:
    void startInputMethod(bool onTheSpot) {
        const auto& root = dir_.path();
        const auto config = root / "config" / "fcitx5";
        std::filesystem::create_directories(config / "conf");
        std::filesystem::create_directories(root / "runtime");
        ::chmod((root / "runtime").c_str(), 0700);
        std::ofstream(config / "profile") << "[Groups/0]\nName=Default\nDefault Layout=us\n"
                                             "DefaultIM=pinyin\n\n[Groups/0/Items/0]\n"
                                             "Name=keyboard-us\nLayout=\n\n[Groups/0/Items/1]\n"
                                             "Name=pinyin\nLayout=\n\n[GroupOrder]\n0=Default\n";
        std::ofstream(config / "conf" / "xim.conf")
            << "UseOnTheSpot=" << (onTheSpot ? "True" : "False") << "\n";
        env_ = {{"HOME", root.string()},
                {"XDG_CONFIG_HOME", (root / "config").string()},
                {"XDG_RUNTIME_DIR", (root / "runtime").string()},
                {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (root / "bus").string()}};
        ChildProcess::Options bus;
        bus.argv = {"dbus-daemon", "--session", "--nofork",
                    "--address=unix:path=" + (root / "bus").string()};
        bus.env = desktop().baseEnvironment();
        bus_ = std::make_unique<ChildProcess>(bus);
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(root / "bus"); }));
        ChildProcess::Options im;
        im.argv = {"fcitx5", "--disable=wayland,waylandim"};
        im.env = desktop().baseEnvironment();
        for (const auto& [key, value] : env_) im.env[key] = value;
        im.stderrFile = root / "fcitx5.log";
        im_ = std::make_unique<ChildProcess>(im);
        ASSERT_TRUE(waitUntil([&] { return desktop().hasInputMethod("fcitx"); }, 10s))
            << readFile(root / "fcitx5.log");
    }
    // fcitx5-remote prints 2 when the focused input context has the input method on.
    std::string remote(const std::vector<std::string>& args = {}) {
        std::vector<std::string> argv = {"fcitx5-remote"};
        argv.insert(argv.end(), args.begin(), args.end());
        return desktop().run(argv, env_).out;
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        im_.reset();
        bus_.reset();
    }

    TempDir dir_{"tolvane-im"};
    Environment env_;
    std::unique_ptr<ChildProcess> bus_, im_;
};

TEST_P(InputMethodTest, PinyinIsComposedAtTheCaretAndCommitted) {
    const ImCase& c = GetParam();
    startDesktop();
    const Environment env = {{"XMODIFIERS", "@im=fcitx"}};
    if (c.startedLater) {
        ASSERT_NO_FATAL_FAILURE(launchMain(env));
    }
    ASSERT_NO_FATAL_FAILURE(startInputMethod(c.onTheSpot));
    if (!c.startedLater) {
        ASSERT_NO_FATAL_FAILURE(launchMain(env));
    }
    openPersonalisation();
    click(kEdit1.x, kEdit1.y);
    desktop().key("ctrl+a");
    ASSERT_TRUE(waitUntil([&] {
        remote({"-o"});
        return remote() == "2\n";
    })) << "fcitx5 is not on for the edit box";
    const Rect edit{at(276, 88).x, at(276, 88).y, 185, 20};
    const RgbImage before = desktop().grab(edit);
    desktop().type("nihao");
    // The candidate list opens just below the caret, in a window of the input method's.
    auto candidates = [&] {
        for (const WindowInfo& w : desktop().topLevelWindows())
            if (w.viewable && w.overrideRedirect && w.bounds.y >= edit.y + edit.height &&
                w.bounds.y < edit.y + edit.height + 30 && w.bounds.x >= edit.x &&
                w.bounds.x < edit.x + edit.width)
                return true;
        return false;
    };
    EXPECT_TRUE(waitUntil(candidates, 5s));
    // On the spot the edit box draws the composition in place of the selection; over the
    // spot the input method draws it in its own window.
    if (c.onTheSpot) {
        EXPECT_TRUE(waitUntil([&] { return desktop().grab(edit).pixels() != before.pixels(); }));
    }
    // Pinyin loads its dictionary at the first key: the shot waits until the screen holds
    // still.
    const Rect around{edit.x - 10, edit.y - 10, 420, 80};
    RgbImage shot = desktop().grab(around);
    waitUntil([&] {
        std::this_thread::sleep_for(200ms);
        RgbImage again = desktop().grab(around);
        const bool still = again.pixels() == shot.pixels();
        shot = std::move(again);
        return still;
    });
    shot.savePng(artifactPath(".composition.png"));
    desktop().key("space");
    // The candidates go once the text is committed.
    EXPECT_TRUE(waitUntil([&] { return !candidates(); }, 5s));
    const std::string user = pressAndRead(kSetTitle, "HKEY_CURRENT_USER.reg");
    EXPECT_NE(user.find("\"Window Title\"=\"你好\""), std::string::npos) << user;
}

const ImCase kImCases[] = {
    {"OnTheSpot", true, false},
    {"OverTheSpot", false, false},
    {"StartedAfterTheProgram", true, true},
};

INSTANTIATE_TEST_SUITE_P(Fcitx5, InputMethodTest, ::testing::ValuesIn(kImCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tv::e2e
