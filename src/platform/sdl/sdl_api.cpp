#include "platform/sdl/sdl_api.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace tv::platform {

namespace {
constexpr const char* kLibrary = "libSDL2-2.0.so.0";
}

std::unique_ptr<SdlApi> SdlApi::load() {
    void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        throw std::runtime_error(std::string("cannot load ") + kLibrary + ": " +
                                 (why ? why : "unknown error"));
    }
    auto api = std::make_unique<SdlApi>();
#define TV_SDL_LOAD(name)                                                              \
    api->name = reinterpret_cast<decltype(api->name)>(::dlsym(library, "SDL_" #name)); \
    if (!api->name) throw std::runtime_error(std::string(kLibrary) + " has no SDL_" #name);
    TV_SDL_FUNCTIONS(TV_SDL_LOAD)
    TV_SDL_LOAD(GetWindowWMInfo)
#undef TV_SDL_LOAD
    return api;
}

bool SdlApi::x11Handles(SDL_Window* w, void*& display, unsigned long& window) const {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    window = info.info.x11.window;
    return true;
}

}  // namespace tv::platform
