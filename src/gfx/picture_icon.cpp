#include <algorithm>
#include <cstdlib>

#include "gfx/picture.h"
#include "gfx/picture_dib.h"
#include "gfx/png.h"

namespace tv {

using namespace picture_detail;

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A DIB icon image: the colour (XOR) rows, then a 1-bit AND mask whose set bits mark the
// pixels through which the background shows.
Image decodeDibIcon(const ByteReader& in, std::uint64_t offset) {
    const DibHeader h = parseDibHeader(in, offset, true);
    Image img = decodeDibPixels(in, h, h.paletteEnd);

    const std::uint64_t xorBytes = h.stride() * std::uint64_t(h.height);
    const std::uint64_t maskOffset = h.paletteEnd + xorBytes;
    const std::uint64_t maskStride = (std::uint64_t(h.width) + 31) / 32 * 4;
    const bool hasAlpha =
        h.bitsPerPixel == 32 && std::any_of(img.pixels.begin(), img.pixels.end(),
                                            [](Pixel p) { return (p >> 24) != 0xFF; });
    // A 32-bit image with its own alpha needs no mask, and some writers leave it off.
    if (hasAlpha && maskOffset + maskStride * std::uint64_t(h.height) > in.size()) return img;
    in.require(maskOffset, maskStride * std::uint64_t(h.height), "icon mask");

    const auto bytes = in.bytes();
    for (int r = 0; r < h.height; ++r) {
        const std::uint8_t* m = &bytes[maskOffset + std::uint64_t(r) * maskStride];
        Pixel* dst = &img.pixels[std::size_t(h.height - 1 - r) * std::size_t(h.width)];
        for (int x = 0; x < h.width; ++x)
            if ((m[x >> 3] >> (7 - (x & 7))) & 1) dst[x] &= 0x00FFFFFFu;
    }
    return img;
}

}  // namespace

Picture loadIcon(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes, "icon");
    in.require(0, 6, "icon directory");
    if (in.u16(0, "reserved") != 0 || in.u16(2, "resource type") != 1) in.fail("not an icon file");
    const int count = in.u16(4, "image count");
    if (count == 0) in.fail("the icon holds no images");
    in.require(6, std::uint64_t(count) * 16, "icon directory entries");

    Picture pic;
    pic.kind = Picture::Kind::Icon;
    pic.images.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const std::uint64_t entry = 6 + std::uint64_t(i) * 16;
        const std::uint32_t size = in.u32(entry + 8, "image size");
        const std::uint32_t offset = in.u32(entry + 12, "image offset");
        in.require(offset, size, "icon image");
        const auto data = bytes.subspan(offset, size);
        if (data.size() >= 8 && std::equal(data.begin(), data.begin() + 8, kPngSignature)) {
            Image img;
            try {
                img = loadPng(data);
            } catch (const PictureError& e) {
                in.fail("image " + std::to_string(i) + ": " + e.what());
            }
            img.bitsPerPixel = 32;
            img.paletteSize = 0;
            pic.images.push_back(std::move(img));
        } else {
            // The image is read within its own bytes, so a damaged header cannot reach
            // into the next image.
            const ByteReader sub(data, "icon");
            pic.images.push_back(decodeDibIcon(sub, 0));
        }
    }
    return pic;
}

const Image& Picture::iconImageFor(int wanted) const {
    if (images.empty()) throw PictureError("picture holds no images");
    // Closest size first; on a tie the larger image, since shrinking the wanted area by
    // cropping loses less than leaving it half empty; then the deeper colours.
    const Image* best = &images.front();
    auto distance = [wanted](const Image& img) {
        return std::abs(img.width - wanted) + std::abs(img.height - wanted);
    };
    for (const Image& img : images) {
        const int d = distance(img), bd = distance(*best);
        if (d < bd || (d == bd && img.width > best->width) ||
            (d == bd && img.width == best->width && img.bitsPerPixel > best->bitsPerPixel))
            best = &img;
    }
    return *best;
}

}  // namespace tv
