// Panels, group boxes, labels, images and progress bars: exact pixels and setter rules.
#include <gtest/gtest.h>

#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/group_box.h"
#include "widgets/image.h"
#include "widgets/label.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"

namespace tv {
namespace {

struct Paint : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {200, 120}, platform::WindowRole::Main};
    platform::HeadlessWindow& win() { return *platform.window(form.window().id()); }
    Pixel at(int x, int y) { return win().pixelAt(x, y); }
    Paint() {
        form.setColor(RGB(1, 2, 3));
        form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
    }
    void paint() { form.paintAll(); }
};

TEST_F(Paint, RaisedAndLoweredBevelsAndTheirCorners) {
    auto& a = form.make<TPanel>();
    a.setParent(&form);
    a.setBounds(10, 10, 20, 10);
    a.setColor(kItemGrey);
    auto& b = form.make<TPanel>();
    b.setParent(&form);
    b.setBounds(40, 10, 20, 10);
    b.setBevelOuter(TBevelCut::bvLowered);
    paint();
    const Pixel hi = test::classicPixel(clBtnHighlight), sh = test::classicPixel(clBtnShadow);
    EXPECT_EQ(at(10, 10), hi);
    EXPECT_EQ(at(28, 10), hi);
    EXPECT_EQ(at(29, 10), sh);  // top-right corner belongs to the right side
    EXPECT_EQ(at(10, 19), sh);  // bottom-left corner belongs to the bottom side
    EXPECT_EQ(at(29, 19), sh);
    EXPECT_EQ(at(15, 15), test::classicPixel(kItemGrey));
    EXPECT_EQ(at(40, 10), sh);
    EXPECT_EQ(at(59, 10), hi);
    EXPECT_EQ(at(40, 19), hi);
}

TEST_F(Paint, SingleBorderIsATwoPixelSunkenEdgeAndMovesTheClientArea) {
    auto& p = form.make<TPanel>();
    p.setParent(&form);
    p.setBounds(10, 10, 50, 40);
    p.setBorderStyle(TPanelBorder::bsSingle);
    p.setBevelOuter(TBevelCut::bvNone);
    p.setColor(kItemGrey);
    auto& child = form.make<TPanel>();
    child.setParent(&p);
    child.setBounds(0, 0, 5, 5);
    child.setBevelOuter(TBevelCut::bvNone);
    child.setColor(RGB(255, 0, 0));
    paint();
    EXPECT_EQ(at(10, 10), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(59, 10), test::classicPixel(clBtnHighlight));
    EXPECT_EQ(at(11, 11), test::classicPixel(cl3DDkShadow));
    EXPECT_EQ(at(58, 48), test::classicPixel(cl3DLight));
    EXPECT_EQ(at(12, 12),
              test::classicPixel(RGB(255, 0, 0)));  // the child's origin is inside the edge
    EXPECT_EQ(child.windowOrigin(), (Point{12, 12}));
}

TEST_F(Paint, ACaptionWithLeadingSpacesIsCentredWithItsSpaces) {
    auto& p = form.make<TPanel>();
    p.setParent(&form);
    p.setBounds(0, 0, 100, 30);
    p.setBevelOuter(TBevelCut::bvNone);
    p.setCaption("   AB");  // fake font: 6 pixels a Latin character at height 11
    paint();
    // Text width 30, centred in 100: starts at 35; the glyphs begin after three spaces.
    int first = -1;
    for (int x = 0; x < 100 && first < 0; ++x)
        for (int y = 0; y < 30; ++y)
            if (at(x, y) == test::classicPixel(clWindowText)) {
                first = x;
                break;
            }
    EXPECT_EQ(first, 35 + 18 + 1);
}

TEST_F(Paint, GroupBoxFrameIsEtchedAndTheCaptionBreaksIt) {
    auto& g = form.make<TGroupBox>();
    g.setParent(&form);
    g.setBounds(10, 10, 100, 60);
    g.setCaption("AB");
    paint();
    const int h = 13;  // form font line height
    EXPECT_EQ(at(10, 10 + h / 2 - 1), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(11, 10 + h / 2), test::classicPixel(clBtnHighlight));
    EXPECT_EQ(at(10 + 99, 10 + 59), test::classicPixel(clBtnHighlight));
    EXPECT_EQ(at(10 + 98, 10 + 58), test::classicPixel(clBtnShadow));
    // Inside the caption's rectangle the shadow line is covered.
    EXPECT_NE(at(10 + 8 + 6, 10 + h / 2 - 1), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(10 + 40, 10 + h / 2 - 1), test::classicPixel(clBtnShadow));
}

TEST_F(Paint, SettersGivenTheCurrentValueMarkNothing) {
    auto& p = form.make<TPanel>();
    p.setParent(&form);
    p.setBounds(0, 0, 20, 20);
    form.show();
    form.paintDamage();
    ASSERT_FALSE(form.hasDamage());
    p.setColor(p.color());
    p.setVisible(true);
    p.setCaption(p.caption());
    EXPECT_FALSE(form.hasDamage());
    p.setColor(kHoverColor);
    EXPECT_TRUE(form.hasDamage());
}

