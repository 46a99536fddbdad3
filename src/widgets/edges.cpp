#include "widgets/edges.h"

#include "gfx/color.h"

namespace tv {

void drawSunkenEdge(Canvas& canvas, const Rect& r) {
    canvas.frame3D(r, toPixel(clBtnShadow), toPixel(clBtnHighlight));
    canvas.frame3D(r.inflated(-1), toPixel(cl3DDkShadow), toPixel(cl3DLight));
}

void drawRaisedEdge(Canvas& canvas, const Rect& r) {
    canvas.frame3D(r, toPixel(cl3DLight), toPixel(cl3DDkShadow));
    canvas.frame3D(r.inflated(-1), toPixel(clBtnHighlight), toPixel(clBtnShadow));
}

void drawRaisedButton(Canvas& canvas, const Rect& r) {
    canvas.fillRect(r, toPixel(clBtnFace));
    drawRaisedEdge(canvas, r);
}

void drawButtonEdge(Canvas& canvas, const Rect& r, bool down) {
    if (down) {
        canvas.frame3D(r, toPixel(cl3DDkShadow), toPixel(clBtnHighlight));
        canvas.frame3D(r.inflated(-1), toPixel(clBtnShadow), toPixel(cl3DLight));
    } else {
        canvas.frame3D(r, toPixel(clBtnHighlight), toPixel(cl3DDkShadow));
        canvas.frame3D(r.inflated(-1), toPixel(cl3DLight), toPixel(clBtnShadow));
    }
}

}  // namespace tv
