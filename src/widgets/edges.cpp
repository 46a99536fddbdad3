#include "widgets/edges.h"

#include "gfx/color.h"

namespace tv {

void drawSunkenEdge(Canvas& canvas, const Rect& r) {
    canvas.frame3D(r, canvas.pixel(clBtnShadow), canvas.pixel(clBtnHighlight));
    canvas.frame3D(r.inflated(-1), canvas.pixel(cl3DDkShadow), canvas.pixel(cl3DLight));
}

void drawRaisedEdge(Canvas& canvas, const Rect& r) {
    canvas.frame3D(r, canvas.pixel(cl3DLight), canvas.pixel(cl3DDkShadow));
    canvas.frame3D(r.inflated(-1), canvas.pixel(clBtnHighlight), canvas.pixel(clBtnShadow));
}

void drawRaisedButton(Canvas& canvas, const Rect& r) {
    canvas.fillRect(r, canvas.pixel(clBtnFace));
    drawRaisedEdge(canvas, r);
}

void drawButtonEdge(Canvas& canvas, const Rect& r, bool down) {
    if (down) {
        canvas.frame3D(r, canvas.pixel(cl3DDkShadow), canvas.pixel(clBtnHighlight));
        canvas.frame3D(r.inflated(-1), canvas.pixel(clBtnShadow), canvas.pixel(cl3DLight));
    } else {
        canvas.frame3D(r, canvas.pixel(clBtnHighlight), canvas.pixel(cl3DDkShadow));
        canvas.frame3D(r.inflated(-1), canvas.pixel(cl3DLight), canvas.pixel(clBtnShadow));
    }
}

}  // namespace tv
