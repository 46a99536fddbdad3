#pragma once
// SDL is loaded when the program first needs input, after the main window is on the
// screen: linking it would make the loader map its sixty-odd libraries (audio, Wayland,
// D-Bus...) before main(). The functions the backend calls are read once into this table.

#include <SDL.h>

#include <memory>

struct SDL_SysWMinfo;

namespace tv::platform {

#define TV_SDL_FUNCTIONS(X)           \
    X(Init)                           \
    X(SetHint)                        \
    X(SetHintWithPriority)            \
    X(GetError)                       \
    X(EventState)                     \
    X(PollEvent)                      \
    X(WaitEventTimeout)               \
    X(CreateSystemCursor)             \
    X(FreeCursor)                     \
    X(SetCursor)                      \
    X(CreateWindow)                   \
    X(CreateWindowFrom)               \
    X(DestroyWindow)                  \
    X(GetWindowID)                    \
    X(GetWindowFromID)                \
    X(GetWindowSurface)               \
    X(UpdateWindowSurfaceRects)       \
    X(GetWindowPosition)              \
    X(SetWindowPosition)              \
    X(ShowWindow)                     \
    X(HideWindow)                     \
    X(GetWindowFlags)                 \
    X(RaiseWindow)                    \
    X(SetWindowInputFocus)            \
    X(MinimizeWindow)                 \
    X(RestoreWindow)                  \
    X(SetWindowTitle)                 \
    X(SetWindowIcon)                  \
    X(SetWindowModalFor)              \
    X(CreateRGBSurfaceWithFormatFrom) \
    X(FreeSurface)                    \
    X(CaptureMouse)                   \
    X(SetTextInputRect)               \
    X(StartTextInput)                 \
    X(StopTextInput)                  \
    X(GetModState)                    \
    X(GetMouseState)                  \
    X(GetGlobalMouseState)            \
    X(GetDisplayBounds)               \
    X(GetClipboardText)               \
    X(SetClipboardText)               \
    X(free)

struct SdlApi {
#define TV_SDL_MEMBER(name) decltype(&::SDL_##name) name = nullptr;
    TV_SDL_FUNCTIONS(TV_SDL_MEMBER)
#undef TV_SDL_MEMBER
    // Declared apart: its header brings Xlib's macros.
    SDL_bool (*GetWindowWMInfo)(SDL_Window*, ::SDL_SysWMinfo*) = nullptr;

    // The X display and window under an SDL window; false when it is not an X11 one.
    bool x11Handles(SDL_Window* w, void*& display, unsigned long& window) const;

    // Opens the shared library and reads every function; throws std::runtime_error naming
    // what is missing. The library stays loaded until the process ends.
    static std::unique_ptr<SdlApi> load();
};

}  // namespace tv::platform
