// tolvane-snapshot DIR: renders the main window in each of its pages and sidebar states,
// and the About dialog, into PNG files, headlessly, with the real fonts and pictures.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#include "about/form3.h"
#include "gfx/png.h"
#include "host/recording_host.h"
#include "mainwindow/form1.h"
#include "platform/headless/headless_platform.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "widgets/application.h"

namespace {

using namespace tv;

void save(TForm& form, const std::string& path) {
    form.paintAll();
    auto& w = form.window();
    savePng(path, w.pixels(), w.size().width, w.size().height, w.stride());
    std::printf("%s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvane-snapshot DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    try {
        std::filesystem::create_directories(dir);
        platform::HeadlessPlatform platform;
        auto fonts = FontEngine::create();
        TApplication app(platform, *fonts, "tolvane");
        RecordingHost host;
        resources::PictureLibrary pictures;
        PictureSource source = [&](const std::string& n) { return pictures.get(n); };
        LayoutDocument mainLayout(resources::text("main.json"), "main.json");
        LayoutDocument aboutLayout(resources::text("about.json"), "about.json");
        TForm1 f(app, host, mainLayout, source);
        TForm3 about(app, aboutLayout, source);
        f.setAboutForm(&about);
        f.show();

        struct Shot {
            const char* name;
            std::function<void()> before;
        };
        const Shot shots[] = {
            {"main-disk-scan", [] {}},
            {"main-net-scan", [&] { f.Panel10Click(nullptr); }},
            {"main-proxy", [&] { f.Panel12Click(nullptr); }},
            {"main-personalisation", [&] { f.Panel4Click(nullptr); }},
            {"main-options", [&] { f.Panel16Click(nullptr); }},
            {"main-help", [&] { f.Panel6Click(nullptr); }},
            {"main-hover",
             [&] {
                 f.Panel2Click(nullptr);
                 f.Panel10MouseMove(nullptr, 0, 0, 0);
             }},
        };
        for (const Shot& s : shots) {
            s.before();
            save(f, dir + "/" + s.name + ".png");
        }
        about.show();
        save(about, dir + "/about.png");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane-snapshot: %s\n", e.what());
        return 1;
    }
}
