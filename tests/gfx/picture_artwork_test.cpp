// The committed artwork: every picture has the kind, size and depth its widget expects,
// and the pieces that meet on screen agree pixel for pixel.

#include <gtest/gtest.h>

#include <cmath>

#include "gfx/picture.h"
#include "gfx/picture_test_util.h"

namespace tv {
namespace {

using testing::Bytes;
using Kind = Picture::Kind;

Bytes fileBytes(const std::string& name) {
    return testing::readFile(testing::picturesDir() + "/" + name);
}
Picture picture(const std::string& name) {
    return loadPicture(fileBytes(name));
}

struct Expected {
    const char* file;
    Kind kind;
    int width, height, bits, palette;
};

std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << e.file;
}

class ArtworkFile : public ::testing::TestWithParam<Expected> {};

TEST_P(ArtworkFile, HasItsKindSizeAndDepth) {
    const Expected& e = GetParam();
    const Bytes bytes = fileBytes(e.file);
    const Picture p = loadPicture(bytes);
    EXPECT_EQ(p.kind, e.kind);
    const Image& img = p.image();
    EXPECT_EQ(img.width, e.width);
    EXPECT_EQ(img.height, e.height);
    EXPECT_EQ(img.bitsPerPixel, e.bits);
    EXPECT_EQ(img.paletteSize, e.palette);
    if (e.kind != Kind::Icon) {
        for (Pixel px : img.pixels) ASSERT_EQ(pixelAlpha(px), 255) << "bitmaps are opaque";
    }
    if (e.kind == Kind::Bitmap && e.bits == 32) {
        // The fourth byte is stored as 0 in every pixel (and so means nothing).
        const std::uint32_t offset = std::uint32_t(bytes[10] | bytes[11] << 8 | bytes[12] << 16);
        ASSERT_EQ(bytes.size(), offset + std::size_t(e.width * e.height * 4));
        for (std::size_t i = offset + 3; i < bytes.size(); i += 4) ASSERT_EQ(bytes[i], 0) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, ArtworkFile,
    ::testing::Values(Expected{"title_middle.bmp", Kind::Bitmap, 800, 50, 24, 0},
                      Expected{"title_left.bmp", Kind::Bitmap, 85, 50, 24, 0},
                      Expected{"title_right.bmp", Kind::Bitmap, 100, 50, 24, 0},
                      Expected{"button_min.bmp", Kind::Bitmap, 17, 19, 24, 0},
                      Expected{"button_close.bmp", Kind::Bitmap, 17, 19, 24, 0},
                      Expected{"logo.jpg", Kind::Jpeg, 116, 38, 24, 0},
                      Expected{"icon_disk_scan.bmp", Kind::Bitmap, 16, 16, 24, 0},
                      Expected{"icon_net_scan.bmp", Kind::Bitmap, 39, 37, 24, 0},
                      Expected{"icon_update.bmp", Kind::Bitmap, 16, 16, 8, 55},
                      Expected{"icon_settings.bmp", Kind::Bitmap, 16, 16, 8, 256},
                      Expected{"icon_ie_props.bmp", Kind::Bitmap, 11, 13, 8, 32},
                      Expected{"icon_ie_refresh.bmp", Kind::Bitmap, 15, 15, 24, 0},
                      Expected{"icon_dialup.bmp", Kind::Bitmap, 16, 16, 32, 0},
                      Expected{"icon_options.bmp", Kind::Bitmap, 21, 21, 24, 0},
                      Expected{"icon_about.bmp", Kind::Bitmap, 22, 22, 8, 8},
                      Expected{"glyph_scan.bmp", Kind::Bitmap, 16, 16, 32, 0},
                      Expected{"glyph_kill.bmp", Kind::Bitmap, 16, 16, 32, 0},
                      Expected{"glyph_ok.bmp", Kind::Bitmap, 16, 16, 32, 0},
                      Expected{"glyph_cancel.bmp", Kind::Bitmap, 16, 16, 8, 68},
                      Expected{"tolvane.ico", Kind::Icon, 48, 48, 4, 16}),
    [](const auto& param) {
        std::string name = param.param.file;
        for (char& c : name)
            if (c == '.') c = '_';
        return name;
    });

// Walks the JPEG's segments up to the scan and returns the markers seen.
std::vector<std::uint8_t> jpegMarkers(const Bytes& b, int& components) {
    std::vector<std::uint8_t> markers;
    std::size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xFF) {
        const std::uint8_t m = b[i + 1];
        markers.push_back(m);
        const std::size_t len = std::size_t(b[i + 2] << 8 | b[i + 3]);
        if (m >= 0xC0 && m <= 0xC3 && i + 9 < b.size()) components = b[i + 9];
        if (m == 0xDA) break;
        i += 2 + len;
    }
    return markers;
}

TEST(Logo, IsABaselineJfifWithThreeComponents) {
    const Bytes b = fileBytes("logo.jpg");
    ASSERT_GE(b.size(), 20u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[6]), 5), std::string("JFIF\0", 5));
    int components = 0;
    const auto markers = jpegMarkers(b, components);
    EXPECT_EQ(markers.front(), 0xE0);
    EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC0), markers.end()) << "baseline frame";
    EXPECT_EQ(std::find(markers.begin(), markers.end(), 0xC2), markers.end()) << "not progressive";
    EXPECT_EQ(components, 3);
    // White around the text, and both coloured lines present.
    const Image img = picture("logo.jpg").image();
    EXPECT_GT(pixelRed(img.at(0, 0)), 245);
    int blue = 0, red = 0;
    for (Pixel p : img.pixels) {
        blue += pixelBlue(p) > 120 && pixelRed(p) < 80;
        red += pixelRed(p) > 150 && pixelGreen(p) < 80 && pixelBlue(p) < 80;
    }
    EXPECT_GT(blue, 60);
    EXPECT_GT(red, 60);
}

