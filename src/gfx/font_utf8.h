#pragma once
// UTF-8 decoding for text measurement and drawing. Texts come from layouts, the
// registry and the user, so a malformed byte must never stop a paint or read past the
// end: every ill-formed sequence turns into one U+FFFD and decoding goes on after it.

#include <cstddef>
#include <string_view>

namespace tv {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point that starts at text[pos] (pos < text.size()) and moves pos past
// it. Ill-formed input (stray continuation bytes, overlong forms, surrogates, values past
// U+10FFFF, sequences cut short) yields U+FFFD and consumes the maximal ill-formed
// subpart, as Unicode recommends: the lead byte and the continuation bytes that were
// still valid, at least one byte, so the caller always advances.
constexpr char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
    const unsigned lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int need = 0;
    char32_t cp = 0;
    unsigned low = 0x80, high = 0xBF;  // range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return kReplacementCharacter;
    }
    for (int i = 0; i < need; ++i) {
        if (pos >= text.size()) return kReplacementCharacter;
        const unsigned b = static_cast<unsigned char>(text[pos]);
        if (b < low || b > high) return kReplacementCharacter;
        low = 0x80;
        high = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
        ++pos;
    }
    return cp;
}

// Writes cp as UTF-8 into out and returns the number of bytes (1 to 4). Surrogates and
// values past U+10FFFF are written as U+FFFD.
constexpr int encodeUtf8(char32_t cp, char out[4]) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementCharacter;
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

}  // namespace tv
