#include "gfx/canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "gfx/picture.h"

namespace tv {
namespace {

struct Buffer {
    explicit Buffer(int width, int height)
        : w(width),
          h(height),
          px(std::size_t(width * height), 0xFF000000u),
          canvas(px.data(), width, height, width) {}
    int w, h;
    std::vector<Pixel> px;
    Canvas canvas;
    Pixel at(int x, int y) const { return px[std::size_t(y * w + x)]; }
};

TEST(Canvas, ClipAndOriginKeepDrawingInsideTheWidget) {
    Buffer b(20, 20);
    b.canvas.save();
    b.canvas.translate(5, 5);
    b.canvas.clipTo({0, 0, 4, 4});
    b.canvas.fillRect({-10, -10, 100, 100}, rgb(255, 0, 0));
    b.canvas.restore();
    EXPECT_EQ(b.at(5, 5), rgb(255, 0, 0));
    EXPECT_EQ(b.at(8, 8), rgb(255, 0, 0));
    EXPECT_EQ(b.at(9, 9), 0xFF000000u);
    EXPECT_EQ(b.at(4, 4), 0xFF000000u);
    // After restore the whole buffer is reachable again.
    b.canvas.setPixel(0, 0, rgb(1, 2, 3));
    EXPECT_EQ(b.at(0, 0), rgb(1, 2, 3));
}

TEST(Canvas, Frame3DGivesTheCornersToTheBottomRightSide) {
    Buffer b(10, 10);
    const Pixel hi = rgb(255, 255, 255), sh = rgb(128, 128, 128);
    b.canvas.frame3D({0, 0, 10, 10}, hi, sh);
    EXPECT_EQ(b.at(0, 0), hi);
    EXPECT_EQ(b.at(8, 0), hi);
    EXPECT_EQ(b.at(9, 0), sh);  // top-right corner
    EXPECT_EQ(b.at(0, 9), sh);  // bottom-left corner
    EXPECT_EQ(b.at(0, 8), hi);
    EXPECT_EQ(b.at(9, 9), sh);
    EXPECT_EQ(b.at(5, 5), 0xFF000000u);
}

TEST(Canvas, StretchScalesEachAxisOnItsOwn) {
    Image img;
    img.width = 2;
    img.height = 1;
    img.pixels = {rgb(255, 0, 0), rgb(0, 0, 255)};
    Buffer b(8, 4);
    b.canvas.drawImageStretched(img, {0, 0, 8, 4});
    EXPECT_EQ(b.at(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(b.at(3, 3), rgb(255, 0, 0));
    EXPECT_EQ(b.at(4, 0), rgb(0, 0, 255));
    EXPECT_EQ(b.at(7, 3), rgb(0, 0, 255));
}

TEST(Canvas, TransparentColourAndMaskedPixelsAreLeftOut) {
    Image img;
    img.width = 3;
    img.height = 1;
    img.pixels = {rgb(255, 255, 255), rgb(0, 255, 0), 0x00123456u};
    Buffer b(3, 1);
    b.canvas.fillRect({0, 0, 3, 1}, rgb(9, 9, 9));
    b.canvas.drawImageTransparent(img, 0, 0, rgb(255, 255, 255));
    EXPECT_EQ(b.at(0, 0), rgb(9, 9, 9));
    EXPECT_EQ(b.at(1, 0), rgb(0, 255, 0));
    EXPECT_EQ(b.at(2, 0), rgb(9, 9, 9));
}

}  // namespace
}  // namespace tv
