#pragma once
// The classic vertical scroll bar that memos and check lists draw inside their sunken
// edge. It is not a widget: the owner places it, paints it, hands it the mouse while a
// press that began on it lasts, and hears about new positions through onScroll.
//
// The range is minimum..maximum in lines (or items) and the page is how many of them the
// owner shows at once, so the position runs from minimum to maximum - page + 1. When the
// page covers the whole range the bar cannot scroll: both arrows are greyed and there is
// no thumb, as the platform draws a bar that has nothing to scroll.
//
// A press, by the part it starts on:
//
//   part         | while held                                 | repeat (250 ms, then 50 ms)
//   -------------+--------------------------------------------+-----------------------------
//   up/down      | drawn pushed while the pointer is on it;   | one line, while the pointer
//   arrow        | one line at the press                      | is on the arrow
//   track above/ | that part drawn dark while the pointer is  | one page, while the pointer
//   below thumb  | on it; one page at the press               | is still beyond the thumb
//   thumb        | the position follows the pointer           | none
//
// Release or a lost capture ends the press and stops the repeat.

#include <functional>
#include <memory>

#include "gfx/canvas.h"
#include "gfx/geometry.h"

namespace tv {

class TControl;
class TTimer;

class TScrollBar {
  public:
    // The platform's scroll-bar width and arrow height at 96 pixels per inch.
    static constexpr int kWidth = 16;
    static constexpr int kArrowHeight = 16;
    static constexpr int kMinThumb = 8;
    // Where a vertical bar sits in a control of this size: along the right, inside the
    // 2-pixel sunken edge.
    static constexpr Rect insideEdge(Size control) {
        return {control.width - 2 - kWidth, 2, control.width - 2, control.height - 2};
    }
    static constexpr unsigned kFirstRepeatMs = 250;
    static constexpr unsigned kRepeatMs = 50;

    enum class Part { None, LineUp, PageUp, Thumb, PageDown, LineDown };

    explicit TScrollBar(TControl& owner);
    ~TScrollBar();
    TScrollBar(const TScrollBar&) = delete;
    TScrollBar& operator=(const TScrollBar&) = delete;

    // Where the bar lies, in the owner's coordinates.
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& r);

    // Sets range and page; the position is kept inside the new range. Returns whether the
    // position moved.
    bool setRange(int minimum, int maximum, int page);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int page() const { return page_; }
    int position() const { return pos_; }
    // The largest position: maximum - page + 1, never below minimum.
    int maxPosition() const;
    // Clamps and stores the position; repaints the bar when it moved. Returns whether it
    // moved. onScroll is not called: the owner asked for it.
    bool setPosition(int pos);
    bool scrollable() const { return max_ - min_ + 1 > page_ && page_ > 0; }

    // Geometry, in the owner's coordinates. thumbRect() is empty without a thumb.
    Rect upArrowRect() const;
    Rect downArrowRect() const;
    Rect trackRect() const;
    Rect thumbRect() const;
    Part partAt(Point p) const;

    void paint(Canvas& canvas) const;

    // The mouse, in the owner's coordinates. mouseDown returns false (and does nothing)
    // when p is not on the bar.
    bool mouseDown(Point p);
    void mouseMove(Point p);
    void mouseUp(Point p);
    // The press ends without a release (capture lost, owner hidden).
    void cancel();
    Part pressedPart() const { return pressed_; }
    bool tracking() const { return pressed_ != Part::None; }

    // Called with the new position whenever the user moved it.
    std::function<void(int)> onScroll;

  private:
    void step(Part part);
    void userSetPosition(int pos);
    bool pointerOnPressedPart() const;
    void startRepeat();
    void stopRepeat();
    void repeatTick();
    void invalidate() const;
    void paintArrow(Canvas& canvas, const Rect& r, bool up, bool pushed, bool disabled) const;
    void paintTrack(Canvas& canvas, const Rect& r, bool dark) const;

    TControl& owner_;
    Rect bounds_;
    int min_ = 0;
    int max_ = 0;
    int page_ = 1;
    int pos_ = 0;
    Part pressed_ = Part::None;
    Point pointer_;
    int thumbGrab_ = 0;  // pointer y minus thumb top at the press
    std::unique_ptr<TTimer> repeat_;
    bool repeatFast_ = false;
};

}  // namespace tv
