#include "a11y/text_units.h"

#include <algorithm>

#include "gfx/font_utf8.h"
#include "widgets/edit.h"

namespace tv::a11y {

namespace {

bool isSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0x3000 || c == 0xA0;
}

bool isPunctuation(char32_t c) {
    if (c < 0x80)
        return !(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z') &&
               c != '_';
    return (c >= 0xA1 && c <= 0xBF) || c == 0xD7 || c == 0xF7 ||
           (c >= 0x2000 && c <= 0x206F) ||  // general punctuation
           (c >= 0x3001 && c <= 0x303F) ||  // CJK punctuation
           (c >= 0xFE30 && c <= 0xFE4F) ||  // CJK compatibility forms
           (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
           (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65);  // full-width
}

// A character that is a word by itself: an ideograph, kana, a Hangul syllable.
bool isWordOfItsOwn(char32_t c) {
    return isWideBreakable(c) && !isPunctuation(c) && !isSpace(c);
}

bool endsSentenceAlways(char32_t c) {
    return c == 0x3002 || c == 0xFF01 || c == 0xFF1F;  // 。！？
}
bool endsSentenceBeforeSpace(char32_t c) {
    return c == '.' || c == '!' || c == '?';
}
// What may close a sentence after its full stop.
bool isClosingMark(char32_t c) {
    return c == '"' || c == '\'' || c == ')' || c == 0x201D || c == 0x2019 || c == 0x300D ||
           c == 0x300F || c == 0xFF09;  // ” ’ 」 』 ）
}

struct Decoded {
    char32_t c;
    std::size_t start, end;
};

std::vector<Decoded> decode(std::string_view s) {
    std::vector<Decoded> out;
    for (std::size_t p = 0; p < s.size();) {
        const std::size_t start = p;
        const char32_t c = decodeUtf8(s, p);
        out.push_back({c, start, p});
    }
    return out;
}

// A letter or digit of a word that spaces delimit.
bool isLetter(char32_t c) {
    return !isSpace(c) && !isPunctuation(c) && !isWordOfItsOwn(c);
}

std::vector<Span> words(const std::vector<Decoded>& cs) {
    std::vector<Span> out;
    bool open = false;
    for (std::size_t i = 0; i < cs.size(); ++i) {
        const Decoded& d = cs[i];
        // "2.1", "tolvane.example", "don't": one word.
        const bool joins = open && (d.c == '.' || d.c == ',' || d.c == '\'') && i + 1 < cs.size() &&
                           isLetter(cs[i + 1].c);
        if (joins) {
            out.back().end = d.end;
        } else if (isWordOfItsOwn(d.c)) {
            out.push_back({d.start, d.end});
            open = false;
        } else if (isSpace(d.c) || isPunctuation(d.c)) {
            open = false;
        } else if (open) {
            out.back().end = d.end;
        } else {
            out.push_back({d.start, d.end});
            open = true;
        }
    }
    return out;
}

std::vector<Span> sentences(const std::vector<Decoded>& cs) {
    std::vector<Span> out;
    std::size_t i = 0;
    while (i < cs.size()) {
        while (i < cs.size() && isSpace(cs[i].c)) ++i;
        if (i == cs.size()) break;
        Span s{cs[i].start, cs[i].end};
        for (; i < cs.size() && cs[i].c != '\n'; ++i) {
            if (!isSpace(cs[i].c)) s.end = cs[i].end;
            const bool always = endsSentenceAlways(cs[i].c);
            if (!always && !endsSentenceBeforeSpace(cs[i].c)) continue;
            // The run of stops and the closing marks after it belong to the sentence.
            std::size_t j = i + 1;
            while (j < cs.size() && (endsSentenceAlways(cs[j].c) ||
                                     endsSentenceBeforeSpace(cs[j].c) || isClosingMark(cs[j].c)))
                ++j;
            if (always || j == cs.size() || isSpace(cs[j].c)) {
                s.end = cs[j - 1].end;
                i = j;
                break;
            }
        }
        out.push_back(s);
    }
    return out;
}

std::vector<Span> lines(std::string_view s) {
    std::vector<Span> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t nl = s.find('\n', start);
        if (nl == std::string_view::npos) break;
        out.push_back({start, nl});
        start = nl + 1;
    }
    out.push_back({start, s.size()});
    return out;
}

}  // namespace

std::vector<Span> units(std::string_view text, TextUnit u) {
    if (u == TextUnit::Line) return lines(text);
    const std::vector<Decoded> cs = decode(text);
    if (u == TextUnit::Word) return words(cs);
    if (u == TextUnit::Sentence) return sentences(cs);
    std::vector<Span> out;
    for (const Decoded& d : cs) out.push_back({d.start, d.end});
    return out;
}

Span unitAt(std::string_view text, std::size_t at, TextUnit u) {
    Span found{at, at};
    for (const Span& s : units(text, u)) {
        if (s.start > at) break;
        found = s;
        if (at < s.end) break;
    }
    return found;
}

Span between(std::string_view text, std::size_t at, TextUnit u, bool starts) {
    at = std::min(at, text.size());
    Span out{0, text.size()};
    for (const Span& s : units(text, u)) {
        const std::size_t b = starts ? s.start : s.end;
        if (b <= at)
            out.start = b;
        else if (b < out.end)
            out.end = b;
    }
    if (at == text.size()) out.start = at;
    return out;
}

}  // namespace tv::a11y
