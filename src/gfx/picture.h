#pragma once
// Decoded pictures. Every loader turns its format into 0xAARRGGBB pixels, keeping what
// the drawing rules need from the original: the kind, the stored colour depth and the
// palette size, and for icons every image with its transparency mask.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/color.h"

namespace tv {

// A loader refuses a damaged or unsupported file with this error; it never reads
// outside the bytes it was given.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Image {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;       // as stored in the file
    int paletteSize = 0;        // colours in the stored palette, 0 when there is none
    std::vector<Pixel> pixels;  // row-major, top row first; alpha 0 = masked out (icons)

    Pixel at(int x, int y) const {
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

struct Picture {
    enum class Kind { Bitmap, Jpeg, Icon };
    Kind kind = Kind::Bitmap;
    std::vector<Image> images;  // one for bitmaps and JPEGs; every image of an icon

    const Image& image() const { return images.front(); }
    int width() const { return images.empty() ? 0 : images.front().width; }
    int height() const { return images.empty() ? 0 : images.front().height; }
    // The bottom-left pixel: the transparent colour of glyphs and transparent images.
    Pixel bottomLeft() const { return image().at(0, image().height - 1); }
    // The icon image that best fits the wanted size (the large-icon size, 32, on a
    // standard display) among those the display can show: largest colour count first is
    // not needed here, every image of our icon has 16 colours.
    const Image& iconImageFor(int wanted) const;
};

Picture loadBmp(std::span<const std::uint8_t> bytes);
Picture loadIcon(std::span<const std::uint8_t> bytes);
Picture loadJpeg(std::span<const std::uint8_t> bytes);
// Chooses the loader from the file's signature.
Picture loadPicture(std::span<const std::uint8_t> bytes);

}  // namespace tv
