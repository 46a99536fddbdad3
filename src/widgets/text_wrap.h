#pragma once
// Breaking text into lines for the message boxes and hints: at line breaks, then at the
// last space before a Latin character that would not fit, else between characters (Chinese
// text has no spaces to break at), so that no line is wider than `width`.

#include <string>
#include <vector>

#include "gfx/font.h"

namespace tv {

std::vector<std::string> wrapText(const Font& f, const std::string& text, int width);

}  // namespace tv
