#include "gfx/font_fontconfig.h"

#include <strings.h>

#include <string>

namespace tv {

namespace {

// Owns a pattern for the length of one look-up.
class Pattern {
  public:
    explicit Pattern(FcPattern* p) : p_(p) {}
    ~Pattern() {
        if (p_ != nullptr) FcPatternDestroy(p_);
    }
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;
    FcPattern* get() const { return p_; }

  private:
    FcPattern* p_;
};

std::optional<FaceLocation> locationOf(const FcPattern* match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) {
        return std::nullopt;
    }
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    return FaceLocation{reinterpret_cast<const char*>(file), index};
}

bool hasFamily(const FcPattern* match, const std::string& family) {
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(match, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
        if (name != nullptr &&
            strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Fontconfig::~Fontconfig() {
    if (config_ != nullptr) FcConfigDestroy(config_);
}

bool Fontconfig::ensureLoaded() {
    if (config_ != nullptr) return true;
    if (failed_) return false;
    config_ = FcInitLoadConfigAndFonts();
    failed_ = config_ == nullptr;
    return !failed_;
}

std::optional<FaceLocation> Fontconfig::matchFamily(std::string_view family, int pixelHeight,
                                                    bool bold, bool exactFamily) {
    if (family.empty() || !ensureLoaded()) return std::nullopt;
    const std::string name(family);
    Pattern pattern(FcPatternCreate());
    if (pattern.get() == nullptr) return std::nullopt;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddDouble(pattern.get(), FC_PIXEL_SIZE, double(pixelHeight));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    if (!FcConfigSubstitute(config_, pattern.get(), FcMatchPattern)) return std::nullopt;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(config_, pattern.get(), &result));
    if (match.get() == nullptr) return std::nullopt;
    if (exactFamily && !hasFamily(match.get(), name)) return std::nullopt;
    return locationOf(match.get());
}

std::optional<FaceLocation> Fontconfig::matchCharacter(char32_t cp, int pixelHeight) {
    if (!ensureLoaded()) return std::nullopt;
    Pattern pattern(FcPatternCreate());
    FcCharSet* wanted = FcCharSetCreate();
    if (pattern.get() == nullptr || wanted == nullptr) {
        if (wanted != nullptr) FcCharSetDestroy(wanted);
        return std::nullopt;
    }
    FcCharSetAddChar(wanted, FcChar32(cp));
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted);  // the pattern takes its own reference
    FcCharSetDestroy(wanted);
    FcPatternAddDouble(pattern.get(), FC_PIXEL_SIZE, double(pixelHeight));
    if (!FcConfigSubstitute(config_, pattern.get(), FcMatchPattern)) return std::nullopt;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(config_, pattern.get(), &result));
    if (match.get() == nullptr) return std::nullopt;
    // The best match is not always a face that has the character: coverage is only one
    // of the criteria, and when nothing covers it the closest face still comes back.
    FcCharSet* covered = nullptr;
    if (FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &covered) != FcResultMatch ||
        covered == nullptr || !FcCharSetHasChar(covered, FcChar32(cp))) {
        return std::nullopt;
    }
    return locationOf(match.get());
}

}  // namespace tv
