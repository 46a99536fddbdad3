#include <gtest/gtest.h>

#include <climits>

#include "gfx/picture.h"
#include "gfx/picture_test_util.h"

namespace tv {
namespace {

using testing::bmpFile;
using testing::Bytes;
using testing::DibSpec;

const Pixel kRed = rgb(255, 0, 0), kGreen = rgb(0, 255, 0), kBlue = rgb(0, 0, 255);
const Pixel kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255);

Picture load(const Bytes& b) {
    return loadBmp(b);
}

// The message of the PictureError that loading `b` raises, or "" when it loads.
std::string errorOf(const Bytes& b) {
    try {
        loadBmp(b);
    } catch (const PictureError& e) {
        return e.what();
    }
    return "";
}

TEST(BmpPalettes, OneBitRowsCrossByteBoundariesAndArePadded) {
    DibSpec s;
    s.width = 10;
    s.height = 2;
    s.bits = 1;
    s.palette = {kBlack, kWhite};
    // Bottom-up: the first stored row is the bottom one. 10 pixels take 2 bytes + 2 padding.
    s.rows = {{0b10000000, 0b01000000}, {0b01010101, 0b11000000}};
    const Picture p = load(bmpFile(s));
    ASSERT_EQ(p.images.size(), 1u);
    const Image& img = p.image();
    EXPECT_EQ(p.kind, Picture::Kind::Bitmap);
    EXPECT_EQ(img.bitsPerPixel, 1);
    EXPECT_EQ(img.paletteSize, 2);
    EXPECT_EQ(img.at(0, 0), kBlack);
    EXPECT_EQ(img.at(1, 0), kWhite);
    EXPECT_EQ(img.at(7, 0), kWhite);
    EXPECT_EQ(img.at(8, 0), kWhite);
    EXPECT_EQ(img.at(9, 0), kWhite);
    EXPECT_EQ(img.at(0, 1), kWhite);
    EXPECT_EQ(img.at(1, 1), kBlack);
    EXPECT_EQ(img.at(9, 1), kWhite);
    EXPECT_EQ(img.at(8, 1), kBlack);
}

TEST(BmpPalettes, FourBitTakesTheHighNibbleFirstAndAFullPaletteWhenNoneIsCounted) {
    DibSpec s;
    s.width = 3;
    s.height = 1;
    s.bits = 4;
    s.colorsUsed = 0;
    for (int i = 0; i < 16; ++i) s.palette.push_back(rgb(i * 16, 0, 255 - i * 16));
    s.rows = {{0x2F, 0x70}};
    const Image img = load(bmpFile(s)).image();
    EXPECT_EQ(img.bitsPerPixel, 4);
    EXPECT_EQ(img.paletteSize, 16);
    EXPECT_EQ(img.at(0, 0), rgb(32, 0, 223));
    EXPECT_EQ(img.at(1, 0), rgb(240, 0, 15));
    EXPECT_EQ(img.at(2, 0), rgb(112, 0, 143));
}

TEST(BmpPalettes, EightBitRecordsTheStoredCountAndShowsStrayIndicesBlack) {
    DibSpec s;
    s.width = 4;
    s.height = 1;
    s.bits = 8;
    s.colorsUsed = 3;
    s.palette = {kRed, kGreen, kBlue};
    s.rows = {{2, 1, 0, 200}};
    const Image img = load(bmpFile(s)).image();
    EXPECT_EQ(img.paletteSize, 3);
    EXPECT_EQ(img.at(0, 0), kBlue);
    EXPECT_EQ(img.at(1, 0), kGreen);
    EXPECT_EQ(img.at(2, 0), kRed);
    EXPECT_EQ(img.at(3, 0), kBlack);
}

TEST(BmpPalettes, MorePaletteEntriesThanTheDepthAllowsIsRefused) {
    DibSpec s;
    s.bits = 4;
    s.colorsUsed = 17;
    s.palette.assign(17, kRed);
    s.rows = {{0}};
    EXPECT_NE(errorOf(bmpFile(s)).find("palette"), std::string::npos);
    // A count that would need gigabytes of palette is refused before anything is read.
    s.bits = 8;
    s.colorsUsed = 0xFFFFFFFFu;
    s.palette.assign(2, kRed);
    EXPECT_NE(errorOf(bmpFile(s)), "");
}

DibSpec twoRows24(bool topDown) {
    DibSpec s;
    s.width = 2;
    s.height = topDown ? -2 : 2;
    s.bits = 24;
    const Bytes redBlue = {0, 0, 255, 255, 0, 0};  // red, blue (B, G, R order)
    const Bytes greenWhite = {0, 255, 0, 255, 255, 255};
    s.rows =
        topDown ? std::vector<Bytes>{redBlue, greenWhite} : std::vector<Bytes>{greenWhite, redBlue};
    return s;
}

TEST(BmpRows, BottomUpAndTopDownGiveTheSamePicture) {
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        const Image img = load(bmpFile(twoRows24(topDown))).image();
        EXPECT_EQ(img.width, 2);
        EXPECT_EQ(img.height, 2);
        EXPECT_EQ(img.bitsPerPixel, 24);
        EXPECT_EQ(img.paletteSize, 0);
        EXPECT_EQ(img.at(0, 0), kRed);
        EXPECT_EQ(img.at(1, 0), kBlue);
        EXPECT_EQ(img.at(0, 1), kGreen);
        EXPECT_EQ(img.at(1, 1), kWhite);
    }
}

