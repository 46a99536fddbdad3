#pragma once
// The units a screen reader reads a text by: characters, words, sentences and lines, as
// byte ranges of UTF-8. Chinese is written without spaces, so each ideograph is a word of
// its own; a sentence ends at 。！？ (and their Latin forms when a space or the end follows,
// so "V2.1" and "tolvane.example" go on), and at each line's end.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tv::a11y {

enum class TextUnit : std::uint8_t { Char, Word, Sentence, Line };

struct Span {
    std::size_t start = 0, end = 0;
    friend bool operator==(const Span&, const Span&) = default;
};

// The units of the text in order, without the blanks and punctuation between words and
// the blanks between sentences; lines without their line break.
std::vector<Span> units(std::string_view text, TextUnit u);
// The unit that holds byte `at`, or else the last one before it (empty at `at` when there
// is none).
Span unitAt(std::string_view text, std::size_t at, TextUnit u);
// From the start (or end) of a unit at or before `at` to the next start (or end) after it,
// the text's own start and end counting as both: what lies between two boundaries.
Span between(std::string_view text, std::size_t at, TextUnit u, bool starts);

}  // namespace tv::a11y
