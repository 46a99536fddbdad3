#include "widgets/check_list_box.h"

#include <algorithm>
#include <stdexcept>

#include "gfx/font_utf8.h"
#include "widgets/application.h"
#include "widgets/check_box.h"
#include "widgets/edges.h"
#include "widgets/form.h"
#include "widgets/panel.h"

namespace tv {
namespace {

char foldLatin(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool startsWithFolded(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (foldLatin(text[i]) != foldLatin(prefix[i])) return false;
    return true;
}

}  // namespace

TCheckListBox::TCheckListBox(TForm& form) : TWinControl(form, {121, 97}) {
    setColor(clWindow);
    tabStop_ = true;
    search_.reserve(32);
    bar_.onScroll = [this](int pos) {
        top_ = pos;
        invalidateRect(itemsRect());
    };
}

void TCheckListBox::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    checked_.assign(items_.size(), 0);
    itemIndex_ = -1;
    focusItem_ = 0;
    top_ = 0;
    search_.clear();
    updateBar();
    invalidate();
}

int TCheckListBox::itemHeight() const {
    return std::max(1, resolvedFont().textExtent("Wg").height);
}

void TCheckListBox::check(int i) const {
    if (i < 0 || i >= count())
        throw std::out_of_range("list index " + std::to_string(i) + " out of bounds (" +
                                std::to_string(count()) + " items)");
}

bool TCheckListBox::checked(int i) const {
    check(i);
    return checked_[std::size_t(i)] != 0;
}

void TCheckListBox::setChecked(int i, bool v) {
    check(i);
    if ((checked_[std::size_t(i)] != 0) == v) return;
    checked_[std::size_t(i)] = v ? 1 : 0;
    const Rect r = itemRect(i);
    invalidateRect(Rect{r.left, r.top, r.left + kCheckColumn, r.bottom}.intersected(itemsRect()));
    form().application().accessChanged(*this, AccessChange::Checked, i);
}

void TCheckListBox::setItemIndex(int i) {
    if (i == -1) {
        if (itemIndex_ < 0) return;
        invalidateItem(itemIndex_);
        itemIndex_ = -1;
        form().application().accessChanged(*this, AccessChange::Selection);
        return;
    }
    check(i);
    select(i);
}

// Geometry

int TCheckListBox::pageSize() const {
    return std::max(1, (height() - 4) / itemHeight());
}

Rect TCheckListBox::itemsRect() const {
    Rect r = clientRect().inflated(-2);
    if (scrollBarVisible()) r.right = bar_.bounds().left;
    return r;
}

Rect TCheckListBox::itemRect(int i) const {
    const Rect area = itemsRect();
    const int h = itemHeight();
    const int top = area.top + (i - top_) * h;
    return {area.left, top, area.right, top + h};
}

int TCheckListBox::itemAt(Point p) const {
    const Rect area = itemsRect();
    if (!area.contains(p)) return -1;
    const int i = top_ + (p.y - area.top) / itemHeight();
    return i < count() ? i : -1;
}

void TCheckListBox::updateBar() {
    barFont_ = &resolvedFont();
    const bool need = count() * itemHeight() > height() - 4;
    const Rect nb = need ? TScrollBar::insideEdge({width(), height()}) : Rect{};
    if (nb != bar_.bounds()) {
        bar_.setBounds(nb);
        invalidate();  // the items narrow or widen
    }
    const int page = pageSize();
    bar_.setRange(0, std::max(0, count() - 1), page);
    top_ = std::clamp(top_, 0, std::max(0, count() - page));
    bar_.setPosition(top_);
}

void TCheckListBox::ensureBar() {
    // A parent's font reaches a new child without a font change: the item height, and so
    // whether the bar is needed, may have changed unseen.
    if (&resolvedFont() != barFont_) updateBar();
}

void TCheckListBox::fontChanged() {
    updateBar();
    TWinControl::fontChanged();
}

void TCheckListBox::boundsChanged() {
    updateBar();
}

// Painting

void TCheckListBox::paint(Canvas& canvas) {
    ensureBar();
    drawSunkenEdge(canvas, clientRect());
    const Rect area = itemsRect();
    int i = top_;
    for (; i < count() && itemRect(i).top < area.bottom; ++i) paintItem(canvas, i);
    const int filled = std::min(area.bottom, itemRect(i).top);
    canvas.fillRect({area.left, filled, area.right, area.bottom}, canvas.pixel(color()));
    if (scrollBarVisible()) bar_.paint(canvas);
}

void TCheckListBox::paintItem(Canvas& canvas, int i) {
    const Rect r = itemRect(i);
    Canvas::Saver s(canvas);
    canvas.clipTo(itemsRect());
    // The check column is never highlighted.
    const Rect column{r.left, r.top, r.left + kCheckColumn, r.bottom};
    canvas.fillRect(column, canvas.pixel(color()));
    const Rect box = Rect::fromXYWH(r.left + (kCheckColumn - kCheckSize) / 2,
                                    r.top + (r.height() - kCheckSize) / 2, kCheckSize, kCheckSize);
    {
        // The flat box: the platform's image without its 3-D edge, and a thin outline.
        Canvas::Saver inner(canvas);
        canvas.clipTo(box.inflated(-2));
        drawCheckImage(canvas, box.left, box.top, checked_[std::size_t(i)] != 0);
    }
    canvas.frameRect(box.inflated(-1), canvas.pixel(clBtnShadow));

    const Rect text{column.right, r.top, r.right, r.bottom};
    const bool selected = i == itemIndex_;
    canvas.fillRect(text, canvas.pixel(selected ? clHighlight : color()));
    const std::string& item = items_[std::size_t(i)];
    if (!item.empty()) {
        const Font& f = resolvedFont();
        Canvas::Saver t(canvas);
        canvas.clipTo(text);
        f.draw(canvas, text.left + 2, text.top + (text.height() - f.textExtent(item).height) / 2,
               item, canvas.pixel(selected ? clHighlightText : font().color));
    }
    if (showsFocus() && i == focusItem_) canvas.focusRect(text);
}

void TCheckListBox::invalidateItem(int i) {
    if (i < top_ || i >= count()) return;
    const Rect r = itemRect(i).intersected(itemsRect());
    if (!r.empty()) invalidateRect(r);
}

// Selection and scrolling

void TCheckListBox::select(int i) {
    if (i != itemIndex_ || i != focusItem_) {
        const bool moved = i != itemIndex_;
        invalidateItem(itemIndex_);
        invalidateItem(focusItem_);
        itemIndex_ = focusItem_ = i;
        invalidateItem(i);
        if (moved) form().application().accessChanged(*this, AccessChange::Selection, i);
    }
    scrollIntoView(i);
}

void TCheckListBox::scrollIntoView(int i) {
    const int page = pageSize();
    if (i < top_)
        setTopIndex(i);
    else if (i >= top_ + page)
        setTopIndex(i - page + 1);
}

void TCheckListBox::setTopIndex(int i) {
    i = std::clamp(i, 0, std::max(0, count() - pageSize()));
    if (i == top_) return;
    top_ = i;
    bar_.setPosition(i);
    invalidateRect(itemsRect());
}

void TCheckListBox::userToggle(int i) {
    setChecked(i, !checked(i));
    if (OnClickCheck) OnClickCheck(this);
}

// Input

void TCheckListBox::mouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    ensureBar();
    if (button == TMouseButton::mbLeft) {
        const Point p{x, y};
        if (scrollBarVisible() && bar_.bounds().contains(p)) {
            barPress_ = bar_.mouseDown(p);
        } else if (const int i = itemAt(p); i >= 0) {
            select(i);
            selecting_ = true;
            if (x - itemRect(i).left < kCheckColumn) userToggle(i);
        }
    }
    TWinControl::mouseDown(button, shift, x, y);
}

