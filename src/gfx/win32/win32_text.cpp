#include "gfx/win32/win32_text.h"

#include "gfx/win32/windows_api.h"

#include <climits>

namespace tv::win32 {

namespace {

// The counts the API takes are ints; longer texts are refused rather than cut.
bool fitsInt(std::size_t n) {
    return n <= std::size_t(INT_MAX) / 4;
}

std::optional<std::wstring> multiToWide(std::string_view in, UINT codePage, DWORD flags) {
    if (in.empty()) return std::wstring();
    if (!fitsInt(in.size())) return std::nullopt;
    const int n = MultiByteToWideChar(codePage, flags, in.data(), int(in.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring out(std::size_t(n), L'\0');
    if (MultiByteToWideChar(codePage, flags, in.data(), int(in.size()), out.data(), n) != n)
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::wstring> toWide(std::string_view utf8) {
    return multiToWide(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
}

std::wstring toWideLenient(std::string_view utf8) {
    return multiToWide(utf8, CP_UTF8, 0).value_or(std::wstring());
}

std::string fromWide(std::wstring_view wide) {
    if (wide.empty() || !fitsInt(wide.size())) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::string> toCodePage(std::string_view utf8, unsigned codePage) {
    const auto wide = toWide(utf8);
    if (!wide) return std::nullopt;
    if (wide->empty()) return std::string();
    const int len = int(wide->size());
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide->data(), len, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(std::size_t(n), '\0');
    usedDefault = FALSE;
    if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide->data(), len, out.data(), n,
                            nullptr, &usedDefault) != n ||
        usedDefault) {
        return std::nullopt;
    }
    // The default-character flag catches what has no counterpart at all; a character that
    // maps onto bytes reading back as another one is caught here.
    const auto back = multiToWide(out, codePage, MB_ERR_INVALID_CHARS);
    if (!back || *back != *wide) return std::nullopt;
    return out;
}

std::optional<std::string> fromCodePage(std::string_view bytes, unsigned codePage) {
    const auto wide = multiToWide(bytes, codePage, MB_ERR_INVALID_CHARS);
    if (!wide) return std::nullopt;
    return fromWide(*wide);
}

}  // namespace tv::win32
