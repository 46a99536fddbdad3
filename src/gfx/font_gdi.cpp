#include "gfx/font_gdi.h"

#include "gfx/win32/windows_api.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "gfx/font_rules.h"
#include "gfx/font_utf8.h"
#include "gfx/glyph_run.h"
#include "gfx/win32/win32_text.h"

namespace tv {

namespace {

using namespace font_rules;

constexpr wchar_t kSongFace[] = L"宋体";

int toUtf16(char32_t cp, wchar_t (&units)[2]) {
    if (cp >= 0x10000) {
        units[0] = wchar_t(0xD800 + ((cp - 0x10000) >> 10));
        units[1] = wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        return 2;
    }
    units[0] = wchar_t(cp);
    return 1;
}

struct Glyph {
    std::uint32_t offset = 0;
    std::uint16_t width = 0;
    std::uint16_t rows = 0;
    std::int16_t left = 0;
    std::int16_t top = 0;  // rows above the baseline
    std::int32_t advance = 0;
    GdiGlyphSource source = GdiGlyphSource::None;
    bool loaded = false;
};

// One GDI font and what GDI says about it.
struct GdiFace {
    HFONT font = nullptr;
    std::string name;  // the face GDI actually gave
    int ascent = 0;
    int height = 0;
    bool trueType = false;
    UINT codePage = CP_ACP;  // raster fonts: the characters they have are their code page's
    ~GdiFace() {
        if (font) DeleteObject(font);
    }
};

}  // namespace

// The DC and the cell every glyph is drawn into, and the Song faces shared by the fonts.
struct GdiFontEngine::Impl {
    Impl() {
        dc = CreateCompatibleDC(nullptr);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        SetMapMode(dc, MM_TEXT);
    }
    ~Impl() {
        // The fonts point at the shared Song faces and use the DC: they go first.
        fonts.clear();
        if (dc) {
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            if (oldBitmap) SelectObject(dc, oldBitmap);
            DeleteDC(dc);
        }
        if (cell) DeleteObject(cell);
    }

