#pragma once
// What assistive technology sees of the widgets, whatever the platform's interface to it:
// the windows that are shown and, under each, its controls and a check list's items, each
// with a role, a name, states, bounds on the screen, a value or a text where it has one,
// and the actions a client may ask for. The bridges (ATK on Linux) only translate it.

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/geometry.h"

namespace tv {
class TApplication;
class TControl;
class TForm;
}  // namespace tv

namespace tv::a11y {

enum class Role : std::uint8_t {
    Frame,
    Dialog,
    Alert,
    ToolTip,
    PushButton,
    Link,
    CheckBox,
    List,
    Entry,  // a one-line edit
    Text,   // a memo
    Label,
    ProgressBar,
    Panel,
    Grouping,
    Image,
    Unknown,
};

enum State : std::uint32_t {
    kEnabled = 1u << 0,
    kVisible = 1u << 1,
    kShowing = 1u << 2,
    kFocusable = 1u << 3,
    kFocused = 1u << 4,
    kCheckable = 1u << 5,
    kChecked = 1u << 6,
    kSelectable = 1u << 7,
    kSelected = 1u << 8,
    kEditable = 1u << 9,
    kReadOnly = 1u << 10,
    kSingleLine = 1u << 11,
    kMultiLine = 1u << 12,
    kActive = 1u << 13,
    kModal = 1u << 14,
};

// A form, a control, or item `item` of a check list.
struct Node {
    TControl* control = nullptr;
    int item = -1;
    explicit operator bool() const { return control != nullptr; }
    friend bool operator==(const Node&, const Node&) = default;
};

// The windows a client sees: the forms that are shown, in the order they were made.
std::vector<Node> windows(const TApplication& app);
TForm* formOf(Node n);
// Null for a window: its parent is the application.
Node parent(Node n);
int childCount(Node n);
Node child(Node n, int i);
int indexInParent(const TApplication& app, Node n);

// The nearest showing sibling that lies wholly beyond `n` in that direction on the screen,
// preferring one level with it (a gap across counts twice a gap along); none when there is
// no such sibling.
enum class Direction : std::uint8_t { Up, Down, Left, Right };
Node neighbour(Node n, Direction d);

Role role(Node n);
const char* roleName(Role r);
// The name the layout gives for assistive technology, else the caption without its
// padding spaces, or the hint; a window's caption; a list item's text. Edits, memos, lists and
// progress bars, which show no caption, take their hint or the label beside them (left on their
// row, or just above).
std::string name(Node n);
// The nodes whose name follows `c`'s caption: `c` itself, and the controls that take
// their name from it (as the label beside them or the group box around them).
std::vector<Node> namedAfter(TControl& c);
// A notice's text, or what the layout says of a control (where a link leads).
std::string description(Node n);
std::uint32_t states(Node n);
// On the screen, in screen pixels.
Rect screenBounds(Node n);

// Progress bars.
bool hasValue(Node n);
int value(Node n);
int minimum(Node n);
int maximum(Node n);

// Edits, memos, labels and notices: the text (UTF-8) with the caret and the selection as
// byte offsets into it.
bool hasText(Node n);
std::string text(Node n);
std::size_t caret(Node n);
std::size_t selectionStart(Node n);
std::size_t selectionEnd(Node n);
// Where the control takes text from a client: an edit that is not read-only.
bool textSettable(Node n);
// Selects from `anchor` to `caret` (byte offsets, snapped to whole characters; equal: the
// caret alone) in an edit or a memo, read-only or not, as the user could; posted like
// the actions.
bool setSelection(TApplication& app, Node n, std::size_t anchor, std::size_t caret);

// Actions: "click" for buttons and links, "toggle" for check boxes and list items.
int actionCount(Node n);
const char* actionName(Node n, int i);
// Checks that the action can run now (the control is showing, enabled and its window
// takes input) and hands it to the loop, which runs it right after the current wait: the
// caller gets its answer at once, even when the action opens a modal loop.
bool doAction(TApplication& app, Node n, int i);
bool setText(TApplication& app, Node n, const std::string& utf8);
// Gives the keyboard focus to a control that takes it (for a check list's item, to its
// list), and selects a check list's item, as a click would; posted like the actions.
bool takeFocus(TApplication& app, Node n);
bool select(TApplication& app, Node n);
// Whether the node's form is still open and the control still one of its own (a posted
// action whose notice has meanwhile closed does nothing).
bool alive(const TApplication& app, const TForm* form, Node n);

}  // namespace tv::a11y
