#include <png.h>

#include <gtest/gtest.h>

#include <cstring>

#include "gfx/picture.h"
#include "gfx/picture_test_util.h"

namespace tv {
namespace {

using testing::Bytes;
using testing::DibSpec;
using testing::IconEntry;
using testing::iconFile;

std::vector<Pixel> palette16() {
    std::vector<Pixel> p;
    for (int i = 0; i < 16; ++i) p.push_back(rgb(i * 17, 255 - i * 17, 0));
    return p;
}

// A 4-bit icon image; `colours` and `mask` hold one character per pixel, top row first
// ('0'..'f' palette indices; 'x' in the mask leaves the pixel out).
Bytes dib4(const std::vector<std::string>& colours, const std::vector<std::string>& mask) {
    const int w = int(colours[0].size()), h = int(colours.size());
    DibSpec s;
    s.width = w;
    s.height = 2 * h;
    s.bits = 4;
    s.palette = palette16();
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(std::size_t((w + 1) / 2), 0);
        for (int x = 0; x < w; ++x) {
            const int v =
                std::stoi(std::string(1, colours[std::size_t(y)][std::size_t(x)]), nullptr, 16);
            row[std::size_t(x / 2)] |= std::uint8_t(v << ((x & 1) ? 0 : 4));
        }
        s.rows.push_back(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(std::size_t((w + 7) / 8), 0);
        for (int x = 0; x < w; ++x)
            if (mask[std::size_t(y)][std::size_t(x)] == 'x')
                row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        s.rows.push_back(row);
    }
    return testing::dibBytes(s);
}

Bytes solidDib4(int size, int index) {
    return dib4(std::vector<std::string>(std::size_t(size),
                                         std::string(std::size_t(size), "0123456789abcdef"[index])),
                std::vector<std::string>(std::size_t(size), std::string(std::size_t(size), '.')));
}

Bytes pngBytes(int w, int h, const std::vector<std::uint8_t>& rgba) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = png_uint_32(w);
    img.height = png_uint_32(h);
    img.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&img, nullptr, &size, 0, rgba.data(), 0, nullptr));
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&img, out.data(), &size, 0, rgba.data(), 0, nullptr));
    out.resize(size);
    return out;
}

std::string errorOf(const Bytes& b) {
    try {
        loadIcon(b);
    } catch (const PictureError& e) {
        return e.what();
    }
    return "";
}

TEST(IconMask, MaskedPixelsGetAlphaZeroAndTheRestKeepTheirColour) {
    const Bytes ico = iconFile({{4, 3,
                                 dib4({"0123", "4567", "89ab"},  //
                                      {"x..x", "....", ".xx."})}});
    const Picture p = loadIcon(ico);
    EXPECT_EQ(p.kind, Picture::Kind::Icon);
    ASSERT_EQ(p.images.size(), 1u);
    const Image& img = p.image();
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(img.bitsPerPixel, 4);
    EXPECT_EQ(img.paletteSize, 16);
    EXPECT_EQ(pixelAlpha(img.at(0, 0)), 0);
    EXPECT_EQ(pixelAlpha(img.at(3, 0)), 0);
    EXPECT_EQ(pixelAlpha(img.at(1, 2)), 0);
    EXPECT_EQ(pixelAlpha(img.at(2, 2)), 0);
    EXPECT_EQ(img.at(1, 0), palette16()[1]);
    EXPECT_EQ(img.at(3, 1), palette16()[7]);
    EXPECT_EQ(img.at(0, 2), palette16()[8]);
    EXPECT_EQ(img.at(3, 2), palette16()[11]);
}

TEST(IconDirectory, EveryImageIsLoadedInDirectoryOrder) {
    const Bytes ico = iconFile(
        {{48, 48, solidDib4(48, 3)}, {32, 32, solidDib4(32, 5)}, {16, 16, solidDib4(16, 9)}});
    const Picture p = loadIcon(ico);
    ASSERT_EQ(p.images.size(), 3u);
    EXPECT_EQ(p.images[0].width, 48);
    EXPECT_EQ(p.images[1].height, 32);
    EXPECT_EQ(p.images[2].width, 16);
    EXPECT_EQ(p.images[1].at(31, 31), palette16()[5]);
    EXPECT_EQ(p.images[2].at(0, 0), palette16()[9]);
    EXPECT_EQ(loadPicture(ico).kind, Picture::Kind::Icon);
}

