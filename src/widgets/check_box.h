#pragma once

#include "widgets/control.h"

namespace tv {

// The platform's check-box image, kCheckSize pixels square: a 2-pixel sunken edge around
// a window-white square that holds the 7 x 7 check mark when checked. While the box is
// pushed the square is button face.
constexpr int kCheckSize = 13;
void drawCheckImage(Canvas& canvas, int x, int y, bool checked, bool pushed = false);
// Just the mark, its top-left corner at (x, y).
void drawCheckMark(Canvas& canvas, int x, int y, Pixel color);

// A check box: the box left of the caption, both on the parent's colour.
//
//   state    | event                                  | result
//   ---------+----------------------------------------+------------------------------------
//   idle     | left press (also a double-click's 2nd) | pressing: box drawn pushed
//   pressing | move out of / back into the control    | box drawn normal / pushed
//   pressing | release inside                         | idle, toggled, OnClick
//   pressing | release outside, or capture lost       | idle, unchanged
//   focused  | Space                                  | toggled, OnClick
//
// setChecked with a new value also fires OnClick, as the classic check box does; the
// same value does nothing.
class TCheckBox : public TWinControl {
  public:
    explicit TCheckBox(TForm& form);
    const char* className() const override { return "TCheckBox"; }

    bool checked() const { return checked_; }
    void setChecked(bool v);
    void toggle() { setChecked(!checked_); }

    // Where the box and the caption go, in control coordinates.
    Rect boxRect() const;
    Rect captionRect() const;
    bool pushed() const { return pressing_ && inside_; }

    void paint(Canvas& canvas) override;
    bool canFocus() const override { return true; }
    void mouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseMove(TShiftState shift, int x, int y) override;
    void mouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void captureLost() override;
    void keyDown(platform::Key key, TShiftState shift) override;
    void focusChanged(bool focused) override;

  private:
    bool checked_ = false;
    bool pressing_ = false;
    bool inside_ = false;
};

}  // namespace tv
