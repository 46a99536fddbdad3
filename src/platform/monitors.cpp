#include "platform/monitors.h"

#include <cstdint>
#include <limits>

namespace tv::platform {

namespace {
std::int64_t distanceSquared(const Rect& r, Point p) {
    const std::int64_t dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
    const std::int64_t dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
    return dx * dx + dy * dy;
}
}  // namespace

Rect chooseMonitor(const std::vector<Rect>& monitors, std::size_t primary, std::optional<Point> p,
                   const Rect& fallback) {
    if (monitors.empty()) return fallback;
    if (!p) return monitors[primary < monitors.size() ? primary : 0];
    const Rect* best = &monitors.front();
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (const Rect& m : monitors) {
        const std::int64_t d = distanceSquared(m, *p);
        if (d < bestDistance) {
            bestDistance = d;
            best = &m;
        }
    }
    return *best;
}

Rect unionOf(const std::vector<Rect>& monitors, const Rect& fallback) {
    if (monitors.empty()) return fallback;
    Rect u;
    for (const Rect& m : monitors) u = u.united(m);
    return u;
}

}  // namespace tv::platform
