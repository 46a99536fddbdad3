#pragma once
// A top-level window. The form owns its widgets and timers, its native window and pixel
// buffer, the damage waiting to be painted, the mouse capture and the keyboard focus.
// `bsNone` forms are bare pop-ups; `bsDialog` forms draw the classic dialog frame
// themselves (caption bar with the caption and a close box), so they look the same
// with or without a window manager.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/scale.h"
#include "widgets/control.h"

namespace tv {

class TTimer;

enum class TBorderStyle { bsNone, bsSingle, bsDialog };
enum class TPosition { poDesigned, poScreenCenter };
enum class TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TForm : public TWinControl {
  public:
    TForm(TApplication& app, TBorderStyle style, Size clientSize, platform::WindowRole role);
    ~TForm() override;
    const char* className() const override { return "TForm"; }

    TApplication& application() const { return app_; }
    platform::NativeWindow& window() const { return *window_; }
    TBorderStyle borderStyle() const { return style_; }
    Rect clientArea() const override;
    Size clientSize() const { return clientArea().size(); }

    // Takes ownership of a widget or timer created for this form.
    template <class T, class... A>
    T& make(A&&... args) {
        auto p = std::make_unique<T>(*this, std::forward<A>(args)...);
        T& ref = *p;
        owned_.push_back(std::move(p));
        return ref;
    }
    // Components by name, in creation order.
    TComponent* findComponent(const std::string& name) const;
    const std::vector<std::unique_ptr<TComponent>>& components() const { return owned_; }

    // Showing and hiding. The first showing of a poScreenCenter form centres it.
    void show();
    // Shows without taking the activation (hint windows).
    void showNoActivate();
    void hide();
    platform::WindowRole role() const { return role_; }
    bool isShowing() const { return shown_; }
    TPosition position() const { return position_; }
    void setPosition(TPosition p) { position_ = p; }
    Point screenPos() const { return window_->position(); }
    // The window's size as the screen has it at the window's scale (the form itself is
    // laid out in logical pixels).
    Size screenSize() const {
        return platform::toDevice(Size{width(), height()}, window_->scale());
    }
    void moveTo(Point p) { window_->setPosition(p); }
    void setWindowTitle(const std::string& utf8) { window_->setTitle(utf8); }

    // Closing: a close request (close box, platform) or close().
    virtual void close();
    bool modal() const { return modal_; }
    TModalResult modalResult() const { return modalResult_; }
    void setModalResult(TModalResult r) { modalResult_ = r; }
    // Shows the form modally and runs a nested loop until it closes.
    TModalResult showModal();

    // Windows refuse input while another window is modal over them; disabling one ends
    // any press it holds (a control's, the caption drag, the close box).
    bool inputEnabled() const { return inputEnabled_; }
    void setInputEnabled(bool v);
    // The active window shows the focused control's focus marks and, with the classic
    // frame, the active caption colours.
    bool active() const { return active_; }
    void setActive(bool v);

    // Damage and painting. `invalidateWindow` takes buffer coordinates.
    void invalidateWindow(const Rect& r);
    bool hasDamage() const { return damageCount_ > 0; }
    // Paints every damaged rectangle once and presents just those.
    void paintDamage();
    // Paints the whole window now into its buffer (snapshots, benchmarks).
    void paintAll();
    void paint(Canvas& canvas) override;
    int paintCount() const { return paintCount_; }

    // Input from the application's loop.
    void handleEvent(const platform::Event& e);
    TControl* captureControl() const { return capture_; }
    void setCapture(TControl* c);
    // Takes the mouse away: a control's press, the caption drag and the close box end.
    void releaseCapture();
    TControl* hotControl() const { return hot_; }
    // Where the pointer is now, in buffer coordinates (it may be outside the window).
    Point pointerPos() const;
    bool frameDragging() const { return frameDrag_; }
    bool closeBoxDown() const { return closeBoxDown_; }
    TControl* focusedControl() const { return focus_; }
    void setFocusedControl(TControl* c);
    // With nothing focused, the first visible, enabled tab stop in tab order, depth first.
    void focusFirst();
    void selectNext(bool forward);
    // A control is going away or hidden: drop capture, focus and hot references to it.
    void controlHidden(TControl* c);

    TNotifyEvent OnCreate;
    TNotifyEvent OnClose;  // after the form has been hidden or before the program ends

  protected:
  private:
    void paintFrame(Canvas& canvas);
    Rect captionRect() const;
    Rect closeBoxRect() const;
    void routeMouse(const platform::Event& e);
    // The window system gave the window the keyboard focus, or took it away.
    void windowFocusChanged(bool gained);
    void updateHot(TControl* c);
    void updateCursor(TControl* c);
    void dispatchKey(const platform::Event& e);
    bool frameMouse(const platform::Event& e);
    void endFramePress();
    TControl* controlUnderPointer();
    void collectTabStops(TWinControl* w, std::vector<TControl*>& out);

    TApplication& app_;
    TBorderStyle style_;
    platform::WindowRole role_;
    TPosition position_ = TPosition::poDesigned;
    std::unique_ptr<platform::NativeWindow> window_;
    std::unique_ptr<Canvas> canvas_;
    Pixel* canvasPixels_ = nullptr;
    std::vector<std::unique_ptr<TComponent>> owned_;
    std::array<Rect, 32> damage_{};
    int damageCount_ = 0;
    int paintCount_ = 0;
    bool shown_ = false;
    bool shownOnce_ = false;
    bool modal_ = false;
    bool inputEnabled_ = true;
    bool active_ = false;
    TModalResult modalResult_ = TModalResult::mrNone;
    TControl* capture_ = nullptr;
    TControl* hot_ = nullptr;
    TControl* focus_ = nullptr;
    // The control the last press went to: the platform's double-click counts only when
    // the second press hits the same one.
    TControl* lastPress_ = nullptr;
    TCursor shownCursor_ = TCursor::crDefault;
    // The frame's caption drag and close box.
    bool frameDrag_ = false;
    Point frameDragLast_;
    bool closeBoxPressed_ = false;
    bool closeBoxDown_ = false;
};

}  // namespace tv