TEST_F(Paint, OnlyTheDamagedRectanglesArePresented) {
    auto& a = form.make<TPanel>();
    a.setParent(&form);
    a.setBounds(0, 0, 20, 20);
    auto& b = form.make<TPanel>();
    b.setParent(&form);
    b.setBounds(100, 50, 30, 20);
    form.show();
    form.paintDamage();
    win().clearPresented();
    a.setColor(kHoverColor);
    b.setColor(kHoverColor);
    form.paintDamage();
    ASSERT_EQ(win().presented().size(), 2u);
    EXPECT_EQ(win().presented()[0], (Rect{0, 0, 20, 20}));
    EXPECT_EQ(win().presented()[1], (Rect{100, 50, 130, 70}));
}

TEST_F(Paint, ImagesStretchEachAxisAndLeaveTheRestToTheParent) {
    auto pic = std::make_shared<Picture>();
    Image img;
    img.width = 2;
    img.height = 2;
    img.pixels = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0)};
    pic->images.push_back(img);
    auto& stretched = form.make<TImage>();
    stretched.setParent(&form);
    stretched.setBounds(0, 0, 8, 4);
    stretched.setStretch(true);
    stretched.setPicture(pic);
    auto& plain = form.make<TImage>();
    plain.setParent(&form);
    plain.setBounds(20, 0, 5, 5);
    plain.setPicture(pic);
    paint();
    EXPECT_EQ(at(3, 1), rgb(255, 0, 0));
    EXPECT_EQ(at(4, 1), rgb(0, 255, 0));
    EXPECT_EQ(at(7, 3), rgb(255, 255, 0));
    EXPECT_EQ(at(21, 1), rgb(255, 255, 0));
    EXPECT_EQ(at(23, 3), test::classicPixel(form.color()));
}

TEST_F(Paint, AutoSizeLabelTakesItsCaptionsExtent) {
    auto& l = form.make<TLabel>();
    l.setParent(&form);
    l.setBounds(64, 8, 0, 13);
    l.setFont(TFont{{"宋体", 13, true}, clWhite});
    l.setCaption("托尔万(Tolvane)V2.1（增强版）");
    // Fake metrics: 3+1+3 CJK... the label's size follows the font's extent.
    EXPECT_EQ(l.width(), l.resolvedFont().textWidth(l.caption()));
    EXPECT_EQ(l.height(), 13);
    EXPECT_EQ(l.left(), 64);
}

TEST_F(Paint, ProgressBarHoldsItsPositionInsideTheRange) {
    auto& b = form.make<TProgressBar>();
    b.setParent(&form);
    b.setBounds(0, 0, 104, 12);
    b.setPosition(150);
    EXPECT_EQ(b.position(), 100);
    EXPECT_EQ(b.filledWidth(), 100);
    b.setPosition(-3);
    EXPECT_EQ(b.position(), 0);
    b.setPosition(50);
    EXPECT_EQ(b.filledWidth(), 50);
    paint();
    EXPECT_EQ(at(3, 5), test::classicPixel(clHighlight));
    EXPECT_EQ(at(90, 5), test::classicPixel(clBtnFace));
}

TEST_F(Paint, AProgressStepThatAddsNoSegmentRepaintsNothing) {
    auto& b = form.make<TProgressBar>();
    b.setParent(&form);
    b.setBounds(0, 0, 190, 12);  // 186 pixels inside: a step is under 2 pixels
    form.show();
    form.paintDamage();
    int repaints = 0;
    for (int p = 1; p <= 100; ++p) {
        const int before = b.segmentsShown();
        b.setPosition(p);
        EXPECT_EQ(form.hasDamage(), b.segmentsShown() != before) << "at " << p;
        repaints += form.hasDamage();
        form.paintDamage();
    }
    EXPECT_EQ(repaints, b.segmentsShown());  // one repaint for each segment that appeared
    EXPECT_LT(repaints, 50);
}

// Each form resolves system colours through its own platform's scheme, at the same time:
// a desktop whose colours change repaints its windows (the form and the controls on it)
// in the new colours and leaves the windows of another desktop alone.
TEST(SystemColours, EachFormPaintsWithItsOwnPlatformsScheme) {
    struct Desktop {
        platform::HeadlessPlatform platform;
        test::FakeFontEngine fonts;
        TApplication app{platform, fonts, "tolvane"};
        TForm form{app, TBorderStyle::bsNone, {60, 40}, platform::WindowRole::Main};
        TPanel& panel = form.make<TPanel>();
        test::Driver drv{platform, app};
        Desktop() {
            form.setColor(clBackground);
            panel.setParent(&form);
            panel.setBounds(30, 10, 20, 20);
            panel.setColor(clBtnFace);
            form.show();
            drv.start();
        }
        Pixel at(Point p) { return platform.window(form.window().id())->pixelAt(p.x, p.y); }
    };
    Desktop a, b;
    a.platform.setSystemColor(clBackground, rgb(18, 52, 86));
    a.platform.setSystemColor(clBtnFace, rgb(200, 10, 10));
    a.drv.colorsChanged(a.form);
    const struct {
        Point at;
        TColor stored;
        Pixel changed;
    } rows[] = {
        {{5, 5}, clBackground, rgb(18, 52, 86)},  // the form
        {{40, 20}, clBtnFace, rgb(200, 10, 10)},  // inside the panel's bevel
    };
    for (const auto& r : rows) {
        EXPECT_EQ(a.at(r.at), r.changed) << r.stored;
        EXPECT_EQ(b.at(r.at), test::classicPixel(r.stored)) << r.stored;
        EXPECT_NE(r.changed, test::classicPixel(r.stored));
    }
}

}  // namespace
}  // namespace tv
