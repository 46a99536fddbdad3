#pragma once

#include <memory>

#include "gfx/picture.h"
#include "widgets/control.h"

namespace tv {

// A flat speed button. Its state machine:
//
//   state      | event                          | next state, drawing
//   -----------+--------------------------------+-----------------------------------------
//   up         | pointer enters, no capture     | up + hot: raised 1-pixel edge
//   up + hot   | pointer leaves, no press       | up: nothing drawn, the parent shows
//   any        | left press                     | down (+ hot): sunken edge, content +1,+1
//   pressed    | move inside / outside          | down / up (still hot: raised outside)
//   pressed    | release inside                 | up, not hot, repaint, OnClick, then hot
//              |                                | recomputed from the pointer
//   pressed    | release outside                | up, hot recomputed; no click
//
// A double-click is two presses: each fires its own OnClick.
class TSpeedButton : public TControl {
  public:
    explicit TSpeedButton(TForm& form);
    const char* className() const override { return "TSpeedButton"; }

    bool flat() const { return flat_; }
    void setFlat(bool v);
    void setGlyph(std::shared_ptr<const Picture> glyph);
    const Picture* glyph() const { return glyph_.get(); }
    int numGlyphs() const { return numGlyphs_; }

    bool down() const { return down_; }
    bool hot() const { return hot_; }
    bool pressing() const { return pressing_; }

    // Where glyph and caption go, in button coordinates (tests check the layout).
    Point glyphPos() const;
    Rect textRect() const;

    void paint(Canvas& canvas) override;
    void mouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseMove(TShiftState shift, int x, int y) override;
    void mouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseEnter() override;
    void mouseLeave() override;
    void captureLost() override;

  private:
    void layout(Point& glyph, Rect& text) const;
    void setDown(bool v);
    void setHot(bool v);
    bool flat_ = false;
    std::shared_ptr<const Picture> glyph_;
    Pixel glyphTransparent_ = 0;
    int numGlyphs_ = 1;
    bool down_ = false;
    bool hot_ = false;
    bool pressing_ = false;
};

}  // namespace tv
