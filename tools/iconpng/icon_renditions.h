#pragma once
// The application icon as the desktop's icon themes want it: one PNG per standard size,
// each the icon's own image of that size (never a scaled one), with the icon's mask turned
// into alpha so the desktop's background shows through where it did on Windows.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/picture.h"

namespace tv::iconpng {

// The sizes a hicolor theme looks for first; each becomes OUTDIR/<n>x<n>/apps/NAME.png.
inline constexpr int kSizes[] = {16, 32, 48};

// The image of `icon` that is exactly size x size, the deepest colours first; null when
// the icon has none.
const Image* imageOfSize(const Picture& icon, int size);

// Writes `image` as an 8-bit RGBA PNG with straight alpha; fully transparent pixels are
// written as 0,0,0,0 so the colour the icon kept under its mask does not leak out. The
// file appears complete or not at all: it is written beside `path` and renamed over it.
// Throws std::runtime_error naming the path.
void saveRgbaPng(const std::string& path, const Image& image);

// Decodes `icoBytes` and writes every size of kSizes under `outDir`, creating the folders.
// Nothing is written unless the icon decodes and holds all the sizes. Returns the paths
// written, smallest first. Throws PictureError for a damaged icon, std::runtime_error for a
// missing size or a file that cannot be written.
std::vector<std::string> writeRenditions(std::span<const std::uint8_t> icoBytes,
                                         const std::string& outDir,
                                         std::string_view name = "tolvane");

}  // namespace tv::iconpng
