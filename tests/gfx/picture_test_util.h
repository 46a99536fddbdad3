#pragma once
// Builders for small picture files, so each test states the bytes it feeds a loader.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/color.h"

namespace tv::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
inline void set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// A bitmap info header (or a longer one) followed by masks, palette and rows. `rows` are
// the stored rows in file order, each already padded by the caller unless `pad` is set.
struct DibSpec {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: top-down
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks;  // written inside a long header or after a short one
    std::vector<Pixel> palette;        // written as B, G, R, 0
    std::vector<Bytes> rows;
    bool pad = true;
};

inline Bytes dibBytes(const DibSpec& s) {
    Bytes b;
    put32(b, s.headerSize);
    put32(b, std::uint32_t(s.width));
    put32(b, std::uint32_t(s.height));
    put16(b, 1);
    put16(b, unsigned(s.bits));
    put32(b, s.compression);
    put32(b, 0);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, s.colorsUsed);
    put32(b, 0);
    if (s.headerSize > 40) {
        for (std::size_t i = 0; i < 4 && 40 + 4 * i < s.headerSize; ++i)
            put32(b, i < s.masks.size() ? s.masks[i] : 0);
        while (b.size() < s.headerSize) b.push_back(0);
    } else {
        for (std::uint32_t m : s.masks) put32(b, m);
    }
    for (Pixel p : s.palette) {
        b.push_back(std::uint8_t(pixelBlue(p)));
        b.push_back(std::uint8_t(pixelGreen(p)));
        b.push_back(std::uint8_t(pixelRed(p)));
        b.push_back(0);
    }
    for (const Bytes& row : s.rows) {
        b.insert(b.end(), row.begin(), row.end());
        if (s.pad)
            for (std::size_t n = row.size(); n % 4 != 0; ++n) b.push_back(0);
    }
    return b;
}

// The bytes before the pixels: everything dibBytes writes except the rows.
inline std::size_t dibTablesSize(const DibSpec& s) {
    DibSpec t = s;
    t.rows.clear();
    return dibBytes(t).size();
}

inline Bytes bmpFile(const DibSpec& s) {
    const Bytes dib = dibBytes(s);
    Bytes b = {'B', 'M'};
    put32(b, std::uint32_t(14 + dib.size()));
    put32(b, 0);
    put32(b, std::uint32_t(14 + dibTablesSize(s)));
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

struct IconEntry {
    int width = 0, height = 0;
    Bytes data;  // a DIB with doubled height and mask, or a PNG
};

inline Bytes iconFile(const std::vector<IconEntry>& entries) {
    Bytes b;
    put16(b, 0);
    put16(b, 1);
    put16(b, unsigned(entries.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(entries.size());
    for (const IconEntry& e : entries) {
        b.push_back(std::uint8_t(e.width));
        b.push_back(std::uint8_t(e.height));
        b.push_back(0);
        b.push_back(0);
        put16(b, 1);
        put16(b, 32);
        put32(b, std::uint32_t(e.data.size()));
        put32(b, offset);
        offset += std::uint32_t(e.data.size());
    }
    for (const IconEntry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
    return b;
}

inline Bytes readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot open " + path);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The picture folder of the source tree: the test environment names the tree, the build
// remembers it as a fallback.
inline std::string picturesDir() {
    const char* env = std::getenv("TOLVANE_SOURCE_DIR");
#ifdef TOLVANE_SOURCE_DIR_DEFAULT
    const std::string root = env && *env ? env : TOLVANE_SOURCE_DIR_DEFAULT;
#else
    const std::string root = env && *env ? env : ".";
#endif
    return root + "/src/resources/pictures";
}

}  // namespace tv::testing
