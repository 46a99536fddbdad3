// A monkey on the two real windows: tens of thousands of random presses, moves, releases,
// double-clicks, wheel turns, keys and typed text (Latin and Chinese) at random places,
// with the virtual clock jumping ahead at random and every message box dismissed soon
// after it appears. After every single event the program must still be in a state the
// real program can reach; an error box (an exception that reached the loop) fails at once.
//
//   TOLVANE_MONKEY_SEED    the seed (default kDefaultSeed); a failure prints it
//   TOLVANE_MONKEY_EVENTS  how many events (default sized for a few seconds)
//
// Clicking the close picture ends the program, as it should; the monkey then starts a
// fresh program and goes on.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "app/notices.h"
#include "mainwindow/fixture.h"
#include "widgets/message_box.h"

namespace tv {
namespace {

using platform::Key;
using platform::MouseButton;

constexpr std::uint32_t kDefaultSeed = 20240611;
// A few seconds in the ordinary build, about three times that in the sanitised one.
constexpr long kDefaultEvents = 100000;

long fromEnvironment(const char* name, long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    return *end == 0 && n > 0 ? n : fallback;
}

// Texts the monkey types: Latin, Chinese, mixed, each under the 31 bytes of one event.
// All of them fit code page 936, so writing them to the registry must succeed; text that
// does not fit is refused by the store with an error box, which is tested where the store
// is.
const std::array<const char*, 10> kTexts = {
    "a", "Tolvane", "http://proxy:8080",    "网络", "托尔万", "代理服务器设置", "Ab 安全 9",
    " ", "。，！",  "~!@#$%^&*()_+{}|:<>?",
};

struct KeyStroke {
    Key key;
    std::uint16_t shift;
};
const std::array<KeyStroke, 18> kKeys = {{
    {Key::Tab, 0},
    {Key::Tab, platform::kShift},
    {Key::Space, 0},
    {Key::Return, 0},
    {Key::Escape, 0},
    {Key::Left, 0},
    {Key::Right, platform::kShift},
    {Key::Up, 0},
    {Key::Down, 0},
    {Key::Home, 0},
    {Key::End, platform::kShift},
    {Key::Backspace, 0},
    {Key::Delete, 0},
    {Key::A, platform::kCtrl},
    {Key::C, platform::kCtrl},
    {Key::V, platform::kCtrl},
    {Key::X, platform::kCtrl},
    {Key::PageDown, 0},
}};

class Monkey {
  public:
    explicit Monkey(std::uint32_t seed) : rng_(seed) { start(); }

    // Runs `events` events; "" when every invariant held, else what broke and where.
    std::string run(long events) {
        for (index_ = 0; index_ < events; ++index_) {
            if (!program_->drv.running()) start();
            step();
            std::string broken = checkInvariants();
            if (!broken.empty())
                return "after event " + std::to_string(index_) + " (" + last_ + "): " + broken;
        }
        return "";
    }

    // What the run reached, so a monkey that only ever hit dead space is noticed.
    struct Reach {
        int notices = 0;
        int restarts = 0;
        int aboutOpened = 0;
        std::array<bool, 3> sidebarStates{};
        std::array<bool, 5> pages{};
    } reach;

  private:
    test::Program& p() { return *program_; }

    void start() {
        if (program_) ++reach.restarts;
        program_.reset();  // the old program's thread has ended; a new one starts clean
        program_ = std::make_unique<test::Program>();
        boxesChecked_ = 0;
        held_ = MouseButton::None;
        heldForm_ = nullptr;
        pressedOnClose_ = false;
        closeClicked_ = false;
        doubleStage_ = 0;
        doubleForm_ = nullptr;
        boxAge_ = 0;
        aboutWasShowing_ = false;
    }

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    // The window input goes to: the innermost box, the About dialog while it is open
    // (the main window is disabled under both), or the main window. Now and then the
    // monkey also pokes a window that is disabled at the moment.
    TForm& target() {
        TForm* box = p().drv.topBox();
        if (box && chance(0.6)) return *box;
        if (p().form3.isShowing() && chance(0.85)) return p().form3;
        return p().form1;
    }

