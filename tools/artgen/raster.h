#pragma once
// The generator's drawing surface: a plain array of 0xAARRGGBB pixels with the few
// primitives the artwork needs. Shapes are given as inside-tests on continuous
// coordinates (pixel (x, y) covers [x, x+1) x [y, y+1)) and rasterised by sampling, so
// one shape function serves both crisp pixel art (one sample) and smooth edges (many).

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "gfx/color.h"

namespace tv::art {

using Shape = std::function<bool(double x, double y)>;

class Raster {
  public:
    Raster() = default;
    Raster(int width, int height, Pixel fill = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<Pixel>& pixels() const { return pixels_; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Pixel at(int x, int y) const { return pixels_.at(index(x, y)); }
    void set(int x, int y, Pixel p) {
        if (inside(x, y)) pixels_[index(x, y)] = p;
    }
    void fill(Pixel p);
    void fillRect(int x, int y, int w, int h, Pixel p);
    // Mixes `p` over the pixel with weight a (0..1); the pixel becomes opaque.
    void blend(int x, int y, Pixel p, double a);

    // Paints `p` where the shape covers the pixel: with samples == 1 a pixel is painted
    // when its centre is inside; otherwise the covered fraction of samples x samples
    // points is blended, and `hard` rounds it to all or nothing (crisp outlines that
    // still follow the exact geometry).
    void paint(const Shape& shape, Pixel p, int samples = 1, bool hard = false);

    // Copies `src` with its top-left at (x, y); alpha-0 pixels of src are skipped.
    void draw(const Raster& src, int x, int y);
    // Nearest-neighbour scaling by an integer factor, for the contact sheet.
    Raster scaled(int factor) const;
    // Nearest-neighbour scaling to any size, mapping the way the program stretches
    // pictures (destination x maps to x * srcWidth / dstWidth).
    Raster stretched(int w, int h) const;

  private:
    std::size_t index(int x, int y) const {
        return std::size_t(y) * std::size_t(width_) + std::size_t(x);
    }
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

// Pixel art from rows of characters: each character is looked up in the legend.
// Throws if a row has the wrong length or a character is missing from the legend.
Raster fromArt(std::initializer_list<const char*> rows,
               std::initializer_list<std::pair<char, Pixel>> legend);

// Linear mix of two colours, t = 0 gives a.
Pixel mix(Pixel a, Pixel b, double t);
Pixel shade(Pixel p, double factor);  // multiplies the colour channels, clamped

// Shapes.
Shape disc(double cx, double cy, double r);
Shape ellipse(double cx, double cy, double rx, double ry);
Shape ring(double cx, double cy, double rOuter, double rInner);
Shape rect(double x0, double y0, double x1, double y1);
// A stroke of the given width along the segment, with round ends.
Shape segment(double x0, double y0, double x1, double y1, double width);
Shape polygon(std::vector<std::pair<double, double>> points);
Shape unite(Shape a, Shape b);
Shape intersect(Shape a, Shape b);
Shape subtract(Shape a, Shape b);

}  // namespace tv::art
