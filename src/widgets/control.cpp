#include "widgets/control.h"

#include <algorithm>

#include "widgets/application.h"
#include "widgets/form.h"

namespace tv {

TControl::TControl(TForm& form, Size defaultSize)
    : TComponent(form), bounds_{0, 0, defaultSize.width, defaultSize.height} {}

TControl::~TControl() = default;

void TControl::setParent(TWinControl* p) {
    if (p == parent_) return;
    if (parent_) parent_->removeChild(this);
    parent_ = p;
    if (parent_) {
        parent_->addChild(this);
        if (parentColor_) color_ = parent_->color();
        if (parentFont_) {
            font_ = parent_->font();
            resolved_ = nullptr;
        }
        if (parentShowHint_) showHint_ = parent_->showHint();
    }
}

void TControl::setBounds(int l, int t, int w, int h) {
    Rect nb = Rect::fromXYWH(l, t, w, h);
    if (nb == bounds_) return;
    if (parent_ && showing()) invalidate();
    bounds_ = nb;
    boundsChanged();
    if (parent_ && showing()) invalidate();
}

void TControl::setVisible(bool v) {
    if (v == visible_) return;
    if (!v && showing()) invalidate();
    visible_ = v;
    if (!v) form().controlHidden(this);
    if (parent_ && align_ != TAlign::alNone) parent_->realign();
    if (v && showing()) invalidate();
    if (this != &form()) form().application().accessChanged(*this, AccessChange::Visibility);
}

bool TControl::showing() const {
    for (const TControl* c = this; c; c = c->parent_) {
        if (!c->visible_) return false;
        if (c == &form()) return true;
    }
    return false;
}

void TControl::setEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    if (!v) form().controlHidden(this);
    invalidate();
}

void TControl::setColor(TColor c) {
    if (c == color_) {
        return;
    }
    color_ = c;
    parentColor_ = false;
    colorChanged();
}

void TControl::setParentColor(bool v) {
    parentColor_ = v;
    if (v && parent_ && color_ != parent_->color()) {
        color_ = parent_->color();
        colorChanged();
    }
}

void TControl::parentColorChanged() {
    if (parentColor_ && parent_ && color_ != parent_->color()) {
        color_ = parent_->color();
        colorChanged();
    }
}

void TControl::setFont(const TFont& f) {
    parentFont_ = false;
    if (f == font_) return;
    font_ = f;
    resolved_ = nullptr;
    fontChanged();
}

void TControl::setParentFont(bool v) {
    parentFont_ = v;
    if (v && parent_ && !(font_ == parent_->font())) {
        font_ = parent_->font();
        resolved_ = nullptr;
        fontChanged();
    }
}

void TControl::parentFontChanged() {
    if (parentFont_ && parent_ && !(font_ == parent_->font())) {
        font_ = parent_->font();
        resolved_ = nullptr;
        fontChanged();
    }
}

const Font& TControl::resolvedFont() const {
    if (!resolved_) resolved_ = &form().application().fonts().font(font_.spec);
    return *resolved_;
}

void TControl::setCaption(const std::string& c) {
    if (c == caption_) return;
    caption_ = c;
    captionChanged();
    form().application().accessChanged(*this, AccessChange::Name);
}

void TControl::setAccessibleName(const std::string& n) {
    if (n == accessibleName_) return;
    accessibleName_ = n;
    form().application().accessChanged(*this, AccessChange::Name);
}

void TControl::setShowHint(bool v) {
    showHint_ = v;
    parentShowHint_ = false;
}

void TControl::setParentShowHint(bool v) {
    parentShowHint_ = v;
    if (v && parent_) showHint_ = parent_->showHint();
}

void TControl::parentShowHintChanged() {
    if (parentShowHint_ && parent_) showHint_ = parent_->showHint();
}

void TControl::setAlign(TAlign a) {
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->realign();
}

