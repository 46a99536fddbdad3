#include "iconpng/icon_renditions.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "gfx/color.h"

namespace tv::iconpng {

const Image* imageOfSize(const Picture& icon, int size) {
    const Image* best = nullptr;
    for (const Image& img : icon.images) {
        if (img.width != size || img.height != size) continue;
        if (!best || img.bitsPerPixel > best->bitsPerPixel) best = &img;
    }
    return best;
}

void saveRgbaPng(const std::string& path, const Image& image) {
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != count)
        throw std::runtime_error("cannot save '" + path + "': invalid image");

    std::vector<std::uint8_t> rgba(count * 4);
    std::uint8_t* out = rgba.data();
    for (Pixel p : image.pixels) {
        const int a = pixelAlpha(p);
        *out++ = std::uint8_t(a == 0 ? 0 : pixelRed(p));
        *out++ = std::uint8_t(a == 0 ? 0 : pixelGreen(p));
        *out++ = std::uint8_t(a == 0 ? 0 : pixelBlue(p));
        *out++ = std::uint8_t(a);
    }

    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGBA;

    // An interrupted build must not leave a truncated PNG under the final name, where
    // the next build would take it for up to date and install it.
    const std::string temporary = path + ".part";
    const bool written =
        png_image_write_to_file(&png, temporary.c_str(), 0, rgba.data(), 0, nullptr) != 0;
    const std::string message = written ? "" : png.message;
    png_image_free(&png);
    if (!written) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot save '" + path + "': " + message);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot save '" + path + "': " + reason);
    }
}

std::vector<std::string> writeRenditions(std::span<const std::uint8_t> icoBytes,
                                         const std::string& outDir, std::string_view name) {
    const Picture icon = loadIcon(icoBytes);

    // Every size is found before anything is written, so a short icon leaves the folder
    // as it was.
    std::vector<const Image*> chosen;
    std::string missing;
    for (int size : kSizes) {
        const Image* img = imageOfSize(icon, size);
        if (!img)
            missing +=
                (missing.empty() ? "" : ", ") + std::to_string(size) + "x" + std::to_string(size);
        chosen.push_back(img);
    }
    if (!missing.empty()) throw std::runtime_error("the icon has no " + missing + " image");

    std::vector<std::string> written;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const std::string size = std::to_string(kSizes[i]);
        const std::filesystem::path dir =
            std::filesystem::path(outDir) / (size + "x" + size) / "apps";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) throw std::runtime_error("cannot create '" + dir.string() + "': " + ec.message());
        const std::string path = (dir / (std::string(name) + ".png")).string();
        saveRgbaPng(path, *chosen[i]);
        written.push_back(path);
    }
    return written;
}

}  // namespace tv::iconpng
