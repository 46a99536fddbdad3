#include "widgets/speed_button.h"

#include "widgets/application.h"
#include "widgets/edges.h"
#include "widgets/form.h"

namespace tv {

TSpeedButton::TSpeedButton(TForm& form) : TControl(form, {23, 22}) {
    setColor(clBtnFace);
}

void TSpeedButton::setFlat(bool v) {
    if (v == flat_) return;
    flat_ = v;
    invalidate();
}

void TSpeedButton::setGlyph(std::shared_ptr<const Picture> glyph) {
    glyph_ = std::move(glyph);
    numGlyphs_ = 1;
    glyphTransparent_ = 0;
    if (glyph_ && !glyph_->images.empty()) {
        const int w = glyph_->width(), h = glyph_->height();
        if (h > 0 && w % h == 0 && w / h >= 1 && w / h <= 4) numGlyphs_ = w / h;
        glyphTransparent_ = glyph_->bottomLeft();
    }
    invalidate();
}

void TSpeedButton::layout(Point& glyph, Rect& text) const {
    const Rect q = clientRect().inflated(-1);
    int gw = 0, gh = 0;
    if (glyph_ && !glyph_->images.empty()) {
        gw = glyph_->width() / numGlyphs_;
        gh = glyph_->height();
    }
    Size t{0, 0};
    if (!caption().empty()) t = resolvedFont().textExtent(caption());
    const int s = (gw == 0 || t.width == 0) ? 0 : 4;
    const int m = (q.width() - (gw + s + t.width) + 1) / 2;
    const int d = down_ ? 1 : 0;
    glyph = {q.left + m + d, q.top + (q.height() - gh + 1) / 2 + d};
    text = Rect::fromXYWH(q.left + m + gw + s + d, q.top + (q.height() - t.height + 1) / 2 + d,
                          t.width, t.height);
}

Point TSpeedButton::glyphPos() const {
    Point g;
    Rect t;
    layout(g, t);
    return g;
}

Rect TSpeedButton::textRect() const {
    Point g;
    Rect t;
    layout(g, t);
    return t;
}

void TSpeedButton::paint(Canvas& canvas) {
    const Rect r = clientRect();
    if (flat_) {
        if (down_)
            canvas.frame3D(r, canvas.pixel(clBtnShadow), canvas.pixel(clBtnHighlight));
        else if (hot_)
            canvas.frame3D(r, canvas.pixel(clBtnHighlight), canvas.pixel(clBtnShadow));
    } else {
        // A non-flat button draws the classic raised face.
        canvas.fillRect(r, canvas.pixel(color()));
        drawButtonEdge(canvas, r, down_);
    }
    Point g;
    Rect t;
    layout(g, t);
    if (glyph_ && !glyph_->images.empty()) {
        const int gw = glyph_->width() / numGlyphs_;
        int index = 0;
        if (numGlyphs_ > 1) {
            if (!enabled())
                index = 1;
            else if (down_ && numGlyphs_ > 2)
                index = 2;
        }
        Canvas::Saver s(canvas);
        canvas.clipTo(Rect::fromXYWH(g.x, g.y, gw, glyph_->height()));
        canvas.drawImageTransparent(glyph_->image(), g.x - index * gw, g.y, glyphTransparent_);
    }
    if (!caption().empty()) {
        Canvas::Saver s(canvas);
        canvas.clipTo(r);
        resolvedFont().draw(canvas, t.left, t.top, caption(), canvas.pixel(font().color));
    }
}

void TSpeedButton::setDown(bool v) {
    if (v == down_) return;
    down_ = v;
    invalidate();
}

void TSpeedButton::setHot(bool v) {
    if (v == hot_) return;
    hot_ = v;
    if (flat_) invalidate();
}

void TSpeedButton::mouseEnter() {
    // A drag in progress elsewhere (the mouse given to another widget) lights nothing.
    TControl* cap = form().captureControl();
    if (cap && cap != this) return;
    setHot(true);
}

void TSpeedButton::mouseLeave() {
    if (pressing_) return;
    setHot(false);
}

void TSpeedButton::mouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        pressing_ = true;
        setDown(true);
    }
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TSpeedButton::mouseMove(TShiftState shift, int x, int y) {
    if (pressing_) setDown(clientRect().contains(Point{x, y}));
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TSpeedButton::mouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && pressing_) {
        pressing_ = false;
        const bool inside = clientRect().contains(Point{x, y});
        setDown(false);
        hot_ = false;
        if (inside) {
            invalidate();
            if (OnClick) OnClick(this);
        }
        // The pointer may be elsewhere by now (a message box came and went).
        setHot(form().isShowing() && showing() && windowRect().contains(form().pointerPos()) &&
               form().hotControl() == this);
        if (flat_) invalidate();
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TSpeedButton::captureLost() {
    TControl::captureLost();
    if (!pressing_) return;
    pressing_ = false;
    setDown(false);
    setHot(false);
}

}  // namespace tv
