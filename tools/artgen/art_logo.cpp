// The logo: the Chinese name over the English name, anti-aliased with FreeType, and a
// small orange emblem before the first line.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "artwork.h"
#include "text.h"

namespace tv::art {

namespace {

void check(FT_Error e, const char* what) {
    if (e != 0) throw std::runtime_error(std::string("FreeType: ") + what + " failed");
}

}  // namespace

struct FontLibrary::Impl {
    FT_Library lib = nullptr;
    ~Impl() {
        if (lib) FT_Done_FreeType(lib);
    }
};

struct Font::Impl {
    FT_Face face = nullptr;
    double embolden = 0;
    ~Impl() {
        if (face) FT_Done_Face(face);
    }
};

FontLibrary::FontLibrary() : impl_(std::make_unique<Impl>()) {
    check(FT_Init_FreeType(&impl_->lib), "initialisation");
}
FontLibrary::~FontLibrary() = default;

Font::Font(FontLibrary& lib, const std::string& path, int pixelSize, double embolden,
           const std::string& preferredFamily)
    : impl_(std::make_unique<Impl>()) {
    // A collection holds several faces; take the one whose family names the wanted
    // variant (the simplified-Chinese face of a collection), else the first.
    FT_Face probe = nullptr;
    check(FT_New_Face(lib.impl_->lib, path.c_str(), -1, &probe), ("opening " + path).c_str());
    const long faces = probe->num_faces;
    FT_Done_Face(probe);
    long chosen = 0;
    for (long i = 0; i < faces && !preferredFamily.empty(); ++i) {
        FT_Face f = nullptr;
        if (FT_New_Face(lib.impl_->lib, path.c_str(), i, &f) != 0) continue;
        const bool match = f->family_name &&
                           std::string(f->family_name).find(preferredFamily) != std::string::npos;
        FT_Done_Face(f);
        if (match) {
            chosen = i;
            break;
        }
    }
    check(FT_New_Face(lib.impl_->lib, path.c_str(), chosen, &impl_->face),
          ("opening " + path).c_str());
    check(FT_Set_Pixel_Sizes(impl_->face, 0, FT_UInt(pixelSize)), "setting the size");
    impl_->embolden = embolden;
}
Font::~Font() = default;

int Font::ascent() const {
    return int(impl_->face->size->metrics.ascender >> 6);
}

namespace {

// Walks the code points of a UTF-8 string; the generator's strings are literals.
template <typename F>
void forEachCodePoint(const std::string& s, F f) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int n;
        if (c < 0x80) {
            cp = c;
            n = 1;
        } else if ((c >> 5) == 6) {
            cp = c & 0x1F;
            n = 2;
        } else if ((c >> 4) == 14) {
            cp = c & 0x0F;
            n = 3;
        } else {
            cp = c & 0x07;
            n = 4;
        }
        for (int k = 1; k < n && i + std::size_t(k) < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + std::size_t(k)]) & 0x3F);
        f(cp);
        i += std::size_t(n);
    }
}

}  // namespace

int Font::draw(Raster* target, const std::string& text, int x, int baseline, Pixel color,
               int letterSpacing) const {
    FT_Face face = impl_->face;
    int pen = x;
    bool first = true;
    forEachCodePoint(text, [&](char32_t cp) {
        if (!first) pen += letterSpacing;
        first = false;
        // Outlines only: the Chinese face also carries bitmap strikes, which would bypass
        // both the anti-aliasing and the emboldening.
        check(FT_Load_Char(face, FT_ULong(cp), FT_LOAD_NO_BITMAP), "loading a glyph");
        FT_GlyphSlot slot = face->glyph;
        const int extra = int(std::lround(impl_->embolden));
        if (impl_->embolden > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_Embolden(&slot->outline, FT_Pos(impl_->embolden * 64));
        check(FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL), "rendering a glyph");
        if (target) {
            const FT_Bitmap& bm = slot->bitmap;
            for (unsigned row = 0; row < bm.rows; ++row)
                for (unsigned col = 0; col < bm.width; ++col) {
                    const int a = bm.buffer[row * unsigned(bm.pitch) + col];
                    target->blend(pen + slot->bitmap_left + int(col),
                                  baseline - slot->bitmap_top + int(row), color, a / 255.0);
                }
        }
        pen += int(slot->advance.x >> 6) + extra;
    });
    return pen - x;
}

Raster logo(const std::string& chineseFont, const std::string& latinFont) {
    Raster r(116, 38, rgb(255, 255, 255));
    FontLibrary lib;
    const Font chinese(lib, chineseFont, 17, 0.7, "CN");
    const Font latin(lib, latinFont, 17, 0, "");

    const std::string cn = "\u6258\u5c14\u4e07";  // the Chinese name
    const std::string en = "Tolvane";
    const int emblem = 13, gap = 4;
    const int cnWidth = chinese.draw(nullptr, cn, 0, 0, 0, 2);
    const int enWidth = latin.draw(nullptr, en, 0, 0, 0, 0);

    // First line: emblem and Chinese name, centred as a pair.
    const int line1 = emblem + gap + cnWidth;
    const int x1 = (r.width() - line1) / 2;
    const double ex = x1 + emblem / 2.0, ey = 9.5;
    r.paint(disc(ex, ey, emblem / 2.0), rgb(176, 72, 0), 6);
    r.paint(disc(ex, ey, emblem / 2.0 - 1), rgb(255, 140, 0), 6);
    r.paint(disc(ex - 1.5, ey - 1.5, 2.6), rgb(255, 214, 140), 6);
    r.paint(ring(ex, ey, 4.2, 2.9), rgb(255, 255, 255), 6);
    chinese.draw(&r, cn, x1 + emblem + gap, 16, rgb(0, 51, 153), 2);

    // Second line: the English name, centred.
    latin.draw(&r, en, (r.width() - enWidth) / 2, 34, rgb(204, 0, 0), 0);
    return r;
}

}  // namespace tv::art
