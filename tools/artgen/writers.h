#pragma once
// Encoders for the kinds of file the program's layouts carry. Each writes exactly the
// colour depth asked for, so the loaders and the layout tests see what a designer's tool
// of the time would have saved.

#include <cstdint>
#include <string>
#include <vector>

#include "raster.h"

namespace tv::art {

using Bytes = std::vector<std::uint8_t>;

Bytes encodeBmp24(const Raster& r);
// 32-bit pixels whose fourth byte is 0 everywhere: the program's loaders treat such
// pixels as opaque colour, not alpha.
Bytes encodeBmp32(const Raster& r);
// An 8-bit bitmap whose palette holds exactly `paletteSize` entries: the colours used,
// then filler colours. Throws if the picture uses more colours than that.
Bytes encodeBmp8(const Raster& r, int paletteSize);
// An icon of 4-bit images in the standard 16-colour palette, each with its AND mask taken
// from alpha 0. Throws if a visible pixel is not one of the 16 colours.
Bytes encodeIco4(const std::vector<Raster>& images);
// Baseline JFIF with three components and no chroma subsampling, so thin red and blue
// letters keep their colour.
Bytes encodeJpeg(const Raster& r, int quality);

// The 16 colours of the standard palette, in palette order.
const std::vector<Pixel>& standardPalette16();

void writeFile(const std::string& path, const Bytes& bytes);

}  // namespace tv::art
