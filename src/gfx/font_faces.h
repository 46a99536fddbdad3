#pragma once
// The engine's registry of open faces: which file serves the Song face, the form face
// and the sans face, and which face has a character none of them has. Every face is
// opened at most once and lives as long as the engine; failed look-ups are remembered
// too, so a missing file or an uncovered character costs its search only once.
// Internal to the font engine.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gfx/font_engine.h"
#include "gfx/font_face.h"
#include "gfx/font_fontconfig.h"

namespace tv {

class FontFaces {
  public:
    explicit FontFaces(FontFiles files);
    ~FontFaces();
    FontFaces(const FontFaces&) = delete;
    FontFaces& operator=(const FontFaces&) = delete;

    const FontFiles& files() const { return files_; }
    bool fontconfigLoaded() const { return fontconfig_.loaded(); }

    // The Song face to draw pixelHeight with: the outline collection with its strikes
    // when there is one (one face for every size), else the bitmap Song file nearest in
    // size. Null when neither exists.
    FtFace* song(int pixelHeight);
    // The bitmap form face; null when its files are missing.
    FtFace* form(bool bold);
    // A scalable sans face: the files first, then fontconfig. Null when there is none.
    FtFace* sans(bool bold);
    // Any other family, through fontconfig (and its substitutions). Null when fontconfig
    // is off or offers nothing.
    FtFace* family(std::string_view name, int pixelHeight, bool bold);
    // A face that has cp, through fontconfig; null when no face has it.
    FtFace* forCharacter(char32_t cp, int pixelHeight);

  private:
    FtFace* openFile(const std::string& file, int index);
    // The face of a collection whose family is `family`, or null.
    FtFace* openFamily(const std::string& file, std::string_view family);
    FtFace* firstOpen(const std::vector<std::string>& files);
    FtFace* bitmapSong(int pixelHeight);
    Fontconfig* fontconfig() { return files_.useFontconfig ? &fontconfig_ : nullptr; }

    struct Opened {
        std::string file;
        int index;
        FtFace* face;  // null: opening failed
    };
    struct Family {
        std::string name;
        bool bold;
        FtFace* face;
    };

    FontFiles files_;
    FT_Library library_ = nullptr;
    std::vector<std::unique_ptr<FtFace>> faces_;
    std::vector<Opened> opened_;
    Fontconfig fontconfig_;
    bool songSearched_ = false;
    FtFace* song_ = nullptr;
    bool bitmapSongsSearched_ = false;
    std::vector<FtFace*> bitmapSongs_;
    std::optional<FtFace*> form_[2];
    std::optional<FtFace*> sans_[2];
    std::vector<Family> families_;
    std::unordered_map<char32_t, FtFace*> byCharacter_;
};

}  // namespace tv
