#include "gfx/font_engine.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "gfx/font_face.h"
#include "gfx/font_faces.h"
#include "gfx/font_rules.h"
#include "gfx/font_utf8.h"
#include "gfx/glyph_run.h"

namespace tv {

namespace {

using namespace font_rules;

int clampToInt(long long v) {
    return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}  // namespace

// A face drawn at one size in one mode.
struct FaceSlot {
    FtFace* face = nullptr;
    int pixelHeight = 0;
    bool mono = true;
    bool embolden = false;
    // The Song face is drawn on the classic character grid of this height: full-width
    // characters advance by the height, half-width ones by half of it rounded up (the
    // strikes give 6 at 13 pixels, where the classic face has 7: the layout's ">>" in the
    // bold 13-pixel font is 16 wide). 0: the face's own advances.
    int gridHeight = 0;
    // A face whose Latin is proportional (the bitmap Song) keeps its own half-width
    // advances; only glyphs as wide as its ideographs (fullWidth) go on the grid.
    bool monospacedLatin = false;
    int fullWidth = 0;
};

struct FontSetup {
    FaceSlot primary;
    FaceSlot song;  // empty when the primary face is the Song face
    int ascent = 0;
    int descent = 0;
    bool bold = false;
    bool mono = true;        // the mode for glyphs from faces found per character
    int fallbackHeight = 0;  // the size Chinese and other fallback glyphs are drawn at
};

class FtFont final : public Font {
  public:
    FtFont(FontFaces& faces, FontSpec spec, const FontSetup& setup)
        : faces_(faces), spec_(std::move(spec)), setup_(setup) {
        // The layouts' texts are a few hundred distinct characters; room for them up
        // front keeps the first paints from rehashing.
        others_.reserve(256);
        store_.reserve(16 * 1024);
    }

    int lineHeight() const override { return setup_.ascent + setup_.descent; }
    int ascent() const override { return setup_.ascent; }

    Size textExtent(std::string_view text) const override {
        long long pen = 0;
        for (std::size_t pos = 0; pos < text.size();) {
            const char32_t cp = decodeUtf8(text, pos);
            pen = cp == '\t' ? nextTabStop(pen) : pen + glyph(cp).advance;
        }
        return {clampToInt(pen), lineHeight()};
    }

    int advance(char32_t cp) const override { return cp == '\t' ? tabWidth() : glyph(cp).advance; }

    void draw(Canvas& canvas, int x, int y, std::string_view text, Pixel color) const override {
        drawGlyphRun(
            canvas, x, y + setup_.ascent, lineHeight(), text,
            [this](char32_t cp) -> const GlyphEntry& { return glyph(cp); },
            [this](long long offset) { return nextTabStop(offset); },
            [&](const GlyphEntry& g, int gx, int gy) {
                canvas.blendMask(gx, gy, store_.data() + g.offset, g.width, g.rows, g.pitch, g.mono,
                                 color);
            });
    }

    const GlyphEntry& glyph(char32_t cp) const {
        if (cp < direct_.size()) {
            GlyphEntry& g = direct_[cp];
            if (!g.loaded) load(cp, g);
            return g;
        }
        if (auto it = others_.find(cp); it != others_.end()) return it->second;
        GlyphEntry g;
        load(cp, g);
        return others_.emplace(cp, g).first->second;
    }

    // The mean advance of the lower-case letters, the classic average character width.
    int averageCharWidth() const {
        if (averageWidth_ == 0) {
            int sum = 0;
            for (char32_t c = 'a'; c <= 'z'; ++c) sum += glyph(c).advance;
            averageWidth_ = std::max(1, (sum + 13) / 26);
        }
        return averageWidth_;
    }

    const FontSpec& spec() const { return spec_; }
    const FontSetup& setup() const { return setup_; }

  private:
    int tabWidth() const { return 8 * averageCharWidth(); }
    long long nextTabStop(long long pen) const {
        const long long tab = tabWidth();
        return pen < 0 ? 0 : (pen / tab + 1) * tab;
    }

