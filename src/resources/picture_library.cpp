#include "resources/picture_library.h"

#include "resources/embedded.h"

namespace tv::resources {

std::shared_ptr<const Picture> PictureLibrary::get(const std::string& name) {
    auto it = cache_.find(name);
    if (it != cache_.end()) return it->second;
    auto bytes = file(name);
    if (bytes.empty()) return nullptr;
    auto p = std::make_shared<const Picture>(loadPicture(bytes));
    cache_.emplace(name, p);
    return p;
}

}  // namespace tv::resources