Rect TControl::windowRect() const {
    if (!parent_) return bounds_;
    Rect pr = parent_->windowRect();
    Rect ca = parent_->clientArea();
    return bounds_.translated(pr.left + ca.left, pr.top + ca.top);
}

void TControl::invalidate() {
    invalidateRect(clientRect());
}

void TControl::invalidateRect(const Rect& r) {
    if (!showing()) return;
    // Clip to every parent's client area on the way up: what they clip is never seen.
    Rect w = r.translated(windowOrigin());
    for (const TWinControl* p = parent_; p; p = p->parent()) {
        w = w.intersected(p->clientArea().translated(p->windowOrigin()));
        if (w.empty()) return;
    }
    form().invalidateWindow(w);
}

bool TControl::focused() const {
    return form().focusedControl() == this;
}

bool TControl::showsFocus() const {
    return focused() && form().active();
}

bool TControl::usable() const {
    if (!showing()) return false;
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->enabled_) return false;
    return true;
}

void TControl::mouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        pressed_ = true;
        pressDouble_ = (shift & platform::kDoubleClick) != 0;
    }
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::mouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::mouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    // A click is a left press and a release inside; the second press of a double-click
    // makes no click of its own.
    if (button == TMouseButton::mbLeft && pressed_) {
        pressed_ = false;
        bool inside = clientArea().contains(Point{x, y});
        if (inside && !pressDouble_ && OnClick) OnClick(this);
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

// TWinControl

void TWinControl::addChild(TControl* c) {
    children_.push_back(c);
}

void TWinControl::removeChild(TControl* c) {
    children_.erase(std::remove(children_.begin(), children_.end(), c), children_.end());
}

void TWinControl::colorChanged() {
    invalidate();
    for (auto* c : children_) c->parentColorChanged();
}

void TWinControl::fontChanged() {
    invalidate();
    for (auto* c : children_) c->parentFontChanged();
}

TControl* TWinControl::controlAt(Point p) {
    Rect ca = clientArea();
    if (ca.contains(p)) {
        Point cp = p - ca.topLeft();
        // Windowed children lie above drawn ones; later ones above earlier ones.
        for (int pass = 0; pass < 2; ++pass) {
            const bool wantWindowed = pass == 0;
            for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
                TControl* c = *it;
                if (c->isWindowed() != wantWindowed || !c->visible() || !c->enabled()) continue;
                if (!c->boundsRect().contains(cp)) continue;
                if (c->isWindowed())
                    return static_cast<TWinControl*>(c)->controlAt(cp - c->boundsRect().topLeft());
                return c;
            }
        }
    }
    return this;
}

void TWinControl::paintTree(Canvas& canvas, const Rect& dirty) {
    paint(canvas);
    Rect ca = clientArea();
    Canvas::Saver s(canvas);
    canvas.clipTo(ca);
    canvas.translate(ca.left, ca.top);
    Rect d = dirty.translated(-ca.left, -ca.top);
    for (int pass = 0; pass < 2; ++pass) {
        const bool wantWindowed = pass == 1;
        for (TControl* c : children_) {
            if (c->isWindowed() != wantWindowed || !c->visible()) continue;
            Rect b = c->boundsRect();
            if (!b.intersects(d)) continue;
            Canvas::Saver cs(canvas);
            canvas.clipTo(b);
            if (canvas.clipEmpty()) continue;
            canvas.translate(b.left, b.top);
            if (c->isWindowed())
                static_cast<TWinControl*>(c)->paintTree(canvas, d.translated(-b.left, -b.top));
            else
                c->paint(canvas);
        }
    }
}

void TWinControl::realign() {
    Rect ca = clientArea();
    int bottom = ca.height();
    // The first bottom-aligned child sits at the very bottom, the next one above it.
    for (TControl* c : children_) {
        if (c->align() != TAlign::alBottom || !c->visible()) continue;
        c->setBounds(0, bottom - c->height(), ca.width(), c->height());
        bottom -= c->height();
    }
}

}  // namespace tv
