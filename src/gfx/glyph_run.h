#pragma once
// Drawing one line of cached glyphs, the same walk for every font engine: a tab moves the
// pen to the next stop, a glyph is blitted only where it reaches into the clip, and the
// walk ends once nothing more of the line can.

#include <string_view>

#include "gfx/canvas.h"
#include "gfx/font_utf8.h"

namespace tv {

// `glyphOf(cp)` gives a record with width, rows, left, top (above the baseline) and
// advance; `nextTabStop(offset)` the offset from `x` of the next tab stop;
// `blit(glyph, gx, gy)` draws a glyph with its top-left corner at (gx, gy).
template <class GlyphOf, class NextTabStop, class Blit>
void drawGlyphRun(const Canvas& canvas, int x, int baseline, int lineHeight, std::string_view text,
                  GlyphOf&& glyphOf, NextTabStop&& nextTabStop, Blit&& blit) {
    if (canvas.clipEmpty() || text.empty()) return;
    const Rect clip = canvas.clip();
    // Glyphs overhang their pen position by a few pixels at most; past this margin nothing
    // more of the line can reach into the clip.
    const long long stopAt = static_cast<long long>(clip.right) + 2LL * lineHeight;
    long long pen = x;
    for (std::size_t pos = 0; pos < text.size() && pen <= stopAt;) {
        const char32_t cp = decodeUtf8(text, pos);
        if (cp == '\t') {
            pen = x + nextTabStop(pen - x);
            continue;
        }
        const auto& g = glyphOf(cp);
        if (g.width > 0) {
            const long long gx = pen + g.left;
            const long long gy = static_cast<long long>(baseline) - g.top;
            if (gx < clip.right && gx + g.width > clip.left && gy < clip.bottom &&
                gy + g.rows > clip.top)
                blit(g, int(gx), int(gy));
        }
        pen += g.advance;
    }
}

}  // namespace tv
