#pragma once
// Hints. The controller is a small state machine driven by the pointer:
//
//   state    | event                                   | next
//   ---------+-----------------------------------------+-----------------------------------
//   idle     | pointer over a hinted control C         | waiting for C (500 ms)
//   waiting  | pointer moves, still over C             | waiting again, a fresh 500 ms
//   waiting  | 500 ms pass                             | showing C's hint (2500 ms)
//   showing  | pointer moves onto another hinted D     | showing D's hint at once
//   showing  | 2500 ms pass                            | idle; C is spent until the pointer
//            |                                         | leaves it or a key or button goes down
//   any      | pointer over no hinted control          | idle (the hint is removed)
//   any      | key, button press or release, wheel,   | idle (the hint is removed)
//            | frame, activation change                |
//
// The hint window is a top-most pop-up that never takes the focus.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "gfx/geometry.h"

namespace tv {

class TApplication;
class TControl;
class TForm;
class THintWindow;

class HintController {
  public:
    static constexpr std::uint64_t kPause = 500;
    static constexpr std::uint64_t kHidePause = 2500;

    explicit HintController(TApplication& app);
    ~HintController();

    // The pointer moved over `control` (null: over nothing of ours, or a frame).
    void pointerMoved(TControl* control, Point screen);
    // A key, a button, the wheel, a frame or an activation change: the hint goes.
    void cancel();
    // The control is going away or hidden.
    void forget(TControl* control);

    std::optional<std::uint64_t> due() const;
    void fire();

    // What tests look at.
    bool showing() const { return bool(window_); }
    const std::string& shownText() const { return shownText_; }
    TForm* window() const;
    TControl* control() const { return control_; }

  private:
    static TControl* hintTarget(TControl* c);
    void show();
    void hide();

    TApplication& app_;
    TControl* control_ = nullptr;  // the hinted control under the pointer
    TControl* spent_ = nullptr;    // its hint timed out; not again until it is left
    Point pointer_;
    std::optional<std::uint64_t> showAt_;
    std::optional<std::uint64_t> hideAt_;
    std::unique_ptr<THintWindow> window_;
    std::string shownText_;
};

}  // namespace tv
