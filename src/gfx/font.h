#pragma once
// Text measured and drawn with FreeType. A Font is one face set at one pixel size:
// the primary face and, character by character, the fallbacks (a Chinese face behind a
// Latin one). Faces are opened once by the FontEngine and glyphs are cached, so
// measuring and drawing allocate nothing once a text has been seen.

#include <memory>
#include <string>
#include <string_view>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/font_utf8.h"
#include "gfx/geometry.h"

namespace tv {

// A font as the layouts name it: face, character height in pixels (the positive value
// of the stored negative height) and weight.
struct FontSpec {
    std::string face;  // "MS Sans Serif", "宋体", ...
    int height = 11;
    bool bold = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

class Font {
  public:
    virtual ~Font() = default;
    // Height of one line (ascent + descent) and the baseline offset from the top.
    virtual int lineHeight() const = 0;
    virtual int ascent() const = 0;
    // Extent of the text drawn as one line; tabs expand to the next multiple of eight
    // average character widths. "&" is not interpreted here.
    virtual Size textExtent(std::string_view utf8) const = 0;
    int textWidth(std::string_view utf8) const { return textExtent(utf8).width; }
    // Width one code point adds to a line, for caret placement; a tab counts as one full
    // tab stop, as at the start of a line.
    virtual int advance(char32_t codePoint) const {
        char buffer[4];
        return textWidth(std::string_view(buffer, std::size_t(encodeUtf8(codePoint, buffer))));
    }
    // Draws one line with its top-left corner at (x, y), without a background.
    virtual void draw(Canvas& canvas, int x, int y, std::string_view utf8, Pixel color) const = 0;
};

class FontEngine {
  public:
    virtual ~FontEngine() = default;
    // The font for a spec; the engine keeps it alive for its own lifetime.
    virtual const Font& font(const FontSpec& spec) = 0;
    // The engine over FreeType and fontconfig, with the faces of this system.
    static std::unique_ptr<FontEngine> create();
};

}  // namespace tv
