#include "gfx/picture.h"
#include "gfx/picture_dib.h"

namespace tv {

using namespace picture_detail;

Picture loadBmp(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes, "BMP");
    in.require(0, 14, "file header");
    if (bytes[0] != 'B' || bytes[1] != 'M') in.fail("not a bitmap file (no 'BM' signature)");
    const std::uint32_t pixelOffset = in.u32(10, "pixel data offset");

    const DibHeader h = parseDibHeader(in, 14, false);
    // Pixels that overlap the header or the palette they are read through mean the
    // offset is damaged; decoding them would show garbage rather than the picture.
    const std::uint64_t tablesEnd = h.bitsPerPixel <= 8 ? h.paletteEnd : h.paletteOffset;
    if (pixelOffset < tablesEnd)
        in.fail("pixel data offset " + std::to_string(pixelOffset) +
                " lies inside the header or palette");

    Picture pic;
    pic.kind = Picture::Kind::Bitmap;
    pic.images.push_back(decodeDibPixels(in, h, pixelOffset));
    return pic;
}

}  // namespace tv
