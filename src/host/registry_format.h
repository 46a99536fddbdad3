#pragma once
// The text form of one registry root, as the store keeps it on disk:
//
//   TOLVANE REGISTRY 1
//
//   [HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main]
//   "Window Title"="托尔万(Tolvane)"
//   @="the key's unnamed value"
//   "Odd"=hex(1):b1,0a,ed
//
// The file is UTF-8 with LF endings (a CR before an LF is accepted when reading). Every
// value is a string value whose data are code page 936 bytes. Data that read back as the
// same bytes through UTF-8 and hold no control character are written as quoted text,
// with only \\ and \" escaped; anything else is written as hex(1): bytes, wrapped with
// ",\" line continuations as registry exports do, so every byte string survives.
// Names of keys and values compare without regard to letter case and keep the case they
// were created with.
//
// The parser reads exactly what the writer writes and rejects everything else (comments,
// deletion markers, other value types, duplicate keys or values, keys of another root),
// so a damaged file is reported, never guessed at.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_services.h"

namespace tv {

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
std::string_view registryRootName(RegistryRoot root);

// Compares two key paths or value names the way the registry does: letters of either
// case match (ASCII, Latin-1, Greek, Cyrillic, full-width Latin and Roman numerals, the
// cased letters code page 936 carries).
bool registryNamesEqual(std::string_view a, std::string_view b);

// A key or value name the store can hold: valid UTF-8, representable in code page 936,
// no control characters. Key names additionally may not be empty or contain '\'.
bool isValidValueName(std::string_view name);
bool isValidKeyName(std::string_view name);

// Splits "A\B\C" into its key names. The empty path is the root itself (no names).
// Empty when a name is invalid, including the empty names of "\A", "A\\B" and "A\".
std::optional<std::vector<std::string>> splitKeyPath(std::string_view path);

struct RegistryValue {
    std::string name;  // UTF-8; empty for the key's unnamed value
    std::string data;  // code page 936 bytes, without a terminating zero
};

struct RegistryKeyEntry {
    std::string path;  // relative to the root, names joined by '\'; empty for the root
    std::vector<RegistryValue> values;

    RegistryValue* findValue(std::string_view name);
    const RegistryValue* findValue(std::string_view name) const;
    // Sets a value, adding it when it is new; false when it already held that data.
    bool setValue(std::string_view name, std::string_view data);
    // Removes a value; false when there was none of that name.
    bool eraseValue(std::string_view name);
};

struct RegistryDocument {
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::vector<RegistryKeyEntry> keys;  // in file order

    RegistryKeyEntry* findKey(std::string_view path);
    const RegistryKeyEntry* findKey(std::string_view path) const;
    // Finds the key or appends it and every missing key above it. The path must have
    // passed splitKeyPath. Returns true in `created` when anything was added.
    RegistryKeyEntry& ensureKey(std::string_view path, bool* created = nullptr);
};

struct RegistryParseResult {
    std::optional<RegistryDocument> document;
    std::string error;  // "line N: what is wrong" when document is empty
};

inline constexpr std::string_view kRegistryFileHeader = "TOLVANE REGISTRY 1";

RegistryParseResult parseRegistry(std::string_view text, RegistryRoot root);
std::string serializeRegistry(const RegistryDocument& document);

}  // namespace tv