    std::unique_ptr<GdiFace> openFace(const wchar_t* name, int height, bool bold, BYTE charset,
                                      bool smooth) {
        auto face = std::make_unique<GdiFace>();
        face->font = CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 smooth ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, name);
        if (!face->font) return nullptr;
        select(face->font);
        wchar_t actual[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, actual);
        face->name = win32::fromWide(actual);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        face->ascent = int(tm.tmAscent);
        face->height = int(tm.tmHeight);
        face->trueType = (tm.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR)) != 0;
        CHARSETINFO csi{};
        if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(tm.tmCharSet)),
                                 &csi, TCI_SRCCHARSET))
            face->codePage = csi.ciACP;
        return face;
    }

    // The Song face at a pixel height, opened once.
    GdiFace* song(int height, bool bold) {
        for (auto& [h, b, f] : songs)
            if (h == height && b == bold) return f.get();
        songs.push_back({height, bold, openFace(kSongFace, height, bold, GB2312_CHARSET, false)});
        return std::get<2>(songs.back()).get();
    }

    void select(HFONT f) {
        if (f != selected) {
            SelectObject(dc, f);
            selected = f;
        }
    }

    bool hasGlyph(const GdiFace& face, char32_t cp) {
        if (cp >= 0x10000) return false;  // beyond what GetGlyphIndicesW answers for
        const wchar_t unit = wchar_t(cp);
        if (!face.trueType) {
            // A raster face has just the characters of its code page.
            BOOL usedDefault = FALSE;
            char bytes[4];
            return WideCharToMultiByte(face.codePage, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes,
                                       sizeof bytes, nullptr, &usedDefault) > 0 &&
                   !usedDefault;
        }
        select(face.font);
        WORD index = 0xFFFF;
        return GetGlyphIndicesW(dc, &unit, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
               index != 0xFFFF;
    }

    int advanceOf(const GdiFace& face, char32_t cp) {
        select(face.font);
        wchar_t units[2];
        const int n = toUtf16(cp, units);
        SIZE size{};
        GetTextExtentPoint32W(dc, units, n, &size);
        return int(size.cx);
    }

    // Draws one character of the face white on black into the cell and keeps its
    // coverage in `store`: the mask's box, its place relative to the pen and baseline.
    void render(const GdiFace& face, char32_t cp, int advance, std::vector<std::uint8_t>& store,
                Glyph& g) {
        const int margin = std::max(4, face.height / 2);
        const int w = std::max(advance, face.height) + 2 * margin;
        const int h = face.height + 2 * margin;
        ensureCell(w, h);
        for (int y = 0; y < h; ++y)
            std::memset(cellBits + std::size_t(y) * std::size_t(cellWidth), 0,
                        std::size_t(w) * sizeof(std::uint32_t));
        select(face.font);
        wchar_t units[2];
        const int n = toUtf16(cp, units);
        const int baseline = margin + face.ascent;
        ExtTextOutW(dc, margin, baseline, 0, nullptr, units, UINT(n), nullptr);
        GdiFlush();
        int x0 = w, y0 = h, x1 = -1, y1 = -1;
        for (int y = 0; y < h; ++y) {
            const std::uint32_t* row = cellBits + std::size_t(y) * std::size_t(cellWidth);
            for (int x = 0; x < w; ++x) {
                if ((row[x] & 0x00FFFFFFu) == 0) continue;
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
        if (x1 < 0) return;  // a space: an advance and nothing to draw
        g.offset = std::uint32_t(store.size());
        g.width = std::uint16_t(x1 - x0 + 1);
        g.rows = std::uint16_t(y1 - y0 + 1);
        g.left = std::int16_t(x0 - margin);
        g.top = std::int16_t(baseline - y0);
        for (int y = y0; y <= y1; ++y) {
            const std::uint32_t* row = cellBits + std::size_t(y) * std::size_t(cellWidth);
            for (int x = x0; x <= x1; ++x) {
                // The brightest channel: grey smoothing gives equal ones, and a face the
                // system draws with sub-pixel smoothing still counts where any channel is lit.
                const std::uint32_t p = row[x];
                store.push_back(
                    std::uint8_t(std::max({(p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu})));
            }
        }
    }

    void ensureCell(int w, int h) {
        if (cell && w <= cellWidth && h <= cellHeight) return;
        const int nw = std::max(w, cellWidth), nh = std::max(h, cellHeight);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = nw;
        bi.bmiHeader.biHeight = -nh;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP b = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!b) throw std::bad_alloc();
        HGDIOBJ old = SelectObject(dc, b);
        if (!oldBitmap) oldBitmap = old;
        if (cell) DeleteObject(cell);
        cell = b;
        cellBits = static_cast<std::uint32_t*>(bits);
        cellWidth = nw;
        cellHeight = nh;
    }

    HDC dc = nullptr;
    HFONT selected = nullptr;
    HBITMAP cell = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    std::uint32_t* cellBits = nullptr;
    int cellWidth = 0;
    int cellHeight = 0;
    std::vector<std::tuple<int, bool, std::unique_ptr<GdiFace>>> songs;
    std::vector<std::unique_ptr<Font>> fonts;
};

namespace {

class GdiFont final : public Font {
  public:
    GdiFont(GdiFontEngine::Impl& engine, FontSpec spec)
        : engine_(engine), spec_(std::move(spec)), kind_(kindOf(spec_.face)) {
        const int h = spec_.height;
        switch (kind_) {
            case FaceKind::Song:
                primary_ = engine_.song(h, spec_.bold);
                descent_ = (h + 1) / 7;
                ascent_ = h - descent_;
                break;
            case FaceKind::Form:
                owned_ = engine_.openFace(L"MS Sans Serif", h, spec_.bold, ANSI_CHARSET, false);
                primary_ = owned_.get();
                ascent_ = h;
                descent_ = (h + 2) / 5;
                break;
            case FaceKind::Other:
                owned_ = engine_.openFace(win32::toWideLenient(spec_.face).c_str(), h, spec_.bold,
                                          DEFAULT_CHARSET, true);
                primary_ = owned_.get();
                if (primary_) {
                    ascent_ = primary_->ascent;
                    descent_ = std::max(0, primary_->height - primary_->ascent);
                } else {
                    descent_ = (h + 1) / 7;
                    ascent_ = h - descent_;
                }
                break;
        }
        if (kind_ != FaceKind::Song)
            fallback_ = engine_.song(std::max(h, kMinFallbackHeight), spec_.bold);
        others_.reserve(256);
        store_.reserve(16 * 1024);
    }

    int lineHeight() const override { return ascent_ + descent_; }
    int ascent() const override { return ascent_; }

    Size textExtent(std::string_view text) const override {
        long long pen = 0;
        for (std::size_t pos = 0; pos < text.size();) {
            const char32_t cp = decodeUtf8(text, pos);
            pen = cp == '\t' ? nextTabStop(pen) : pen + glyph(cp).advance;
        }
        return {int(std::clamp<long long>(pen, INT_MIN, INT_MAX)), lineHeight()};
    }

    int advance(char32_t cp) const override { return cp == '\t' ? tabWidth() : glyph(cp).advance; }

    void draw(Canvas& canvas, int x, int y, std::string_view text, Pixel color) const override {
        drawGlyphRun(
            canvas, x, y + ascent_, lineHeight(), text,
            [this](char32_t cp) -> const Glyph& { return glyph(cp); },
            [this](long long offset) { return nextTabStop(offset); },
            [&](const Glyph& g, int gx, int gy) {
                canvas.blendMask(gx, gy, store_.data() + g.offset, g.width, g.rows, g.width, false,
                                 color);
            });
    }

    const Glyph& glyph(char32_t cp) const {
        if (cp < direct_.size()) {
            Glyph& g = direct_[cp];
            if (!g.loaded) load(cp, g);
            return g;
        }
        if (auto it = others_.find(cp); it != others_.end()) return it->second;
        Glyph g;
        load(cp, g);
        return others_.emplace(cp, g).first->second;
    }

    const FontSpec& spec() const { return spec_; }
    const GdiFace* primary() const { return primary_; }
    const GdiFace* fallback() const { return fallback_; }

  private:
    int averageCharWidth() const {
        if (averageWidth_ == 0) {
            int sum = 0;
            for (char32_t c = 'a'; c <= 'z'; ++c) sum += glyph(c).advance;
            averageWidth_ = std::max(1, (sum + 13) / 26);
        }
        return averageWidth_;
    }
    int tabWidth() const { return 8 * averageCharWidth(); }
    long long nextTabStop(long long pen) const {
        const long long tab = tabWidth();
        return pen < 0 ? 0 : (pen / tab + 1) * tab;
    }

    // The classic Song grid: half-width characters take half the height rounded up,
    // full-width ones the height; bold adds its one pixel to either. What is full width is
    // judged against the face's own ideographs, since a face GDI emboldens itself widens
    // every character by a few pixels.
    int onGrid(const GdiFace& face, int own, int gridHeight) const {
        const int fullWidth = engine_.advanceOf(face, U'一');
        const bool full = fullWidth > 0 ? own * 4 >= fullWidth * 3 : own > (gridHeight + 1) / 2;
        return (full ? gridHeight : (gridHeight + 1) / 2) + (spec_.bold ? 1 : 0);
    }

    void renderFrom(const GdiFace& face, char32_t cp, int gridHeight, GdiGlyphSource source,
                    Glyph& g) const {
        const int own = engine_.advanceOf(face, cp);
        const int advance = own > 0 ? onGrid(face, own, gridHeight) : own;
        g.advance = advance;
        g.source = source;
        engine_.render(face, cp, advance, store_, g);
        const int bold = spec_.bold ? 1 : 0;
        if (cp == kEllipsis && g.width > 0 && advance - bold == gridHeight) {
            // Three dots on the ink's first row, as the FreeType engine draws them.
            const int step = ellipsisDotStep(gridHeight);
            g.offset = std::uint32_t(store_.size());
            g.width = std::uint16_t(2 * step + 1 + bold);
            g.rows = 1;
            g.left = std::int16_t(inkLeftInCell(gridHeight, 0, 2 * step + 1));
            for (int x = 0; x < g.width; ++x)
                store_.push_back(x % step == 0 || (bold && x % step == 1) ? 255 : 0);
        } else if ((advance - bold < gridHeight || advance > own) && g.width > 0) {
            // A half-width letter, or a glyph widened to its cell, has its ink in the middle
            // of the cell, as the FreeType engine places them.
            g.left = std::int16_t(inkLeftInCell(advance, g.left, g.width));
        }
    }

    void load(char32_t cp, Glyph& g) const {
        g = Glyph{};
        g.loaded = true;
        if (isControl(cp)) return;
        if (primary_ && engine_.hasGlyph(*primary_, cp)) {
            if (kind_ == FaceKind::Song) {
                renderFrom(*primary_, cp, spec_.height, GdiGlyphSource::Primary, g);
            } else {
                g.advance = engine_.advanceOf(*primary_, cp);
                g.source = GdiGlyphSource::Primary;
                engine_.render(*primary_, cp, g.advance, store_, g);
            }
            return;
        }
        if (fallback_ && engine_.hasGlyph(*fallback_, cp)) {
            renderFrom(*fallback_, cp, std::max(spec_.height, kMinFallbackHeight),
                       GdiGlyphSource::Song, g);
            return;
        }
        if (isFormatCharacter(cp)) return;
        makeBox(g);
    }

    // The hollow box of a character no face has: as wide as half the line, standing on
    // the baseline, one pixel of room on either side.
    void makeBox(Glyph& g) const {
        const int w = std::max(3, (lineHeight() + 1) / 2 - 1);
        const int h = std::max(3, ascent_ - 1);
        g.offset = std::uint32_t(store_.size());
        g.width = std::uint16_t(w);
        g.rows = std::uint16_t(h);
        g.left = 1;
        g.top = std::int16_t(h);
        g.advance = w + 2;
        g.source = GdiGlyphSource::Replacement;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                store_.push_back(y == 0 || y == h - 1 || x == 0 || x == w - 1 ? 255 : 0);
    }

    GdiFontEngine::Impl& engine_;
    FontSpec spec_;
    FaceKind kind_;
    std::unique_ptr<GdiFace> owned_;
    GdiFace* primary_ = nullptr;
    GdiFace* fallback_ = nullptr;
    int ascent_ = 0;
    int descent_ = 0;
    mutable std::array<Glyph, 256> direct_{};
    mutable std::unordered_map<char32_t, Glyph> others_;
    mutable std::vector<std::uint8_t> store_;
    mutable int averageWidth_ = 0;
};

}  // namespace

GdiFontEngine::GdiFontEngine() : impl_(std::make_unique<Impl>()) {}

GdiFontEngine::~GdiFontEngine() = default;

const Font& GdiFontEngine::font(const FontSpec& spec) {
    const int h = normalizedHeight(spec.height);
    const std::string face = spec.face.empty() ? std::string("MS Sans Serif") : spec.face;
    for (const auto& f : impl_->fonts) {
        const FontSpec& s = static_cast<const GdiFont&>(*f).spec();
        if (s.height == h && s.bold == spec.bold && s.face == face) return *f;
    }
    impl_->fonts.push_back(std::make_unique<GdiFont>(*impl_, FontSpec{face, h, spec.bold}));
    return *impl_->fonts.back();
}

std::string GdiFontEngine::faceName(const FontSpec& spec) {
    const auto& f = static_cast<const GdiFont&>(font(spec));
    return f.primary() ? f.primary()->name : std::string();
}

std::string GdiFontEngine::fallbackFaceName(const FontSpec& spec) {
    const auto& f = static_cast<const GdiFont&>(font(spec));
    return f.fallback() ? f.fallback()->name : std::string();
}

GdiGlyphSource GdiFontEngine::glyphSource(const FontSpec& spec, char32_t cp) {
    return static_cast<const GdiFont&>(font(spec)).glyph(cp).source;
}

std::unique_ptr<FontEngine> FontEngine::create() {
    return std::make_unique<GdiFontEngine>();
}

}  // namespace tv
