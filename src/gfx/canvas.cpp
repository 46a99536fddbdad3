#include "gfx/canvas.h"

#include <cstddef>

#include "gfx/picture.h"

namespace tv {

Canvas::Canvas(Pixel* pixels, int width, int height, int stride, const SystemColors& scheme)
    : pixels_(pixels),
      scheme_(&scheme),
      width_(width),
      height_(height),
      stride_(stride),
      clip_{0, 0, width, height} {
    stack_.reserve(32);
}

void Canvas::save() {
    stack_.push_back({origin_, clip_});
}

void Canvas::restore() {
    if (stack_.empty()) return;
    origin_ = stack_.back().origin;
    clip_ = stack_.back().clip;
    stack_.pop_back();
}

void Canvas::clipTo(const Rect& r) {
    clip_ = clip_.intersected(r.translated(origin_));
}

void Canvas::setPixel(int x, int y, Pixel p) {
    x += origin_.x;
    y += origin_.y;
    if (!clip_.contains(Point{x, y})) return;
    pixels_[std::size_t(y) * std::size_t(stride_) + std::size_t(x)] = p;
}

void Canvas::fillRect(const Rect& r, Pixel p) {
    Rect d = r.translated(origin_).intersected(clip_);
    if (d.empty()) return;
    for (int y = d.top; y < d.bottom; ++y) {
        Pixel* row = pixels_ + std::size_t(y) * std::size_t(stride_);
        for (int x = d.left; x < d.right; ++x) row[x] = p;
    }
}

void Canvas::hline(int x1, int x2, int y, Pixel p) {
    fillRect({x1, y, x2, y + 1}, p);
}
void Canvas::vline(int x, int y1, int y2, Pixel p) {
    fillRect({x, y1, x + 1, y2}, p);
}

void Canvas::frameRect(const Rect& r, Pixel p) {
    if (r.empty()) return;
    hline(r.left, r.right, r.top, p);
    hline(r.left, r.right, r.bottom - 1, p);
    vline(r.left, r.top, r.bottom, p);
    vline(r.right - 1, r.top, r.bottom, p);
}

void Canvas::frame3D(const Rect& r, Pixel topLeft, Pixel bottomRight) {
    if (r.empty()) return;
    hline(r.left, r.right - 1, r.top, topLeft);
    vline(r.left, r.top, r.bottom - 1, topLeft);
    hline(r.left, r.right, r.bottom - 1, bottomRight);
    vline(r.right - 1, r.top, r.bottom, bottomRight);
}

void Canvas::invertRect(const Rect& r) {
    Rect d = r.translated(origin_).intersected(clip_);
    for (int y = d.top; y < d.bottom; ++y) {
        Pixel* row = pixels_ + std::size_t(y) * std::size_t(stride_);
        for (int x = d.left; x < d.right; ++x) row[x] ^= 0x00FFFFFFu;
    }
}

void Canvas::focusRect(const Rect& r) {
    if (r.empty()) return;
    // Dots on every other pixel, walking the outline so the corners line up.
    auto dot = [&](int x, int y) {
        int bx = x + origin_.x, by = y + origin_.y;
        if (!clip_.contains(Point{bx, by})) return;
        pixels_[std::size_t(by) * std::size_t(stride_) + std::size_t(bx)] ^= 0x00FFFFFFu;
    };
    for (int x = r.left; x < r.right; x += 2) dot(x, r.top);
    for (int x = r.left + ((r.height() - 1) & 1); x < r.right; x += 2) dot(x, r.bottom - 1);
    for (int y = r.top + 2; y < r.bottom - 1; y += 2) dot(r.left, y);
    for (int y = r.top + 2 - ((r.width() - 1) & 1); y < r.bottom - 1; y += 2)
        if (y > r.top) dot(r.right - 1, y);
}

void Canvas::drawImage(const Image& img, int x, int y) {
    Rect d = Rect::fromXYWH(x, y, img.width, img.height).translated(origin_).intersected(clip_);
    int ox = x + origin_.x, oy = y + origin_.y;
    for (int by = d.top; by < d.bottom; ++by) {
        const Pixel* src = &img.pixels[std::size_t(by - oy) * std::size_t(img.width)];
        Pixel* row = pixels_ + std::size_t(by) * std::size_t(stride_);
        for (int bx = d.left; bx < d.right; ++bx) {
            Pixel s = src[bx - ox];
            if (s >> 24) row[bx] = s | 0xFF000000u;
        }
    }
}

void Canvas::drawImageTransparent(const Image& img, int x, int y, Pixel transparent) {
    Rect d = Rect::fromXYWH(x, y, img.width, img.height).translated(origin_).intersected(clip_);
    int ox = x + origin_.x, oy = y + origin_.y;
    const Pixel key = transparent & 0x00FFFFFFu;
    for (int by = d.top; by < d.bottom; ++by) {
        const Pixel* src = &img.pixels[std::size_t(by - oy) * std::size_t(img.width)];
        Pixel* row = pixels_ + std::size_t(by) * std::size_t(stride_);
        for (int bx = d.left; bx < d.right; ++bx) {
            Pixel s = src[bx - ox];
            if ((s & 0x00FFFFFFu) != key && (s >> 24)) row[bx] = s | 0xFF000000u;
        }
    }
}

void Canvas::drawImageStretched(const Image& img, const Rect& dst) {
    if (dst.empty() || img.width <= 0 || img.height <= 0) return;
    Rect full = dst.translated(origin_);
    Rect d = full.intersected(clip_);
    const int dw = full.width(), dh = full.height();
    for (int by = d.top; by < d.bottom; ++by) {
        int sy = int((long long)(by - full.top) * img.height / dh);
        const Pixel* src = &img.pixels[std::size_t(sy) * std::size_t(img.width)];
        Pixel* row = pixels_ + std::size_t(by) * std::size_t(stride_);
        for (int bx = d.left; bx < d.right; ++bx) {
            int sx = int((long long)(bx - full.left) * img.width / dw);
            Pixel s = src[sx];
            if (s >> 24) row[bx] = s | 0xFF000000u;
        }
    }
}

void Canvas::blendMask(int x, int y, const std::uint8_t* mask, int w, int h, int pitch, bool mono,
                       Pixel color) {
    Rect d = Rect::fromXYWH(x, y, w, h).translated(origin_).intersected(clip_);
    int ox = x + origin_.x, oy = y + origin_.y;
    const int cr = pixelRed(color), cg = pixelGreen(color), cb = pixelBlue(color);
    for (int by = d.top; by < d.bottom; ++by) {
        const std::uint8_t* src = mask + std::ptrdiff_t(by - oy) * pitch;
        Pixel* row = pixels_ + std::size_t(by) * std::size_t(stride_);
        for (int bx = d.left; bx < d.right; ++bx) {
            int sx = bx - ox;
            if (mono) {
                if (src[sx >> 3] & (0x80 >> (sx & 7))) row[bx] = color | 0xFF000000u;
            } else {
                int a = src[sx];
                if (a == 0) continue;
                if (a == 255) {
                    row[bx] = color | 0xFF000000u;
                    continue;
                }
                Pixel b = row[bx];
                int r = (cr * a + pixelRed(b) * (255 - a)) / 255;
                int g = (cg * a + pixelGreen(b) * (255 - a)) / 255;
                int bl = (cb * a + pixelBlue(b) * (255 - a)) / 255;
                row[bx] = rgb(r, g, bl);
            }
        }
    }
}

}  // namespace tv
