// The tools behind ./run: tolvane-xshot against windows of known colour, and
// tolvane-xclose against a window that records what it receives.

#include "e2e/e2e_test.h"
#include "e2e/probe_window.h"

#include <fstream>
#include <iterator>

#include "gfx/png.h"

namespace tv::e2e {
namespace {

struct Shot {
    ExitStatus status;
    std::string stderrText;
};

class XshotTest : public E2eTest {
  protected:
    Shot xshot(std::vector<std::string> args) { return runTool(TOLVANE_XSHOT, std::move(args)); }
    Shot xclose(std::vector<std::string> args) { return runTool(TOLVANE_XCLOSE, std::move(args)); }

    Shot runTool(const char* tool, std::vector<std::string> args) {
        ChildProcess::Options spawn;
        spawn.argv = {tool};
        spawn.argv.insert(spawn.argv.end(), args.begin(), args.end());
        spawn.env = desktop().baseEnvironment();
        spawn.stderrFile = dir_.path() / "tool.err";
        ExitStatus status = ChildProcess(spawn).waitForExit(10s);
        std::ifstream err(dir_.path() / "tool.err");
        return {status, std::string(std::istreambuf_iterator<char>(err), {})};
    }

    static Image load(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        return loadPng(bytes);
    }

    std::filesystem::path out(const char* name) const { return dir_.path() / name; }

    TempDir dir_;
};

std::string hex(WindowId id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

TEST_F(XshotTest, SavesTheScreenAWindowOrAPartOfIt) {
    startDesktop({.width = 640, .height = 480});
    ProbeWindow probe(desktop(), {100, 50, 200, 100}, "shot", 0x00ff00);
    ASSERT_NE(desktop().waitForWindow("shot"), kNoWindow);
    ASSERT_TRUE(waitUntil([&] { return desktop().pixel({150, 100}) == Rgb{0, 255, 0}; }));

    Shot root = xshot({out("root.png").string(), "--root"});
    ASSERT_TRUE(root.status.ok()) << root.stderrText;
    Image screen = load(out("root.png"));
    EXPECT_EQ(screen.width, 640);
    EXPECT_EQ(screen.height, 480);
    EXPECT_EQ(screen.at(150, 100) & 0xFFFFFF, 0x00FF00u);
    EXPECT_NE(screen.at(10, 10) & 0xFFFFFF, 0x00FF00u);

    Shot window = xshot({out("window.png").string(), hex(probe.id())});
    ASSERT_TRUE(window.status.ok()) << window.stderrText;
    Image inside = load(out("window.png"));
    EXPECT_EQ(inside.width, 200);
    EXPECT_EQ(inside.height, 100);
    EXPECT_EQ(inside.at(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(inside.at(199, 99) & 0xFFFFFF, 0x00FF00u);

    // Relative to the window, and one pixel outside it on the left.
    Shot part = xshot(
        {out("part.png").string(), std::to_string(probe.id()), "--geometry", "-1", "10", "5", "4"});
    ASSERT_TRUE(part.status.ok()) << part.stderrText;
    Image edge = load(out("part.png"));
    EXPECT_EQ(edge.width, 5);
    EXPECT_EQ(edge.height, 4);
    EXPECT_NE(edge.at(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(edge.at(1, 0) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(XshotTest, CutsAWindowToTheVisibleScreen) {
    startDesktop({.width = 640, .height = 480});
    ProbeWindow probe(desktop(), {600, 400, 100, 100}, "edge", 0xff0000);
    ASSERT_NE(desktop().waitForWindow("edge"), kNoWindow);
    Shot shot = xshot({out("edge.png").string(), hex(probe.id())});
    ASSERT_TRUE(shot.status.ok()) << shot.stderrText;
    Image image = load(out("edge.png"));
    EXPECT_EQ(image.width, 40);
    EXPECT_EQ(image.height, 80);
}

TEST_F(XshotTest, RefusesBadRequestsWithoutWritingAFile) {
    startDesktop({.width = 640, .height = 480});
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    };
    // "OUT" stands for the output path.
    const Case cases[] = {
        {{}, 2, "missing OUT.png"},
        {{"OUT", "--root", "extra"}, 2, "unexpected argument"},
        {{"OUT", "0xnothex"}, 2, "bad window id"},
        {{"OUT", "--geometry", "1", "2", "3"}, 2, "needs X Y W H"},
        {{"OUT", "--geometry", "0", "0", "0", "5"}, 2, "positive width"},
        {{"OUT", "0x7fffff"}, 1, "no window 0x7fffff"},
        {{"OUT", "--geometry", "700", "0", "10", "10"}, 1, "off the"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        for (auto& arg : args)
            if (arg == "OUT") arg = out("bad.png").string();
        Shot shot = xshot(args);
        EXPECT_EQ(shot.status.describe(), "exit code " + std::to_string(c.exitCode)) << c.says;
        EXPECT_NE(shot.stderrText.find(c.says), std::string::npos) << shot.stderrText;
        EXPECT_FALSE(std::filesystem::exists(out("bad.png"))) << c.says;
    }
}

TEST_F(XshotTest, XcloseSendsTheCloseRequestAWindowManagerWould) {
    startDesktop({.width = 640, .height = 480});
    ProbeWindow probe(desktop(), {10, 10, 50, 50}, "close me", 0x0000ff);
    ASSERT_NE(desktop().waitForWindow("close me"), kNoWindow);

    Shot sent = xclose({hex(probe.id())});
    ASSERT_TRUE(sent.status.ok()) << sent.stderrText;
    auto message = probe.waitFor(ClientMessage);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->xclient.message_type, XInternAtom(probe.display(), "WM_PROTOCOLS", False));
    EXPECT_EQ(Atom(message->xclient.data.l[0]),
              XInternAtom(probe.display(), "WM_DELETE_WINDOW", False));
    EXPECT_TRUE(desktop().isViewable(probe.id())) << "asked, not destroyed";

    // A window that takes no close requests, or none at all, is an error, not a success.
    XSetWMProtocols(probe.display(), probe.id(), nullptr, 0);
    XSync(probe.display(), False);
    Shot refused = xclose({hex(probe.id())});
    EXPECT_EQ(refused.status.describe(), "exit code 1");
    EXPECT_NE(refused.stderrText.find("takes no close requests"), std::string::npos);
    EXPECT_EQ(xclose({"0x7fffff"}).status.describe(), "exit code 1");
    EXPECT_EQ(xclose({"window"}).status.describe(), "exit code 2");
    EXPECT_EQ(xclose({}).status.describe(), "exit code 2");
}

}  // namespace
}  // namespace tv::e2e
