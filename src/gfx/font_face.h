#pragma once
// One FreeType face opened from a file, and the glyph bitmaps it renders into a font's
// store. Internal to the font engine: nothing outside src/gfx/font_* includes this.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace tv {

class FtFace;

// A glyph as a font keeps it: the coverage bits lie in the font's byte store at offset,
// rows of pitch bytes, 1 bit per pixel (mono) or 1 byte per pixel; left/top place the
// bitmap relative to the pen on the baseline (top counts upwards).
struct GlyphEntry {
    std::uint32_t offset = 0;
    std::uint16_t width = 0;
    std::uint16_t rows = 0;
    std::uint16_t pitch = 0;
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int32_t advance = 0;
    bool mono = true;
    bool loaded = false;
    bool replacement = false;
    const FtFace* face = nullptr;  // the face it came from; null for boxes and controls
    int pixelHeight = 0;           // the size it was rendered at
};

class FtFace {
  public:
    // Opens face `index` of a font file; null when the file is missing or not a font.
    static std::unique_ptr<FtFace> open(FT_Library library, const std::string& file, int index);
    ~FtFace();
    FtFace(const FtFace&) = delete;
    FtFace& operator=(const FtFace&) = delete;

    const std::string& file() const { return file_; }
    int index() const { return index_; }
    int faceCount() const { return int(face_->num_faces); }
    std::string_view family() const;
    bool isBold() const { return (face_->style_flags & FT_STYLE_FLAG_BOLD) != 0; }
    bool scalable() const { return FT_IS_SCALABLE(face_); }
    bool hasChar(char32_t cp) const { return FT_Get_Char_Index(face_, cp) != 0; }
    // True when the face carries an embedded bitmap strike of exactly this pixel height.
    bool hasStrike(int pixelHeight) const;
    // The pixel height a request for pixelHeight is drawn at: the request itself for
    // scalable faces and exact strikes, else the nearest strike (the smaller on a tie, so
    // the glyphs stay inside the line); 0 when the face has no size at all.
    int drawableHeight(int pixelHeight) const;
    // Ascent and descent in pixels at a pixel height, from the face's own size metrics.
    struct VMetrics {
        int ascent = 0;
        int descent = 0;
    };
    VMetrics metrics(int pixelHeight);
    // The advance of cp at pixelHeight in whole pixels, 0 when the face lacks it.
    int advanceOf(char32_t cp, int pixelHeight);
    // Whether the Latin letters, digits and space all advance alike at this size, as on
    // a character grid.
    bool monospacedLatin(int pixelHeight);
    // Renders cp at pixelHeight, appends its coverage to store and fills out. Embedded
    // strikes are used where the size has one. With mono the result is 1 bit per pixel
    // (grey sources are thresholded); embolden widens the bitmap and the advance by one
    // pixel, the way bold is synthesised for faces without a bold design. False when the
    // face has no glyph for cp or FreeType cannot render it.
    bool render(char32_t cp, int pixelHeight, bool mono, bool embolden,
                std::vector<std::uint8_t>& store, GlyphEntry& out);

  private:
    FtFace(FT_Face face, std::string file, int index);
    bool applySize(int pixelHeight);
    int nearestStrike(int pixelHeight) const;

    FT_Face face_;
    std::string file_;
    int index_;
    // The file is read through this stream, piece by piece, instead of being mapped: a
    // mapped 20 MB font collection would count every page FreeType touches as the
    // program's own memory.
    std::unique_ptr<FT_StreamRec> stream_;
    int currentHeight_ = 0;  // the size last applied, to skip redundant size changes
};

// The columns of a glyph's bitmap that hold ink: the first, and how many from there to
// the last (0 when the glyph is blank).
struct InkColumns {
    int first = 0;
    int count = 0;
};
InkColumns inkColumns(const GlyphEntry& g, const std::vector<std::uint8_t>& store);

// Replaces a glyph's bitmap with `dots` one-pixel dots `step` apart (two pixels wide with
// embolden) on the glyph's first row, the first at `left`; face and advance stay.
void makeDots(int dots, int step, int left, bool embolden, std::vector<std::uint8_t>& store,
              GlyphEntry& g);

// Appends a hollow box, the glyph shown for a character that no face has.
void makeReplacementBox(int ascent, int lineHeight, bool embolden, std::vector<std::uint8_t>& store,
                        GlyphEntry& out);

}  // namespace tv
