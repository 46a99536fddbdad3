#include "widgets/scroll_bar.h"

#include <algorithm>

#include "widgets/application.h"
#include "widgets/control.h"
#include "widgets/edges.h"
#include "widgets/form.h"
#include "widgets/timer.h"

namespace tv {

TScrollBar::TScrollBar(TControl& owner) : owner_(owner) {}

TScrollBar::~TScrollBar() = default;

void TScrollBar::setBounds(const Rect& r) {
    if (r == bounds_) return;
    bounds_ = r;
    invalidate();
}

int TScrollBar::maxPosition() const {
    return std::max(min_, max_ - page_ + 1);
}

bool TScrollBar::setRange(int minimum, int maximum, int page) {
    maximum = std::max(minimum, maximum);
    page = std::max(0, page);
    if (minimum != min_ || maximum != max_ || page != page_) {
        min_ = minimum;
        max_ = maximum;
        page_ = page;
        invalidate();
    }
    const int clamped = std::clamp(pos_, min_, maxPosition());
    if (clamped == pos_) return false;
    pos_ = clamped;
    return true;
}

bool TScrollBar::setPosition(int pos) {
    pos = std::clamp(pos, min_, maxPosition());
    if (pos == pos_) return false;
    pos_ = pos;
    invalidate();
    return true;
}

void TScrollBar::userSetPosition(int pos) {
    if (setPosition(pos) && onScroll) onScroll(pos_);
}

// Geometry

Rect TScrollBar::upArrowRect() const {
    const int a = std::min(kArrowHeight, bounds_.height() / 2);
    return {bounds_.left, bounds_.top, bounds_.right, bounds_.top + a};
}

Rect TScrollBar::downArrowRect() const {
    const int a = std::min(kArrowHeight, bounds_.height() / 2);
    return {bounds_.left, bounds_.bottom - a, bounds_.right, bounds_.bottom};
}

Rect TScrollBar::trackRect() const {
    return {bounds_.left, upArrowRect().bottom, bounds_.right, downArrowRect().top};
}

Rect TScrollBar::thumbRect() const {
    if (!scrollable()) return {};
    const Rect t = trackRect();
    const int range = max_ - min_ + 1;
    const int len = std::max(kMinThumb, int((long long)t.height() * page_ / range));
    if (len > t.height()) return {};
    const int span = maxPosition() - min_;
    const int top =
        span == 0 ? t.top : t.top + int((long long)(t.height() - len) * (pos_ - min_) / span);
    return {t.left, top, t.right, top + len};
}

TScrollBar::Part TScrollBar::partAt(Point p) const {
    if (!bounds_.contains(p)) return Part::None;
    if (upArrowRect().contains(p)) return Part::LineUp;
    if (downArrowRect().contains(p)) return Part::LineDown;
    const Rect th = thumbRect();
    if (th.empty()) return Part::None;  // nothing to page through without a thumb
    if (th.contains(p)) return Part::Thumb;
    return p.y < th.top ? Part::PageUp : Part::PageDown;
}

// Painting

void TScrollBar::paintTrack(Canvas& canvas, const Rect& r, bool dark) const {
    const Rect vis = r.intersected(canvas.clip());
    if (vis.empty()) return;
    // The classic track is a one-pixel checker of highlight and face, aligned to the
    // window so that neighbouring repaints join up.
    const Pixel a = canvas.pixel(clBtnHighlight), b = canvas.pixel(clBtnFace);
    const Point o = canvas.origin();
    for (int y = vis.top; y < vis.bottom; ++y)
        for (int x = vis.left; x < vis.right; ++x)
            canvas.setPixel(x, y, ((x + o.x + y + o.y) & 1) ? b : a);
    if (dark) canvas.invertRect(vis);
}

void TScrollBar::paintArrow(Canvas& canvas, const Rect& r, bool up, bool pushed,
                            bool disabled) const {
    if (r.empty()) return;
    int d = 0;
    if (pushed) {
        canvas.fillRect(r, canvas.pixel(clBtnFace));
        canvas.frameRect(r, canvas.pixel(clBtnShadow));
        d = 1;
    } else {
        drawRaisedButton(canvas, r);
    }
    // A 7 x 4 triangle in the middle of the button.
    const int cx = r.left + (r.width() - 1) / 2 + d;
    const int top = r.top + (r.height() - 4) / 2 + d;
    auto triangle = [&](int dx, int dy, Pixel p) {
        for (int k = 0; k < 4; ++k) {
            const int half = up ? k : 3 - k;
            canvas.hline(cx - half + dx, cx + half + 1 + dx, top + k + dy, p);
        }
    };
    if (disabled) {
        triangle(1, 1, canvas.pixel(clBtnHighlight));
        triangle(0, 0, canvas.pixel(clBtnShadow));
    } else {
        triangle(0, 0, canvas.pixel(clBtnText));
    }
}

void TScrollBar::paint(Canvas& canvas) const {
    if (bounds_.empty()) return;
    const bool on = pointerOnPressedPart();
    const bool disabled = !scrollable();
    paintArrow(canvas, upArrowRect(), true, pressed_ == Part::LineUp && on, disabled);
    paintArrow(canvas, downArrowRect(), false, pressed_ == Part::LineDown && on, disabled);
    const Rect t = trackRect();
    const Rect th = thumbRect();
    if (th.empty()) {
        paintTrack(canvas, t, false);
        return;
    }
    paintTrack(canvas, {t.left, t.top, t.right, th.top}, pressed_ == Part::PageUp && on);
    paintTrack(canvas, {t.left, th.bottom, t.right, t.bottom}, pressed_ == Part::PageDown && on);
    drawRaisedButton(canvas, th);
}

void TScrollBar::invalidate() const {
    if (!bounds_.empty()) owner_.invalidateRect(bounds_);
}

// The mouse

bool TScrollBar::pointerOnPressedPart() const {
    switch (pressed_) {
        case Part::LineUp:
            return upArrowRect().contains(pointer_);
        case Part::LineDown:
            return downArrowRect().contains(pointer_);
        case Part::PageUp:
        case Part::PageDown:
            return partAt(pointer_) == pressed_;
        default:
            return pressed_ != Part::None;
    }
}

void TScrollBar::step(Part part) {
    const int pageStep = std::max(1, page_);
    switch (part) {
        case Part::LineUp:
            userSetPosition(pos_ - 1);
            break;
        case Part::LineDown:
            userSetPosition(pos_ + 1);
            break;
        case Part::PageUp:
            userSetPosition(pos_ - pageStep);
            break;
        case Part::PageDown:
            userSetPosition(pos_ + pageStep);
            break;
        default:
            break;
    }
}

bool TScrollBar::mouseDown(Point p) {
    if (!bounds_.contains(p)) return false;
    pointer_ = p;
    const Part part = partAt(p);
    // A bar with nothing to scroll takes the press but does nothing with it.
    if (part == Part::None || !scrollable()) return true;
    pressed_ = part;
    invalidate();
    if (part == Part::Thumb) {
        thumbGrab_ = p.y - thumbRect().top;
        return true;
    }
    step(part);
    startRepeat();
    return true;
}

void TScrollBar::mouseMove(Point p) {
    if (pressed_ == Part::None) return;
    const bool wasOn = pointerOnPressedPart();
    pointer_ = p;
    if (pressed_ == Part::Thumb) {
        const Rect t = trackRect();
        const Rect th = thumbRect();
        const int free = t.height() - th.height();
        if (free <= 0) return;
        const int top = std::clamp(p.y - thumbGrab_, t.top, t.top + free);
        const int span = maxPosition() - min_;
        // Rounded to the nearest position, so the thumb stays under the pointer.
        userSetPosition(min_ + int(((long long)(top - t.top) * span * 2 + free) / (2 * free)));
        return;
    }
    if (pointerOnPressedPart() != wasOn) invalidate();
}

void TScrollBar::mouseUp(Point p) {
    pointer_ = p;
    cancel();
}

void TScrollBar::cancel() {
    if (pressed_ == Part::None) return;
    pressed_ = Part::None;
    stopRepeat();
    invalidate();
}

void TScrollBar::startRepeat() {
    if (!repeat_) {
        repeat_ = std::make_unique<TTimer>(owner_.form());
        repeat_->setEnabled(false);
        repeat_->setOnTimer([this](TObject*) { repeatTick(); });
    }
    repeatFast_ = false;
    repeat_->setInterval(kFirstRepeatMs);
    try {
        repeat_->setEnabled(true);
    } catch (const EWidgetError&) {
        // The platform has no timer left: every press still scrolls one step, the bar
        // only does not repeat while held. Not an error the user could act on.
        repeat_->setEnabled(false);
    }
}

void TScrollBar::stopRepeat() {
    if (repeat_) repeat_->setEnabled(false);
}

void TScrollBar::repeatTick() {
    if (pressed_ == Part::None || pressed_ == Part::Thumb) {
        stopRepeat();
        return;
    }
    if (!repeatFast_) {
        repeatFast_ = true;
        repeat_->setInterval(kRepeatMs);
    }
    // Paging stops once the thumb has reached the pointer: the part under it changes.
    if (pointerOnPressedPart()) step(pressed_);
}

}  // namespace tv
