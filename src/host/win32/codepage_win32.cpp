// Code page 936 on Windows: the system's own tables, the very ones the ANSI entry points
// use, so a text that passes here reaches the registry and the message box unchanged.

#include "gfx/win32/win32_text.h"
#include "host/codepage.h"

namespace tv {

std::optional<std::string> utf8ToCp936(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    return win32::toCodePage(utf8, win32::kCodePage936);
}

std::optional<std::string> cp936ToUtf8(std::string_view cp936) {
    return win32::fromCodePage(cp936, win32::kCodePage936);
}

}  // namespace tv
