// tolvane-iconpng ICO OUTDIR: writes the application icon's 16, 32 and 48 pixel images as
// OUTDIR/<n>x<n>/apps/tolvane.png, the layout of a hicolor icon theme, for installation.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "iconpng/icon_renditions.h"

namespace {

// An icon is a few kilobytes; anything this large is not one and is not read into memory.
constexpr std::streamoff kMaxIconBytes = 16 << 20;

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("cannot open '" + path + "'");
    const std::streamoff size = in.tellg();
    if (size < 0) throw std::runtime_error("cannot read '" + path + "'");
    if (size > kMaxIconBytes) throw std::runtime_error("'" + path + "' is too large for an icon");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw std::runtime_error("cannot read '" + path + "'");
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: tolvane-iconpng ICO OUTDIR\n", stderr);
        return 2;
    }
    const std::string ico = argv[1];
    try {
        const std::vector<std::uint8_t> bytes = readFile(ico);
        try {
            tv::iconpng::writeRenditions(bytes, argv[2]);
        } catch (const tv::PictureError& e) {
            throw std::runtime_error("'" + ico + "': " + e.what());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane-iconpng: %s\n", e.what());
        return 1;
    }
    return 0;
}
