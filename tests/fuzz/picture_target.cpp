#include "fuzz/targets.h"
#include "gfx/picture.h"

namespace tv::fuzz {
namespace {

// A picture a loader hands out must be safe to draw: every image has pixels for its
// whole area, so bottomLeft() and at() stay inside.
std::string checkWhole(const Picture& p, const char* loader) {
    if (p.images.empty()) return std::string(loader) + ": a picture without images";
    for (const Image& img : p.images) {
        if (img.width <= 0 || img.height <= 0)
            return std::string(loader) + ": an image of size " + std::to_string(img.width) + "x" +
                   std::to_string(img.height);
        if (img.pixels.size() != std::size_t(img.width) * std::size_t(img.height))
            return std::string(loader) + ": the pixel count does not match the size";
    }
    if (p.kind == Picture::Kind::Icon) (void)p.iconImageFor(32);
    return "";
}

template <class Loader>
std::string tryLoader(Loader&& load, Input bytes, const char* name) {
    try {
        return checkWhole(load(bytes), name);
    } catch (const PictureError& e) {
        if (std::string_view(e.what()).empty()) return std::string(name) + ": an empty error";
        return "";
    } catch (const std::exception& e) {
        return std::string(name) + ": unexpected exception: " + e.what();
    }
}

}  // namespace

std::string pictureInput(Input bytes) {
    for (auto [load, name] :
         {std::pair{&loadBmp, "loadBmp"}, std::pair{&loadIcon, "loadIcon"},
          std::pair{&loadJpeg, "loadJpeg"}, std::pair{&loadPicture, "loadPicture"}}) {
        std::string fault = tryLoader(load, bytes, name);
        if (!fault.empty()) return fault;
    }
    return "";
}

}  // namespace tv::fuzz
