#pragma once
// The two windows as the program builds them, on the headless backend with the test
// font, the real layouts and pictures, and a recording host.

#include <memory>
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

struct Program {
    platform::HeadlessPlatform platform;
    FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    RecordingHost host;
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
    std::vector<std::string> noticeTexts() const {
        std::vector<std::string> v;
        for (const auto& b : boxes) v.push_back(b.text);
        return v;
    }
};

}  // namespace tv::test
