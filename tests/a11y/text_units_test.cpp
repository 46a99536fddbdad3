// The words, sentences and lines a screen reader reads a text by.
#include <gtest/gtest.h>

#include <string>

#include "a11y/text_units.h"

namespace tv::a11y {
namespace {

std::string piece(std::string_view s, Span b) {
    return std::string(s.substr(b.start, b.end - b.start));
}

TEST(TextUnits, TheUnitAtAnOffsetOrElseTheOneBeforeIt) {
    struct Row {
        const char* text;
        std::size_t at;  // bytes
        TextUnit unit;
        const char* expected;
    };
    const Row rows[] = {
        // Each ideograph is a word; punctuation and blanks are none.
        {"正在扫描：C:\\Windows", 0, TextUnit::Word, "正"},
        {"正在扫描：C:\\Windows", 3, TextUnit::Word, "在"},
        {"正在扫描：C:\\Windows", 12, TextUnit::Word, "描"},  // on the colon: the word before
        {"正在扫描：C:\\Windows", 15, TextUnit::Word, "C"},
        {"正在扫描：C:\\Windows", 18, TextUnit::Word, "Windows"},
        {"hello world", 5, TextUnit::Word, "hello"},
        {"hello world", 11, TextUnit::Word, "world"},  // at the end
        {"版本：V2.1（增强版）", 9, TextUnit::Word, "V2.1"},
        {"http://tolvane.example/", 8, TextUnit::Word, "tolvane.example"},
        {"  x", 0, TextUnit::Word, ""},  // nothing before
        {"", 0, TextUnit::Word, ""},
        // Sentences end at 。！？ always, at . ! ? before a blank or the end, at a line break.
        {"请选择要扫描的内容！然后扫描。", 0, TextUnit::Sentence, "请选择要扫描的内容！"},
        {"请选择要扫描的内容！然后扫描。", 30, TextUnit::Sentence, "然后扫描。"},
        {"Version 2.1 is out. Next one!", 0, TextUnit::Sentence, "Version 2.1 is out."},
        {"Version 2.1 is out. Next one!", 19, TextUnit::Sentence, "Version 2.1 is out."},
        {"Version 2.1 is out. Next one!", 20, TextUnit::Sentence, "Next one!"},
        {"He said \"stop.\" Then left", 0, TextUnit::Sentence, "He said \"stop.\""},
        {"Wait?! No", 0, TextUnit::Sentence, "Wait?!"},
        {"第一行  \n第二行", 0, TextUnit::Sentence, "第一行"},
        {"第一行  \n第二行", 12, TextUnit::Sentence, "第二行"},
        {"Lines\nwithout stops", 3, TextUnit::Line, "Lines"},
        {"正", 3, TextUnit::Char, "正"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(piece(r.text, unitAt(r.text, r.at, r.unit)), r.expected)
            << r.text << " @" << r.at << " unit " << int(r.unit);
}

TEST(TextUnits, BetweenBoundariesTakesTheBlanksOnTheirSide) {
    struct Row {
        const char* text;
        std::size_t at;
        TextUnit unit;
        bool starts;
        const char* expected;
    };
    const Row rows[] = {
        {"hello world", 2, TextUnit::Word, true, "hello "},
        {"hello world", 7, TextUnit::Word, false, " world"},
        {"  hello", 0, TextUnit::Word, true, "  "},       // before the first word
        {"扫描，完成", 6, TextUnit::Word, true, "描，"},  // the comma goes with the word before
        {"One. Two.", 2, TextUnit::Sentence, true, "One. "},
        {"One. Two.", 6, TextUnit::Sentence, false, " Two."},
        {"ab\ncd", 1, TextUnit::Line, true, "ab\n"},
        {"ab\ncd", 3, TextUnit::Line, false, "\ncd"},
        {"abc", 3, TextUnit::Word, true, ""},  // at the end
    };
    for (const Row& r : rows)
        EXPECT_EQ(piece(r.text, between(r.text, r.at, r.unit, r.starts)), r.expected)
            << r.text << " @" << r.at << " unit " << int(r.unit) << " starts " << r.starts;
}

}  // namespace
}  // namespace tv::a11y
