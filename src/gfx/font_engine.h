#pragma once
// The font engine over FreeType. The faces of the classic look are opened straight from
// their files (fontconfig's configuration load would cost more than all the rest of the
// text set-up); fontconfig is asked only for a face that is missing, a face name this
// system does not know, or a character none of its faces has.
//
//   "宋体" / "SimSun"   the Song face: AR PL UMing CN, its embedded 12- and 13-pixel
//                       strikes black and white, on a character grid: ideographs as
//                       wide as the height, Latin half of it rounded up (6 at 12, 7 at
//                       13), narrow letters centred in their cells, the ellipsis three
//                       separate dots; line height = pixel height; bold synthesised one
//                       pixel wide.
//                       Without it: the same family through fontconfig, then the bitmap
//                       WenQuanYi Song (its ideographs on the grid, its Latin as drawn).
//   "MS Sans Serif"     at 11 pixels the 100-dpi Helvetica bitmap, black and white, line
//                       13 (ascent 11 + descent 2); other sizes, or without the bitmap,
//                       a scalable sans in black and white. Chinese from the Song face at
//                       12 pixels, on the same baseline.
//   anything else       fontconfig's choice for the name, greyscale anti-aliased.
//
// Characters a face lacks come from the Song face, then from any face fontconfig finds,
// then a hollow box. The engine and its fonts belong to the one UI thread.

#include <memory>
#include <string>
#include <vector>

#include "gfx/font.h"

namespace tv {

class FontFaces;
class FtFont;

// Where the engine looks for faces before it asks fontconfig. The defaults are the
// Debian paths; tests point them elsewhere to exercise the fallbacks.
struct FontFiles {
    // The Song face: collections searched for the face of songFamily.
    std::vector<std::string> song{"/usr/share/fonts/truetype/arphic/uming.ttc"};
    std::string songFamily{"AR PL UMing CN"};
    // Folders holding the bitmap Song (wenquanyi_*.pcf), one file per pixel size.
    std::vector<std::string> bitmapSongFolders{"/usr/share/fonts/X11/misc"};
    // The form face at formPixelHeight (bitmap-only faces are hidden from fontconfig, so
    // they are only ever found by path).
    std::vector<std::string> form{"/usr/share/fonts/X11/100dpi/helvR08.pcf.gz",
                                  "/usr/share/fonts/X11/100dpi/helvR08-ISO8859-1.pcf.gz"};
    std::vector<std::string> formBold{"/usr/share/fonts/X11/100dpi/helvB08.pcf.gz",
                                      "/usr/share/fonts/X11/100dpi/helvB08-ISO8859-1.pcf.gz"};
    int formPixelHeight = 11;
    // Scalable sans faces: the form font at other sizes or without its bitmap, and the
    // last resort for a name fontconfig cannot resolve.
    std::vector<std::string> sans{
        "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
    std::vector<std::string> sansBold{
        "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
    // Off: never load fontconfig (missing faces and characters go straight to the
    // fallbacks above and the replacement box).
    bool useFontconfig = true;
};

// How a font was resolved; for tests and diagnostics.
struct FontInfo {
    std::string file;  // the primary face's file; empty when no face could be opened
    int faceIndex = 0;
    int pixelHeight = 0;  // the size the primary face draws at
    bool mono = false;    // black and white, no grey levels
    bool syntheticBold = false;
    int ascent = 0;
    int descent = 0;
    int averageCharWidth = 0;  // the unit of tab stops (eight of them)
    std::string fallbackFile;  // the Song face behind the primary one, if any
    int fallbackPixelHeight = 0;
};

// Where one character of a font comes from.
struct GlyphSource {
    std::string file;  // empty for the replacement box and zero-width controls
    int faceIndex = 0;
    int pixelHeight = 0;
    bool mono = false;
    bool replacement = false;
    int advance = 0;
};

class FreeTypeFontEngine final : public FontEngine {
  public:
    explicit FreeTypeFontEngine(FontFiles files = FontFiles());
    ~FreeTypeFontEngine() override;
    FreeTypeFontEngine(const FreeTypeFontEngine&) = delete;
    FreeTypeFontEngine& operator=(const FreeTypeFontEngine&) = delete;

    // Heights are taken as magnitudes (a stored -12 is 12); 0 means the form font's 11;
    // heights above 512 are held at 512. An empty face name is the form face.
    const Font& font(const FontSpec& spec) override;

    FontInfo info(const FontSpec& spec);
    GlyphSource glyphSource(const FontSpec& spec, char32_t cp);
    // Whether fontconfig has been loaded so far (it is loaded only when needed).
    bool fontconfigLoaded() const;

  private:
    std::unique_ptr<FontFaces> faces_;
    std::vector<std::unique_ptr<FtFont>> fonts_;
};

}  // namespace tv
