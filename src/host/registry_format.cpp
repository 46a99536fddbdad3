#include "host/registry_format.h"

#include <cstdint>
#include <string>
#include <unordered_set>

#include "host/codepage.h"

namespace tv {

std::string_view registryRootName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

namespace {

// Decodes one code point of text that is known to be valid UTF-8; on a stray byte it
// returns the byte itself so comparison still terminates.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (c < 0x80 || i + len > s.size()) {
        ++i;
        return c;
    }
    char32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    return cp;
}

char32_t foldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;     // Latin-1
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;  // Greek
    if (c == 0x3C2) return 0x3C3;                                 // final sigma
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;                // Cyrillic Ё and kin
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;              // full-width Latin
    if (c >= 0x2160 && c <= 0x216F) return c + 0x10;              // Roman numerals
    return c;
}

bool hasControl(std::string_view utf8) {
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// The name with every letter in one case, for finding duplicates in a set.
std::u32string folded(std::string_view name) {
    std::u32string out;
    for (std::size_t i = 0; i < name.size();) out += foldCase(nextCodePoint(name, i));
    return out;
}

}  // namespace

bool registryNamesEqual(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (foldCase(nextCodePoint(a, i)) != foldCase(nextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

bool isValidValueName(std::string_view name) {
    return !hasControl(name) && utf8ToCp936(name).has_value();
}

bool isValidKeyName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos && isValidValueName(name);
}

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    if (path.empty()) return names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view name = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!isValidKeyName(name)) return std::nullopt;
        names.emplace_back(name);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return names;
}

RegistryValue* RegistryKeyEntry::findValue(std::string_view name) {
    for (auto& v : values) {
        if (registryNamesEqual(v.name, name)) return &v;
    }
    return nullptr;
}

const RegistryValue* RegistryKeyEntry::findValue(std::string_view name) const {
    return const_cast<RegistryKeyEntry*>(this)->findValue(name);
}

bool RegistryKeyEntry::setValue(std::string_view name, std::string_view data) {
    if (RegistryValue* v = findValue(name)) {
        if (v->data == data) return false;
        v->data = std::string(data);
        return true;
    }
    values.push_back(RegistryValue{std::string(name), std::string(data)});
    return true;
}