// The window columns where the pieces lie: the middle from 72, the left end from -8, the
// right end from 516.
constexpr int kMiddleX = 72, kLeftX = -8, kRightX = 516;

TEST(TitleBar, TheMiddleIsTheSameInEveryColumn) {
    const Image mid = picture("title_middle.bmp").image();
    for (int y = 0; y < mid.height; ++y)
        for (int x = 1; x < mid.width; ++x) ASSERT_EQ(mid.at(x, y), mid.at(0, y)) << x << "," << y;
}

TEST(TitleBar, TheEndsMatchTheMiddleWhereTheyOverlapIt) {
    const Image mid = picture("title_middle.bmp").image();
    const Image left = picture("title_left.bmp").image();
    const Image right = picture("title_right.bmp").image();
    // Left end over window 72..76, right end over 516..521 (the middle ends at 521).
    for (int wx = kMiddleX; wx < kLeftX + left.width; ++wx)
        for (int y = 0; y < 50; ++y)
            EXPECT_EQ(left.at(wx - kLeftX, y), mid.at(wx - kMiddleX, y))
                << "window x " << wx << ", row " << y;
    for (int wx = kRightX; wx < kMiddleX + 449; ++wx)
        for (int y = 0; y < 50; ++y)
            EXPECT_EQ(right.at(wx - kRightX, y), mid.at(wx - kMiddleX, y))
                << "window x " << wx << ", row " << y;
}