void TCheckListBox::mouseMove(TShiftState shift, int x, int y) {
    if (barPress_) {
        bar_.mouseMove({x, y});
    } else if (selecting_ && count() > 0) {
        // Dragging past the top or bottom edge scrolls one item a move.
        const Rect area = itemsRect();
        int i = -1;
        if (y < area.top)
            i = std::max(0, top_ - 1);
        else if (y >= area.bottom)
            i = std::min(count() - 1, top_ + pageSize());
        else
            i = itemAt({std::clamp(x, area.left, area.right - 1), y});
        if (i >= 0 && i != itemIndex_) select(i);
    }
    TWinControl::mouseMove(shift, x, y);
}

void TCheckListBox::mouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        if (barPress_) bar_.mouseUp({x, y});
        barPress_ = false;
        selecting_ = false;
    }
    TWinControl::mouseUp(button, shift, x, y);
}

void TCheckListBox::captureLost() {
    bar_.cancel();
    barPress_ = false;
    selecting_ = false;
    TWinControl::captureLost();
}

void TCheckListBox::mouseWheel(int delta, TShiftState shift) {
    ensureBar();
    setTopIndex(top_ - 3 * delta);
    TWinControl::mouseWheel(delta, shift);
}

void TCheckListBox::keyDown(platform::Key key, TShiftState shift) {
    using platform::Key;
    ensureBar();
    if (shift & (platform::kCtrl | platform::kAlt)) return;
    if (key == Key::Space) {
        if (itemIndex_ >= 0) userToggle(itemIndex_);
        return;
    }
    if (count() == 0) return;
    // With nothing selected the first move selects the item with the focus rectangle.
    const int from = focusItem_;
    const bool none = itemIndex_ < 0;
    const int page = pageSize();
    int to;
    switch (key) {
        case Key::Up:
            to = none ? from : from - 1;
            break;
        case Key::Down:
            to = none ? from : from + 1;
            break;
        case Key::Home:
            to = 0;
            break;
        case Key::End:
            to = count() - 1;
            break;
        case Key::PageUp:
            to = from - std::max(1, page - 1);
            break;
        case Key::PageDown:
            to = from + std::max(1, page - 1);
            break;
        default:
            return;
    }
    select(std::clamp(to, 0, count() - 1));
}

void TCheckListBox::textInput(const char* utf8) {
    // A space toggles (keyDown) and takes no part in the search.
    if (!*utf8 || std::string_view(utf8) == " ") return;
    const std::uint64_t now = form().application().platform().now();
    if (now - lastTyped_ >= kSearchPauseMs) search_.clear();
    lastTyped_ = now;
    const std::string_view add(utf8);
    if (search_.size() + add.size() > 64) return;  // nothing begins with that much
    search_ += add;
    for (int i = 0; i < count(); ++i) {
        if (startsWithFolded(items_[std::size_t(i)], search_)) {
            select(i);
            return;
        }
    }
}

void TCheckListBox::focusChanged(bool focused) {
    if (focused) form().application().platform().startTextInput();
    selecting_ = false;
    invalidateItem(focusItem_);
}

}  // namespace tv