TEST(BmpRows, TheLastRowMayLackItsPaddingButNotItsPixels) {
    Bytes b = bmpFile(twoRows24(false));
    b.resize(b.size() - 2);  // the two padding bytes of the last stored row
    EXPECT_EQ(load(b).image().at(1, 0), kBlue);
    b.pop_back();
    EXPECT_NE(errorOf(b).find("truncated"), std::string::npos);
}

TEST(Bmp32, AFourthByteOfZeroEverywhereMeansOpaque) {
    DibSpec s;
    s.width = 2;
    s.bits = 32;
    s.rows = {{10, 20, 30, 0, 40, 50, 60, 0}};
    const Image img = load(bmpFile(s)).image();
    EXPECT_EQ(img.at(0, 0), rgb(30, 20, 10));
    EXPECT_EQ(img.at(1, 0), rgb(60, 50, 40));
    EXPECT_EQ(pixelAlpha(img.at(0, 0)), 255);
}

TEST(Bmp32, AFourthByteSetSomewhereIsAlpha) {
    DibSpec s;
    s.width = 2;
    s.bits = 32;
    s.rows = {{10, 20, 30, 0x80, 40, 50, 60, 0}};
    const Image img = load(bmpFile(s)).image();
    EXPECT_EQ(img.at(0, 0), 0x801E140Au);
    EXPECT_EQ(img.at(1, 0), 0x003C3228u);
}

TEST(Bmp32, BitfieldsAfterTheShortHeaderAreHonoured) {
    DibSpec s;
    s.width = 1;
    s.bits = 32;
    s.compression = 3;
    // Red in the low byte, blue in the third: the reverse of the plain layout.
    s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    s.rows = {{200, 100, 50, 0}};
    EXPECT_EQ(load(bmpFile(s)).image().at(0, 0), rgb(200, 100, 50));
}

TEST(Bmp32, V4AndV5HeadersCarryTheirMasksInside) {
    for (std::uint32_t header : {108u, 124u}) {
        SCOPED_TRACE(header);
        DibSpec s;
        s.headerSize = header;
        s.width = 2;
        s.height = -1;
        s.bits = 32;
        s.compression = 3;
        s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
        s.rows = {{0xFF, 1, 2, 3, 0, 4, 5, 6}};
        const Image img = load(bmpFile(s)).image();
        EXPECT_EQ(img.at(0, 0), 0xFF010203u);
        EXPECT_EQ(img.at(1, 0), 0x00040506u);
    }
}

