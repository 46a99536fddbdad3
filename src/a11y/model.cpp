#include "a11y/model.h"

#include <algorithm>
#include <functional>

#include "widgets/application.h"
#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/form.h"
#include "widgets/group_box.h"
#include "widgets/image.h"
#include "widgets/label.h"
#include "widgets/memo.h"
#include "widgets/message_box.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/speed_button.h"

namespace tv::a11y {

namespace {

template <class T>
T* as(Node n) {
    return n.item < 0 ? dynamic_cast<T*>(n.control) : nullptr;
}

TCheckListBox* listOf(Node n) {
    return n.item >= 0 ? dynamic_cast<TCheckListBox*>(n.control) : nullptr;
}

bool isForm(Node n) {
    return n.item < 0 && n.control == &n.control->form();
}

std::string trimmed(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The message box's button has no handler of its own: it dismisses its box.
bool isBoxButton(Node n) {
    return n.item < 0 && dynamic_cast<TMessageForm*>(&n.control->form()) &&
           n.control != &n.control->form() && n.control->isWindowed();
}

bool enabledChain(const TControl* c) {
    for (; c; c = c->parent())
        if (!c->enabled()) return false;
    return true;
}

// Byte offsets of the text controls.
struct TextState {
    std::size_t caret = 0, selStart = 0, selEnd = 0;
};
TextState textState(Node n) {
    if (auto* e = as<TEdit>(n))
        return {e->caretPos(), e->selStart(), e->selStart() + e->selLength()};
    if (auto* m = as<TMemo>(n))
        return {m->caretPos(), m->selStart(), m->selStart() + m->selLength()};
    return {};
}

// The label that names a control without a caption of its own: among its siblings, the
// nearest one just left of it on its row, or else the nearest one just above it.
const TControl* labelOf(const TControl* c) {
    constexpr int kAbove = 24, kReachLeft = 40;
    if (!c->parent()) return nullptr;
    const Rect b = c->boundsRect();
    const TControl* best = nullptr;
    int bestScore = 0;
    for (const TControl* s : c->parent()->children()) {
        if (!dynamic_cast<const TLabel*>(s) || trimmed(s->caption()).empty()) continue;
        const Rect l = s->boundsRect();
        int score;
        if (l.right <= b.left + 4 && l.top < b.bottom && l.bottom > b.top)
            score = b.left - l.right;
        else if (l.bottom <= b.top && b.top - l.bottom <= kAbove && l.left < b.right &&
                 l.right > b.left - kReachLeft)
            score = 1000 + b.top - l.bottom;
        else
            continue;
        if (!best || score < bestScore) best = s, bestScore = score;
    }
    return best;
}

// The label or group box whose caption names a control that shows none of its own.
const TControl* lender(Node n) {
    if (!(as<TEdit>(n) || as<TMemo>(n) || as<TCheckListBox>(n) || as<TProgressBar>(n)))
        return nullptr;
    if (!n.control->hint().empty()) return nullptr;
    if (const TControl* label = labelOf(n.control)) return label;
    // Alone in a group box, a control is named by the box's caption.
    return dynamic_cast<const TGroupBox*>(n.control->parent());
}

}  // namespace

std::vector<Node> windows(const TApplication& app) {
    std::vector<Node> out;
    for (TForm* f : app.forms())
        if (f->isShowing()) out.push_back({f, -1});
    return out;
}

TForm* formOf(Node n) {
    return n ? &n.control->form() : nullptr;
}

Node parent(Node n) {
    if (!n) return {};
    if (n.item >= 0) return {n.control, -1};
    if (isForm(n)) return {};
    return {n.control->parent(), -1};
}

int childCount(Node n) {
    if (!n || n.item >= 0) return 0;
    if (auto* l = as<TCheckListBox>(n)) return l->count();
    if (auto* w = as<TWinControl>(n)) return int(w->children().size());
    return 0;
}

Node child(Node n, int i) {
    if (i < 0 || i >= childCount(n)) return {};
    if (as<TCheckListBox>(n)) return {n.control, i};
    return {static_cast<TWinControl*>(n.control)->children()[std::size_t(i)], -1};
}

int indexInParent(const TApplication& app, Node n) {
    if (!n) return -1;
    if (n.item >= 0) return n.item;
    if (isForm(n)) {
        const std::vector<Node> w = windows(app);
        const auto it = std::find(w.begin(), w.end(), n);
        return it == w.end() ? -1 : int(it - w.begin());
    }
    const auto& siblings = n.control->parent()->children();
    const auto it = std::find(siblings.begin(), siblings.end(), n.control);
    return it == siblings.end() ? -1 : int(it - siblings.begin());
}

Node neighbour(Node n, Direction d) {
    const Node up = parent(n);
    if (!up) return {};
    const Rect from = screenBounds(n);
    // The gap from `from` to `to` along the direction (negative: not wholly beyond) and
    // across it (zero where they overlap).
    const auto gaps = [d, &from](const Rect& to) {
        const auto apart = [](int lo1, int hi1, int lo2, int hi2) {
            return std::max({0, lo2 - hi1, lo1 - hi2});
        };
        switch (d) {
            case Direction::Up:
                return std::pair{from.top - to.bottom,
                                 apart(from.left, from.right, to.left, to.right)};
            case Direction::Down:
                return std::pair{to.top - from.bottom,
                                 apart(from.left, from.right, to.left, to.right)};
            case Direction::Left:
                return std::pair{from.left - to.right,
                                 apart(from.top, from.bottom, to.top, to.bottom)};
            case Direction::Right:
                break;
        }
        return std::pair{to.left - from.right, apart(from.top, from.bottom, to.top, to.bottom)};
    };
    Node best;
    int bestScore = 0;
    for (int i = 0; i < childCount(up); ++i) {
        const Node c = child(up, i);
        if (c == n || !(states(c) & kShowing)) continue;
        const Rect b = screenBounds(c);
        if (b.width() <= 0 || b.height() <= 0) continue;
        const auto [along, across] = gaps(b);
        if (along < 0) continue;
        const int score = along + 2 * across;
        if (!best || score < bestScore) best = c, bestScore = score;
    }
    return best;
}

Role role(Node n) {
    if (!n) return Role::Unknown;
    if (listOf(n)) return Role::CheckBox;
    if (isForm(n)) {
        const auto* f = static_cast<TForm*>(n.control);
        if (dynamic_cast<const TMessageForm*>(f)) return Role::Alert;
        switch (f->role()) {
            case platform::WindowRole::Main:
                return Role::Frame;
            case platform::WindowRole::Tooltip:
                return Role::ToolTip;
            case platform::WindowRole::Dialog:
                return Role::Dialog;
        }
    }
    TControl* c = n.control;
    if (as<TSpeedButton>(n) || isBoxButton(n)) return Role::PushButton;
    if (as<TPanel>(n)) return c->OnClick ? Role::PushButton : Role::Panel;
    if (as<TImage>(n)) {
        if (!c->OnClick) return Role::Image;
        // A picture that leads somewhere shows the hand and has no hint of its own.
        return c->cursor() == TCursor::crHandPoint && c->hint().empty() ? Role::Link
                                                                        : Role::PushButton;
    }
    if (as<TLabel>(n)) return Role::Label;
    if (as<TCheckListBox>(n)) return Role::List;
    if (as<TCheckBox>(n)) return Role::CheckBox;
    if (as<TEdit>(n)) return Role::Entry;
    if (as<TMemo>(n)) return Role::Text;
    if (as<TProgressBar>(n)) return Role::ProgressBar;
    if (as<TGroupBox>(n)) return Role::Grouping;
    return Role::Unknown;
}

const char* roleName(Role r) {
    static constexpr const char* kNames[] = {"frame",       "dialog",   "alert",     "tool tip",
                                             "push button", "link",     "check box", "list",
                                             "entry",       "text",     "label",     "progress bar",
                                             "panel",       "grouping", "image",     "unknown"};
    return kNames[std::size_t(r)];
}

std::string name(Node n) {
    if (!n) return {};
    if (auto* l = listOf(n)) return n.item < l->count() ? l->items()[std::size_t(n.item)] : "";
    if (isForm(n)) {
        const auto* f = static_cast<TForm*>(n.control);
        // The main window's caption is the one the task bar shows.
        return f == f->application().mainForm() ? f->application().title() : f->caption();
    }
    if (!n.control->accessibleName().empty()) return n.control->accessibleName();
    if (as<TEdit>(n) || as<TMemo>(n) || as<TCheckListBox>(n) || as<TProgressBar>(n)) {
        if (const TControl* from = lender(n)) return trimmed(from->caption());
        return n.control->hint();
    }
    std::string s = trimmed(n.control->caption());
    return s.empty() ? n.control->hint() : s;
}

std::vector<Node> namedAfter(TControl& c) {
    std::vector<Node> out{{&c, -1}};
    const auto borrowers = [&](const TWinControl* w) {
        for (TControl* s : w->children())
            if (lender({s, -1}) == &c) out.push_back({s, -1});
    };
    if (c.parent() && dynamic_cast<TLabel*>(&c)) borrowers(c.parent());
    if (auto* box = dynamic_cast<TGroupBox*>(&c)) borrowers(box);
    return out;
}

std::string description(Node n) {
    if (auto* box = as<TMessageForm>(n)) return box->text();
    return n && n.item < 0 ? n.control->accessibleDescription() : std::string();
}

std::uint32_t states(Node n) {
    if (!n) return 0;
    TControl* c = n.control;
    TForm& f = c->form();
    std::uint32_t s = 0;
    if (enabledChain(c)) s |= kEnabled;
    if (c->visible()) s |= kVisible;
    if (f.isShowing() && c->showing() && !f.window().minimized()) s |= kShowing;
    if (auto* l = listOf(n)) {
        s |= kCheckable | kSelectable;
        if (n.item < l->count() && l->checked(n.item)) s |= kChecked;
        if (l->itemIndex() == n.item) s |= kSelected;
        return s;
    }
    if (isForm(n)) {
        if (f.active()) s |= kActive;
        if (f.modal() || role(n) == Role::Alert) s |= kModal;
        return s;
    }
    if (c->canFocus()) s |= kFocusable;
    if (f.focusedControl() == c && f.active()) s |= kFocused;
    if (auto* b = as<TCheckBox>(n)) {
        s |= kCheckable;
        if (b->checked()) s |= kChecked;
    }
    if (auto* e = as<TEdit>(n)) s |= kSingleLine | (e->readOnly() ? kReadOnly : kEditable);
    if (auto* m = as<TMemo>(n)) s |= kMultiLine | (m->readOnly() ? kReadOnly : kEditable);
    return s;
}

Rect screenBounds(Node n) {
    if (!n) return {};
    TForm& f = n.control->form();
    const int scale = f.window().scale();
    Rect r = isForm(n) ? Rect::fromXYWH(0, 0, f.width(), f.height()) : n.control->windowRect();
    if (auto* l = listOf(n)) {
        const Rect item = l->itemRect(n.item).intersected(l->itemsRect());
        r = item.translated(l->windowOrigin());
    }
    const Point p = f.screenPos();
    return Rect::fromXYWH(p.x + r.left * scale, p.y + r.top * scale, r.width() * scale,
                          r.height() * scale);
}

bool hasValue(Node n) {
    return as<TProgressBar>(n) != nullptr;
}
int value(Node n) {
    auto* p = as<TProgressBar>(n);
    return p ? p->position() : 0;
}
int minimum(Node n) {
    auto* p = as<TProgressBar>(n);
    return p ? p->min() : 0;
}
int maximum(Node n) {
    auto* p = as<TProgressBar>(n);
    return p ? p->max() : 0;
}

bool hasText(Node n) {
    const Role r = role(n);
    return r == Role::Entry || r == Role::Text || r == Role::Label || r == Role::Alert;
}

std::string text(Node n) {
    if (!hasText(n)) return {};
    if (auto* box = as<TMessageForm>(n)) return box->text();
    if (role(n) == Role::Label) return n.control->caption();
    return n.control->text();
}

std::size_t caret(Node n) {
    return textState(n).caret;
}
std::size_t selectionStart(Node n) {
    return textState(n).selStart;
}
std::size_t selectionEnd(Node n) {
    return textState(n).selEnd;
}

bool textSettable(Node n) {
    auto* e = as<TEdit>(n);
    return e && !e->readOnly();
}

int actionCount(Node n) {
    switch (role(n)) {
        case Role::PushButton:
        case Role::Link:
        case Role::CheckBox:
            return 1;
        default:
            return 0;
    }
}

const char* actionName(Node n, int i) {
    if (i != 0 || actionCount(n) == 0) return nullptr;
    return role(n) == Role::CheckBox ? "toggle" : "click";
}

bool alive(const TApplication& app, const TForm* form, Node n) {
    const auto& forms = app.forms();
    if (std::find(forms.begin(), forms.end(), form) == forms.end()) return false;
    if (n.control == form) return true;
    for (const auto& c : form->components())
        if (c.get() == n.control) return true;
    return false;
}

namespace {

// Whether a user could act on the control now.
bool actionable(Node n) {
    TForm& f = n.control->form();
    return f.inputEnabled() && (states(n) & (kShowing | kEnabled)) == (kShowing | kEnabled);
}

void run(TControl& c, int item) {
    if (auto* l = dynamic_cast<TCheckListBox*>(&c); l && item >= 0) {
        if (item >= l->count()) return;
        // As a press in the check column: the item is selected, then toggled.
        l->setItemIndex(item);
        l->userToggle(item);
    } else if (auto* b = dynamic_cast<TCheckBox*>(&c)) {
        b->toggle();
    } else if (auto* box = dynamic_cast<TMessageForm*>(&c.form()); box && &c != box) {
        box->dismiss(IDOK);
    } else if (c.OnClick) {
        c.OnClick(&c);
    }
}

// Hands `work` to the loop, which runs it right after the current wait if the node is
// still there then (a notice may have closed meanwhile).
void later(TApplication& app, Node n, std::function<void()> work) {
    TForm* form = formOf(n);
    app.post([&app, form, n, work = std::move(work)] {
        if (alive(app, form, n)) work();
    });
}

}  // namespace

bool doAction(TApplication& app, Node n, int i) {
    if (!n || i != 0 || actionCount(n) == 0 || !actionable(n)) return false;
    later(app, n, [n] { run(*n.control, n.item); });
    return true;
}

bool setText(TApplication& app, Node n, const std::string& utf8) {
    if (!textSettable(n) || !actionable(n)) return false;
    later(app, n, [n, utf8] { n.control->setText(utf8); });
    return true;
}

bool setSelection(TApplication& app, Node n, std::size_t anchor, std::size_t caret) {
    if (!(as<TEdit>(n) || as<TMemo>(n)) || !actionable(n)) return false;
    later(app, n, [n, anchor, caret] {
        if (auto* e = dynamic_cast<TEdit*>(n.control))
            e->setSelection(anchor, caret);
        else
            static_cast<TMemo*>(n.control)->setSelection(anchor, caret);
    });
    return true;
}

bool takeFocus(TApplication& app, Node n) {
    if (!n || isForm(n) || !n.control->canFocus() || !actionable(n)) return false;
    later(app, n, [n] { n.control->form().setFocusedControl(n.control); });
    return true;
}

bool select(TApplication& app, Node n) {
    if (!listOf(n) || !actionable(n)) return false;
    later(app, n, [n] {
        auto* l = static_cast<TCheckListBox*>(n.control);
        if (n.item < l->count()) l->setItemIndex(n.item);
    });
    return true;
}

}  // namespace tv::a11y
