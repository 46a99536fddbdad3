#pragma once
// Decodes the embedded pictures on first use and shares each decoded picture between the
// widgets that show it (the two scan buttons share one glyph, and so on).

#include <map>
#include <memory>
#include <string>

#include "gfx/picture.h"

namespace tv::resources {

class PictureLibrary {
  public:
    // Null when no embedded file has that name; throws PictureError when it is damaged.
    std::shared_ptr<const Picture> get(const std::string& name);

  private:
    std::map<std::string, std::shared_ptr<const Picture>> cache_;
};

}  // namespace tv::resources