    // A message box is gone once dismissed; what the pointer was doing on it goes on in
    // the window that is now on top, as it would on the screen.
    TForm& alive(TForm* f) {
        const auto& forms = p().app.forms();
        if (std::find(forms.begin(), forms.end(), f) != forms.end()) return *f;
        if (TForm* box = p().drv.topBox()) return *box;
        if (p().form3.isShowing()) return p().form3;
        return p().form1;
    }

    // Half the time somewhere on a visible control (so buttons and items get hit),
    // otherwise anywhere in the window, edges included.
    Point randomPoint(TForm& f) {
        const Size size = f.window().size();
        if (chance(0.55)) {
            std::vector<TControl*> shown;
            for (const auto& c : f.components())
                if (auto* ctl = dynamic_cast<TControl*>(c.get()); ctl && ctl->showing())
                    shown.push_back(ctl);
            // The close picture ends the program; hit it less often than the rest so a
            // run gets deep between restarts.
            TControl* pick = nullptr;
            for (int tries = 0; tries < 3 && !shown.empty(); ++tries) {
                pick = shown[std::size_t(uniform(0, int(shown.size()) - 1))];
                if (pick != p().form1.ImageClose) break;
            }
            if (pick) {
                const Rect r = pick->windowRect();
                if (r.right > r.left && r.bottom > r.top)
                    return {std::clamp(uniform(r.left, r.right - 1), 0, size.width - 1),
                            std::clamp(uniform(r.top, r.bottom - 1), 0, size.height - 1)};
            }
        }
        return {uniform(-3, size.width + 2), uniform(-3, size.height + 2)};
    }

    bool onClose(TForm& f, Point at) {
        return &f == &p().form1 && p().form1.ImageClose->windowRect().contains(at);
    }

    // Events the driver has no call for go straight to the platform's queue while the
    // loop waits for the test; an advance of no time then wakes the loop to take them.
    void post(platform::Event e) {
        p().platform.post(e);
        p().drv.advance(0);
    }

    void press(TForm& f, Point at, MouseButton b, int clicks) {
        p().drv.press(f, at, b, clicks);
        held_ = b;
        heldForm_ = &f;
        pressedOnClose_ = b == MouseButton::Left && onClose(f, at);
    }

    void release(Point at) {
        TForm& f = alive(heldForm_);
        const MouseButton b = held_;
        held_ = MouseButton::None;
        heldForm_ = nullptr;
        closeClicked_ =
            b == MouseButton::Left && pressedOnClose_ && onClose(f, at) && p().form1.inputEnabled();
        p().drv.release(f, at, b);
    }

    std::string where(TForm& f, Point at) {
        std::ostringstream s;
        s << f.name() << " (" << at.x << "," << at.y << ")";
        return s.str();
    }

