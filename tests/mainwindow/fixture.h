#pragma once
// The two windows as the program builds them, on the headless backend with the test
// font, the real layouts and pictures, and a recording host whose cursor can be scripted.

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "about/form3.h"
#include "host/recording_host.h"
#include "mainwindow/form1.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/memo.h"

namespace tv::test {

// A recording host that can also move the cursor between two reads of one handler, and
// tell a test the moment a program or an address is launched.
struct ScriptedHost : RecordingHost {
    std::deque<ScreenPoint> nextReads;  // read first, one per read, and then kept
    std::function<void()> onLaunch;
    ScreenPoint cursorPos() override {
        if (!nextReads.empty()) {
            setCursorPos(nextReads.front());
            nextReads.pop_front();
        }
        return RecordingHost::cursorPos();
    }
    void runCommand(const std::string& commandLine, int showFlag) override {
        if (onLaunch) onLaunch();
        RecordingHost::runCommand(commandLine, showFlag);
    }
    void openAddress(const std::string& address) override {
        if (onLaunch) onLaunch();
        RecordingHost::openAddress(address);
    }
};

struct Program {
    platform::HeadlessPlatform platform;
    FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    ScriptedHost host;
    resources::PictureLibrary pictures;
    PictureSource source = [this](const std::string& n) { return pictures.get(n); };
    LayoutDocument mainLayout{resources::text("main.json"), "main.json"};
    LayoutDocument aboutLayout{resources::text("about.json"), "about.json"};
    TForm1 form1{app, host, mainLayout, source};
    TForm3 form3{app, aboutLayout, source};
    Driver drv{platform, app};
    std::vector<TApplication::BoxRecord> boxes;

    Program() {
        form1.setAboutForm(&form3);
        app.onMessageBox = [this](const TApplication::BoxRecord& r) { boxes.push_back(r); };
        form1.show();
        drv.start();
    }
    // A widget of either window by name; "Form3" and "Form3.Panel1" name the dialog's.
    TControl& widget(std::string_view name) {
        if (name == "Form3") return form3;
        const bool dialog = name.starts_with("Form3.");
        TForm& f = dialog ? static_cast<TForm&>(form3) : form1;
        auto* c =
            dynamic_cast<TControl*>(f.findComponent(std::string(name.substr(dialog ? 6 : 0))));
        if (!c) throw std::runtime_error("no widget " + std::string(name));
        return *c;
    }
    template <class T>
    T& get(std::string_view name) {
        auto* c = dynamic_cast<T*>(form1.findComponent(std::string(name)));
        if (!c) throw std::runtime_error("no such " + std::string(name));
        return *c;
    }
    // A point of the widget's own surface: no other widget takes the pointer there and,
    // for a windowed widget, it is inside the edge.
    Point surface(TControl& c) {
        TForm& f = c.form();
        const Rect r = &c == &f ? f.clientArea() : c.windowRect();
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (f.controlAt({x, y}) == &c &&
                    (&c == &f || c.clientArea().contains(Point{x, y} - c.windowOrigin())))
                    return {x, y};
        throw std::runtime_error(c.name() + " shows no surface of its own");
    }
    std::vector<std::string> noticeTexts() const {
        std::vector<std::string> v;
        for (const auto& b : boxes) v.push_back(b.text);
        return v;
    }
};

}  // namespace tv::test
