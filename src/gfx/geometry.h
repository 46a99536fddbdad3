#pragma once
// Points, sizes and rectangles in pixels. Rectangles are left/top inclusive and
// right/bottom exclusive, the way the classic window system writes them.

#include <algorithm>

namespace tv {

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(Point, Point) = default;
    constexpr Point operator+(Point o) const { return {x + o.x, y + o.y}; }
    constexpr Point operator-(Point o) const { return {x - o.x, y - o.y}; }
};

struct Size {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(Size, Size) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect fromXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr Size size() const { return {width(), height()}; }
    constexpr Point topLeft() const { return {left, top}; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr bool contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr bool contains(const Rect& r) const {
        return r.empty() ||
               (r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom);
    }
    constexpr Rect intersected(const Rect& r) const {
        Rect o{std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
               std::min(bottom, r.bottom)};
        return o.empty() ? Rect{} : o;
    }
    constexpr bool intersects(const Rect& r) const { return !intersected(r).empty(); }
    constexpr Rect united(const Rect& r) const {
        if (empty()) return r;
        if (r.empty()) return *this;
        return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
                std::max(bottom, r.bottom)};
    }
    constexpr Rect translated(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    constexpr Rect translated(Point d) const { return translated(d.x, d.y); }
    constexpr Rect inflated(int d) const { return {left - d, top - d, right + d, bottom + d}; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace tv