    void step() {
        closeClicked_ = false;
        if (dismissOldBox()) return;
        // A pending double-click finishes first, one event at a time.
        if (doubleStage_ > 0) {
            TForm& f = alive(doubleForm_);
            doubleForm_ = &f;
            switch (doubleStage_++) {
                case 1:
                    last_ = "double-click release 1 at " + where(f, doubleAt_);
                    release(doubleAt_);
                    return;
                case 2:
                    last_ = "double-click press 2 at " + where(f, doubleAt_);
                    press(f, doubleAt_, MouseButton::Left, 2);
                    return;
                default:
                    last_ = "double-click release 2 at " + where(f, doubleAt_);
                    doubleStage_ = 0;
                    release(doubleAt_);
                    return;
            }
        }
        if (held_ != MouseButton::None) {
            // Drag a little, then let go (mostly where the press was, so clicks happen).
            TForm& f = alive(heldForm_);
            heldForm_ = &f;
            const Point at = chance(0.7) ? heldAt_ : randomPoint(f);
            if (chance(0.3)) {
                last_ = "drag to " + where(f, at);
                p().drv.move(f, at);
            } else {
                last_ = "release at " + where(f, at);
                release(at);
            }
            return;
        }
        TForm& f = target();
        const int roll = uniform(0, 99);
        if (roll < 30) {
            const Point at = randomPoint(f);
            last_ = "move to " + where(f, at);
            p().drv.move(f, at);
        } else if (roll < 52) {
            const Point at = randomPoint(f);
            const int b = uniform(0, 9);
            const MouseButton button = b < 8    ? MouseButton::Left
                                       : b == 8 ? MouseButton::Right
                                                : MouseButton::Middle;
            last_ = "press at " + where(f, at);
            p().drv.move(f, at);
            press(f, at, button, 1);
            heldAt_ = at;
        } else if (roll < 56) {
            doubleAt_ = randomPoint(f);
            doubleForm_ = &f;
            last_ = "double-click press 1 at " + where(f, doubleAt_);
            p().drv.move(f, doubleAt_);
            press(f, doubleAt_, MouseButton::Left, 1);
            heldAt_ = doubleAt_;
            doubleStage_ = 1;
        } else if (roll < 61) {
            platform::Event e;
            e.type = platform::EventType::MouseWheel;
            e.window = f.window().id();
            e.pos = randomPoint(f);
            e.screen = f.window().position() + e.pos;
            e.wheel = chance(0.5) ? 1 : -1;
            last_ = "wheel at " + where(f, e.pos);
            post(e);
        } else if (roll < 79) {
            const KeyStroke k = kKeys[std::size_t(uniform(0, int(kKeys.size()) - 1))];
            last_ = "key " + std::to_string(int(k.key)) + " to " + f.name();
            p().drv.key(f, k.key, k.shift);
        } else if (roll < 88) {
            const char* text = kTexts[std::size_t(uniform(0, int(kTexts.size()) - 1))];
            last_ = std::string("text \"") + text + "\" to " + f.name();
            p().drv.type(f, text);
        } else if (roll < 97) {
            // Mostly short waits; now and then long enough for a run to finish.
            const int ms = chance(0.85) ? uniform(1, 1500) : uniform(5000, 40000);
            last_ = "wait " + std::to_string(ms) + " ms";
            p().drv.advance(std::uint64_t(ms));
        } else if (p().app.minimized()) {
            // The task bar brings a minimised program back.
            platform::Event e;
            e.type = platform::EventType::Restored;
            e.window = p().form1.window().id();
            last_ = "restore from the task bar";
            post(e);
        } else {
            const Point at = randomPoint(f);
            last_ = "pointer leaves " + where(f, at);
            platform::Event e;
            e.type = platform::EventType::MouseLeave;
            e.window = f.window().id();
            post(e);
        }
    }

    // A box that has been up for a few events is dismissed, by its button or a key, the
    // way a user gets rid of it.
    bool dismissOldBox() {
        TForm* box = p().drv.topBox();
        if (!box) {
            boxAge_ = 0;
            return false;
        }
        if (held_ != MouseButton::None || doubleStage_ > 0) return false;
        if (++boxAge_ < uniform(2, 8)) return false;
        boxAge_ = 0;
        if (chance(0.5)) {
            last_ = "dismiss the box with its button";
            p().drv.dismissBox();
        } else {
            last_ = "dismiss the box with Return";
            p().drv.key(*box, Key::Return);
        }
        return true;
    }

