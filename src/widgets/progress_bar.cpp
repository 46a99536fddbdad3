#include "widgets/progress_bar.h"

#include <algorithm>

#include "widgets/panel.h"

namespace tv {

// As high as the scroll-bar arrow of a standard display.
TProgressBar::TProgressBar(TForm& form) : TWinControl(form, {150, 16}) {
    setParentColor(false);
}

void TProgressBar::setRange(int lo, int hi) {
    min_ = lo;
    max_ = std::max(lo, hi);
    setPosition(position_);
    invalidate();
}

void TProgressBar::setPosition(int v) {
    v = std::clamp(v, min_, max_);
    if (v == position_) return;
    const int before = filledWidth();
    position_ = v;
    // Only the segments that changed are repainted.
    const int after = filledWidth();
    if (before != after) {
        const int lo = std::min(before, after), hi = std::max(before, after);
        invalidateRect({2 + lo - 8, 0, 2 + hi + 2, height()});
    }
}

int TProgressBar::filledWidth() const {
    const int inner = std::max(0, width() - 4);
    if (max_ == min_) return 0;
    return int((long long)inner * (position_ - min_) / (max_ - min_));
}

void TProgressBar::paint(Canvas& canvas) {
    Rect r = clientRect();
    // A thin sunken border around the bar's well.
    canvas.frame3D(r, toPixel(clBtnShadow), toPixel(clBtnHighlight));
    Rect well = r.inflated(-1);
    canvas.fillRect(well, toPixel(clBtnFace));
    Rect inner = well.inflated(-1);
    if (inner.empty()) return;
    // Segments as wide as two thirds of the bar's height, with 2-pixel gaps between them;
    // the bar shows whole segments up to the filled extent.
    const int seg = std::max(2, (inner.height() * 2) / 3);
    const int fill = filledWidth();
    const Pixel blue = toPixel(clHighlight);
    Canvas::Saver s(canvas);
    canvas.clipTo(inner);
    for (int x = 0; x < fill; x += seg + 2) {
        int w = std::min(seg, inner.width() - x);
        canvas.fillRect(Rect::fromXYWH(inner.left + x, inner.top, w, inner.height()), blue);
    }
}

}  // namespace tv
