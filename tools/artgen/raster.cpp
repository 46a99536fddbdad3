#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tv::art {

Raster::Raster(int width, int height, Pixel fillWith)
    : width_(width), height_(height), pixels_(std::size_t(width) * std::size_t(height), fillWith) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("empty raster");
}

void Raster::fill(Pixel p) {
    std::fill(pixels_.begin(), pixels_.end(), p);
}

void Raster::fillRect(int x, int y, int w, int h, Pixel p) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) set(i, j, p);
}

void Raster::blend(int x, int y, Pixel p, double a) {
    if (!inside(x, y) || a <= 0) return;
    Pixel& d = pixels_[index(x, y)];
    d = mix(d | 0xFF000000u, p, std::min(a, 1.0));
}

void Raster::paint(const Shape& shape, Pixel p, int samples, bool hard) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            if (samples <= 1) {
                if (shape(x + 0.5, y + 0.5)) set(x, y, p);
                continue;
            }
            int hits = 0;
            for (int j = 0; j < samples; ++j)
                for (int i = 0; i < samples; ++i)
                    if (shape(x + (i + 0.5) / samples, y + (j + 0.5) / samples)) ++hits;
            double a = double(hits) / (samples * samples);
            if (hard) a = a >= 0.5 ? 1.0 : 0.0;
            if (a >= 1.0)
                set(x, y, p);
            else
                blend(x, y, p, a);
        }
}

void Raster::draw(const Raster& src, int x, int y) {
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i) {
            const Pixel s = src.at(i, j);
            if (s >> 24) set(x + i, y + j, s);
        }
}

Raster Raster::scaled(int factor) const {
    Raster out(width_ * factor, height_ * factor);
    for (int y = 0; y < out.height_; ++y)
        for (int x = 0; x < out.width_; ++x)
            out.pixels_[out.index(x, y)] = at(x / factor, y / factor);
    return out;
}

Raster Raster::stretched(int w, int h) const {
    Raster out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.pixels_[out.index(x, y)] =
                at(int(std::int64_t(x) * width_ / w), int(std::int64_t(y) * height_ / h));
    return out;
}

Raster fromArt(std::initializer_list<const char*> rows,
               std::initializer_list<std::pair<char, Pixel>> legend) {
    const int h = int(rows.size());
    const int w = int(std::strlen(*rows.begin()));
    Raster r(w, h);
    int y = 0;
    for (const char* row : rows) {
        if (int(std::strlen(row)) != w)
            throw std::runtime_error("pixel art row " + std::to_string(y) + " is " +
                                     std::to_string(std::strlen(row)) + " wide, not " +
                                     std::to_string(w) + ": " + row);
        for (int x = 0; x < w; ++x) {
            auto it = std::find_if(legend.begin(), legend.end(),
                                   [c = row[x]](const auto& e) { return e.first == c; });
            if (it == legend.end())
                throw std::runtime_error(std::string("pixel art character '") + row[x] +
                                         "' has no colour");
            r.set(x, y, it->second);
        }
        ++y;
    }
    return r;
}

Pixel mix(Pixel a, Pixel b, double t) {
    auto ch = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    const int alpha = ch(pixelAlpha(a), pixelAlpha(b));
    return (Pixel(alpha) << 24) |
           (rgb(ch(pixelRed(a), pixelRed(b)), ch(pixelGreen(a), pixelGreen(b)),
                ch(pixelBlue(a), pixelBlue(b))) &
            0x00FFFFFFu);
}

Pixel shade(Pixel p, double f) {
    auto ch = [f](int c) { return std::clamp(int(std::lround(c * f)), 0, 255); };
    return (p & 0xFF000000u) |
           (rgb(ch(pixelRed(p)), ch(pixelGreen(p)), ch(pixelBlue(p))) & 0x00FFFFFFu);
}

Shape disc(double cx, double cy, double r) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        const double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1.0;
    };
}

Shape ring(double cx, double cy, double rOuter, double rInner) {
    return [=](double x, double y) {
        const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d <= rOuter * rOuter && d > rInner * rInner;
    };
}

Shape rect(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Shape segment(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        const double dx = x1 - x0, dy = y1 - y0;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const double px = x0 + t * dx - x, py = y0 + t * dy - y;
        return px * px + py * py <= width * width / 4;
    };
}

Shape polygon(std::vector<std::pair<double, double>> pts) {
    return [pts = std::move(pts)](double x, double y) {
        // Even-odd crossing test.
        bool in = false;
        for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const auto [xi, yi] = pts[i];
            const auto [xj, yj] = pts[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
}

Shape unite(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}
Shape intersect(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && b(x, y); };
}
Shape subtract(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

}  // namespace tv::art