    std::string checkInvariants() {
        test::Program& g = p();
        // Boxes first: an error box means an exception escaped a handler.
        for (; boxesChecked_ < g.boxes.size(); ++boxesChecked_) {
            const auto& b = g.boxes[boxesChecked_];
            if (b.caption != ProductTitle)
                return "a box captioned \"" + b.caption + "\" saying \"" + b.text + "\"";
            if (std::find(kAllNotices.begin(), kAllNotices.end(), b.text) == kAllNotices.end())
                return "an unknown notice \"" + b.text + "\"";
            ++reach.notices;
        }
        if (!g.drv.running()) {
            if (!closeClicked_) return "the program ended without the close picture";
            return "";
        }
        if (closeClicked_) return "the close picture was clicked but the program runs on";

        TForm1& f = g.form1;
        const int t4 = f.Panel4->top(), t6 = f.Panel6->top();
        const bool v5 = f.Panel5->visible(), v7 = f.Panel7->visible();
        int state = -1;
        if (t4 == 275 && t6 == 300 && !v5 && !v7) state = 0;
        if (t4 == 25 && t6 == 300 && v5 && !v7) state = 1;
        if (t4 == 25 && t6 == 50 && v7) state = 2;
        if (state < 0) {
            std::ostringstream s;
            s << "the sidebar is in no reachable state: Panel4.top " << t4 << ", Panel6.top " << t6
              << ", Panel5 " << (v5 ? "shown" : "hidden") << ", Panel7 "
              << (v7 ? "shown" : "hidden");
            return s.str();
        }
        reach.sidebarStates[std::size_t(state)] = true;

        const std::array<TPanel*, 5> pages = {f.Panel20, f.Panel21, f.Panel22, f.Panel23,
                                              f.Panel24};
        int seen = -1;
        for (int i = 4; i >= 0 && seen < 0; --i)
            if (pages[std::size_t(i)]->visible()) seen = i;
        if (seen < 0) return "no content page is visible";
        reach.pages[std::size_t(seen)] = true;

        for (TPanel* item : {f.Panel9, f.Panel10, f.Panel11, f.Panel12, f.Panel13, f.Panel14,
                             f.Panel15, f.Panel16, f.Panel19}) {
            if (item->color() != kItemGrey && item->color() != kHoverColor)
                return item->name() + " has the colour " + std::to_string(item->color());
        }
        for (TProgressBar* bar : {f.ProgressBar1, f.ProgressBar2, f.ProgressBar3})
            if (bar->position() < 0 || bar->position() > 100)
                return bar->name() + " is at " + std::to_string(bar->position());

        const bool aboutShowing = g.form3.isShowing();
        if (aboutShowing && !aboutWasShowing_) ++reach.aboutOpened;
        aboutWasShowing_ = aboutShowing;
        return "";
    }

    std::mt19937 rng_;
    std::unique_ptr<test::Program> program_;
    long index_ = 0;
    std::string last_ = "start";
    std::size_t boxesChecked_ = 0;
    MouseButton held_ = MouseButton::None;
    TForm* heldForm_ = nullptr;
    Point heldAt_;
    bool pressedOnClose_ = false;
    bool closeClicked_ = false;
    int doubleStage_ = 0;
    TForm* doubleForm_ = nullptr;
    Point doubleAt_;
    int boxAge_ = 0;
    bool aboutWasShowing_ = false;
};

TEST(Monkey, RandomInputKeepsBothWindowsInReachableStates) {
    const auto seed = std::uint32_t(fromEnvironment("TOLVANE_MONKEY_SEED", kDefaultSeed));
    const long events = fromEnvironment("TOLVANE_MONKEY_EVENTS", kDefaultEvents);
    const auto begin = std::chrono::steady_clock::now();
    Monkey monkey(seed);
    const std::string broken = monkey.run(events);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const auto& r = monkey.reach;
    std::printf(
        "monkey: seed %u, %ld events in %.1f s; %d notices, About opened %d times, %d "
        "restarts after the close picture\n",
        seed, events, seconds, r.notices, r.aboutOpened, r.restarts);
    ASSERT_EQ(broken, "") << "TOLVANE_MONKEY_SEED=" << seed << " TOLVANE_MONKEY_EVENTS=" << events;

    // A long enough run reaches every part of the program; if it does not, the monkey
    // is pressing dead space and proves nothing.
    if (events >= 10000) {
        EXPECT_GT(r.notices, 0);
        EXPECT_GT(r.aboutOpened, 0);
        EXPECT_TRUE(
            std::all_of(r.sidebarStates.begin(), r.sidebarStates.end(), [](bool b) { return b; }));
        EXPECT_TRUE(std::all_of(r.pages.begin(), r.pages.end(), [](bool b) { return b; }));
    }
}

}  // namespace
}  // namespace tv
