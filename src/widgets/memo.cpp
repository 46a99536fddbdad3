#include "widgets/memo.h"

#include "gfx/font_utf8.h"
#include "platform/platform.h"
#include "widgets/application.h"
#include "widgets/edges.h"
#include "widgets/form.h"
#include "widgets/panel.h"

namespace tv {

TMemo::TMemo(TForm& form) : TWinControl(form, {185, 89}) {
    setColor(clWindow);
    tabStop_ = true;
    setCursor(TCursor::crIBeam);
    bar_.onScroll = [this](int pos) {
        top_ = pos;
        invalidateRect(textRect().inflated(1));
    };
    layout();
}

void TMemo::setText(const std::string& t) {
    if (t == editor_.text()) return;
    editor_.setText(t);
    top_ = 0;
    layout();
    form().application().accessChanged(*this, AccessChange::Text);
    caretMoved();
    if (OnChange) OnChange(this);
}

void TMemo::setReadOnly(bool v) {
    readOnly_ = v;
}

void TMemo::setScrollBars(TScrollStyle v) {
    if (v == scrollBars_) return;
    if (v == TScrollStyle::ssNone) bar_.cancel();
    scrollBars_ = v;
    layout();
    invalidate();
}

std::string_view TMemo::line(int i) const {
    const Line& l = lines_.at(std::size_t(i));
    return std::string_view(editor_.text()).substr(l.start, l.end - l.start);
}

void TMemo::setSelection(std::size_t anchor, std::size_t caret) {
    editor_.select(anchor, caret);
    caretMoved();
}

void TMemo::selectAll() {
    editor_.selectAll();
    caretMoved();
}

// Layout

Rect TMemo::textRect() const {
    // One pixel of margin either side, inside the edge and left of the bar.
    const int right =
        width() - 2 - (scrollBars_ == TScrollStyle::ssVertical ? TScrollBar::kWidth : 0);
    return {3, 2, right - 1, height() - 2};
}

int TMemo::visibleLines() const {
    return std::max(0, textRect().height()) / std::max(1, lineHeight());
}

void TMemo::layout() {
    const int width = textRect().width();
    lines_.clear();
    const std::string& t = editor_.text();
    const std::size_t n = t.size();
    // Line breaks are ASCII, never part of a longer UTF-8 sequence: a byte scan finds them.
    for (std::size_t p = 0;;) {
        std::size_t e = p;
        while (e < n && t[e] != '\r' && t[e] != '\n') ++e;
        wrapParagraph(p, e, width);
        if (e >= n) break;
        p = e + ((t[e] == '\r' && e + 1 < n && t[e + 1] == '\n') ? 2 : 1);
    }
    wrapWidth_ = width;
    wrapFont_ = &resolvedFont();
    updateBar();
}

void TMemo::ensureLayout() {
    // A parent's font reaches a new child without a font change: compare what the lines
    // were wrapped with.
    if (&resolvedFont() != wrapFont_ || textRect().width() != wrapWidth_) layout();
}

void TMemo::wrapParagraph(std::size_t s, std::size_t e, int width) {
    const Font& f = resolvedFont();
    const std::string_view t(editor_.text());
    if (s >= e) {
        lines_.push_back({s, e});
        return;
    }
    while (s < e) {
        std::size_t q = s, brk = s;
        int w = 0;
        char32_t prev = 0;
        while (q < e) {
            std::size_t next = q;
            const char32_t c = decodeUtf8(t, next);
            if (q > s && !isBlank(c) &&
                (isBlank(prev) || isWideBreakable(prev) || isWideBreakable(c)))
                brk = q;
            const int a = f.advance(c);
            // Blanks may hang past the edge; the first character of a line always fits.
            if (q > s && !isBlank(c) && w + a > width) break;
            w += a;
            prev = c;
            q = next;
        }
        if (q >= e) {
            lines_.push_back({s, e});
            return;
        }
        const std::size_t b = brk > s ? brk : q;
        lines_.push_back({s, b});
        s = b;
    }
}

void TMemo::updateBar() {
    const int vis = visibleLines();
    if (scrollBars_ == TScrollStyle::ssVertical)
        bar_.setBounds(TScrollBar::insideEdge({width(), height()}));
    else
        bar_.setBounds({});
    bar_.setRange(0, lineCount() - 1, vis);
    top_ = std::clamp(top_, 0, std::max(0, lineCount() - std::max(1, vis)));
    bar_.setPosition(top_);
}

void TMemo::setTopLine(int line) {
    const int vis = std::max(1, visibleLines());
    line = std::clamp(line, 0, std::max(0, lineCount() - vis));
    if (line == top_) return;
    top_ = line;
    bar_.setPosition(top_);
    invalidateRect(textRect().inflated(1));
}

bool TMemo::wrapped(int i) const {
    return i + 1 < lineCount() && lines_[std::size_t(i) + 1].start == lines_[std::size_t(i)].end;
}

int TMemo::lineOfPos(std::size_t pos, bool afterWrap) const {
    auto it = std::upper_bound(lines_.begin(), lines_.end(), pos,
                               [](std::size_t p, const Line& l) { return p < l.start; });
    int i = std::max(0, int(it - lines_.begin()) - 1);
    if (afterWrap && i > 0 && wrapped(i - 1) && lines_[std::size_t(i)].start == pos) --i;
    return i;
}

int TMemo::caretLine() const {
    return lineOfPos(editor_.caret(), afterWrap_);
}

int TMemo::xIn(int line, std::size_t pos) const {
    const Line& l = lines_[std::size_t(line)];
    pos = std::clamp(pos, l.start, l.end);
    return resolvedFont().textWidth(
        std::string_view(editor_.text()).substr(l.start, pos - l.start));
}

std::size_t TMemo::hitLine(int line, int x) const {
    const Line& l = lines_[std::size_t(line)];
    const int tx = x - textRect().left;
    int left = 0;
    for (std::size_t p = l.start; p < l.end;) {
        const std::size_t q = std::min(editor_.nextChar(p), l.end);
        const int right = xIn(line, q);
        if (tx < (left + right) / 2) return p;
        p = q;
        left = right;
    }
    return l.end;
}

std::size_t TMemo::hitTest(Point p, int& line) const {
    const int lh = std::max(1, lineHeight());
    const int d = p.y - textRect().top;
    const int row = d >= 0 ? d / lh : -((-d + lh - 1) / lh);
    line = std::clamp(top_ + row, 0, lineCount() - 1);
    return hitLine(line, p.x);
}

void TMemo::scrollToCaret() {
    const int li = caretLine();
    const int vis = std::max(1, visibleLines());
    if (li < top_)
        setTopLine(li);
    else if (li >= top_ + vis)
        setTopLine(li - vis + 1);
}

void TMemo::caretMoved(bool afterWrap) {
    afterWrap_ = afterWrap;
    scrollToCaret();
    invalidateRect(textRect().inflated(1));
    form().application().accessChanged(*this, AccessChange::Caret);
    if (focused() && !readOnly_) {
        const int li = caretLine();
        const Rect wr = windowRect();
        const Rect tr = textRect();
        form().window().setTextInputRect(
            Rect::fromXYWH(wr.left + tr.left + xIn(li, editor_.caret()),
                           wr.top + tr.top + (li - top_) * lineHeight(), 1, lineHeight()));
    }
}

void TMemo::textChanged() {
    layout();
    form().application().accessChanged(*this, AccessChange::Text);
    caretMoved();
    if (OnChange) OnChange(this);
}

void TMemo::fontChanged() {
    layout();
    TWinControl::fontChanged();
}

void TMemo::boundsChanged() {
    if (&resolvedFont() != wrapFont_ || textRect().width() != wrapWidth_)
        layout();
    else
        updateBar();
}

// Painting

void TMemo::paint(Canvas& canvas) {
    ensureLayout();
    const Rect r = clientRect();
    Rect area = r.inflated(-2);
    if (scrollBars_ == TScrollStyle::ssVertical) area.right = bar_.bounds().left;
    canvas.fillRect(area, canvas.pixel(color()));
    drawSunkenEdge(canvas, r);
    if (scrollBars_ == TScrollStyle::ssVertical) bar_.paint(canvas);
    const Rect tr = textRect();
    if (tr.empty()) return;
    Canvas::Saver s(canvas);
    canvas.clipTo(tr);
    const Font& f = resolvedFont();
    const std::string_view t(editor_.text());
    const int lh = f.lineHeight();
    const Pixel ink = canvas.pixel(font().color);
    const bool showSel = showsFocus() && editor_.hasSelection();
    const std::size_t a = editor_.selStart(), b = editor_.selEnd();
    int y = tr.top;
    for (int i = top_; i < lineCount() && y < tr.bottom; ++i, y += lh) {
        const Line& l = lines_[std::size_t(i)];
        const std::string_view v = t.substr(l.start, l.end - l.start);
        if (!showSel || b <= l.start || a >= l.end) {
            f.draw(canvas, tr.left, y, v, ink);
            continue;
        }
        const std::size_t sa = std::max(a, l.start) - l.start, sb = std::min(b, l.end) - l.start;
        const int xa = tr.left + f.textWidth(v.substr(0, sa));
        const int xb = tr.left + f.textWidth(v.substr(0, sb));
        f.draw(canvas, tr.left, y, v.substr(0, sa), ink);
        canvas.fillRect({xa, y, xb, y + lh}, canvas.pixel(clHighlight));
        f.draw(canvas, xa, y, v.substr(sa, sb - sa), canvas.pixel(clHighlightText));
        f.draw(canvas, xb, y, v.substr(sb), ink);
    }
    if (showsFocus()) {
        const int li = caretLine();
        const int cy = tr.top + (li - top_) * lh;
        const int cx = tr.left + xIn(li, editor_.caret());
        canvas.invertRect({cx, cy, cx + 1, cy + lh});
    }
}

// Input

void TMemo::syncCursor(Point p) {
    // Over the bar the pointer is the arrow, over the text the I-beam.
    const bool onBar = scrollBars_ == TScrollStyle::ssVertical && bar_.bounds().contains(p);
    setCursor(onBar && !selecting_ ? TCursor::crDefault : TCursor::crIBeam);
}

void TMemo::mouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    ensureLayout();
    if (button == TMouseButton::mbLeft) {
        const Point p{x, y};
        if (scrollBars_ == TScrollStyle::ssVertical && bar_.bounds().contains(p)) {
            barPress_ = bar_.mouseDown(p);
        } else {
            int li = 0;
            const std::size_t pos = hitTest(p, li);
            if (shift & platform::kDoubleClick) {
                auto [s, e] = editor_.wordAt(pos);
                editor_.select(s, e);
                caretMoved();
            } else {
                editor_.moveTo(pos, (shift & platform::kShift) != 0);
                selecting_ = true;
                // A click right of a wrapped line puts the caret at that line's end.
                caretMoved(pos == lines_[std::size_t(li)].end && wrapped(li));
            }
        }
    }
    TWinControl::mouseDown(button, shift, x, y);
}

