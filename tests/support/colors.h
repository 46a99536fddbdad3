#pragma once
// The headless backend paints with the classic scheme: a stored colour as the tests'
// windows show it.

#include "gfx/color.h"

namespace tv::test {

inline Pixel classicPixel(TColor c) {
    return toPixel(c, SystemColors::classic());
}

}  // namespace tv::test
