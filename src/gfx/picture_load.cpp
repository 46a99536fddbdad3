#include "gfx/picture.h"

namespace tv {

Picture loadPicture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return loadBmp(bytes);
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return loadJpeg(bytes);
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0)
        return loadIcon(bytes);
    throw PictureError(bytes.empty() ? "picture: the file is empty"
                                     : "picture: unrecognised format (not BMP, JPEG or icon)");
}

}  // namespace tv
