#pragma once
// Pieces shared by the BMP and icon loaders: bounds-checked little-endian reads and the
// decoding of a device-independent bitmap (the header, its palette and its pixel rows),
// which both formats carry.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "gfx/picture.h"

namespace tv::picture_detail {

// The largest picture any loader accepts. Files of the program are far smaller; the caps
// keep a damaged or hostile size field from asking for gigabytes.
constexpr int kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 25;

// Throws PictureError unless width and height are positive and within the caps.
void checkSize(const char* format, std::int64_t width, std::int64_t height);

// Reads that throw PictureError, naming the format and the field, instead of leaving the
// buffer.
class ByteReader {
  public:
    ByteReader(std::span<const std::uint8_t> bytes, const char* format)
        : bytes_(bytes), format_(format) {}

    std::size_t size() const { return bytes_.size(); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    const char* format() const { return format_; }

    // Throws unless [offset, offset + length) lies inside the buffer.
    void require(std::uint64_t offset, std::uint64_t length, const char* what) const;

    std::uint8_t u8(std::uint64_t offset, const char* what) const;
    std::uint16_t u16(std::uint64_t offset, const char* what) const;
    std::uint32_t u32(std::uint64_t offset, const char* what) const;
    std::int32_t i32(std::uint64_t offset, const char* what) const {
        return std::int32_t(u32(offset, what));
    }

    [[noreturn]] void fail(const std::string& message) const;

  private:
    std::span<const std::uint8_t> bytes_;
    const char* format_;
};

enum : std::uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiJpeg = 4,
    kBiPng = 5,
    kBiAlphaBitfields = 6,
};

struct DibHeader {
    std::uint32_t headerSize = 0;
    int width = 0;
    int height = 0;  // rows of the stored image, always positive
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;  // biClrUsed as stored
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    std::uint64_t paletteOffset = 0;  // from the start of the buffer
    int paletteCount = 0;             // entries the pixels index, 0 above 8 bits
    std::uint64_t paletteEnd = 0;     // first byte after the stored palette

    // Bytes in one stored row, padded to 4 bytes.
    std::uint64_t stride() const {
        return (std::uint64_t(width) * unsigned(bitsPerPixel) + 31) / 32 * 4;
    }
    // What Image::paletteSize reports: the palette as stored.
    int storedPaletteSize() const { return bitsPerPixel <= 8 ? paletteCount : int(colorsUsed); }
};

// Parses the header that starts at `offset`. An icon image stores its XOR and AND rows
// under one doubled height, and allows bottom-up rows and plain RGB pixels only, so
// `iconImage` halves the height and narrows what is accepted.
DibHeader parseDibHeader(const ByteReader& in, std::uint64_t offset, bool iconImage);

// Decodes the header's rows stored at `pixelOffset` into an image, top row first. Pixels
// with an alpha channel (the fourth byte of plain 32-bit pixels, or an alpha mask) keep it
// only when some pixel sets it: many writers leave that byte 0 and mean opaque.
Image decodeDibPixels(const ByteReader& in, const DibHeader& h, std::uint64_t pixelOffset);

}  // namespace tv::picture_detail
