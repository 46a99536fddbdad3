#pragma once
// Whole-number scaling of a window's picture. Everything is laid out and painted at 96
// dots per inch in logical pixels; a backend on a denser screen keeps a device buffer S
// times as wide and as tall and fills each presented rectangle of it by replicating every
// logical pixel S x S, so the picture stays pixel-exact. Pointer positions go the other
// way: divided by S, rounding towards minus infinity (a captured pointer left of or above
// the window stays outside it).

#include <vector>

#include "gfx/color.h"
#include "gfx/geometry.h"

namespace tv::platform {

// The largest scale a backend accepts; a denser setting is taken as this.
constexpr int kMaxScale = 8;

// S for a screen resolution in dots per inch: the nearest whole number to dpi / 96, at
// least 1 (a resolution of 0 or below, unknown, gives 1), at most kMaxScale.
int scaleForDpi(double dpi);

// The resolution a desktop sets as `Xft.dpi` in the text of an X resource database (the
// screen's RESOURCE_MANAGER property; the last entry counts); 0 for none, no text or a
// value that is no number.
double xftDpi(const char* resources);

// A device coordinate or length in logical pixels, rounded towards minus infinity.
constexpr int toLogical(int device, int scale) {
    return device >= 0 ? device / scale : -((-device + scale - 1) / scale);
}
constexpr Point toLogical(Point device, int scale) {
    return {toLogical(device.x, scale), toLogical(device.y, scale)};
}
constexpr Rect toDevice(const Rect& r, int scale) {
    return {r.left * scale, r.top * scale, r.right * scale, r.bottom * scale};
}
constexpr Size toDevice(Size s, int scale) {
    return {s.width * scale, s.height * scale};
}

// Enlarges `area` (clipped to the source's `size`) of the logical buffer `src` (`srcStride`
// pixels a row) into `dst` (`dstStride` pixels a row, at least size.width * scale wide and
// size.height * scale tall): logical pixel (x, y) fills the device pixels from
// (x * S, y * S) to ((x + 1) * S - 1, (y + 1) * S - 1). Returns the device rectangle
// written (empty when the area misses the source). No smoothing, no allocation.
Rect enlarge(const Pixel* src, int srcStride, Size size, const Rect& area, int scale, Pixel* dst,
             int dstStride);

// A window's device buffer: the logical picture at S x S, brought up to date rectangle by
// rectangle. At S = 1 it holds nothing and the logical buffer is the device buffer.
class DeviceSurface {
  public:
    // Sizes the buffer for a logical size and a scale; the old picture is dropped.
    void reset(Size logical, int scale);
    int scale() const { return scale_; }
    Size logicalSize() const { return logical_; }
    Size deviceSize() const { return toDevice(logical_, scale_); }
    // The device rectangle of `area`, enlarged from the logical buffer when S > 1.
    Rect update(const Pixel* src, int srcStride, const Rect& area);
    // The device picture: the enlarged buffer, or the logical one itself at S = 1.
    const Pixel* pixels(const Pixel* logical) const {
        return scale_ == 1 ? logical : device_.data();
    }
    int stride() const { return logical_.width * scale_; }

  private:
    Size logical_;
    int scale_ = 1;
    std::vector<Pixel> device_;
};

}  // namespace tv::platform
