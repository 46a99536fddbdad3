#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/control.h"
#include "widgets/scroll_bar.h"

namespace tv {

// A list of items, each with a flat check box in a column at its left, in a sunken edge.
// Items are as high as "Wg" in the list's font. When they do not all fit, the classic
// vertical bar appears on the right and the items narrow by its width.
//
// A left press, by where it lands:
//
//   where                          | result
//   -------------------------------+---------------------------------------------------
//   an item's check column (x-L<15)| the item is selected, then toggled (OnClickCheck)
//   an item's text                 | the item is selected
//   below the last item            | nothing (the list only takes the focus)
//   the scroll bar                 | the bar's own press (see TScrollBar)
//
// The second press of a double-click is a press like the first, so a double-click in the
// check column leaves the state as it was. Dragging with the button held moves the
// selection. Space toggles the selected item (nothing when none is selected); Up, Down,
// Home, End, PageUp and PageDown move the selection and scroll it into view; typed
// characters select the first item that begins with what was typed, and a pause of
// 500 ms or more starts the search afresh.
class TCheckListBox : public TWinControl {
  public:
    static constexpr int kCheckColumn = 15;  // the 13-pixel box and a pixel either side
    static constexpr std::uint64_t kSearchPauseMs = 500;

    explicit TCheckListBox(TForm& form);
    const char* className() const override { return "TCheckListBox"; }

    const std::vector<std::string>& items() const { return items_; }
    // Replaces the items: all unchecked, none selected, scrolled to the top.
    void setItems(std::vector<std::string> items);
    int count() const { return int(items_.size()); }
    int itemHeight() const;

    // Item i's checked state. Throws std::out_of_range unless 0 <= i < count().
    bool checked(int i) const;
    // A new state is stored and only that item's check column repainted; the same state
    // does nothing. Fires no event. Throws std::out_of_range for a bad index.
    void setChecked(int i, bool v);

    // The selected item, -1 for none. Setting -1 clears the selection; any other index
    // must be valid (std::out_of_range) and is scrolled into view.
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int i);
    // The first item shown, and how many whole items the list shows.
    int topIndex() const { return top_; }
    void setTopIndex(int i);
    int pageSize() const;

    // Geometry, in control coordinates: the area the items are drawn in (inside the edge,
    // left of the bar), one item's rectangle, and the item under a point (-1 for none).
    Rect itemsRect() const;
    Rect itemRect(int i) const;
    int itemAt(Point p) const;
    bool scrollBarVisible() const { return !bar_.bounds().empty(); }
    const TScrollBar& scrollBar() const { return bar_; }

    // Fires when the user toggles an item (mouse or Space), after the toggle.
    TNotifyEvent OnClickCheck;
    // Toggles item i as the user does, firing OnClickCheck.
    void userToggle(int i);

    Rect clientArea() const override { return clientRect().inflated(-2); }
    void paint(Canvas& canvas) override;
    bool canFocus() const override { return true; }
    void mouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseMove(TShiftState shift, int x, int y) override;
    void mouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseWheel(int delta, TShiftState shift) override;
    void captureLost() override;
    void keyDown(platform::Key key, TShiftState shift) override;
    void textInput(const char* utf8) override;
    void focusChanged(bool focused) override;

  protected:
    void fontChanged() override;
    void boundsChanged() override;

  private:
    void check(int i) const;
    void paintItem(Canvas& canvas, int i);
    void invalidateItem(int i);
    void select(int i);
    void scrollIntoView(int i);
    void updateBar();
    void ensureBar();

    std::vector<std::string> items_;
    std::vector<char> checked_;
    int itemIndex_ = -1;
    int focusItem_ = 0;  // where the focus rectangle goes; the selection when there is one
    int top_ = 0;
    TScrollBar bar_{*this};
    const Font* barFont_ = nullptr;
    bool selecting_ = false;
    bool barPress_ = false;
    std::string search_;
    std::uint64_t lastTyped_ = 0;
};

}  // namespace tv
