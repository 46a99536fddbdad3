#include "host/codepage.h"

#ifndef _WIN32
#include <iconv.h>
#endif

#include <cerrno>
#include <cstddef>

namespace tv {

bool isValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;  // overlong
            if (c == 0xED) hi = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;  // overlong
            if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (n - i < len) return false;
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (std::size_t k = 2; k < len; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
        }
        i += len;
    }
    return true;
}

// Windows converts with the system's own code page tables (host/win32/codepage_win32.cpp).
#ifndef _WIN32

namespace {

// One conversion with a fresh descriptor, so no state is shared between callers.
// iconv without //TRANSLIT or //IGNORE stops at the first character it cannot map,
// and a non-zero return counts conversions that were not exact; both are refusals.
std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t written = 0;
    bool ok = true;
    bool flushed = false;
    while (!flushed) {
        char* dst = out.data() + written;
        std::size_t dstLeft = out.size() - written;
        // Once the input is used up, one more call with no input flushes any shift state.
        const bool flushing = srcLeft == 0;
        const std::size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &dstLeft)
                                       : iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        written = out.size() - dstLeft;
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            ok = false;  // EILSEQ, or a sequence cut short at the end (EINVAL)
            break;
        }
        if (r != 0) {
            ok = false;
            break;
        }
        flushed = flushing;
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(written);
    return out;
}

}  // namespace

std::optional<std::string> utf8ToCp936(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    auto bytes = convert("CP936", "UTF-8", utf8);
    if (!bytes) return std::nullopt;
    // A character that maps onto bytes which read back as another character has no exact
    // counterpart in the code page; storing it would silently change the text.
    auto back = convert("UTF-8", "CP936", *bytes);
    if (!back || *back != utf8) return std::nullopt;
    return bytes;
}

std::optional<std::string> cp936ToUtf8(std::string_view cp936) {
    return convert("UTF-8", "CP936", cp936);
}

#endif  // _WIN32

}  // namespace tv
