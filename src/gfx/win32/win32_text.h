#pragma once
// Texts at the edge of the Windows build. Inside the program every text is UTF-8; the
// wide (UTF-16) entry points take it converted, and the ANSI ones only ever receive code
// page 936 bytes that read back as the very same text. Nothing is replaced by '?' or by a
// look-alike: a text that a code page cannot carry exactly is refused.

#include <optional>
#include <string>
#include <string_view>

namespace tv::win32 {

// The code page of the program's 8-bit texts (Simplified Chinese, GBK).
constexpr unsigned kCodePage936 = 936;

// UTF-8 to UTF-16. Malformed UTF-8 is refused.
std::optional<std::wstring> toWide(std::string_view utf8);
// For texts that are only shown (titles, face names): malformed bytes become U+FFFD.
std::wstring toWideLenient(std::string_view utf8);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string fromWide(std::wstring_view wide);

// UTF-8 to the code page, exactly: refused when the UTF-8 is malformed, when a character
// has no counterpart (the system would put its default character in its place), or when
// the bytes would read back as another text. Embedded zero bytes are kept.
std::optional<std::string> toCodePage(std::string_view utf8, unsigned codePage);
// The code page's bytes to UTF-8; refused when they are not a valid text of that code
// page (a lead byte without its trail, an undefined byte).
std::optional<std::string> fromCodePage(std::string_view bytes, unsigned codePage);

}  // namespace tv::win32
