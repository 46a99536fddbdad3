// The flat button's state machine, row by row, and its layout.
#include <gtest/gtest.h>

#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/image.h"
#include "widgets/speed_button.h"
#include "widgets/timer.h"

namespace tv {
namespace {

struct Flat : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {300, 200}, platform::WindowRole::Main};
    test::Driver drv{platform, app};
    TSpeedButton& b = form.make<TSpeedButton>();
    TImage& surface = form.make<TImage>();
    int clicks = 0;
    Flat() {
        form.setColor(RGB(9, 9, 9));
        form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
        surface.setParent(&form);
        surface.setBounds(0, 150, 300, 50);
        b.setParent(&form);
        b.setBounds(100, 100, 80, 25);
        b.setFlat(true);
        b.OnClick = [this](TObject*) { ++clicks; };
        form.show();
        drv.start();
    }
    Pixel at(int x, int y) { return platform.window(form.window().id())->pixelAt(x, y); }
};

TEST_F(Flat, AtRestNothingIsDrawnAndHoverRaisesAOnePixelEdge) {
    EXPECT_EQ(at(100, 100), test::classicPixel(RGB(9, 9, 9)));
    drv.move(form, {110, 110});
    EXPECT_TRUE(b.hot());
    EXPECT_EQ(at(100, 100), test::classicPixel(clBtnHighlight));
    EXPECT_EQ(at(179, 124), test::classicPixel(clBtnShadow));
    drv.move(form, {10, 10});
    EXPECT_FALSE(b.hot());
    EXPECT_EQ(at(100, 100), test::classicPixel(RGB(9, 9, 9)));
}

TEST_F(Flat, PressedDraggedOutAndReleasedOutsideFiresNothingAndEndsAtRest) {
    drv.move(form, {110, 110});
    drv.press(form, {110, 110});
    EXPECT_TRUE(b.down());
    EXPECT_EQ(at(100, 100), test::classicPixel(clBtnShadow));  // sunken
    drv.move(form, {10, 10});
    EXPECT_FALSE(b.down());
    EXPECT_TRUE(b.hot());  // still hot during the press: drawn raised outside
    EXPECT_EQ(at(100, 100), test::classicPixel(clBtnHighlight));
    drv.release(form, {10, 10});
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(b.down());
    EXPECT_FALSE(b.hot());
    EXPECT_EQ(at(100, 100), test::classicPixel(RGB(9, 9, 9)));
    EXPECT_FALSE(platform.window(form.window().id())->captured()) << "the mouse is free again";
}

TEST_F(Flat, DraggedOutAndBackInAndReleasedInsideFiresOneClick) {
    drv.move(form, {110, 110});
    drv.press(form, {110, 110});
    drv.move(form, {10, 10});
    drv.move(form, {120, 110});
    EXPECT_TRUE(b.down());
    drv.release(form, {120, 110});
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.hot());  // the pointer is still over it
}

TEST_F(Flat, ADoubleClickIsTwoClicks) {
    drv.doubleClick(form, {110, 110});
    EXPECT_EQ(clicks, 2);
}

TEST_F(Flat, NoLightingWhileAnotherWidgetHoldsTheMouse) {
    drv.move(form, {10, 160});
    drv.press(form, {10, 160});  // the image takes the mouse
    drv.move(form, {110, 110});
    EXPECT_FALSE(b.hot());
    EXPECT_EQ(at(100, 100), test::classicPixel(RGB(9, 9, 9)));
    drv.release(form, {110, 110});
    EXPECT_EQ(clicks, 0);
}

// The click opens a notice and the pointer moves on meanwhile: once the notice is closed
// the button is lit only if the pointer is over it now, wherever the release was.
TEST_F(Flat, AfterAClickThatOpenedANoticeTheHotStateFollowsThePointerNow) {
    b.OnClick = [this](TObject*) {
        ++clicks;
        app.messageBox("完成", "托尔万(Tolvane)", MB_OK);
    };
    const struct {
        const char* name;
        Point pointer;  // where the pointer goes over the form under the notice
        bool byButton;  // the notice closed with its button (the pointer goes there)
        bool hot;
    } rows[] = {
        {"closed with its button, off the form", {10, 10}, true, false},
        {"closed with Enter, pointer elsewhere on the form", {10, 10}, false, false},
        {"closed with Enter, pointer back on the button", {150, 110}, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        drv.click(form, {110, 110});
        ASSERT_NE(drv.topBox(), nullptr);
        drv.move(form, row.pointer);
        if (row.byButton)
            drv.dismissBox();
        else
            drv.key(*drv.topBox(), platform::Key::Return);
        ASSERT_EQ(drv.topBox(), nullptr);
        drv.advance(0);
        EXPECT_EQ(b.hot(), row.hot);
        EXPECT_EQ(at(100, 100),
                  row.hot ? test::classicPixel(clBtnHighlight) : test::classicPixel(RGB(9, 9, 9)));
        drv.move(form, {10, 10});
    }
}

// Only a change of look repaints, and then only the button: moves inside a lit button and
// a drag from another widget across it draw nothing.
TEST_F(Flat, RepaintsOnlyWhenItsLookChanges) {
    const Rect button{100, 100, 180, 125};
    const struct {
        const char* name;
        bool lit;        // the pointer is over it first
        bool imageHeld;  // the picture below has the mouse
        std::vector<Point> moves;
        std::vector<Rect> presented;
    } rows[] = {
        {"the pointer enters", false, false, {{110, 110}}, {button}},
        {"moves inside the lit button", true, false, {{120, 115}, {170, 120}}, {}},
        {"the pointer leaves", true, false, {{10, 10}}, {button}},
        {"a drag from the picture across it and off",
         false,
         true,
         {{110, 110}, {120, 115}, {10, 10}},
         {}},
    };
    auto& win = *platform.window(form.window().id());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        drv.move(form, row.lit ? Point{105, 105} : Point{250, 10});
        if (row.imageHeld) {
            drv.move(form, {10, 160});
            drv.press(form, {10, 160});
        }
        win.clearPresented();
        for (Point p : row.moves) drv.move(form, p);
        EXPECT_EQ(win.presented(), row.presented);
        if (row.imageHeld) drv.release(form, row.moves.back());
        drv.move(form, {250, 10});
    }
}

