#pragma once
// The platform's events in our own types. The X11 backend translates into these and the
// headless backend lets tests inject the very same values, so both drive one code path.

#include <cstdint>

#include "gfx/geometry.h"

namespace tv::platform {

using WindowId = std::uint32_t;

enum class EventType : std::uint8_t {
    None,
    MouseDown,
    MouseUp,
    MouseMove,
    MouseWheel,
    MouseLeave,  // the pointer left the window
    KeyDown,
    KeyUp,
    TextInput,    // committed text (typed or from an input method), UTF-8
    TextEditing,  // an input method's preedit text, UTF-8
    CloseRequest,
    FocusGained,
    FocusLost,
    Exposed,
    Minimized,
    Restored,
    Moved,
    Quit,
    ColorsChanged,  // the desktop's colours changed: the window is painted anew
};

enum class MouseButton : std::uint8_t { None, Left, Right, Middle };

// Modifier and button state, the same bits as the shift state handlers receive.
enum ShiftBits : std::uint16_t {
    kShift = 1 << 0,
    kAlt = 1 << 1,
    kCtrl = 1 << 2,
    kLeftButton = 1 << 3,
    kRightButton = 1 << 4,
    kMiddleButton = 1 << 5,
    kDoubleClick = 1 << 6,
};

// Keys the widgets use, named after the classic virtual keys.
enum class Key : std::uint16_t {
    Unknown,
    Return,
    Escape,
    Space,
    Tab,
    Backspace,
    Delete,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    F4,
    A,
    C,
    V,
    X,
    Other,
};

struct Event {
    EventType type = EventType::None;
    WindowId window = 0;
    Point pos;     // in the window's pixel buffer
    Point screen;  // on the screen
    MouseButton button = MouseButton::None;
    std::uint8_t clicks = 0;  // 2 for the second press of a double-click
    std::uint16_t shift = 0;  // ShiftBits
    int wheel = 0;            // positive away from the user
    Key key = Key::Unknown;
    char32_t character = 0;  // for KeyDown: the character the key types, when there is one
    char text[32] = {};      // TextInput / TextEditing, zero-terminated UTF-8
    int editCursor = 0;      // TextEditing: caret position in characters
};

}  // namespace tv::platform
