#pragma once
// Anti-aliased text for the logo and the title-bar preview.

#include <memory>
#include <string>

#include "raster.h"

namespace tv::art {

class FontLibrary {
  public:
    FontLibrary();
    ~FontLibrary();
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;

  private:
    friend class Font;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class Font {
  public:
    // `embolden` thickens the outlines by that many pixels; `preferredFamily` picks a face
    // of a collection whose family name contains it.
    Font(FontLibrary& lib, const std::string& path, int pixelSize, double embolden,
         const std::string& preferredFamily);
    ~Font();

    int ascent() const;
    // Draws UTF-8 text with its baseline at `baseline`, returning the advance; with a null
    // target it only measures.
    int draw(Raster* target, const std::string& text, int x, int baseline, Pixel color,
             int letterSpacing) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tv::art
