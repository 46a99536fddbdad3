#pragma once
// The real backend on Linux: one Xlib connection to the X server for everything —
// windows, pixels, input, the input method, the clipboard, cursors and monitors. Every
// window is borderless with a buffer of our own (the widgets draw captions and edges),
// and frames go to the server with XPutImage.

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace tv::platform {

// Opens the display; throws std::runtime_error when it cannot. `onInputReady` runs once,
// when the main window's first frame is on the screen: its input events were asked for
// when it was made, so from then on nothing the user does is lost (it waits on the
// connection until the program reads it). Without a main window it runs at the first wait.
std::unique_ptr<Platform> createX11Platform(std::function<void()> onInputReady = {});

// The running executable's own path as the kernel knows it ("" when it cannot be read):
// argv[0] is whatever the caller chose, and may be missing altogether.
std::string executablePath();

}  // namespace tv::platform
