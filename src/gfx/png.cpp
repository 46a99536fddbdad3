#include "gfx/png.h"

#include <png.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "gfx/picture_dib.h"

namespace tv {

namespace {

// Frees libpng's read state on every way out, including exceptions.
struct PngImage {
    png_image image;
    PngImage() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

}  // namespace

void savePng(const std::string& path, const Pixel* pixels, int width, int height, int stride) {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < width)
        throw std::runtime_error("cannot save '" + path + "': invalid pixel buffer");
    std::vector<std::uint8_t> rgbRows(std::size_t(width) * std::size_t(height) * 3);
    std::uint8_t* out = rgbRows.data();
    for (int y = 0; y < height; ++y) {
        const Pixel* row = pixels + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x) {
            *out++ = std::uint8_t(pixelRed(row[x]));
            *out++ = std::uint8_t(pixelGreen(row[x]));
            *out++ = std::uint8_t(pixelBlue(row[x]));
        }
    }
    PngImage png;
    png.image.width = png_uint_32(width);
    png.image.height = png_uint_32(height);
    png.image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png.image, path.c_str(), 0, rgbRows.data(), 0, nullptr))
        throw std::runtime_error("cannot save '" + path + "': " + png.image.message);
}

Image loadPng(std::span<const std::uint8_t> bytes) {
    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size()))
        throw PictureError(std::string("PNG: ") + png.image.message);
    // Checked before the pixels are allocated or inflated.
    picture_detail::checkSize("PNG", png.image.width, png.image.height);

    png.image.format = PNG_FORMAT_RGBA;
    const std::size_t w = png.image.width, h = png.image.height;
    std::vector<std::uint8_t> rgba(w * h * 4);
    if (!png_image_finish_read(&png.image, nullptr, rgba.data(), 0, nullptr))
        throw PictureError(std::string("PNG: ") + png.image.message);

    Image img;
    img.width = int(w);
    img.height = int(h);
    img.bitsPerPixel = 32;
    img.paletteSize = 0;
    img.pixels.resize(w * h);
    const std::uint8_t* s = rgba.data();
    for (Pixel& p : img.pixels) {
        p = (Pixel(s[3]) << 24) | (Pixel(s[0]) << 16) | (Pixel(s[1]) << 8) | Pixel(s[2]);
        s += 4;
    }
    return img;
}

}  // namespace tv
