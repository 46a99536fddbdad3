#include "widgets/image.h"

#include "widgets/application.h"
#include "widgets/form.h"

namespace tv {

TImage::TImage(TForm& form) : TControl(form, {105, 105}) {}

void TImage::setPicture(std::shared_ptr<const Picture> p) {
    picture_ = std::move(p);
    applyAutoSize();
    invalidate();
}

void TImage::setStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    invalidate();
}
void TImage::setCenter(bool v) {
    if (v == center_) return;
    center_ = v;
    invalidate();
}
void TImage::setTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    invalidate();
}
void TImage::setAutoSize(bool v) {
    autoSize_ = v;
    applyAutoSize();
}

void TImage::applyAutoSize() {
    if (autoSize_ && picture_ && picture_->kind != Picture::Kind::Icon)
        setBounds(left(), top(), picture_->width(), picture_->height());
}

int TImage::largeIconSize() const {
    return form().application().platform().metrics().largeIcon;
}

void TImage::paint(Canvas& canvas) {
    if (!picture_ || picture_->images.empty()) return;
    if (picture_->kind == Picture::Kind::Icon) {
        canvas.drawImage(picture_->iconImageFor(largeIconSize()), 0, 0);
        return;
    }
    const Image& img = picture_->image();
    int w = stretch_ ? width() : img.width;
    int h = stretch_ ? height() : img.height;
    int x = 0, y = 0;
    if (center_) {
        x = (width() - w) / 2;
        y = (height() - h) / 2;
    }
    if (transparent_ && !stretch_) {
        canvas.drawImageTransparent(img, x, y, picture_->bottomLeft());
    } else if (w == img.width && h == img.height) {
        canvas.drawImage(img, x, y);
    } else {
        canvas.drawImageStretched(img, Rect::fromXYWH(x, y, w, h));
    }
}

}  // namespace tv
