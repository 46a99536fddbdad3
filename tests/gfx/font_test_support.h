#pragma once
// A pixel buffer with a canvas, and the ink measurements the font tests share.

#include <cstddef>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/geometry.h"

namespace tv::fonttest {

inline constexpr Pixel kPaper = rgb(255, 255, 255);
inline constexpr Pixel kInk = rgb(0, 0, 0);

struct Sheet {
    Sheet(int w, int h, Pixel fill = kPaper)
        : width(w),
          height(h),
          pixels(std::size_t(w) * std::size_t(h), fill),
          canvas(pixels.data(), w, h, w) {}
    Pixel at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + x]; }

    // The bounding box of every pixel that is not `paper` (empty when there is none).
    Rect inkBounds(Pixel paper = kPaper) const {
        Rect r;
        bool any = false;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (at(x, y) == paper) continue;
                if (!any) {
                    r = {x, y, x + 1, y + 1};
                    any = true;
                } else {
                    r = r.united({x, y, x + 1, y + 1});
                }
            }
        }
        return r;
    }
    int inkCount(Pixel paper = kPaper) const {
        int n = 0;
        for (Pixel p : pixels) n += p != paper;
        return n;
    }

    int width;
    int height;
    std::vector<Pixel> pixels;
    Canvas canvas;
};

}  // namespace tv::fonttest
