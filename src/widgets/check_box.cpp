#include "widgets/check_box.h"

#include "widgets/application.h"
#include "widgets/edges.h"
#include "widgets/form.h"

namespace tv {

void drawCheckMark(Canvas& canvas, int x, int y, Pixel color) {
    // Seven columns, each three pixels high: down two steps, then up four.
    static constexpr int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i) canvas.vline(x + i, y + kTop[i], y + kTop[i] + 3, color);
}

void drawCheckImage(Canvas& canvas, int x, int y, bool checked, bool pushed) {
    const Rect b = Rect::fromXYWH(x, y, kCheckSize, kCheckSize);
    drawSunkenEdge(canvas, b);
    canvas.fillRect(b.inflated(-2), canvas.pixel(pushed ? clBtnFace : clWindow));
    if (checked) drawCheckMark(canvas, x + 3, y + 3, canvas.pixel(clWindowText));
}

TCheckBox::TCheckBox(TForm& form) : TWinControl(form, {97, 17}) {
    setParentColor(true);
    tabStop_ = true;
}

void TCheckBox::setChecked(bool v) {
    if (v == checked_) return;
    checked_ = v;
    invalidateRect(boxRect());
    form().application().accessChanged(*this, AccessChange::Checked);
    if (OnClick) OnClick(this);
}

Rect TCheckBox::boxRect() const {
    return Rect::fromXYWH(0, (height() - kCheckSize) / 2, kCheckSize, kCheckSize);
}

Rect TCheckBox::captionRect() const {
    // The caption starts four pixels right of the box and is centred vertically.
    const Size ext = caption().empty() ? Size{0, resolvedFont().lineHeight()}
                                       : resolvedFont().textExtent(caption());
    return Rect::fromXYWH(kCheckSize + 4, (height() - ext.height) / 2, ext.width, ext.height);
}

void TCheckBox::paint(Canvas& canvas) {
    const Rect r = clientRect();
    canvas.fillRect(r, canvas.pixel(color()));
    const Rect box = boxRect();
    drawCheckImage(canvas, box.left, box.top, checked_, pushed());
    if (caption().empty()) return;
    const Rect tr = captionRect();
    {
        Canvas::Saver s(canvas);
        canvas.clipTo(r);
        resolvedFont().draw(canvas, tr.left, tr.top, caption(), canvas.pixel(font().color));
    }
    if (showsFocus())
        canvas.focusRect(Rect{tr.left - 1, tr.top, tr.right + 1, tr.bottom}.intersected(r));
}

void TCheckBox::mouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        // The second press of a double-click is a press like any other.
        pressing_ = true;
        inside_ = true;
        invalidateRect(boxRect());
    }
    TWinControl::mouseDown(button, shift, x, y);
}

void TCheckBox::mouseMove(TShiftState shift, int x, int y) {
    if (pressing_) {
        const bool in = clientRect().contains(Point{x, y});
        if (in != inside_) {
            inside_ = in;
            invalidateRect(boxRect());
        }
    }
    TWinControl::mouseMove(shift, x, y);
}

void TCheckBox::mouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && pressing_) {
        pressing_ = false;
        invalidateRect(boxRect());
        if (clientRect().contains(Point{x, y})) toggle();  // OnClick, before OnMouseUp
    }
    // The click is this control's own: the base only reports the release.
    pressed_ = false;
    TWinControl::mouseUp(button, shift, x, y);
}

void TCheckBox::captureLost() {
    if (pressing_) invalidateRect(boxRect());
    pressing_ = false;
    TWinControl::captureLost();
}

void TCheckBox::keyDown(platform::Key key, TShiftState shift) {
    if (key == platform::Key::Space && !(shift & (platform::kCtrl | platform::kAlt))) toggle();
}

void TCheckBox::focusChanged(bool) {
    invalidate();
}

}  // namespace tv
