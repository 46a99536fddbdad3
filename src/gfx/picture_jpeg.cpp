#include <csetjmp>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "gfx/picture.h"
#include "gfx/picture_dib.h"

namespace tv {

namespace {

// The decoder's state lives here, outside the function that calls setjmp, so nothing that
// function changes after setjmp has to survive the longjmp in a register.
struct JpegDecoder {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    std::vector<JSAMPLE> row;
    Image image;
    bool created = false;

    ~JpegDecoder() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

// The library's default handler ends the process; ours returns to decode().
[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<JpegDecoder*>(cinfo->client_data);
    (*cinfo->err->format_message)(cinfo, d->message);
    std::longjmp(d->jump, 1);
}

// Warnings (level -1) mean damaged data, which the library would paper over with grey
// rows, for example at a truncated end. A damaged logo is an error like any other.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0) onError(cinfo);
}

// Returns false with d.message set when the library reports an error. Only plain C data
// and the members of d are touched between setjmp and a possible longjmp.
bool decode(JpegDecoder& d, std::span<const std::uint8_t> bytes) {
    d.cinfo.err = jpeg_std_error(&d.err);
    d.err.error_exit = onError;
    d.err.emit_message = onMessage;
    d.cinfo.client_data = &d;
    if (setjmp(d.jump) != 0) return false;

    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    // Caps the library's own working memory (coefficient buffers of progressive files).
    d.cinfo.mem->max_memory_to_use = 256L * 1024 * 1024;
    jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.cinfo, TRUE);

    const int components = d.cinfo.num_components;
    if (components != 1 && components != 3) {
        std::snprintf(d.message, sizeof d.message, "%d colour components are not supported",
                      components);
        return false;
    }
    if (d.cinfo.image_width > unsigned(picture_detail::kMaxSide) ||
        d.cinfo.image_height > unsigned(picture_detail::kMaxSide) ||
        std::uint64_t(d.cinfo.image_width) * d.cinfo.image_height > picture_detail::kMaxPixels) {
        std::snprintf(d.message, sizeof d.message, "size %u x %u is larger than supported",
                      d.cinfo.image_width, d.cinfo.image_height);
        return false;
    }
    d.cinfo.out_color_space = JCS_RGB;  // grayscale is widened to RGB by the library
    jpeg_start_decompress(&d.cinfo);

    const int w = int(d.cinfo.output_width), h = int(d.cinfo.output_height);
    d.image.width = w;
    d.image.height = h;
    d.image.bitsPerPixel = 8 * components;
    d.image.paletteSize = 0;
    d.image.pixels.resize(std::size_t(w) * std::size_t(h));
    d.row.resize(std::size_t(w) * 3);
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int y = int(d.cinfo.output_scanline);
        JSAMPROW rows[1] = {d.row.data()};
        if (jpeg_read_scanlines(&d.cinfo, rows, 1) != 1) {
            std::snprintf(d.message, sizeof d.message, "no data for row %d", y);
            return false;
        }
        Pixel* dst = &d.image.pixels[std::size_t(y) * std::size_t(w)];
        const JSAMPLE* s = d.row.data();
        for (int x = 0; x < w; ++x, s += 3) dst[x] = rgb(s[0], s[1], s[2]);
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

}  // namespace

Picture loadJpeg(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        throw PictureError("JPEG: not a JPEG file (no start-of-image marker)");
    JpegDecoder d;
    if (!decode(d, bytes)) throw PictureError(std::string("JPEG: ") + d.message);
    Picture pic;
    pic.kind = Picture::Kind::Jpeg;
    pic.images.push_back(std::move(d.image));
    return pic;
}

}  // namespace tv
