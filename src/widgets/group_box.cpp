#include "widgets/group_box.h"

namespace tv {

TGroupBox::TGroupBox(TForm& form) : TWinControl(form, {185, 105}) {
    setParentColor(true);
}

void TGroupBox::paint(Canvas& canvas) {
    const int w = width(), h = height();
    canvas.fillRect(clientRect(), canvas.pixel(color()));
    const Font& f = resolvedFont();
    const int th = f.textExtent("0").height;
    Rect outer{1, th / 2, w, h};
    canvas.frameRect(outer, canvas.pixel(clBtnHighlight));
    Rect inner{0, th / 2 - 1, w - 1, h - 1};
    canvas.frameRect(inner, canvas.pixel(clBtnShadow));
    if (caption().empty()) return;
    Size ext = f.textExtent(caption());
    Rect tr = Rect::fromXYWH(8, 0, ext.width, th);
    canvas.fillRect(tr, canvas.pixel(color()));
    Canvas::Saver s(canvas);
    canvas.clipTo(clientRect());
    f.draw(canvas, tr.left, tr.top, caption(), canvas.pixel(font().color));
}

}  // namespace tv
