#include "a11y/loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "a11y/bus_status.h"

namespace tv::a11y {

std::unique_ptr<Bridge> startBridgeIfWanted(TApplication& app, const std::string& executable) {
    const char* off = std::getenv("NO_AT_BRIDGE");
    if (off && std::strcmp(off, "1") == 0) return nullptr;
    if (accessibilityBusStatus(std::getenv("DBUS_SESSION_BUS_ADDRESS"), 500) != BusStatus::Enabled)
        return nullptr;
    const std::size_t slash = executable.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : executable.substr(0, slash);
    void* module = nullptr;
    for (const char* place : {"/../lib/tolvane/tolvane-atk.so", "/tolvane-atk.so"})
        if ((module = dlopen((dir + place).c_str(), RTLD_NOW | RTLD_LOCAL))) break;
    if (!module) {
        std::fprintf(stderr, "tolvane: accessibility: %s\n", dlerror());
        return nullptr;
    }
    // The module stays loaded: GLib and its types cannot be unloaded.
    using Start = Bridge* (*)(TApplication*);
    auto start = reinterpret_cast<Start>(dlsym(module, "tolvane_atk_start"));
    if (!start) {
        std::fprintf(stderr, "tolvane: accessibility: %s\n", dlerror());
        return nullptr;
    }
    return std::unique_ptr<Bridge>(start(&app));
}

}  // namespace tv::a11y
