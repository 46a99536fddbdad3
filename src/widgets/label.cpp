#include "widgets/label.h"

#include "gfx/font_utf8.h"

#include "widgets/form.h"

namespace tv {

TLabel::TLabel(TForm& form) : TControl(form, {65, 17}) {
    setParentColor(true);
}

void TLabel::setAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    adjustSize();
}

void TLabel::setTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    invalidate();
}

void TLabel::captionChanged() {
    shown_.clear();
    underline_ = -1;
    const std::string& c = caption();
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i] == '&' && i + 1 < c.size()) {
            ++i;
            if (c[i] != '&' && underline_ < 0) underline_ = int(shown_.size());
        }
        shown_ += c[i];
    }
    adjustSize();
    invalidate();
}

void TLabel::fontChanged() {
    adjustSize();
    invalidate();
}

void TLabel::adjustSize() {
    if (!autoSize_) return;
    Size ext = resolvedFont().textExtent(shown_);
    if (shown_.empty()) ext.height = resolvedFont().lineHeight();
    setBounds(left(), top(), ext.width, ext.height);
}

void TLabel::paint(Canvas& canvas) {
    if (!transparent_) canvas.fillRect(clientRect(), canvas.pixel(color()));
    if (shown_.empty()) return;
    const Font& f = resolvedFont();
    f.draw(canvas, 0, 0, shown_, canvas.pixel(font().color));
    if (underline_ >= 0) {
        int x = f.textWidth(std::string_view(shown_).substr(0, std::size_t(underline_)));
        std::size_t end = std::size_t(underline_);
        decodeUtf8(shown_, end);
        int w = f.textWidth(std::string_view(shown_).substr(std::size_t(underline_),
                                                            end - std::size_t(underline_)));
        canvas.hline(x, x + w, f.ascent() + 1, canvas.pixel(font().color));
    }
}

}  // namespace tv
