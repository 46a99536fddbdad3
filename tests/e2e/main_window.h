#pragma once
// The real program's main window on a private desktop, for the tests that use it as a
// person would: positions are the layout's window coordinates, colours are read back
// from the screen.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "e2e/e2e_test.h"

namespace tv::e2e {

using namespace std::chrono_literals;

inline const Rgb kDesktopBlue{58, 110, 165};
inline const Rgb kHover{175, 177, 205};
inline const Rgb kItemGrey{232, 232, 232};
inline const Rgb kPageGrey{207, 207, 207};
inline const Rgb kBarBlue{10, 36, 106};
inline const Rgb kWhite{255, 255, 255};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class MainWindowTest : public E2eTest {
  protected:
    // Starts the program and waits for its painted window.
    void start(Environment env = {}, bool windowManager = false) {
        startDesktop({.windowManager = windowManager});
        launchMain(std::move(env));
    }
    // The same on the desktop already started.
    void launchMain(Environment env = {}) {
        App::Options o;
        o.env = std::move(env);
        app_ = &launch(TOLVANE_BINARY, o);
        main_ = app_->waitForWindow("tolvane");
        ASSERT_NE(main_, kNoWindow) << app_->stderrText();
        ASSERT_TRUE(app_->waitForFirstFrame(10s)) << app_->stderrText();
        ASSERT_TRUE(app_->waitForInputReady(10s)) << app_->stderrText();
        origin_ = desktop().geometry(main_)->at(0, 0);
    }
    Point at(int x, int y) const { return {origin_.x + x, origin_.y + y}; }
    Rgb pixel(int x, int y) { return desktop().pixel(at(x, y)); }
    void click(int x, int y) { desktop().click(at(x, y)); }
    bool waitForPixel(int x, int y, Rgb want, std::chrono::milliseconds t = 3s) {
        return waitUntil([&] { return near(pixel(x, y), want, 2); }, t);
    }
    Rect where() { return *desktop().geometry(main_); }
    void openPersonalisation() {
        click(100, 377);  // "网络优化"
        // Generous: a program that just met an input method may take a while to answer.
        ASSERT_TRUE(waitForPixel(420, 190, kPageGrey, 10s));
    }
    // Presses a button that writes the registry and returns the file's text once the
    // button's notice is up; the notice is closed.
    std::string pressAndRead(Point button, const char* file) {
        click(button.x, button.y);
        const WindowId notice = desktop().waitForWindow("托尔万(Tolvane)", 5s);
        EXPECT_NE(notice, kNoWindow) << app_->stderrText();
        std::string text = readFile(app_->registryDir() / file);
        desktop().key("Return");
        return text;
    }

    App* app_ = nullptr;
    WindowId main_ = kNoWindow;
    Point origin_;
};

}  // namespace tv::e2e