TEST(Bmp16, FiveSixFiveBitfieldsScaleToFullRange) {
    DibSpec s;
    s.width = 2;
    s.bits = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.rows = {{0x00, 0xF8, 0xE0, 0x07}};
    const Image img = load(bmpFile(s)).image();
    EXPECT_EQ(img.at(0, 0), kRed);
    EXPECT_EQ(img.at(1, 0), kGreen);
}

TEST(BmpDamage, EveryTruncationBeforeTheLastPixelIsAClearError) {
    const Bytes full = bmpFile(twoRows24(false));
    const std::size_t needed = full.size() - 2;  // the last row's padding is optional
    for (std::size_t n = 0; n < needed; ++n) {
        const Bytes cut(full.begin(), full.begin() + std::ptrdiff_t(n));
        EXPECT_NE(errorOf(cut), "") << "prefix of " << n << " bytes";
    }
}

TEST(BmpDamage, AbsurdSizesAreRefusedBeforeAllocating) {
    struct Case {
        std::int32_t w, h;
    };
    for (Case c : {Case{100000, 1}, Case{1, 100000}, Case{16000, 16000}, Case{0, 4}, Case{4, 0},
                   Case{-4, 4}, Case{1, INT_MIN}}) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        DibSpec s;
        s.width = c.w;
        s.height = c.h;
        s.bits = 24;
        s.rows = {{1, 2, 3}};
        EXPECT_NE(errorOf(bmpFile(s)), "");
    }
}

TEST(BmpDamage, APixelOffsetPastTheEndOrInsideTheHeaderIsRefused) {
    DibSpec s;
    s.bits = 8;
    s.colorsUsed = 2;
    s.palette = {kRed, kBlue};
    s.rows = {{1}};
    Bytes b = bmpFile(s);
    testing::set32(b, 10, 0xFFFFFFF0u);
    EXPECT_NE(errorOf(b).find("truncated"), std::string::npos);
    testing::set32(b, 10, 20);
    EXPECT_NE(errorOf(b).find("inside the header"), std::string::npos);
}

TEST(BmpDamage, UnsupportedVariantsAreNamed) {
    DibSpec rle;
    rle.bits = 8;
    rle.compression = 1;
    rle.palette = {kRed};
    rle.colorsUsed = 1;
    rle.rows = {{0, 0}};
    EXPECT_NE(errorOf(bmpFile(rle)).find("run-length"), std::string::npos);

    DibSpec odd;
    odd.bits = 7;
    odd.rows = {{0}};
    EXPECT_NE(errorOf(bmpFile(odd)).find("colour depth"), std::string::npos);

    DibSpec core;
    core.headerSize = 12;
    core.rows = {{0, 0, 0}};
    EXPECT_NE(errorOf(bmpFile(core)).find("OS/2"), std::string::npos);

    DibSpec gappy;
    gappy.bits = 32;
    gappy.compression = 3;
    gappy.masks = {0x00FF00FF, 0x0000FF00, 0x000000FF};
    gappy.rows = {{0, 0, 0, 0}};
    EXPECT_NE(errorOf(bmpFile(gappy)).find("mask"), std::string::npos);

    Bytes notBmp = bmpFile(twoRows24(false));
    notBmp[0] = 'X';
    EXPECT_NE(errorOf(notBmp).find("signature"), std::string::npos);
}

TEST(LoadPicture, ChoosesTheLoaderFromTheSignature) {
    EXPECT_EQ(loadPicture(bmpFile(twoRows24(false))).kind, Picture::Kind::Bitmap);
    EXPECT_THROW(loadPicture(Bytes{}), PictureError);
    EXPECT_THROW(loadPicture(Bytes{'G', 'I', 'F', '8', '9', 'a'}), PictureError);
}

}  // namespace
}  // namespace tv
