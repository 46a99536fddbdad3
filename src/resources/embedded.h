#pragma once
// The layouts and pictures, compiled into the program: nothing is read from disk at
// start, so the program runs from wherever it is copied.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tv::resources {

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const std::size_t kEmbeddedFileCount;

// The bytes of an embedded file by its name ("main.json", "logo.jpg"); empty if missing.
std::span<const std::uint8_t> file(std::string_view name);
inline std::string_view text(std::string_view name) {
    auto b = file(name);
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

}  // namespace tv::resources
