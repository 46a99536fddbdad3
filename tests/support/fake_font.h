#pragma once
// A font engine with fixed, predictable metrics for behaviour and pixel tests: Latin
// characters are half the height wide, all others as wide as the height; the form face
// "MS Sans Serif" 11 has the classic 13-pixel line. Each glyph draws as a box one pixel
// inside its cell, so tests can find text on the canvas.

#include <map>
#include <memory>
#include <string_view>

#include "gfx/font.h"

namespace tv::test {

class FakeFont final : public Font {
  public:
    explicit FakeFont(const FontSpec& s) : spec_(s) {}
    int lineHeight() const override { return spec_.face == "MS Sans Serif" ? 13 : spec_.height; }
    int ascent() const override { return lineHeight() - 2; }
    int advance(char32_t c) const override {
        int w = c < 0x80 ? (spec_.height + 1) / 2 : spec_.height;
        return w + (spec_.bold ? 1 : 0);
    }
    Size textExtent(std::string_view s) const override {
        int w = 0;
        forEach(s, [&](char32_t c) {
            w += c == '\t' ? 8 * advance('x') - w % (8 * advance('x')) : advance(c);
        });
        return {w, lineHeight()};
    }
    void draw(Canvas& canvas, int x, int y, std::string_view s, Pixel color) const override {
        int pen = 0;
        forEach(s, [&](char32_t c) {
            int a = c == '\t' ? 8 * advance('x') - pen % (8 * advance('x')) : advance(c);
            if (c != ' ' && c != '\t')
                canvas.fillRect(Rect::fromXYWH(x + pen + 1, y + 1, a - 2, lineHeight() - 2), color);
            pen += a;
        });
    }

  private:
    template <class F>
    static void forEach(std::string_view s, F&& f) {
        for (std::size_t i = 0; i < s.size();) {
            unsigned char c = static_cast<unsigned char>(s[i]);
            std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            char32_t cp = c < 0x80 ? c : 0x4E00;
            f(cp);
            i += n;
        }
    }
    FontSpec spec_;
};

class FakeFontEngine final : public FontEngine {
  public:
    const Font& font(const FontSpec& spec) override {
        auto key = spec.face + "/" + std::to_string(spec.height) + (spec.bold ? "b" : "");
        auto it = fonts_.find(key);
        if (it == fonts_.end()) it = fonts_.emplace(key, std::make_unique<FakeFont>(spec)).first;
        return *it->second;
    }

  private:
    std::map<std::string, std::unique_ptr<FakeFont>> fonts_;
};

}  // namespace tv::test
