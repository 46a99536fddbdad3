// The hint state machine on the virtual clock, with two hinted pictures four pixels apart
// on an unhinted one, as on the title bar.
#include <gtest/gtest.h>

#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/image.h"

namespace tv {
namespace {

template <int Scale>
struct HintsAt : ::testing::Test {
    platform::HeadlessPlatform platform{{1024, 768}, Scale};
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {601, 439}, platform::WindowRole::Main};
    test::Driver drv{platform, app};
    TImage& bar = form.make<TImage>();
    TImage& min = form.make<TImage>();
    TImage& close = form.make<TImage>();
    HintController& hints = app.hints();
    HintsAt() {
        bar.setParent(&form);
        bar.setBounds(516, 0, 100, 50);
        min.setParent(&form);
        min.setBounds(558, 5, 17, 19);
        min.setHint("最小化");
        min.setShowHint(true);
        close.setParent(&form);
        close.setBounds(579, 5, 17, 19);
        close.setHint("关闭|Closes the window");
        close.setShowHint(true);
        form.moveTo({100, 100});
        form.show();
        drv.start();
    }
};
using Hints = HintsAt<1>;
using HintsAtScale2 = HintsAt<2>;

TEST_F(Hints, AppearsHalfASecondAfterThePointerStops) {
    drv.move(form, {560, 10});
    drv.advance(300);
    drv.move(form, {562, 12});  // moving again starts the wait again
    drv.advance(499);
    EXPECT_FALSE(hints.showing());
    drv.advance(1);
    ASSERT_TRUE(hints.showing());
    EXPECT_EQ(hints.shownText(), "最小化");
    // Below the pointer by the pointer's height, text size + 6.
    TForm* w = hints.window();
    EXPECT_EQ(w->screenPos(), (Point{100 + 562, 100 + 12 + platform.pointerDrop()}));
    EXPECT_EQ(w->width(), 3 * 12 + 6);
    EXPECT_EQ(w->height(), 12 + 6);
    EXPECT_EQ(platform.window(w->window().id())->role(), platform::WindowRole::Tooltip);
    EXPECT_TRUE(w->window().visible());
}

TEST_F(Hints, MovingStraightToTheNextHintedPictureSwitchesAtOnce) {
    drv.move(form, {570, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    drv.move(form, {580, 10});  // no move landed on the strip between them
    ASSERT_TRUE(hints.showing());
    EXPECT_EQ(hints.shownText(), "关闭");  // the part before "|"
}

TEST_F(Hints, AMoveOverTheStripBetweenRemovesTheHintAndTheNextWaitsAgain) {
    drv.move(form, {570, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    drv.move(form, {576, 10});
    EXPECT_FALSE(hints.showing());
    drv.move(form, {580, 10});
    drv.advance(499);
    EXPECT_FALSE(hints.showing());
    drv.advance(1);
    EXPECT_EQ(hints.shownText(), "关闭");
}

TEST_F(Hints, GoesAfterTwoAndAHalfSecondsAndNotAgainUntilThePointerLeaves) {
    drv.move(form, {560, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    drv.advance(2499);
    EXPECT_TRUE(hints.showing());
    drv.advance(1);
    EXPECT_FALSE(hints.showing());
    drv.move(form, {561, 11});
    drv.advance(5000);
    EXPECT_FALSE(hints.showing());
    drv.move(form, {540, 10});  // left it
    drv.move(form, {561, 11});
    drv.advance(500);
    EXPECT_TRUE(hints.showing());
}

TEST_F(Hints, APressRemovesTheHint) {
    drv.move(form, {560, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    drv.press(form, {560, 10});
    EXPECT_FALSE(hints.showing());
    drv.release(form, {560, 10});
    EXPECT_FALSE(hints.showing());
}

// Another program took the activation: the hint goes at once, not when its time is up.
TEST_F(Hints, GoesAtOnceWhenTheApplicationLosesTheActivation) {
    drv.move(form, {560, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    drv.windowFocus(form, false);
    EXPECT_FALSE(hints.showing());
    drv.windowFocus(form, true);
    drv.advance(3000);
    EXPECT_FALSE(hints.showing()) << "it waits for the pointer to move again";
}

// Once no hint is coming, nothing is due: the program sleeps until the next event.
TEST_F(Hints, NothingIsDueOnceNoHintIsComing) {
    const struct {
        const char* name;
        void (*act)(Hints&);
        bool due;
    } rows[] = {
        {"waiting over the picture", [](Hints&) {}, true},
        {"the pointer left for an unhinted picture",
         [](Hints& t) {
             t.drv.move(t.form, {540, 10});
         },
         false},
        {"a key", [](Hints& t) { t.drv.key(t.form, platform::Key::Down); }, false},
        {"a click",
         [](Hints& t) {
             t.drv.press(t.form, {560, 10});
             t.drv.release(t.form, {560, 10});
         },
         false},
        {"the hint came and went", [](Hints& t) { t.drv.advance(3000); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        drv.move(form, {300, 300});
        drv.move(form, {560, 10});
        row.act(*this);
        EXPECT_EQ(drv.wakeAt().has_value(), row.due);
    }
}

// The hinted picture hidden meanwhile: its hint goes at once, or never comes. Shown again
// under the pointer, its hint comes after the pause, unless it had come and gone already
// and the pointer has not left the picture since.
TEST_F(Hints, GoesWithItsControl) {
    const struct {
        const char* name;
        std::uint64_t hiddenAfter;
        bool again;
    } rows[] = {
        {"hidden while waiting", 100, true},
        {"hidden while shown", 500, true},
        {"hidden once spent", 3000, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        drv.move(form, {300, 300});
        drv.move(form, {560, 10});
        drv.advance(row.hiddenAfter);
        min.setVisible(false);
        drv.advance(0);
        EXPECT_FALSE(hints.showing());
        EXPECT_FALSE(drv.wakeAt().has_value());
        min.setVisible(true);
        drv.move(form, {561, 11});
        drv.advance(500);
        EXPECT_EQ(hints.showing(), row.again);
    }
}

TEST_F(Hints, IsKeptOnTheDesktop) {
    form.moveTo({1024 - 601, 768 - 30});
    drv.move(form, {590, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    TForm* w = hints.window();
    EXPECT_LE(w->screenPos().x + w->width(), 1024);
    EXPECT_LE(w->screenPos().y + w->height(), 768);
}

// The desktop spans every monitor: a hint over a window on the second monitor stays
// there, kept within the desktop's edge rather than the primary monitor's.
TEST_F(Hints, IsKeptOnTheDesktopAcrossMonitors) {
    platform.setMonitors({Rect::fromXYWH(0, 0, 1024, 768), Rect::fromXYWH(1024, 0, 1280, 1024)});
    form.moveTo({2304 - 601, 300});
    drv.move(form, {590, 10});
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    TForm* w = hints.window();
    EXPECT_GT(w->screenPos().x, 1024 + 601);
    EXPECT_LE(w->screenPos().x + w->width(), 2304);
    EXPECT_EQ(w->screenPos().y, 300 + 10 + platform.pointerDrop());
}

// The text is wrapped at the screen's width: before a word that does not fit, between
// characters where there are no spaces, and at line breaks; the window is the widest
// line and every line, plus 6 pixels each way. (The test font: Latin 6, Chinese 12
// pixels a character, lines 12 high.)
TEST_F(Hints, LongTextIsWrappedAtTheScreenWidth) {
    platform.setMonitors({Rect::fromXYWH(0, 0, 50, 768)});  // lines up to 44 pixels
    form.moveTo({0, 0});
    const struct {
        const char* hint;
        Size window;
    } cases[] = {
        {"最小化", {36 + 6, 12 + 6}},       {"abc def ghi", {42 + 6, 24 + 6}},  // "abc def" / "ghi"
        {"一二三四五", {36 + 6, 24 + 6}},    // "一二三" / "四五"
        {"a\r\nbb|long", {12 + 6, 24 + 6}},  // the line break; "|" ends the hint
        {"abcdefghij", {42 + 6, 24 + 6}},    // a word wider than a line breaks too
    };
    for (const auto& c : cases) {
        min.setHint(c.hint);
        drv.move(form, {300, 300});
        drv.move(form, {560, 10});
        drv.advance(500);
        ASSERT_TRUE(hints.showing()) << c.hint;
        TForm* w = hints.window();
        EXPECT_EQ((Size{w->width(), w->height()}), c.window) << c.hint;
    }
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// At scale 2 the hint goes below the pointer's screen position, is kept on the desktop by
// its size on the screen (twice its logical size) and wraps at the screen's width in
// logical pixels (half its screen pixels).
TEST_F(HintsAtScale2, IsPlacedAndWrappedInScreenPixels) {
    platform.setMonitors({Rect::fromXYWH(0, 0, 100, 768)});  // 50 logical: lines up to 44
    min.setHint("abc def ghi");
    form.moveTo({0, 100});
    drv.move(form, {560, 10});  // screen 1120, 120
    drv.advance(500);
    ASSERT_TRUE(hints.showing());
    TForm* w = hints.window();
    EXPECT_EQ(w->window().scale(), 2);
    EXPECT_EQ(w->clientRect().size(), (Size{42 + 6, 24 + 6})) << "abc def / ghi";
    EXPECT_EQ(w->screenPos(), (Point{100 - 2 * 48, 100 + 20 + platform.pointerDrop()}));
}

}  // namespace
}  // namespace tv