    bool renderFrom(const FaceSlot& slot, char32_t cp, GlyphEntry& g) const {
        if (slot.face == nullptr ||
            !slot.face->render(cp, slot.pixelHeight, slot.mono, slot.embolden, store_, g)) {
            return false;
        }
        const int bold = slot.embolden ? 1 : 0;
        const int own = g.advance - bold;
        if (slot.gridHeight > 0 && own > 0) {
            const int half = (slot.gridHeight + 1) / 2;
            // The strikes draw their narrow letters at the left of the half-width cell.
            bool centre = false;
            if (slot.monospacedLatin) {
                centre = own <= half;
                g.advance = (own <= half ? half : slot.gridHeight) + bold;
            } else if (slot.fullWidth > 0 && own >= slot.fullWidth) {
                g.advance = slot.gridHeight + bold;
            }
            if (cp == kEllipsis && g.advance - bold == slot.gridHeight) {
                const int step = ellipsisDotStep(slot.gridHeight);
                makeDots(3, step, inkLeftInCell(slot.gridHeight, 0, 2 * step + 1), slot.embolden,
                         store_, g);
            } else if (centre || g.advance - bold > own) {
                // A glyph widened to its cell, or a narrow letter: its ink goes to the middle.
                const InkColumns ink = inkColumns(g, store_);
                if (ink.count > 0)
                    g.left = std::int16_t(inkLeftInCell(g.advance, g.left + ink.first, ink.count) -
                                          ink.first);
            }
        }
        return true;
    }

    void load(char32_t cp, GlyphEntry& g) const {
        g = GlyphEntry{};
        g.loaded = true;
        if (isControl(cp)) return;
        if (renderFrom(setup_.primary, cp, g) || renderFrom(setup_.song, cp, g)) return;
        if (isFormatCharacter(cp)) return;
        if (FtFace* face = faces_.forCharacter(cp, setup_.fallbackHeight)) {
            const int size = face->drawableHeight(setup_.fallbackHeight);
            const FaceSlot slot{face, size, setup_.mono || face->hasStrike(size),
                                setup_.bold && !face->isBold()};
            if (renderFrom(slot, cp, g)) return;
        }
        makeReplacementBox(setup_.ascent, lineHeight(), setup_.bold, store_, g);
    }

