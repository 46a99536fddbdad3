// Whole-number scaling: the scale read from a resolution, pointer positions brought back
// to logical pixels, and rectangles of a logical buffer enlarged by pixel replication.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "platform/scale.h"

namespace tv::platform {
namespace {

TEST(Scale, TheNearestWholeNumberToDpiOver96AtLeastOne) {
    struct Row {
        double dpi;
        int scale;
    };
    const Row rows[] = {
        {96, 1},  {0, 1},   {-96, 1}, {NAN, 1}, {72, 1},  {120, 1}, {143.9, 1},
        {144, 2}, {192, 2}, {239, 2}, {240, 3}, {288, 3}, {384, 4}, {1e9, kMaxScale},
    };
    for (const Row& r : rows) EXPECT_EQ(scaleForDpi(r.dpi), r.scale) << r.dpi << " dpi";
}

TEST(Scale, TheDesktopsResolutionFromItsResources) {
    struct Row {
        const char* resources;
        double dpi;
    };
    const Row rows[] = {
        {"Xft.dpi:\t192\n", 192},
        {"Xcursor.size: 48\nXft.antialias: 1\nXft.dpi: 144\nXft.hinting: 1\n", 144},
        {"  Xft.dpi :96", 96},                 // spaces, no line end
        {"Xft.dpi: 96\nXft.dpi: 192\n", 192},  // the last one counts
        {"Xft.dpi: 192\nXft.dpi: big\n", 0},   // ... also when it is no number
        {"Xft.dpix: 192\n*dpi: 192\n", 0},     // other names
        {"Xft.dpi: -96\n", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(xftDpi(r.resources), r.dpi) << (r.resources ? r.resources : "(none)");
}

TEST(Scale, PointerPositionsRoundTowardsMinusInfinity) {
    struct Row {
        int device, scale, logical;
    };
    const Row rows[] = {{0, 2, 0},   {1, 2, 0},   {2, 2, 1},   {1201, 2, 600}, {-1, 2, -1},
                        {-2, 2, -1}, {-3, 2, -2}, {-7, 3, -3}, {5, 1, 5},      {-5, 1, -5}};
    for (const Row& r : rows)
        EXPECT_EQ(toLogical(r.device, r.scale), r.logical) << r.device << " / " << r.scale;
}

// A logical buffer of distinct pixels, with a stride wider than its width.
struct Source {
    Size size;
    int stride;
    std::vector<Pixel> pixels;
    Source(Size s, int pad) : size(s), stride(s.width + pad) {
        pixels.assign(std::size_t(stride * s.height), 0xDEADBEEFu);
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) pixels[std::size_t(y * stride + x)] = rgb(x, y, 7);
    }
};

constexpr Pixel kUntouched = 0x12345678u;

TEST(Scale, AnAreaFillsExactlyItsDevicePixelsEachFromItsLogicalPixel) {
    const Source src({7, 5}, 3);
    struct Row {
        Rect area;
        int scale;
        Rect written;  // device pixels, empty: nothing
    };
    const Row rows[] = {
        {{0, 0, 7, 5}, 2, {0, 0, 14, 10}},   // all of it
        {{2, 1, 5, 4}, 2, {4, 2, 10, 8}},    // inside
        {{2, 1, 5, 4}, 3, {6, 3, 15, 12}},   // S = 3
        {{1, 1, 2, 2}, 5, {5, 5, 10, 10}},   // one pixel, S = 5 (the general path)
        {{-3, -2, 2, 9}, 2, {0, 0, 4, 10}},  // partly outside: clipped
        {{0, 0, 7, 5}, 1, {0, 0, 7, 5}},     // S = 1 copies
        {{7, 0, 9, 5}, 2, {}},               // beside the buffer
        {{3, 3, 3, 4}, 2, {}},               // empty
    };
    for (const Row& r : rows) {
        const int dstStride = src.size.width * r.scale + 4;
        std::vector<Pixel> dst(std::size_t(dstStride * src.size.height * r.scale), kUntouched);
        EXPECT_EQ(enlarge(src.pixels.data(), src.stride, src.size, r.area, r.scale, dst.data(),
                          dstStride),
                  r.written);
        for (int y = 0; y < src.size.height * r.scale; ++y)
            for (int x = 0; x < dstStride; ++x) {
                const Pixel want =
                    r.written.contains(Point{x, y})
                        ? src.pixels[std::size_t((y / r.scale) * src.stride + x / r.scale)]
                        : kUntouched;
                ASSERT_EQ(dst[std::size_t(y * dstStride + x)], want)
                    << "S = " << r.scale << " at " << x << "," << y;
            }
    }
}

TEST(Scale, AHeadlessWindowShowsItsPresentedRectanglesEnlarged) {
    HeadlessPlatform platform;
    platform.setScale(2);
    auto native = platform.createWindow({"w", {4, 3}, {}, WindowRole::Main});
    auto& w = *platform.window(native->id());
    ASSERT_EQ(w.scale(), 2);
    EXPECT_EQ(w.device().deviceSize(), (Size{8, 6}));
    for (int i = 0; i < 12; ++i) w.pixels()[i] = rgb(i, 0, 0);
    const Rect only{1, 1, 2, 2};
    w.present(&only, 1);
    const Pixel* screen = w.deviceBuffer();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(screen[y * 8 + x],
                      only.contains(Point{x / 2, y / 2}) ? rgb(5, 0, 0) : 0xFF000000u)
                << x << "," << y << ": only the presented rectangle changes";
    EXPECT_EQ(w.presented(), std::vector<Rect>{only}) << "rectangles stay logical";

    platform.setScale(1);
    auto plain = platform.createWindow({"p", {4, 3}, {}, WindowRole::Dialog});
    EXPECT_EQ(plain->scale(), 1);
    EXPECT_EQ(platform.window(plain->id())->deviceBuffer(), plain->pixels())
        << "at S = 1 the buffer is the screen's";
}

}  // namespace
}  // namespace tv::platform
