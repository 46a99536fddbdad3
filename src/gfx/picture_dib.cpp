#include <array>
#include <bit>

#include "gfx/picture_dib.h"

namespace tv::picture_detail {

void checkSize(const char* format, std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0)
        throw PictureError(std::string(format) + ": invalid size " + std::to_string(width) + " x " +
                           std::to_string(height));
    if (width > kMaxSide || height > kMaxSide ||
        std::uint64_t(width) * std::uint64_t(height) > kMaxPixels)
        throw PictureError(std::string(format) + ": size " + std::to_string(width) + " x " +
                           std::to_string(height) + " is larger than supported");
}

void ByteReader::fail(const std::string& message) const {
    throw PictureError(std::string(format_) + ": " + message);
}

void ByteReader::require(std::uint64_t offset, std::uint64_t length, const char* what) const {
    // Written so that no sum can wrap: offset and length are each checked against the size.
    if (offset > bytes_.size() || length > bytes_.size() - offset)
        fail(std::string("file is truncated or damaged: ") + what + " needs " +
             std::to_string(length) + " bytes at offset " + std::to_string(offset) +
             ", the file has " + std::to_string(bytes_.size()));
}

std::uint8_t ByteReader::u8(std::uint64_t offset, const char* what) const {
    require(offset, 1, what);
    return bytes_[offset];
}

std::uint16_t ByteReader::u16(std::uint64_t offset, const char* what) const {
    require(offset, 2, what);
    return std::uint16_t(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::uint32_t ByteReader::u32(std::uint64_t offset, const char* what) const {
    require(offset, 4, what);
    return std::uint32_t(bytes_[offset]) | (std::uint32_t(bytes_[offset + 1]) << 8) |
           (std::uint32_t(bytes_[offset + 2]) << 16) | (std::uint32_t(bytes_[offset + 3]) << 24);
}

namespace {

// Header sizes we understand: the Windows 3 header, its two extensions that carry the
// colour masks, and the V4 and V5 headers. The OS/2 headers of the same era use other
// field layouts and are refused rather than misread.
bool knownHeaderSize(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

void checkMask(const ByteReader& in, std::uint32_t mask, int bits, const char* channel,
               bool mayBeEmpty) {
    if (mask == 0) {
        if (!mayBeEmpty) in.fail(std::string("the ") + channel + " colour mask is empty");
        return;
    }
    if (bits < 32 && (mask >> bits) != 0)
        in.fail(std::string("the ") + channel + " colour mask has bits outside the pixel");
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    if ((shifted & (shifted + 1)) != 0)
        in.fail(std::string("the ") + channel + " colour mask is not one run of bits");
}

// One channel of a masked pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint32_t operator()(std::uint32_t v) const {
        if (max == 0) return 0;
        return (((v & mask) >> shift) * 255u + max / 2) / max;
    }
};

}  // namespace

DibHeader parseDibHeader(const ByteReader& in, std::uint64_t offset, bool iconImage) {
    DibHeader h;
    h.headerSize = in.u32(offset, "bitmap header size");
    if (h.headerSize == 12 || h.headerSize == 64) in.fail("OS/2 bitmap headers are not supported");
    if (!knownHeaderSize(h.headerSize))
        in.fail("unknown bitmap header size " + std::to_string(h.headerSize));
    in.require(offset, h.headerSize, "bitmap header");

    const std::int32_t width = in.i32(offset + 4, "width");
    std::int64_t height = in.i32(offset + 8, "height");
    h.bitsPerPixel = in.u16(offset + 14, "bit count");
    h.compression = in.u32(offset + 16, "compression");
    h.colorsUsed = in.u32(offset + 32, "colours used");

    h.topDown = height < 0;
    if (h.topDown) height = -height;  // 64-bit, so the most negative height cannot overflow
    if (iconImage) {
        if (h.topDown) in.fail("icon image rows must be stored bottom-up");
        if (height % 2 != 0) in.fail("icon image height must cover the image and its mask");
        height /= 2;
    }
    checkSize(in.format(), width, height);
    h.width = width;
    h.height = int(height);

    switch (h.bitsPerPixel) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            in.fail("unsupported colour depth of " + std::to_string(h.bitsPerPixel) + " bits");
    }

    std::uint64_t maskBytes = 0;
    switch (h.compression) {
        case kBiRgb:
            if (h.bitsPerPixel == 16) {
                h.redMask = 0x7C00;
                h.greenMask = 0x03E0;
                h.blueMask = 0x001F;
            } else if (h.bitsPerPixel == 32) {
                h.redMask = 0x00FF0000;
                h.greenMask = 0x0000FF00;
                h.blueMask = 0x000000FF;
                h.alphaMask = 0xFF000000;
            }
            break;
        case kBiBitfields:
        case kBiAlphaBitfields: {
            if (iconImage) in.fail("icon images must hold plain pixels");
            if (h.bitsPerPixel != 16 && h.bitsPerPixel != 32)
                in.fail("colour masks need 16- or 32-bit pixels");
            const bool withAlpha = h.compression == kBiAlphaBitfields;
            // The Windows 3 header keeps the masks after itself; later headers inside.
            std::uint64_t at = offset + 40;
            if (h.headerSize == 40) maskBytes = withAlpha ? 16 : 12;
            h.redMask = in.u32(at, "red mask");
            h.greenMask = in.u32(at + 4, "green mask");
            h.blueMask = in.u32(at + 8, "blue mask");
            if (withAlpha || h.headerSize >= 56) h.alphaMask = in.u32(at + 12, "alpha mask");
            checkMask(in, h.redMask, h.bitsPerPixel, "red", false);
            checkMask(in, h.greenMask, h.bitsPerPixel, "green", false);
            checkMask(in, h.blueMask, h.bitsPerPixel, "blue", false);
            checkMask(in, h.alphaMask, h.bitsPerPixel, "alpha", true);
            break;
        }
        case kBiRle8:
        case kBiRle4:
            in.fail("run-length compressed bitmaps are not supported");
        case kBiJpeg:
        case kBiPng:
            in.fail("bitmaps holding JPEG or PNG data are not supported");
        default:
            in.fail("unknown compression " + std::to_string(h.compression));
    }

    h.paletteOffset = offset + h.headerSize + maskBytes;
    if (h.bitsPerPixel <= 8) {
        const std::uint32_t full = 1u << h.bitsPerPixel;
        if (h.colorsUsed > full)
            in.fail(std::to_string(h.colorsUsed) + " palette colours do not fit " +
                    std::to_string(h.bitsPerPixel) + "-bit pixels");
        h.paletteCount = int(h.colorsUsed != 0 ? h.colorsUsed : full);
        in.require(h.paletteOffset, std::uint64_t(h.paletteCount) * 4, "palette");
        h.paletteEnd = h.paletteOffset + std::uint64_t(h.paletteCount) * 4;
    } else {
        // Deeper pixels may carry an optional palette, for display on palette devices only.
        h.paletteEnd = h.paletteOffset + std::uint64_t(h.colorsUsed) * 4;
    }
    return h;
}

