#pragma once
// Face look-ups through fontconfig, loaded only on the first question: its configuration
// load costs more than the rest of the text set-up together, and the faces this program
// draws with are normally opened straight from their files.

#include <optional>
#include <string>
#include <string_view>

#include <fontconfig/fontconfig.h>

namespace tv {

struct FaceLocation {
    std::string file;
    int index = 0;
};

class Fontconfig {
  public:
    Fontconfig() = default;
    ~Fontconfig();
    Fontconfig(const Fontconfig&) = delete;
    Fontconfig& operator=(const Fontconfig&) = delete;

    bool loaded() const { return config_ != nullptr; }

    // The face fontconfig picks for a family name at a pixel size. With exactFamily only
    // a face of that very family is accepted, not a substitute (for a face we know by
    // name and want as it is, or not at all).
    std::optional<FaceLocation> matchFamily(std::string_view family, int pixelHeight, bool bold,
                                            bool exactFamily);
    // Some face that has a glyph for cp, or nothing.
    std::optional<FaceLocation> matchCharacter(char32_t cp, int pixelHeight);

  private:
    bool ensureLoaded();

    FcConfig* config_ = nullptr;
    bool failed_ = false;
};

}  // namespace tv
