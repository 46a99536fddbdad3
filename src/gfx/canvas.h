#pragma once
// A canvas draws into a window's 32-bit pixel buffer. It carries an origin and a clip
// stack, so a widget paints in its own coordinates and never outside its rectangle. It
// also carries the system colour scheme of the window it paints, which widgets resolve
// their stored colours with.

#include <cstdint>
#include <vector>

#include "gfx/color.h"
#include "gfx/geometry.h"

namespace tv {

struct Image;

class Canvas {
  public:
    // `scheme` is kept by reference: its owner (the platform) outlives the canvas.
    Canvas(Pixel* pixels, int width, int height, int stride,
           const SystemColors& scheme = SystemColors::classic());

    // A stored colour as this canvas's pixels show it.
    Pixel pixel(TColor c) const { return toPixel(c, *scheme_); }

    int width() const { return width_; }
    int height() const { return height_; }
    Point origin() const { return origin_; }
    // The clip rectangle in the current coordinates.
    Rect clip() const { return clip_.translated(-origin_.x, -origin_.y); }
    bool clipEmpty() const { return clip_.empty(); }

    // Saves origin and clip; restore() returns to the last save.
    void save();
    void restore();
    void translate(int dx, int dy) { origin_ = origin_ + Point{dx, dy}; }
    void clipTo(const Rect& r);  // in current coordinates

    // RAII helper for save/restore.
    class Saver {
      public:
        explicit Saver(Canvas& c) : c_(c) { c_.save(); }
        ~Saver() { c_.restore(); }
        Saver(const Saver&) = delete;
        Saver& operator=(const Saver&) = delete;

      private:
        Canvas& c_;
    };

    // Primitives, all in current coordinates and clipped.
    void setPixel(int x, int y, Pixel p);
    void fillRect(const Rect& r, Pixel p);
    void hline(int x1, int x2, int y, Pixel p);  // x1..x2-1
    void vline(int x, int y1, int y2, Pixel p);  // y1..y2-1
    void frameRect(const Rect& r, Pixel p);      // 1-pixel outline
    // A 1-pixel 3-D frame: top row and left column in topLeft, bottom row and right
    // column in bottomRight; the top-right and bottom-left corners belong to bottomRight.
    void frame3D(const Rect& r, Pixel topLeft, Pixel bottomRight);
    // The dotted focus rectangle (every other pixel, inverted).
    void focusRect(const Rect& r);
    void invertRect(const Rect& r);

    // Pictures. Pixels whose alpha is 0 are left out; opaque pixels are copied.
    void drawImage(const Image& img, int x, int y);
    // Non-proportional nearest-neighbour scaling into dst.
    void drawImageStretched(const Image& img, const Rect& dst);
    // Leaves out the pixels of the given colour (glyphs, transparent bitmaps).
    void drawImageTransparent(const Image& img, int x, int y, Pixel transparent);

    // Direct access for text rendering: a 1-bit or 8-bit coverage mask at (x, y).
    void blendMask(int x, int y, const std::uint8_t* mask, int w, int h, int pitch, bool mono,
                   Pixel color);

  private:
    struct State {
        Point origin;
        Rect clip;
    };
    Pixel* pixels_;
    const SystemColors* scheme_;
    int width_;
    int height_;
    int stride_;  // in pixels
    Point origin_;
    Rect clip_;  // in buffer coordinates
    std::vector<State> stack_;
};

}  // namespace tv
