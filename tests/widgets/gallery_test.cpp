// Draws every drawn and container kind in its states on one window with the real fonts,
// saves the picture as a test artefact (gallery.png in the build folder) and checks that
// each state looks different from the others where it must.
#include <gtest/gtest.h>

#include "gfx/png.h"
#include "support/colors.h"
#include "support/driver.h"
#include "widgets/group_box.h"
#include "widgets/label.h"
#include "widgets/message_box.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/speed_button.h"

namespace tv {
namespace {

TEST(Gallery, EveryStateDrawsAndTheStatesDiffer) {
    platform::HeadlessPlatform platform;
    auto fonts = FontEngine::create();
    TApplication app(platform, *fonts, "tolvane");
    TForm form(app, TBorderStyle::bsDialog, {420, 220}, platform::WindowRole::Main);
    form.setColor(kPageGrey);
    form.setCaption("Gallery 控件");
    form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
    auto panel = [&](int x, int y, TBevelCut cut, TPanelBorder b, const char* cap,
                     TColor c) -> TPanel& {
        auto& p = form.make<TPanel>();
        p.setParent(&form);
        p.setBounds(x, y, 100, 30);
        p.setBevelOuter(cut);
        p.setBorderStyle(b);
        p.setCaption(cap);
        p.setColor(c);
        return p;
    };
    panel(8, 8, TBevelCut::bvRaised, TPanelBorder::bsNone, "扫描硬盘", kItemGrey);
    panel(116, 8, TBevelCut::bvLowered, TPanelBorder::bsNone, "   更新病毒库", kHoverColor);
    panel(224, 8, TBevelCut::bvRaised, TPanelBorder::bsSingle, "确 定", kPageGrey);
    auto& header =
        panel(8, 46, TBevelCut::bvRaised, TPanelBorder::bsNone, "网络安全", clBackground);
    header.setFont(TFont{{"宋体", 12, true}, clWhite});
    auto& g = form.make<TGroupBox>();
    g.setParent(&form);
    g.setBounds(116, 46, 200, 80);
    g.setCaption("个性设置");
    g.setFont(TFont{{"宋体", 12, false}, clNavy});
    TSpeedButton* buttons[3];
    for (int i = 0; i < 3; ++i) {
        auto& b = form.make<TSpeedButton>();
        b.setParent(&g);
        b.setBounds(8 + i * 62, 24, 60, 22);
        b.setFlat(true);
        b.setCaption("设定标题");
        buttons[i] = &b;
    }
    auto& l = form.make<TLabel>();
    l.setParent(&form);
    l.setBounds(8, 140, 0, 13);
    l.setFont(TFont{{"宋体", 13, true}, clRed});
    l.setCaption(">> 托尔万(Tolvane)V2.1（增强版）");
    TProgressBar* bars[3];
    for (int i = 0; i < 3; ++i) {
        auto& b = form.make<TProgressBar>();
        b.setParent(&form);
        b.setBounds(8, 160 + i * 16, 300, 12);
        b.setPosition(i * 50);
        bars[i] = &b;
    }
    form.show();
    // Hot, down and resting flat buttons.
    test::Driver drv(platform, app);
    drv.start();
    const Rect b1 = buttons[1]->windowRect(), b2 = buttons[2]->windowRect();
    drv.move(form, {b2.left + 5, b2.top + 5});
    drv.press(form, {b2.left + 5, b2.top + 5});
    drv.move(form, {b1.left + 5, b1.top + 5});  // pressed b2, pointer over b1: b2 raised
    drv.move(form, {b2.left + 5, b2.top + 5});  // back in: b2 sunken
    auto& w = *platform.window(form.window().id());
    savePng(std::string(TV_GALLERY_DIR) + "/gallery.png", w.buffer(), w.size().width,
            w.size().height, w.stride());
    auto crop = [&](const Rect& r) {
        std::vector<Pixel> v;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) v.push_back(w.pixelAt(x, y));
        return v;
    };
    EXPECT_NE(crop(buttons[0]->windowRect()), crop(buttons[2]->windowRect()));
    EXPECT_EQ(w.pixelAt(b2.left, b2.top), test::classicPixel(clBtnShadow));
    EXPECT_EQ(w.pixelAt(buttons[0]->windowRect().left, buttons[0]->windowRect().top),
              test::classicPixel(kPageGrey));
    EXPECT_NE(crop(bars[0]->windowRect()), crop(bars[1]->windowRect()));
    EXPECT_NE(crop(bars[1]->windowRect()), crop(bars[2]->windowRect()));
    drv.release(form, {b2.left + 5, b2.top + 5});
}

}  // namespace
}  // namespace tv