    FontFaces& faces_;
    FontSpec spec_;
    FontSetup setup_;
    // Glyphs are filled in on first use; Latin-1 in a flat table, the rest in a map.
    mutable std::array<GlyphEntry, 256> direct_{};
    mutable std::unordered_map<char32_t, GlyphEntry> others_;
    mutable std::vector<std::uint8_t> store_;  // the coverage bits of every glyph
    mutable int averageWidth_ = 0;
};

namespace {

// A face drawn at pixelHeight: strikes and bitmap faces in black and white.
FaceSlot slotFor(FtFace* face, int pixelHeight, bool monoOutlines, bool bold) {
    if (face == nullptr) return {};
    const int size = face->drawableHeight(pixelHeight);
    if (size <= 0) return {};
    FaceSlot slot;
    slot.face = face;
    slot.pixelHeight = size;
    slot.mono = monoOutlines || face->hasStrike(size) || !face->scalable();
    slot.embolden = bold && !face->isBold();
    return slot;
}

// The Song face on the classic grid of gridHeight.
FaceSlot songSlotFor(FtFace* face, int gridHeight, bool monoOutlines, bool bold) {
    FaceSlot slot = slotFor(face, gridHeight, monoOutlines, bold);
    if (slot.face == nullptr) return slot;
    slot.gridHeight = gridHeight;
    slot.monospacedLatin = face->monospacedLatin(slot.pixelHeight);
    slot.fullWidth = face->advanceOf(U'一', slot.pixelHeight);
    return slot;
}

FontSetup setupFor(FontFaces& faces, FaceKind kind, const std::string& name, int h, bool bold) {
    FontSetup s;
    s.bold = bold;
    switch (kind) {
        case FaceKind::Song: {
            // The classic Song's cell is exactly the pixel height; the descent below
            // keeps every glyph of the strikes (the parentheses and descenders of the
            // 13-pixel strike reach two rows down) inside it.
            s.primary = songSlotFor(faces.song(h), h, false, bold);
            s.descent = (h + 1) / 7;
            s.ascent = h - s.descent;
            s.mono = s.primary.face == nullptr || s.primary.mono;
            s.fallbackHeight = h;
            break;
        }
        case FaceKind::Form: {
            FtFace* face = h == faces.files().formPixelHeight ? faces.form(bold) : nullptr;
            if (face == nullptr) face = faces.sans(bold);
            s.primary = slotFor(face, h, true, bold);
            // The classic figures whatever the face: 11 pixels make a 13-pixel line,
            // ascent 11 and descent 2.
            s.ascent = h;
            s.descent = (h + 2) / 5;
            s.mono = true;
            s.fallbackHeight = std::max(h, kMinFallbackHeight);
            break;
        }
        case FaceKind::Other: {
            FtFace* face = faces.family(name, h, bold);
            if (face == nullptr) face = faces.sans(bold);
            s.primary = slotFor(face, h, false, bold);
            const FtFace::VMetrics m =
                face != nullptr ? face->metrics(s.primary.pixelHeight) : FtFace::VMetrics{};
            if (m.ascent > 0) {
                s.ascent = m.ascent;
                s.descent = std::max(0, m.descent);
            } else {
                s.descent = (h + 1) / 7;
                s.ascent = h - s.descent;
            }
            s.mono = s.primary.face != nullptr && s.primary.mono;
            s.fallbackHeight = std::max(h, kMinFallbackHeight);
            break;
        }
    }
    if (kind != FaceKind::Song) {
        FaceSlot song = songSlotFor(faces.song(s.fallbackHeight), s.fallbackHeight, s.mono, bold);
        if (song.face != s.primary.face || song.pixelHeight != s.primary.pixelHeight) {
            s.song = song;
        }
    }
    return s;
}

}  // namespace

FreeTypeFontEngine::FreeTypeFontEngine(FontFiles files)
    : faces_(std::make_unique<FontFaces>(std::move(files))) {}

FreeTypeFontEngine::~FreeTypeFontEngine() = default;

const Font& FreeTypeFontEngine::font(const FontSpec& spec) {
    const int h = normalizedHeight(spec.height);
    for (const auto& f : fonts_) {
        const FontSpec& s = f->spec();
        if (s.height == h && s.bold == spec.bold && s.face == spec.face) return *f;
    }
    const FontSetup setup = setupFor(*faces_, kindOf(spec.face), spec.face, h, spec.bold);
    fonts_.push_back(std::make_unique<FtFont>(*faces_, FontSpec{spec.face, h, spec.bold}, setup));
    return *fonts_.back();
}

FontInfo FreeTypeFontEngine::info(const FontSpec& spec) {
    const auto& f = static_cast<const FtFont&>(font(spec));
    const FontSetup& s = f.setup();
    FontInfo i;
    if (s.primary.face != nullptr) {
        i.file = s.primary.face->file();
        i.faceIndex = s.primary.face->index();
    }
    i.pixelHeight = s.primary.pixelHeight;
    i.mono = s.primary.face != nullptr ? s.primary.mono : s.mono;
    i.syntheticBold = s.primary.embolden;
    i.ascent = s.ascent;
    i.descent = s.descent;
    i.averageCharWidth = f.averageCharWidth();
    if (s.song.face != nullptr) {
        i.fallbackFile = s.song.face->file();
        i.fallbackPixelHeight = s.song.pixelHeight;
    }
    return i;
}

GlyphSource FreeTypeFontEngine::glyphSource(const FontSpec& spec, char32_t cp) {
    const auto& f = static_cast<const FtFont&>(font(spec));
    const GlyphEntry& g = f.glyph(cp);
    GlyphSource src;
    if (g.face != nullptr) {
        src.file = g.face->file();
        src.faceIndex = g.face->index();
    }
    src.pixelHeight = g.pixelHeight;
    src.mono = g.mono;
    src.replacement = g.replacement;
    src.advance = g.advance;
    return src;
}

bool FreeTypeFontEngine::fontconfigLoaded() const {
    return faces_->fontconfigLoaded();
}

std::unique_ptr<FontEngine> FontEngine::create() {
    return std::make_unique<FreeTypeFontEngine>();
}

}  // namespace tv
