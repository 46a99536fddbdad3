#pragma once
// The real backend on X11. The main window is put on the screen over plain Xlib first;
// SDL2 (loaded then) reads the input: keyboard, input methods, clipboard, cursors. Every
// window is borderless with a software buffer (the widgets draw captions and edges), and
// frames go to the server with XPutImage. The pointer's screen position is read from the
// X server, which SDL's global mouse state does not follow when another program moves it.

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace tv::platform {

// Opens the display; throws std::runtime_error when it cannot. SDL is loaded when the
// program first waits for input; `onInputReady` runs once it reads the main window's input.
std::unique_ptr<Platform> createSdlPlatform(std::function<void()> onInputReady = {});

// The running executable's own path as the kernel knows it ("" when it cannot be read):
// argv[0] is whatever the caller chose, and may be missing altogether.
std::string executablePath();

}  // namespace tv::platform
