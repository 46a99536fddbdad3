#pragma once
// The font engine of the Windows build: text through GDI with the system's own faces,
// behind the same Font interface as the FreeType engine of the Linux build, so widgets
// measure and draw the same way on both.
//
//   "宋体" / "SimSun"   requested as 宋体 with the GB2312 character set (where no face of
//                       that name exists, as under Wine, GDI gives the system's Chinese
//                       face); on the classic character grid: ideographs as wide as the
//                       height, Latin half of it rounded up; line height = pixel height.
//   "MS Sans Serif"     requested with the ANSI character set, so a Chinese system does
//                       not swap in its Chinese face; the classic figures whatever face
//                       GDI gives: 11 pixels make a 13-pixel line (ascent 11 + descent 2).
//   anything else       GDI's choice for the name and its own metrics, anti-aliased.
//
// The two classic faces are drawn black and white (no smoothing), as on the classic
// system. A character the face lacks comes from the Song face (at 12 pixels at least) on
// the same baseline, then a hollow box.
//
// Each glyph is drawn once with ExtTextOutW into a DIB section, white on black, and kept
// as a coverage mask; measuring and drawing a text already seen call no GDI function and
// allocate nothing. The engine and its fonts belong to the one UI thread.

#include <memory>
#include <string>

#include "gfx/font.h"

namespace tv {

// Where one character of a font comes from.
enum class GdiGlyphSource { None, Primary, Song, Replacement };

class GdiFontEngine final : public FontEngine {
  public:
    GdiFontEngine();
    ~GdiFontEngine() override;
    GdiFontEngine(const GdiFontEngine&) = delete;
    GdiFontEngine& operator=(const GdiFontEngine&) = delete;

    // Heights are taken as magnitudes (a stored -12 is 12); 0 means the form font's 11;
    // heights above 512 are held at 512. An empty face name is the form face.
    const Font& font(const FontSpec& spec) override;

    // The face GDI gave for a spec, and the one behind it for missing characters (empty
    // when the asked face is the Song face itself); for tests and diagnostics.
    std::string faceName(const FontSpec& spec);
    std::string fallbackFaceName(const FontSpec& spec);
    GdiGlyphSource glyphSource(const FontSpec& spec, char32_t cp);

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace tv