// A notice that comes up while the button is held ends the press: releasing afterwards
// clicks nothing, and hovering lights the button without sinking it.
TEST_F(Flat, ANoticeDuringThePressEndsIt) {
    auto& timer = form.make<TTimer>();
    timer.setInterval(100);
    timer.setOnTimer([&](TObject*) {
        timer.setEnabled(false);
        app.messageBox("完成", "托尔万(Tolvane)", MB_OK);
    });
    drv.move(form, {110, 110});
    drv.press(form, {110, 110});
    drv.advance(100);
    ASSERT_NE(drv.topBox(), nullptr);
    EXPECT_FALSE(b.down());
    drv.key(*drv.topBox(), platform::Key::Return);
    drv.release(form, {110, 110});
    EXPECT_EQ(clicks, 0);
    drv.move(form, {120, 110});
    EXPECT_FALSE(b.down());
    drv.move(form, {10, 10});
    drv.move(form, {120, 110});
    EXPECT_TRUE(b.hot());
    EXPECT_FALSE(b.down());
    drv.move(form, {10, 10});
    EXPECT_FALSE(b.hot());
}

// Hidden while lit or held, the button is at rest at once and lets the mouse go: the
// release afterwards clicks nothing.
TEST_F(Flat, HiddenWhileLitOrHeldItIsAtRest) {
    for (bool held : {false, true}) {
        SCOPED_TRACE(held ? "held" : "lit");
        drv.move(form, {110, 110});
        if (held) drv.press(form, {110, 110});
        b.setVisible(false);
        drv.advance(0);
        EXPECT_FALSE(b.hot());
        EXPECT_FALSE(b.down());
        EXPECT_FALSE(platform.window(form.window().id())->captured());
        if (held) drv.release(form, {110, 110});
        b.setVisible(true);
        drv.move(form, {10, 10});
    }
    EXPECT_EQ(clicks, 0);
}

// Handlers bound to the mouse events hear button-relative points, after the button's own
// change: the press sees it sunk, the release comes after the click.
TEST_F(Flat, BoundMouseHandlersHearRelativePointsAfterTheButtonsOwnChange) {
    std::vector<std::string> heard;
    auto say = [&](const char* what, int x, int y) {
        heard.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) +
                        (b.down() ? " down" : ""));
    };
    b.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { say("press", x, y); };
    b.OnMouseMove = [&](TObject*, TShiftState, int x, int y) { say("move", x, y); };
    b.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) { say("release", x, y); };
    b.OnClick = [&](TObject*) { heard.push_back("click"); };
    drv.move(form, {110, 110});
    drv.press(form, {110, 110});
    drv.move(form, {120, 111});
    drv.release(form, {120, 111});
    EXPECT_EQ(heard, (std::vector<std::string>{"move 10,10", "press 10,10 down", "move 20,11 down",
                                               "click", "release 20,11"}));
}

TEST_F(Flat, ContentMovesOnePixelRightAndDownWhilePressed) {
    b.setCaption("AB");
    Rect up = b.textRect();
    drv.move(form, {110, 110});
    drv.press(form, {110, 110});
    Rect down = b.textRect();
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    drv.release(form, {110, 110});
}

TEST_F(Flat, CaptionAloneIsCentredAndAGlyphPairsWithItFourPixelsApart) {
    b.setCaption("AB");  // 12 x 13 in the fake form font
    // Q is 78 x 23: margin (78 - 12 + 1) / 2 = 33, plus Q's left 1.
    EXPECT_EQ(b.textRect().left, 34);
    EXPECT_EQ(b.textRect().top, 1 + (23 - 13 + 1) / 2);
    auto glyph = std::make_shared<Picture>();
    Image img;
    img.width = img.height = 16;
    img.pixels.assign(256, rgb(255, 255, 255));
    glyph->images.push_back(img);
    b.setGlyph(glyph);
    // 16 + 4 + 12 = 32: margin (78 - 32 + 1) / 2 = 23.
    EXPECT_EQ(b.glyphPos(), (Point{1 + 23, 1 + (23 - 16 + 1) / 2}));
    EXPECT_EQ(b.textRect().left, 1 + 23 + 16 + 4);
}

TEST_F(Flat, GlyphPixelsOfTheBottomLeftColourAreTransparent) {
    auto glyph = std::make_shared<Picture>();
    Image img;
    img.width = img.height = 16;
    img.pixels.assign(256, rgb(255, 255, 255));
    img.pixels[0] = rgb(0, 128, 0);
    glyph->images.push_back(img);
    b.setGlyph(glyph);
    drv.advance(1);
    Point g = b.glyphPos();
    EXPECT_EQ(at(100 + g.x, 100 + g.y), rgb(0, 128, 0));
    EXPECT_EQ(at(100 + g.x + 5, 100 + g.y + 5), test::classicPixel(RGB(9, 9, 9)));
}

}  // namespace
}  // namespace tv
