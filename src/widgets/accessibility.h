#pragma once
// What assistive technology is told about the widgets. The widgets report each change to
// the application, which passes it on to its observer when one is set (the accessibility
// bridge, once a screen reader or an automation client asked for it); with none set a
// report costs a test of one pointer.

#include <cstdint>

namespace tv {

class TControl;

enum class AccessChange : std::uint8_t {
    Focus,        // the control took the keyboard focus
    Checked,      // a check box, or item `item` of a check list
    Selection,    // a check list's selected item
    Text,         // an edit's or a memo's text
    Caret,        // an edit's or a memo's caret or selection (told after its text, if both)
    Name,         // a caption or an accessible name: the control's name, or names it lends
    Value,        // a progress bar shows another number of segments
    Visibility,   // the control was shown or hidden
    WindowShown,  // the control is a form
    WindowHidden,
    Activated,
    Deactivated,
    Destroyed,  // a form going away with all its controls
};

class AccessObserver {
  public:
    virtual ~AccessObserver() = default;
    virtual void accessChanged(TControl& control, AccessChange what, int item) = 0;
};

}  // namespace tv
