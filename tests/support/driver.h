#pragma once
// Drives a program on the headless backend from a test, in lockstep: the application's
// loop runs on its own thread and the test waits until it is idle (nothing queued, the
// virtual clock where the test left it) before it looks at any state. Nested loops
// (message boxes, the About dialog) are driven the same way, so a test can open a box,
// let time pass under it and press its button.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/headless/headless_platform.h"
#include "widgets/application.h"
#include "widgets/form.h"

namespace tv::test {

class Driver {
  public:
    Driver(platform::HeadlessPlatform& platform, TApplication& app);
    ~Driver();

    // Starts the application's loop and waits until it is idle.
    void start();
    // Ends the loop (as if the platform quit) and joins it.
    void stop();
    bool running() const { return thread_.joinable() && !finished_; }

    // Pointer and keys, in buffer coordinates of the form's window.
    void move(TForm& f, Point p, std::uint16_t shift = 0);
    void press(TForm& f, Point p, platform::MouseButton b = platform::MouseButton::Left,
               int clicks = 1);
    void release(TForm& f, Point p, platform::MouseButton b = platform::MouseButton::Left);
    void click(TForm& f, Point p);
    void doubleClick(TForm& f, Point p);
    // Turns the wheel by `notches`, positive away from the user.
    void wheel(TForm& f, Point p, int notches);
    // Moves onto the centre of a control and clicks it.
    void click(TControl& c);
    void moveTo(TControl& c, Point offset = {-1, -1});
    void key(TForm& f, platform::Key k, std::uint16_t shift = 0);
    void type(TForm& f, const std::string& utf8);
    // The input method's composition so far, its cursor `cursor` characters in.
    void compose(TForm& f, const std::string& utf8, int cursor);
    void closeRequest(TForm& f);
    // Wakes the loop with an event for no window, so it runs what was posted to it.
    void wake();
    // The window system gives the window the keyboard focus, or takes it away (another
    // program was activated).
    void windowFocus(TForm& f, bool gained);
    // The desktop's colours changed (HeadlessPlatform::setSystemColor) and `f` hears of it.
    void colorsChanged(TForm& f);
    // Lets virtual time pass; due timers fire on the way.
    void advance(std::uint64_t ms);
    // The innermost open message box, or null; and pressing its button.
    TForm* topBox() const;
    void dismissBox();

    std::uint64_t now() const { return platform_.now(); }
    // When the idle loop last asked to be woken; nothing: it sleeps until an event comes.
    std::optional<std::uint64_t> wakeAt() const { return wakeAt_; }
    platform::HeadlessPlatform& platform() const { return platform_; }

  private:
    struct Command {
        enum Kind { Post, Advance, Stop } kind;
        platform::Event event;
        std::uint64_t target = 0;
    };
    void submit(const Command& c);
    void onIdle(std::optional<std::uint64_t> deadline);
    platform::Event mouseEvent(TForm& f, platform::EventType t, Point p);

    platform::HeadlessPlatform& platform_;
    TApplication& app_;
    std::thread thread_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Command> commands_;
    bool idle_ = false;
    bool finished_ = false;
    std::uint16_t buttons_ = 0;
    std::optional<std::uint64_t> wakeAt_;
};

}  // namespace tv::test
