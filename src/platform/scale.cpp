#include "platform/scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tv::platform {

int scaleForDpi(double dpi) {
    if (!(dpi > 0)) return 1;  // also NaN
    const double s = std::floor(dpi / 96.0 + 0.5);
    return s < 1 ? 1 : s > kMaxScale ? kMaxScale : int(s);
}

double xftDpi(const char* resources) {
    if (!resources) return 0;
    double dpi = 0;
    for (const char* line = resources; *line;) {
        const char* end = std::strchr(line, '\n');
        if (!end) end = line + std::strlen(line);
        const char* p = line;
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        static constexpr char kName[] = "Xft.dpi";
        const std::size_t n = sizeof kName - 1;
        if (std::size_t(end - p) > n && std::strncmp(p, kName, n) == 0) {
            p += n;
            while (p < end && (*p == ' ' || *p == '\t')) ++p;
            if (p < end && *p == ':') {
                const std::string value(p + 1, end);
                char* rest = nullptr;
                const double v = std::strtod(value.c_str(), &rest);
                dpi = rest != value.c_str() && v > 0 ? v : 0;
            }
        }
        line = *end ? end + 1 : end;
    }
    return dpi;
}

namespace {

// One logical row into one device row, each pixel `S` times.
template <int S>
void widenRow(const Pixel* src, int count, Pixel* dst) {
    for (int i = 0; i < count; ++i, dst += S)
        for (int k = 0; k < S; ++k) dst[k] = src[i];
}

void widenRow(const Pixel* src, int count, int scale, Pixel* dst) {
    switch (scale) {
        case 2:
            return widenRow<2>(src, count, dst);
        case 3:
            return widenRow<3>(src, count, dst);
        case 4:
            return widenRow<4>(src, count, dst);
        default:
            for (int i = 0; i < count; ++i, dst += scale) std::fill_n(dst, scale, src[i]);
    }
}

}  // namespace

Rect enlarge(const Pixel* src, int srcStride, Size size, const Rect& area, int scale, Pixel* dst,
             int dstStride) {
    const Rect r = area.intersected({0, 0, size.width, size.height});
    if (r.empty() || scale < 1) return {};
    const Rect out = toDevice(r, scale);
    const std::size_t rowBytes = std::size_t(out.width()) * sizeof(Pixel);
    for (int y = r.top; y < r.bottom; ++y) {
        Pixel* first = dst + std::size_t(y) * std::size_t(scale) * std::size_t(dstStride) +
                       std::size_t(out.left);
        widenRow(src + std::size_t(y) * std::size_t(srcStride) + std::size_t(r.left), r.width(),
                 scale, first);
        // The other device rows of this logical row are copies of the first.
        for (int k = 1; k < scale; ++k)
            std::memcpy(first + std::size_t(k) * std::size_t(dstStride), first, rowBytes);
    }
    return out;
}

void DeviceSurface::reset(Size logical, int scale) {
    logical_ = {std::max(0, logical.width), std::max(0, logical.height)};
    scale_ = std::clamp(scale, 1, kMaxScale);
    if (scale_ == 1) {
        device_.clear();
        device_.shrink_to_fit();
    } else {
        device_.assign(std::size_t(deviceSize().width) * std::size_t(deviceSize().height),
                       0xFF000000u);
    }
}

Rect DeviceSurface::update(const Pixel* src, int srcStride, const Rect& area) {
    if (scale_ == 1) return area.intersected({0, 0, logical_.width, logical_.height});
    return enlarge(src, srcStride, logical_, area, scale_, device_.data(), stride());
}

}  // namespace tv::platform
