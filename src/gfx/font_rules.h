#pragma once
// Rules every font engine follows, whatever draws the glyphs: which of the classic faces a
// name means, what a stored height becomes, and which characters take no room.

#include <algorithm>
#include <climits>
#include <string_view>

namespace tv::font_rules {

constexpr int kMaxPixelHeight = 512;
// Chinese text is never drawn smaller than this: the Song strikes start to lose strokes
// below 12 pixels, which is why the classic system links its 8-point Latin face to a
// 9-point Song.
constexpr int kMinFallbackHeight = 12;

enum class FaceKind { Song, Form, Other };

// Face names compare without regard to ASCII letter case, as the classic system's do.
inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

inline FaceKind kindOf(std::string_view face) {
    if (face == "宋体" || sameName(face, "SimSun")) return FaceKind::Song;
    if (face.empty() || sameName(face, "MS Sans Serif")) return FaceKind::Form;
    return FaceKind::Other;
}

// Stored heights are negative character heights; 0 means the form font's 11.
inline int normalizedHeight(int height) {
    if (height == 0) return 11;
    if (height < 0) height = height == INT_MIN ? INT_MAX : -height;
    return std::min(height, kMaxPixelHeight);
}

// Controls have no glyph: they take no room and draw nothing (tabs are handled apart).
inline bool isControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

// Invisible formatting characters: when no face has a glyph for them they take no room,
// rather than sending the engine looking further or drawing a box.
inline bool isFormatCharacter(char32_t cp) {
    return (cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E) ||
           (cp >= 0x2060 && cp <= 0x206F) || (cp >= 0xFE00 && cp <= 0xFE0F) || cp == 0xFEFF;
}

// Where the ink of a glyph put in a grid cell starts: ink narrower than the cell is
// centred in it, the odd pixel going to the right, as the classic face draws its narrow
// letters; ink that fills the cell keeps the face's own place (inkLeft).
inline int inkLeftInCell(int cell, int inkLeft, int inkWidth) {
    return inkWidth < cell ? (cell - inkWidth) / 2 : inkLeft;
}

// The horizontal ellipsis on the grid is three one-pixel dots a third of the height
// apart, centred in the full-width cell: the classic face's dots stay apart in bold too.
constexpr char32_t kEllipsis = U'\u2026';
inline int ellipsisDotStep(int gridHeight) {
    return std::max(2, gridHeight / 3);
}

}  // namespace tv::font_rules
