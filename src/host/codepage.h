#pragma once
// Texts live as UTF-8 inside the program and as code page 936 bytes wherever the system
// side is 8-bit. Both directions are strict: a character without an exact counterpart is
// refused rather than replaced, so nothing is ever stored as "?".

#include <optional>
#include <string>
#include <string_view>

namespace tv {

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isValidUtf8(std::string_view text);

// UTF-8 to code page 936. Empty when the text is not valid UTF-8 or holds a character
// that code page 936 cannot carry exactly.
std::optional<std::string> utf8ToCp936(std::string_view utf8);

// Code page 936 to UTF-8. Empty when the bytes are not a valid code page 936 text.
std::optional<std::string> cp936ToUtf8(std::string_view cp936);

}  // namespace tv
