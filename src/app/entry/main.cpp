// The program's entry: the application object, the main window from its layout, the
// hidden About dialog, then the event loop until the main window closes. The main window
// is painted before anything else is made: the platform opens its input method after that
// first frame, when the program first waits for input.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "a11y/loader.h"
#include "about/form3.h"
#include "host/linux_host.h"
#include "mainwindow/form1.h"
#include "platform/x11/x11_platform.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "widgets/application.h"

namespace {

std::string executablePath(char** argv) {
    std::string path = tv::platform::executablePath();
    if (path.empty()) path = argv && argv[0] ? argv[0] : "tolvane";
    return path;
}

}  // namespace

int main(int /*argc*/, char** argv) {
    using namespace tv;
    const char* trace = std::getenv("TOLVANE_TRACE_STARTUP");
    const bool tracing = trace && std::string(trace) == "1";
    std::unique_ptr<platform::Platform> platform;
    try {
        std::function<void()> onInputReady;
        if (tracing)
            onInputReady = [] {
                std::fputs("tolvane: ready for input\n", stderr);
                std::fflush(stderr);
            };
        platform = platform::createX11Platform(std::move(onInputReady));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane: %s\n", e.what());
        return 1;
    }
    try {
        auto fonts = FontEngine::create();
        TApplication app(*platform, *fonts,
                         TApplication::titleFromExecutable(executablePath(argv)));
        if (tracing)
            app.onFirstFrame = [] {
                std::fputs("tolvane: first frame presented\n", stderr);
                std::fflush(stderr);
            };
        LinuxHostServices host([&platform] {
            Point p = platform->cursorPos();
            return ScreenPoint{p.x, p.y};
        });
        resources::PictureLibrary pictures;
        PictureSource source = [&pictures](const std::string& name) { return pictures.get(name); };
        LayoutDocument mainLayout(resources::text("main.json"), "main.json");
        LayoutDocument aboutLayout(resources::text("about.json"), "about.json");

        TForm1 form1(app, host, mainLayout, source);
        form1.show();
        app.paintAll();
        TForm3 form3(app, aboutLayout, source);
        form1.setAboutForm(&form3);
        // After the first frame, and only when assistive technology asks for it; it goes
        // before the forms it describes.
        const std::unique_ptr<a11y::Bridge> accessibility =
            a11y::startBridgeIfWanted(app, executablePath(argv));
        if (tracing && accessibility) {
            std::fputs("tolvane: accessibility bridge started\n", stderr);
            std::fflush(stderr);
        }
        app.run();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane: %s\n", e.what());
        return 1;
    }
}