TEST(IconDirectory, DeeperImagesAndPngImagesDecode) {
    // 32-bit with alpha of its own: the alpha is kept; a mask is optional.
    DibSpec deep;
    deep.width = 2;
    deep.height = 2;
    deep.bits = 32;
    deep.rows = {{1, 2, 3, 0x40, 4, 5, 6, 0}};
    const Bytes png = pngBytes(2, 1, {255, 0, 0, 255, 0, 0, 255, 0});
    const Picture p = loadIcon(iconFile({{2, 1, testing::dibBytes(deep)}, {2, 1, png}}));
    ASSERT_EQ(p.images.size(), 2u);
    EXPECT_EQ(p.images[0].at(0, 0), 0x40030201u);
    EXPECT_EQ(p.images[0].at(1, 0), 0x00060504u);
    EXPECT_EQ(p.images[1].at(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(pixelAlpha(p.images[1].at(1, 0)), 0);
    EXPECT_EQ(p.images[1].bitsPerPixel, 32);

    // 24-bit uses its mask.
    DibSpec rgb24;
    rgb24.width = 1;
    rgb24.height = 4;
    rgb24.bits = 24;
    rgb24.rows = {{1, 2, 3}, {4, 5, 6}, {0x00}, {0x80}};
    const Image img = loadIcon(iconFile({{1, 2, testing::dibBytes(rgb24)}})).image();
    EXPECT_EQ(pixelAlpha(img.at(0, 0)), 0);
    EXPECT_EQ(img.at(0, 1), rgb(3, 2, 1));
}

TEST(IconChoice, TheClosestSizeWinsAndTiesGoToTheLarger) {
    const Picture p = loadIcon(iconFile(
        {{16, 16, solidDib4(16, 1)}, {48, 48, solidDib4(48, 2)}, {32, 32, solidDib4(32, 3)}}));
    EXPECT_EQ(p.iconImageFor(32).width, 32);
    EXPECT_EQ(p.iconImageFor(48).width, 48);
    EXPECT_EQ(p.iconImageFor(20).width, 16);
    EXPECT_EQ(p.iconImageFor(24).width, 32);  // 8 from 16 and from 32
    EXPECT_EQ(p.iconImageFor(40).width, 48);  // 8 from 32 and from 48
    EXPECT_EQ(p.iconImageFor(100).width, 48);
    EXPECT_THROW(Picture{}.iconImageFor(32), PictureError);
}

TEST(IconDamage, DirectoryFaultsAreClearErrors) {
    const Bytes good = iconFile({{16, 16, solidDib4(16, 1)}});
    EXPECT_NE(errorOf(Bytes(good.begin(), good.begin() + 5)), "");
    Bytes noImages = good;
    noImages[4] = 0;
    EXPECT_NE(errorOf(noImages).find("no images"), std::string::npos);
    Bytes manyImages = good;
    manyImages[4] = 0xFF;  // entries run past the end
    EXPECT_NE(errorOf(manyImages).find("truncated"), std::string::npos);
    Bytes farOffset = good;
    testing::set32(farOffset, 6 + 12, 0xFFFFFFF0u);
    EXPECT_NE(errorOf(farOffset).find("truncated"), std::string::npos);
    Bytes hugeSize = good;
    testing::set32(hugeSize, 6 + 8, 0xFFFFFFFFu);  // offset + size would wrap in 32 bits
    EXPECT_NE(errorOf(hugeSize).find("truncated"), std::string::npos);
    Bytes cursor = good;
    cursor[2] = 2;
    EXPECT_NE(errorOf(cursor).find("not an icon"), std::string::npos);
}

TEST(IconDamage, EveryTruncationIsAClearError) {
    const Bytes good = iconFile({{16, 16, solidDib4(16, 1)}, {8, 8, solidDib4(8, 2)}});
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(errorOf(Bytes(good.begin(), good.begin() + std::ptrdiff_t(n))), "") << n;
}

TEST(IconDamage, AnImageCannotReadIntoItsNeighbour) {
    // The first image's recorded size stops before its mask; the second image's bytes
    // follow, but the first must not borrow them.
    Bytes ico = iconFile({{16, 16, solidDib4(16, 1)}, {16, 16, solidDib4(16, 2)}});
    const std::uint32_t size = std::uint32_t(solidDib4(16, 1).size());
    testing::set32(ico, 6 + 8, size - 8);
    EXPECT_NE(errorOf(ico).find("icon mask"), std::string::npos);
}

TEST(IconDamage, BadImagesInsideAreRefused) {
    Bytes oddHeight = solidDib4(4, 1);
    testing::set32(oddHeight, 8, 7);
    EXPECT_NE(errorOf(iconFile({{4, 4, oddHeight}})).find("height"), std::string::npos);
    Bytes topDown = solidDib4(4, 1);
    testing::set32(topDown, 8, std::uint32_t(-8));
    EXPECT_NE(errorOf(iconFile({{4, 4, topDown}})).find("bottom-up"), std::string::npos);
    Bytes png = pngBytes(2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    png.resize(png.size() - 20);
    EXPECT_NE(errorOf(iconFile({{2, 1, png}})).find("PNG"), std::string::npos);
}

}  // namespace
}  // namespace tv