void TMemo::mouseMove(TShiftState shift, int x, int y) {
    const Point p{x, y};
    if (barPress_) {
        bar_.mouseMove(p);
    } else if (selecting_) {
        int li = 0;
        const std::size_t pos = hitTest(p, li);
        if (pos != editor_.caret()) {
            editor_.moveTo(pos, true);
            caretMoved(pos == lines_[std::size_t(li)].end && wrapped(li));
        }
    }
    syncCursor(p);
    TWinControl::mouseMove(shift, x, y);
}

void TMemo::mouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        if (barPress_) bar_.mouseUp({x, y});
        barPress_ = false;
        selecting_ = false;
    }
    TWinControl::mouseUp(button, shift, x, y);
}

void TMemo::captureLost() {
    bar_.cancel();
    barPress_ = false;
    selecting_ = false;
    TWinControl::captureLost();
}

void TMemo::mouseWheel(int delta, TShiftState shift) {
    ensureLayout();
    setTopLine(top_ - 3 * delta);
    TWinControl::mouseWheel(delta, shift);
}

void TMemo::keyDown(platform::Key key, TShiftState shift) {
    using platform::Key;
    ensureLayout();
    const bool ctrl = (shift & platform::kCtrl) != 0;
    const bool extend = (shift & platform::kShift) != 0;
    const int li = caretLine();
    const int x = textRect().left + xIn(li, editor_.caret());
    // Up, Down and the page keys keep the caret's x, as far as the target line allows.
    auto toLine = [&](int target) {
        target = std::clamp(target, 0, lineCount() - 1);
        const std::size_t pos = hitLine(target, x);
        editor_.moveTo(pos, extend);
        caretMoved(pos == lines_[std::size_t(target)].end && wrapped(target));
    };
    const int vis = std::max(1, visibleLines());
    switch (key) {
        case Key::Up:
            if (li > 0) toLine(li - 1);
            return;
        case Key::Down:
            if (li + 1 < lineCount()) toLine(li + 1);
            return;
        case Key::PageUp:
            setTopLine(top_ - vis);
            toLine(li - vis);
            return;
        case Key::PageDown:
            setTopLine(top_ + vis);
            toLine(li + vis);
            return;
        case Key::Home:
            editor_.moveTo(ctrl ? 0 : lines_[std::size_t(li)].start, extend);
            caretMoved();
            return;
        case Key::End:
            editor_.moveTo(ctrl ? editor_.text().size() : lines_[std::size_t(li)].end, extend);
            caretMoved(!ctrl && wrapped(li));
            return;
        case Key::Return:
            if (!readOnly_ && editor_.replaceSelection("\r\n")) textChanged();
            return;
        default:
            break;
    }
    const auto r = editor_.editKey(key, shift, readOnly_, form().application().platform());
    if (r.changed)
        textChanged();
    else if (r.handled)
        caretMoved();
}

void TMemo::textInput(const char* utf8) {
    if (readOnly_) return;
    if (editor_.replaceSelection(utf8)) textChanged();
}

void TMemo::focusChanged(bool focused) {
    if (focused && !readOnly_) form().application().platform().startTextInput();
    if (!focused) {
        selecting_ = false;
        form().window().clearTextInputRect();
    }
    invalidateRect(textRect().inflated(1));
}

}  // namespace tv