Image decodeDibPixels(const ByteReader& in, const DibHeader& h, std::uint64_t pixelOffset) {
    const std::uint64_t stride = h.stride();
    const std::uint64_t rowBytes = (std::uint64_t(h.width) * unsigned(h.bitsPerPixel) + 7) / 8;
    // Some writers leave off the last row's padding; nothing past the pixels is read.
    in.require(pixelOffset, stride * std::uint64_t(h.height - 1) + rowBytes, "pixel data");

    Image img;
    img.width = h.width;
    img.height = h.height;
    img.bitsPerPixel = h.bitsPerPixel;
    img.paletteSize = h.storedPaletteSize();
    img.pixels.resize(std::size_t(h.width) * std::size_t(h.height));

    // An index past the stored palette shows black rather than failing the whole picture.
    std::array<Pixel, 256> palette;
    palette.fill(0xFF000000u);
    const auto bytes = in.bytes();
    for (int i = 0; i < h.paletteCount; ++i) {
        const std::uint8_t* e = &bytes[h.paletteOffset + std::uint64_t(i) * 4];
        palette[std::size_t(i)] = rgb(e[2], e[1], e[0]);
    }

    const Channel red(h.redMask), green(h.greenMask), blue(h.blueMask), alpha(h.alphaMask);
    const bool hasAlpha = h.alphaMask != 0;
    bool anyAlpha = false;

    for (int r = 0; r < h.height; ++r) {
        const std::uint8_t* src = &bytes[pixelOffset + std::uint64_t(r) * stride];
        const int y = h.topDown ? r : h.height - 1 - r;
        Pixel* dst = &img.pixels[std::size_t(y) * std::size_t(h.width)];
        switch (h.bitsPerPixel) {
            case 1:
                for (int x = 0; x < h.width; ++x)
                    dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                for (int x = 0; x < h.width; ++x)
                    dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
                break;
            case 8:
                for (int x = 0; x < h.width; ++x) dst[x] = palette[src[x]];
                break;
            case 24:
                for (int x = 0; x < h.width; ++x, src += 3) dst[x] = rgb(src[2], src[1], src[0]);
                break;
            case 16:
            case 32: {
                const int step = h.bitsPerPixel / 8;
                for (int x = 0; x < h.width; ++x, src += step) {
                    std::uint32_t v = std::uint32_t(src[0]) | (std::uint32_t(src[1]) << 8);
                    if (step == 4)
                        v |= (std::uint32_t(src[2]) << 16) | (std::uint32_t(src[3]) << 24);
                    const std::uint32_t a = hasAlpha ? alpha(v) : 255u;
                    anyAlpha = anyAlpha || (hasAlpha && (v & h.alphaMask) != 0);
                    dst[x] = (a << 24) | (red(v) << 16) | (green(v) << 8) | blue(v);
                }
                break;
            }
        }
    }
    if (hasAlpha && !anyAlpha)
        for (Pixel& p : img.pixels) p |= 0xFF000000u;
    return img;
}

}  // namespace tv::picture_detail
