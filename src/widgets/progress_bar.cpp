#include "widgets/progress_bar.h"

#include "widgets/application.h"
#include "widgets/form.h"

#include <algorithm>

#include "widgets/application.h"
#include "widgets/form.h"
#include "widgets/panel.h"

namespace tv {

// As high as the desktop's scroll-bar arrow.
TProgressBar::TProgressBar(TForm& form)
    : TWinControl(form, {150, form.application().platform().metrics().scrollArrow}) {
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
    const int before = segmentsShown();
    position_ = v;
    // The bar shows whole segments: it repaints only when their number changes, and only
    // the segments that appeared or went.
    const int after = segmentsShown();
    if (before != after) {
        const int pitch = segmentPitch();
        const int lo = std::min(before, after), hi = std::max(before, after);
        invalidateRect({2 + lo * pitch, 0, 2 + hi * pitch, height()});
        form().application().accessChanged(*this, AccessChange::Value);
    }
}

int TProgressBar::segmentPitch() const {
    // Segments two thirds as wide as the bar's inside is high, 2 pixels apart.
    return std::max(2, (std::max(0, height() - 4) * 2) / 3) + 2;
}

int TProgressBar::segmentsShown() const {
    const int pitch = segmentPitch();
    return (filledWidth() + pitch - 1) / pitch;
}

int TProgressBar::filledWidth() const {
    const int inner = std::max(0, width() - 4);
    if (max_ == min_) return 0;
    return int((long long)inner * (position_ - min_) / (max_ - min_));
}

void TProgressBar::paint(Canvas& canvas) {
    Rect r = clientRect();
    // A thin sunken border around the bar's well.
    canvas.frame3D(r, canvas.pixel(clBtnShadow), canvas.pixel(clBtnHighlight));
    Rect well = r.inflated(-1);
    canvas.fillRect(well, canvas.pixel(clBtnFace));
    Rect inner = well.inflated(-1);
    if (inner.empty()) return;
    const int pitch = segmentPitch();
    const int count = segmentsShown();
    const Pixel blue = canvas.pixel(clHighlight);
    Canvas::Saver s(canvas);
    canvas.clipTo(inner);
    for (int i = 0; i < count; ++i)
        canvas.fillRect(
            Rect::fromXYWH(inner.left + i * pitch, inner.top, pitch - 2, inner.height()), blue);
}

}  // namespace tv
