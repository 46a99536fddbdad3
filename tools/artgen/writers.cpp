#include "writers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>

#include <jpeglib.h>

namespace tv::art {

namespace {

void put16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

std::uint32_t strideFor(int width, int bits) {
    return std::uint32_t((width * bits + 31) / 32 * 4);
}

// 96 pixels per inch, in pixels per metre.
constexpr std::uint32_t kPixelsPerMetre = 3780;

void putInfoHeader(Bytes& b, int width, int height, int bits, std::uint32_t imageBytes,
                   std::uint32_t colorsUsed) {
    put32(b, 40);
    put32(b, std::uint32_t(width));
    put32(b, std::uint32_t(height));
    put16(b, 1);
    put16(b, unsigned(bits));
    put32(b, 0);  // BI_RGB
    put32(b, imageBytes);
    put32(b, kPixelsPerMetre);
    put32(b, kPixelsPerMetre);
    put32(b, colorsUsed);
    put32(b, 0);
}

Bytes bmpFile(const Raster& r, int bits, const std::vector<Pixel>& palette,
              const std::function<void(Bytes&, int y)>& putRow) {
    const std::uint32_t stride = strideFor(r.width(), bits);
    const std::uint32_t imageBytes = stride * std::uint32_t(r.height());
    const std::uint32_t offset = 14 + 40 + std::uint32_t(palette.size()) * 4;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, offset + imageBytes);
    put32(b, 0);
    put32(b, offset);
    putInfoHeader(b, r.width(), r.height(), bits, imageBytes, std::uint32_t(palette.size()));
    for (Pixel p : palette) put32(b, p & 0x00FFFFFFu);
    for (int y = r.height() - 1; y >= 0; --y) {
        const std::size_t start = b.size();
        putRow(b, y);
        while (b.size() - start < stride) b.push_back(0);
    }
    return b;
}

}  // namespace

Bytes encodeBmp24(const Raster& r) {
    return bmpFile(r, 24, {}, [&r](Bytes& b, int y) {
        for (int x = 0; x < r.width(); ++x) {
            const Pixel p = r.at(x, y);
            b.push_back(std::uint8_t(pixelBlue(p)));
            b.push_back(std::uint8_t(pixelGreen(p)));
            b.push_back(std::uint8_t(pixelRed(p)));
        }
    });
}

Bytes encodeBmp32(const Raster& r) {
    return bmpFile(r, 32, {}, [&r](Bytes& b, int y) {
        for (int x = 0; x < r.width(); ++x) {
            const Pixel p = r.at(x, y);
            b.push_back(std::uint8_t(pixelBlue(p)));
            b.push_back(std::uint8_t(pixelGreen(p)));
            b.push_back(std::uint8_t(pixelRed(p)));
            b.push_back(0);
        }
    });
}

Bytes encodeBmp8(const Raster& r, int paletteSize) {
    std::set<Pixel> used;
    for (Pixel p : r.pixels()) used.insert(p & 0x00FFFFFFu);
    if (int(used.size()) > paletteSize)
        throw std::runtime_error("picture uses " + std::to_string(used.size()) +
                                 " colours, more than its palette of " +
                                 std::to_string(paletteSize));
    std::vector<Pixel> palette(used.begin(), used.end());
    // Filler entries: the colour cube of the palette-display era, then greys, skipping
    // colours the picture already uses. They are never indexed.
    std::vector<Pixel> filler;
    for (int g = 0; g < 256; g += 51)
        for (int rr = 0; rr < 256; rr += 51)
            for (int b = 0; b < 256; b += 51) filler.push_back(rgb(rr, g, b) & 0x00FFFFFFu);
    for (int v = 8; v < 256; v += 8) filler.push_back(rgb(v, v, v) & 0x00FFFFFFu);
    for (Pixel f : filler) {
        if (int(palette.size()) == paletteSize) break;
        if (!used.count(f)) palette.push_back(f);
    }
    if (int(palette.size()) != paletteSize) throw std::runtime_error("palette filler ran out");
    return bmpFile(r, 8, palette, [&](Bytes& b, int y) {
        for (int x = 0; x < r.width(); ++x) {
            const Pixel p = r.at(x, y) & 0x00FFFFFFu;
            b.push_back(
                std::uint8_t(std::find(palette.begin(), palette.end(), p) - palette.begin()));
        }
    });
}

const std::vector<Pixel>& standardPalette16() {
    static const std::vector<Pixel> palette = {
        rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
        rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
        rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
        rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};
    return palette;
}

Bytes encodeIco4(const std::vector<Raster>& images) {
    const auto& palette = standardPalette16();
    std::vector<Bytes> blobs;
    for (const Raster& r : images) {
        const std::uint32_t xorStride = strideFor(r.width(), 4);
        const std::uint32_t andStride = strideFor(r.width(), 1);
        const std::uint32_t imageBytes = (xorStride + andStride) * std::uint32_t(r.height());
        Bytes b;
        putInfoHeader(b, r.width(), r.height() * 2, 4, imageBytes, 0);
        for (Pixel p : palette) put32(b, p & 0x00FFFFFFu);
        for (int y = r.height() - 1; y >= 0; --y) {
            Bytes row(xorStride, 0);
            for (int x = 0; x < r.width(); ++x) {
                const Pixel p = r.at(x, y);
                int index = 0;  // masked pixels are black, so the XOR leaves the screen as is
                if (p >> 24) {
                    auto it = std::find(palette.begin(), palette.end(), p | 0xFF000000u);
                    if (it == palette.end())
                        throw std::runtime_error("icon pixel is not a standard colour");
                    index = int(it - palette.begin());
                }
                row[std::size_t(x / 2)] |= std::uint8_t(index << ((x & 1) ? 0 : 4));
            }
            b.insert(b.end(), row.begin(), row.end());
        }
        for (int y = r.height() - 1; y >= 0; --y) {
            Bytes row(andStride, 0);
            for (int x = 0; x < r.width(); ++x)
                if ((r.at(x, y) >> 24) == 0)
                    row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x & 7));
            b.insert(b.end(), row.begin(), row.end());
        }
        blobs.push_back(std::move(b));
    }

    Bytes out;
    put16(out, 0);
    put16(out, 1);
    put16(out, unsigned(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(std::uint8_t(images[i].width() & 0xFF));
        out.push_back(std::uint8_t(images[i].height() & 0xFF));
        out.push_back(16);  // colours
        out.push_back(0);
        put16(out, 1);  // planes
        put16(out, 4);  // bits per pixel
        put32(out, std::uint32_t(blobs[i].size()));
        put32(out, offset);
        offset += std::uint32_t(blobs[i].size());
    }
    for (const Bytes& b : blobs) out.insert(out.end(), b.begin(), b.end());
    return out;
}

Bytes encodeJpeg(const Raster& r, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(r.width());
    cinfo.image_height = JDIMENSION(r.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int c = 0; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;  // dots per inch
    cinfo.X_density = 96;
    cinfo.Y_density = 96;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(r.width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < r.width(); ++x) {
            const Pixel p = r.at(x, y);
            row[std::size_t(x) * 3] = JSAMPLE(pixelRed(p));
            row[std::size_t(x) * 3 + 1] = JSAMPLE(pixelGreen(p));
            row[std::size_t(x) * 3 + 2] = JSAMPLE(pixelBlue(p));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    f.close();
    if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace tv::art
