// The program's entry on Windows: the same application as on Linux over the native
// windows, GDI text, and the system's registry and launchers.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "a11y/msaa/msaa.h"
#include "about/form3.h"
#include "host/win32/win32_host.h"
#include "mainwindow/form1.h"
#include "platform/win32/win32_platform.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "widgets/application.h"

namespace {

// The file name without its folder; Windows paths may use either separator.
std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main() {
    using namespace tv;
    const std::string title =
        TApplication::titleFromExecutable(fileNameOf(platform::executablePath()));
    std::unique_ptr<platform::Platform> platform;
    try {
        platform = platform::createWin32Platform(title);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane: %s\n", e.what());
        return 1;
    }
    try {
        auto fonts = FontEngine::create();
        TApplication app(*platform, *fonts, title);
        const char* trace = std::getenv("TOLVANE_TRACE_STARTUP");
        if (trace && std::string(trace) == "1")
            app.onFirstFrame = [] {
                // Input is read from the start here: the window is ready with its frame.
                std::fputs("tolvane: first frame presented\ntolvane: ready for input\n", stderr);
                std::fflush(stderr);
            };
        Win32HostServices host;
        resources::PictureLibrary pictures;
        PictureSource source = [&pictures](const std::string& name) { return pictures.get(name); };
        LayoutDocument mainLayout(resources::text("main.json"), "main.json");
        LayoutDocument aboutLayout(resources::text("about.json"), "about.json");

        TForm1 form1(app, host, mainLayout, source);
        TForm3 form3(app, aboutLayout, source);
        // The browser opened for the home page is owned by the main window.
        host.setOwner([&form1] { return platform::nativeHandle(form1.window()); });
        form1.setAboutForm(&form3);
        // Screen readers and automation clients; gone before the forms.
        a11y::MsaaBridge accessibility(app);
        form1.show();
        app.run();
        return 0;
    } catch (const std::exception& e) {
        // Start-up failed (a damaged resource, no window); the box is all a user of a
        // program without a console would see.
        std::fprintf(stderr, "tolvane: %s\n", e.what());
        platform->nativeMessageBox(e.what(), title, 0x10, std::nullopt,
                                   [] { return std::optional<std::uint64_t>(); });
        return 1;
    }
}
