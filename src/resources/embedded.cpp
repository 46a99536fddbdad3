#include "resources/embedded.h"

namespace tv::resources {

std::span<const std::uint8_t> file(std::string_view name) {
    for (std::size_t i = 0; i < kEmbeddedFileCount; ++i)
        if (name == kEmbeddedFiles[i].name) return {kEmbeddedFiles[i].data, kEmbeddedFiles[i].size};
    return {};
}

}  // namespace tv::resources
