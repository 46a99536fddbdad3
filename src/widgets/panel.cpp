#include "widgets/panel.h"

#include "widgets/edges.h"
#include "widgets/form.h"

namespace tv {

TPanel::TPanel(TForm& form) : TWinControl(form, {185, 41}) {
    setColor(clBtnFace);
}

void TPanel::setBevelOuter(TBevelCut v) {
    if (v == bevelOuter_) return;
    bevelOuter_ = v;
    invalidate();
}
void TPanel::setBevelInner(TBevelCut v) {
    if (v == bevelInner_) return;
    bevelInner_ = v;
    invalidate();
}
void TPanel::setBevelWidth(int v) {
    if (v == bevelWidth_) return;
    bevelWidth_ = v;
    invalidate();
}
void TPanel::setBorderWidth(int v) {
    if (v == borderWidth_) return;
    borderWidth_ = v;
    invalidate();
}
void TPanel::setBorderStyle(TPanelBorder v) {
    if (v == borderStyle_) return;
    borderStyle_ = v;
    invalidate();
}
void TPanel::setAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    invalidate();
}

Rect TPanel::clientArea() const {
    return borderStyle_ == TPanelBorder::bsSingle ? clientRect().inflated(-2) : clientRect();
}

void TPanel::paint(Canvas& canvas) {
    Rect r = clientRect();
    if (borderStyle_ == TPanelBorder::bsSingle) {
        drawSunkenEdge(canvas, r);
        r = r.inflated(-2);
    }
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        Pixel hi = canvas.pixel(clBtnHighlight), sh = canvas.pixel(clBtnShadow);
        if (cut == TBevelCut::bvLowered) std::swap(hi, sh);
        for (int i = 0; i < bevelWidth_; ++i) {
            canvas.frame3D(r, hi, sh);
            r = r.inflated(-1);
        }
    };
    bevel(bevelOuter_);
    const Pixel face = canvas.pixel(color());
    for (int i = 0; i < borderWidth_; ++i) {
        canvas.frameRect(r, face);
        r = r.inflated(-1);
    }
    bevel(bevelInner_);
    canvas.fillRect(r, face);
    if (caption().empty()) return;
    // The line is as high as a "W"; leading and trailing spaces take part in centring.
    const Font& f = resolvedFont();
    const int h = f.textExtent("W").height;
    Rect tr{r.left, (r.top + r.bottom - h) / 2, r.right, 0};
    tr.bottom = tr.top + h;
    Size ext = f.textExtent(caption());
    int x = r.left;
    if (alignment_ == TAlignment::taCenter)
        x = r.left + (r.width() - ext.width) / 2;
    else if (alignment_ == TAlignment::taRightJustify)
        x = r.right - ext.width;
    Canvas::Saver s(canvas);
    canvas.clipTo(r);
    f.draw(canvas, x, tr.top, caption(), canvas.pixel(font().color));
}

}  // namespace tv