double luminance(Pixel p) {
    auto lin = [](int c) {
        const double s = c / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(pixelRed(p)) + 0.7152 * lin(pixelGreen(p)) + 0.0722 * lin(pixelBlue(p));
}

TEST(TitleBar, WhiteTitleTextStandsOutOnTheBandsBehindIt) {
    // The title is drawn white at rows 8 to 21 from x = 64; the red mark at x = 8.
    const Image mid = picture("title_middle.bmp").image();
    const Image left = picture("title_left.bmp").image();
    for (int y = 8; y <= 21; ++y) {
        const Pixel p = mid.at(0, y);
        EXPECT_GT(pixelBlue(p), pixelRed(p) + 60) << "row " << y << " is blue";
        EXPECT_GE(1.05 / (luminance(p) + 0.05), 4.5) << "contrast with white at row " << y;
        for (int wx = 64; wx < kMiddleX; ++wx) EXPECT_EQ(left.at(wx - kLeftX, y), p) << "x " << wx;
        for (int wx = 8; wx < 24; ++wx) EXPECT_GT(pixelBlue(left.at(wx - kLeftX, y)), 90) << wx;
    }
}

TEST(TitleBar, TheButtonsSitOnTheRightEndsOwnPixels) {
    const Image right = picture("title_right.bmp").image();
    struct Button {
        const char* file;
        int windowX;
        int symbolX, symbolY;  // a pixel in the middle of the bar or the cross
    };
    for (auto [file, wx, sx, sy] :
         {Button{"button_min.bmp", 558, 8, 11}, Button{"button_close.bmp", 579, 8, 9}}) {
        SCOPED_TRACE(file);
        const Image b = picture(file).image();
        // Outside the round face: the corners and the rows above and below it.
        for (auto [x, y] : {std::pair{0, 0}, {16, 0}, {0, 18}, {16, 18}, {8, 0}, {8, 18}, {1, 1}})
            EXPECT_EQ(b.at(x, y), right.at(wx - kRightX + x, 5 + y)) << x << "," << y;
        // The face is light grey and the symbol black, in the middle.
        EXPECT_GT(pixelRed(b.at(4, 9)), 180);
        EXPECT_EQ(b.at(sx, sy) & 0xFFFFFF, 0u);
    }
}

TEST(Glyphs, TheBottomLeftPixelIsTheStatedTransparentColour) {
    for (auto [file, key] : {std::pair{"glyph_scan.bmp", rgb(255, 255, 255)},
                             {"glyph_kill.bmp", rgb(255, 255, 255)},
                             {"glyph_ok.bmp", rgb(255, 255, 255)},
                             {"glyph_cancel.bmp", rgb(213, 234, 245)}}) {
        SCOPED_TRACE(file);
        const Picture p = picture(file);
        EXPECT_EQ(p.bottomLeft(), key);
        const auto drawn = std::count_if(p.image().pixels.begin(), p.image().pixels.end(),
                                         [key](Pixel px) { return px != key; });
        EXPECT_GT(drawn, 40);
    }
}

TEST(SidebarIcons, TheStatedBackgroundsAreThere) {
    EXPECT_EQ(picture("icon_net_scan.bmp").bottomLeft(), rgb(255, 255, 255));
    const Pixel about = picture("icon_about.bmp").image().at(2, 2);
    EXPECT_GT(pixelBlue(about), pixelRed(about));
    EXPECT_GT(pixelRed(about), 180);
}

TEST(AppIcon, HoldsThreeSixteenColourImagesWithMasks) {
    const Picture p = picture("tolvane.ico");
    ASSERT_EQ(p.images.size(), 3u);
    const int sizes[] = {48, 32, 16};
    for (std::size_t i = 0; i < 3; ++i) {
        const Image& img = p.images[i];
        SCOPED_TRACE(img.width);
        EXPECT_EQ(img.width, sizes[i]);
        EXPECT_EQ(img.height, sizes[i]);
        EXPECT_EQ(img.bitsPerPixel, 4);
        EXPECT_EQ(img.paletteSize, 16);
        const int n = img.width - 1, c = img.width / 2;
        for (auto [x, y] : {std::pair{0, 0}, {n, 0}, {0, n}, {n, n}})
            EXPECT_EQ(pixelAlpha(img.at(x, y)), 0) << "corner " << x << "," << y;
        // Yellow inside the emblem, left of the stem.
        EXPECT_EQ(img.at(c - img.width / 4, c - img.width / 8), rgb(255, 255, 0));
        EXPECT_EQ(pixelAlpha(img.at(c, c)), 255);
    }
    EXPECT_EQ(p.iconImageFor(32).width, 32);
}

}  // namespace
}  // namespace tv
