#pragma once
// PNG files: tests and the snapshot tool save window buffers as PNG, and icons may hold
// PNG-compressed images.

#include <cstdint>
#include <span>
#include <string>

#include "gfx/color.h"
#include "gfx/picture.h"

namespace tv {

// Writes width x height pixels (0xAARRGGBB, `stride` pixels from one row to the next) as
// an 8-bit RGB PNG. Window buffers are opaque whatever their alpha byte says, so the
// alpha byte is not written. Throws std::runtime_error naming the path on failure.
void savePng(const std::string& path, const Pixel* pixels, int width, int height, int stride);

// Decodes a PNG of any colour type into 0xAARRGGBB pixels with straight alpha.
// bitsPerPixel is 32 and paletteSize 0 whatever the file stores. Throws PictureError for a
// damaged file or one larger than the loaders accept.
Image loadPng(std::span<const std::uint8_t> bytes);

}  // namespace tv
