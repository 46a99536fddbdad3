#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/picture.h"
#include "gfx/picture_test_util.h"
#include "gfx/png.h"

namespace tv {
namespace {

using testing::Bytes;

// A baseline JPEG of one flat colour (or grey level, with one component).
Bytes jpegBytes(int w, int h, int components, const std::uint8_t* colour) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(std::size_t(w * components));
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = colour[i % std::size_t(components)];
    while (c.next_scanline < c.image_height) {
        JSAMPROW r[1] = {row.data()};
        jpeg_write_scanlines(&c, r, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buf, buf + size);
    jpeg_destroy_compress(&c);
    std::free(buf);
    return out;
}

bool near(Pixel p, int r, int g, int b) {
    return std::abs(pixelRed(p) - r) <= 3 && std::abs(pixelGreen(p) - g) <= 3 &&
           std::abs(pixelBlue(p) - b) <= 3 && pixelAlpha(p) == 255;
}

std::string jpegError(const Bytes& b) {
    try {
        loadJpeg(b);
    } catch (const PictureError& e) {
        return e.what();
    }
    return "";
}

TEST(Jpeg, ColourAndGreyDecodeToOpaqueRgb) {
    const std::uint8_t orange[] = {250, 140, 20};
    const Picture colour = loadPicture(jpegBytes(17, 9, 3, orange));
    EXPECT_EQ(colour.kind, Picture::Kind::Jpeg);
    EXPECT_EQ(colour.width(), 17);
    EXPECT_EQ(colour.height(), 9);
    EXPECT_EQ(colour.image().bitsPerPixel, 24);
    EXPECT_TRUE(near(colour.image().at(0, 0), 250, 140, 20));
    EXPECT_TRUE(near(colour.image().at(16, 8), 250, 140, 20));

    const std::uint8_t grey[] = {90};
    const Image g = loadJpeg(jpegBytes(8, 8, 1, grey)).image();
    EXPECT_EQ(g.bitsPerPixel, 8);
    EXPECT_TRUE(near(g.at(3, 3), 90, 90, 90));
}

TEST(Jpeg, DamageIsAnErrorNotAGreyPicture) {
    const std::uint8_t blue[] = {0, 0, 255};
    const Bytes good = jpegBytes(64, 64, 3, blue);
    EXPECT_NE(jpegError(Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2))), "");
    EXPECT_NE(jpegError(Bytes(good.begin(), good.begin() + 40)), "");
    EXPECT_NE(jpegError(Bytes{0xFF, 0xD8, 0xFF}), "");
    EXPECT_NE(jpegError(Bytes{}).find("not a JPEG"), std::string::npos);
    Bytes garbage = {0xFF, 0xD8, 0xFF, 0xE0};
    garbage.resize(200, 0x5A);
    EXPECT_NE(jpegError(garbage), "");
}

TEST(Jpeg, AnAbsurdFrameSizeIsRefused) {
    const std::uint8_t blue[] = {0, 0, 255};
    Bytes b = jpegBytes(8, 8, 3, blue);
    // Find the start-of-frame marker and write 60000 x 60000 into it.
    for (std::size_t i = 2; i + 9 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xC0) {
            b[i + 5] = 0xEA;
            b[i + 6] = 0x60;
            b[i + 7] = 0xEA;
            b[i + 8] = 0x60;
            break;
        }
    EXPECT_NE(jpegError(b).find("larger than supported"), std::string::npos);
}

std::string tempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("tolvane-") + std::to_string(::getpid()) + "-" + name))
        .string();
}

TEST(Png, SavedBuffersReadBackOpaqueWithTheirStride) {
    // 3 x 2 pixels in rows of 5; the extra pixels and the alpha byte must not leak in.
    const std::vector<Pixel> buf = {rgb(1, 2, 3), 0x00FF0000u,     rgb(7, 8, 9), 0xDEADBEEF,
                                    0xDEADBEEF,   rgb(10, 11, 12), rgb(0, 0, 0), rgb(255, 255, 255),
                                    0xDEADBEEF,   0xDEADBEEF};
    const std::string path = tempPath("roundtrip.png");
    savePng(path, buf.data(), 3, 2, 5);
    const Image img = loadPng(testing::readFile(path));
    std::filesystem::remove(path);
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.at(0, 0), rgb(1, 2, 3));
    EXPECT_EQ(img.at(1, 0), rgb(255, 0, 0));
    EXPECT_EQ(img.at(2, 0), rgb(7, 8, 9));
    EXPECT_EQ(img.at(0, 1), rgb(10, 11, 12));
    EXPECT_EQ(img.at(2, 1), rgb(255, 255, 255));
}

TEST(Png, FailuresAreReported) {
    const Pixel px = rgb(1, 2, 3);
    EXPECT_THROW(savePng("/nonexistent-dir/x.png", &px, 1, 1, 1), std::runtime_error);
    EXPECT_THROW(savePng(tempPath("bad.png"), &px, 0, 1, 1), std::runtime_error);
    EXPECT_THROW(loadPng(Bytes{}), PictureError);
    EXPECT_THROW(loadPng(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}), PictureError);
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

TEST(Png, AnAbsurdSizeIsRefusedBeforeDecoding) {
    const std::string path = tempPath("big.png");
    const Pixel px = rgb(1, 2, 3);
    savePng(path, &px, 1, 1, 1);
    Bytes b = testing::readFile(path);
    std::filesystem::remove(path);
    // IHDR data starts at 16: width, height (big-endian); its CRC covers type and data.
    const std::uint8_t big[8] = {0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30};  // 30000 x 30000
    std::copy(big, big + 8, b.begin() + 16);
    const std::uint32_t crc = crc32(&b[12], 17);
    for (int i = 0; i < 4; ++i) b[29 + std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));
    try {
        loadPng(b);
        FAIL() << "no error";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("larger than supported"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace tv
