#pragma once
// The real backend over SDL2 on X11: software window surfaces (no OpenGL), our own
// frames (every window is borderless; the widgets draw captions and edges), and the
// pointer's screen position read from the X server, which SDL's global mouse state does
// not follow when another program moves the pointer.

#include <memory>

#include "platform/platform.h"

namespace tv::platform {

// Initialises SDL's video subsystem; throws std::runtime_error when no display can be
// opened.
std::unique_ptr<Platform> createSdlPlatform();

}  // namespace tv::platform