bool RegistryKeyEntry::eraseValue(std::string_view name) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (registryNamesEqual(it->name, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

RegistryKeyEntry* RegistryDocument::findKey(std::string_view path) {
    for (auto& k : keys) {
        if (registryNamesEqual(k.path, path)) return &k;
    }
    return nullptr;
}

const RegistryKeyEntry* RegistryDocument::findKey(std::string_view path) const {
    return const_cast<RegistryDocument*>(this)->findKey(path);
}

RegistryKeyEntry& RegistryDocument::ensureKey(std::string_view path, bool* created) {
    if (created) *created = false;
    if (path.empty()) {
        if (RegistryKeyEntry* k = findKey(path)) return *k;
        if (created) *created = true;
        return keys.emplace_back();
    }
    // Walk down from the top so a new key takes its parents' spelling and every key
    // above it exists, as when the registry creates a deep path.
    std::string base;
    std::size_t start = 0;
    std::size_t index = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view prefix = path.substr(0, end);
        const std::string_view name = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        std::size_t found = keys.size();
        for (std::size_t k = 0; k < keys.size(); ++k) {
            if (registryNamesEqual(keys[k].path, prefix)) {
                found = k;
                break;
            }
        }
        if (found == keys.size()) {
            std::string full = base.empty() ? std::string(name) : base + '\\' + std::string(name);
            keys.push_back(RegistryKeyEntry{std::move(full), {}});
            if (created) *created = true;
        }
        index = found;
        base = keys[index].path;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return keys[index];
}

// ---------------------------------------------------------------------------------------
// Reading

namespace {

constexpr std::string_view kHexPrefix = "hex(1):";

class Parser {
  public:
    Parser(std::string_view text, RegistryRoot root) : text_(text) { doc_.root = root; }

    RegistryParseResult run() {
        std::string_view line;
        if (!nextLine(line) || line != kRegistryFileHeader) return fail("missing header");
        RegistryKeyEntry* current = nullptr;
        while (nextLine(line)) {
            if (isBlank(line)) continue;
            if (line.front() == '[') {
                current = section(line);
                if (!current) return fail(error_);
            } else if (line.front() == '"' || line.front() == '@') {
                if (!current) return fail("value outside a key");
                if (!value(line, *current)) return fail(error_);
            } else {
                return fail("unexpected text");
            }
        }
        RegistryParseResult result;
        result.document = std::move(doc_);
        return result;
    }

  private:
    // Hands out the next physical line without its end; false at the end of the text.
    bool nextLine(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++lineNo_;
        return true;
    }

    static bool isBlank(std::string_view line) {
        return line.find_first_not_of(" \t") == std::string_view::npos;
    }

    RegistryParseResult fail(const std::string& what) const {
        RegistryParseResult r;
        r.error = "line " + std::to_string(lineNo_) + ": " + what;
        return r;
    }

    RegistryKeyEntry* section(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') return bad("unterminated key name");
        std::string_view inner = line.substr(1, line.size() - 2);
        const std::string_view rootName = registryRootName(doc_.root);
        if (inner.substr(0, rootName.size()) != rootName) return bad("key of another root");
        inner.remove_prefix(rootName.size());
        std::string_view path;
        if (!inner.empty()) {
            if (inner.front() != '\\') return bad("key of another root");
            path = inner.substr(1);
            if (!splitKeyPath(path) || path.empty()) return bad("invalid key name");
        }
        // Sets keep large files linear; duplicates are checked without regard to case.
        if (!keyNames_.insert(folded(path)).second) return bad("key listed twice");
        valueNames_.clear();
        doc_.keys.push_back(RegistryKeyEntry{std::string(path), {}});
        return &doc_.keys.back();
    }

    std::nullptr_t bad(const char* what) {
        error_ = what;
        return nullptr;
    }

    // Reads a quoted string at `s` (which starts with '"'); on success `s` is left after
    // the closing quote.
    bool quoted(std::string_view& s, std::string& out) {
        out.clear();
        std::size_t i = 1;
        for (;;) {
            if (i >= s.size()) return failed("unterminated quotes");
            const char c = s[i];
            if (c == '"') break;
            if (c == '\\') {
                if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"'))
                    return failed("unknown escape");
                out += s[i + 1];
                i += 2;
                continue;
            }
            out += c;
            ++i;
        }
        s.remove_prefix(i + 1);
        if (!isValidUtf8(out)) return failed("invalid UTF-8");
        return true;
    }

    bool failed(const char* what) {
        error_ = what;
        return false;
    }

    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // Hex bytes "b1,ed,5c" continued over lines that end in ",\" and resume after
    // leading spaces.
    bool hexBytes(std::string_view s, std::string& out) {
        out.clear();
        if (s.empty()) return true;
        for (;;) {
            if (s.size() < 2) return failed("bad hex byte");
            const int hi = hexDigit(s[0]);
            const int lo = hexDigit(s[1]);
            if (hi < 0 || lo < 0) return failed("bad hex byte");
            out += static_cast<char>(hi * 16 + lo);
            s.remove_prefix(2);
            if (s.empty()) return true;
            if (s.front() != ',') return failed("bad hex list");
            s.remove_prefix(1);
            if (s == "\\") {
                std::string_view next;
                if (!nextLine(next)) return failed("hex list cut short");
                const std::size_t indent = next.find_first_not_of(' ');
                if (indent == 0 || indent == std::string_view::npos)
                    return failed("bad hex continuation");
                s = next.substr(indent);
            } else if (s.empty()) {
                return failed("hex list ends with a comma");
            }
        }
    }

    bool value(std::string_view line, RegistryKeyEntry& key) {
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            if (!quoted(line, name)) return false;
            if (!isValidValueName(name)) return failed("invalid value name");
        }
        if (line.empty() || line.front() != '=') return failed("expected '='");
        line.remove_prefix(1);
        std::string data;
        if (!line.empty() && line.front() == '"') {
            std::string text;
            if (!quoted(line, text)) return false;
            if (!line.empty()) return failed("text after the value");
            auto bytes = utf8ToCp936(text);
            if (!bytes) return failed("text outside code page 936");
            data = std::move(*bytes);
        } else if (line.substr(0, kHexPrefix.size()) == kHexPrefix) {
            if (!hexBytes(line.substr(kHexPrefix.size()), data)) return false;
        } else {
            return failed("unsupported value type");
        }
        if (!valueNames_.insert(folded(name)).second) return failed("value listed twice");
        key.values.push_back(RegistryValue{std::move(name), std::move(data)});
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
    std::string error_;
    RegistryDocument doc_;
    std::unordered_set<std::u32string> keyNames_;
    std::unordered_set<std::u32string> valueNames_;  // of the current key
};

}  // namespace

RegistryParseResult parseRegistry(std::string_view text, RegistryRoot root) {
    return Parser(text, root).run();
}

// ---------------------------------------------------------------------------------------
// Writing

namespace {

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// The text form is chosen only when reading it back yields the very same bytes.
std::optional<std::string> asText(std::string_view data) {
    auto text = cp936ToUtf8(data);
    if (!text || hasControl(*text)) return std::nullopt;
    auto back = utf8ToCp936(*text);
    if (!back || *back != data) return std::nullopt;
    return text;
}

void appendHex(std::string& out, std::string_view data, std::size_t column) {
    static constexpr char kDigits[] = "0123456789abcdef";
    constexpr std::size_t kWidth = 77;
    out += kHexPrefix;
    column += kHexPrefix.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::size_t tokenSize = i + 1 < data.size() ? 3 : 2;
        if (i > 0 && column + tokenSize > kWidth) {
            out += "\\\n  ";
            column = 2;
        }
        const auto b = static_cast<unsigned char>(data[i]);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
        if (i + 1 < data.size()) out += ',';
        column += tokenSize;
    }
}

}  // namespace

std::string serializeRegistry(const RegistryDocument& document) {
    std::string out(kRegistryFileHeader);
    out += '\n';
    for (const RegistryKeyEntry& key : document.keys) {
        out += "\n[";
        out += registryRootName(document.root);
        if (!key.path.empty()) {
            out += '\\';
            out += key.path;
        }
        out += "]\n";
        for (const RegistryValue& v : key.values) {
            const std::size_t lineStart = out.size();
            if (v.name.empty()) {
                out += '@';
            } else {
                appendQuoted(out, v.name);
            }
            out += '=';
            if (auto text = asText(v.data)) {
                appendQuoted(out, *text);
            } else {
                appendHex(out, v.data, out.size() - lineStart);
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace tv
