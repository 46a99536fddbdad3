// Monitors from RandR.
#include "platform/x11/backend.h"

#include <X11/extensions/Xrandr.h>

namespace tv::platform::x11 {

std::vector<Rect> readMonitors(Connection& c, std::optional<bool>& hasMonitors) {
    ::Display* d = c.display;
    std::vector<Rect> list;
    if (!hasMonitors) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        hasMonitors = XRRQueryExtension(d, &eventBase, &errorBase) &&
                      XRRQueryVersion(d, &major, &minor) &&
                      (major > 1 || (major == 1 && minor >= 5));
    }
    if (*hasMonitors) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(d, c.root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                const XRRMonitorInfo& m = info[i];
                if (m.width <= 0 || m.height <= 0) continue;
                const Rect r = Rect::fromXYWH(m.x, m.y, m.width, m.height);
                if (m.primary)
                    list.insert(list.begin(), r);
                else
                    list.push_back(r);
            }
            XRRFreeMonitors(info);
        }
    }
    if (list.empty())
        list.push_back(Rect::fromXYWH(0, 0, DisplayWidth(d, c.screen), DisplayHeight(d, c.screen)));
    return list;
}

}  // namespace tv::platform::x11
