#pragma once
// Choosing a monitor from a list, for the backends that read the monitors themselves.

#include <optional>
#include <vector>

#include "gfx/geometry.h"

namespace tv::platform {

// The monitor holding `p`, else the nearest one (by distance to its rectangle); the
// `primary`-th for nullopt. `fallback` when the list is empty.
Rect chooseMonitor(const std::vector<Rect>& monitors, std::size_t primary, std::optional<Point> p,
                   const Rect& fallback);

// The smallest rectangle holding every monitor; `fallback` when the list is empty.
Rect unionOf(const std::vector<Rect>& monitors, const Rect& fallback);

}  // namespace tv::platform
