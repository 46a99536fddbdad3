// The loop, timers, message boxes and modal windows on the virtual clock.
#include <gtest/gtest.h>

#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/application.h"
#include "widgets/form.h"
#include "widgets/image.h"
#include "widgets/message_box.h"
#include "widgets/panel.h"
#include "widgets/timer.h"

namespace tv {
namespace {

using platform::HeadlessPlatform;

struct Fixture : ::testing::Test {
    HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm main{app, TBorderStyle::bsNone, {601, 439}, platform::WindowRole::Main};
    TForm dialog{app, TBorderStyle::bsDialog, {347, 190}, platform::WindowRole::Dialog};
    test::Driver drv{platform, app};
    std::vector<std::string> boxes;
    Fixture() {
        main.setName("Form1");
        dialog.setName("Form3");
        dialog.setPosition(TPosition::poScreenCenter);
        app.onMessageBox = [this](const TApplication::BoxRecord& r) { boxes.push_back(r.text); };
    }
    void startShown() {
        main.show();
        drv.start();
    }
    // A timer on the main form that opens one box on its first tick.
    TTimer& openBoxAfter(int ms) {
        auto& t = main.make<TTimer>();
        t.setInterval(ms);
        t.setOnTimer([this, &t](TObject*) {
            t.setEnabled(false);
            app.messageBox("text", "托尔万(Tolvane)", MB_OK);
        });
        return t;
    }
};

// A single border's sunken edge lies outside the panel's client area: there the panel
// gets no mouse input (no move, press or click), its parent none either, and the pointer
// is the arrow. A press inside that is released on the edge makes no click.
TEST_F(Fixture, ASunkenEdgeTakesNoMouseInputAndMakesNoClick) {
    auto& panel = main.make<TPanel>();
    panel.setParent(&main);
    panel.setBounds(100, 100, 80, 30);
    panel.setBorderStyle(TPanelBorder::bsSingle);
    panel.setCursor(TCursor::crHandPoint);
    int panelMoves = 0, formMoves = 0, presses = 0, clicks = 0;
    panel.OnMouseMove = [&](TObject*, TShiftState, int, int) { ++panelMoves; };
    panel.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
    panel.OnClick = [&](TObject*) { ++clicks; };
    main.OnMouseMove = [&](TObject*, TShiftState, int, int) { ++formMoves; };
    startShown();
    const auto& win = *platform.window(main.window().id());

    for (Point edge : {Point{100, 100}, Point{101, 115}, Point{179, 129}, Point{140, 128}}) {
        drv.move(main, edge);
        drv.click(main, edge);
    }
    EXPECT_EQ(panelMoves, 0);
    EXPECT_EQ(formMoves, 0);
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(win.cursor(), platform::Cursor::Arrow);

    drv.move(main, {102, 102});  // the first client pixel
    EXPECT_EQ(panelMoves, 1);
    EXPECT_EQ(win.cursor(), platform::Cursor::HandPoint);
    drv.click(main, {102, 102});
    EXPECT_EQ(clicks, 1);

    drv.press(main, {140, 115});
    drv.move(main, {140, 129});
    drv.release(main, {140, 129});
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(clicks, 1) << "released on the edge";
}

// Minimising twice pairs the top-most level once. Where the window manager does not
// iconify the window, asking again asks the window again instead of doing nothing for
// the rest of the run.
TEST_F(Fixture, MinimisingAgainAsksTheWindowAgainWhenItWasNotIconified) {
    main.show();  // no loop needed: minimising is a call of its own
    auto& win = *platform.window(main.window().id());
    win.setRefusesMinimize(true);
    app.minimize();
    app.minimize();
    EXPECT_EQ(win.minimizeRequests(), 2);
    EXPECT_EQ(app.topMostLevel(), 1);

    win.setRefusesMinimize(false);
    app.minimize();
    EXPECT_TRUE(win.minimized());
    app.minimize();
    EXPECT_EQ(win.minimizeRequests(), 3) << "an iconified window is not asked again";
    app.restore();
    EXPECT_EQ(app.topMostLevel(), 0);
    EXPECT_FALSE(win.minimized());
}

// With two monitors, a window shown centred lands on the primary one, and a box is
// centred on the monitor of the active window, wherever the main window is.
TEST_F(Fixture, WindowsCentreOnThePrimaryMonitorAndBoxesOnTheActiveWindowsOne) {
    const Rect primary = Rect::fromXYWH(0, 0, 1024, 768);
    const Rect second = Rect::fromXYWH(1024, -200, 1280, 1024);
    platform.setMonitors({primary, second});
    main.setPosition(TPosition::poScreenCenter);
    openBoxAfter(10);
    startShown();
    EXPECT_EQ(main.screenPos(), (Point{(1024 - 601) / 2, (768 - 439) / 2}));

    main.moveTo({1500, 100});
    drv.advance(10);
    TForm* box = drv.topBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->screenPos(), (Point{second.left + (second.width() - box->width()) / 2,
                                       second.top + (second.height() - box->height()) / 2}));
    drv.key(*box, platform::Key::Return);
}

TEST_F(Fixture, TimerTicksEveryIntervalAndEnablingAgainDoesNotRestartIt) {
    auto& t = main.make<TTimer>();
    int ticks = 0;
    t.setEnabled(false);
    t.setInterval(300);
    t.setOnTimer([&](TObject*) { ++ticks; });
    startShown();
    drv.advance(1000);
    EXPECT_EQ(ticks, 0);
    t.setEnabled(true);  // idle app thread: safe to change state
    drv.advance(299);
    EXPECT_EQ(ticks, 0);
    t.setEnabled(true);  // already enabled: the interval goes on
    drv.advance(1);
    EXPECT_EQ(ticks, 1);
    drv.advance(3000);
    EXPECT_EQ(ticks, 11);
}

TEST_F(Fixture, TimerDisabledInItsOwnHandlerGetsNoFurtherTickEvenUnderABox) {
    auto& t = main.make<TTimer>();
    auto& other = main.make<TTimer>();
    int ticks = 0, otherTicks = 0;
    t.setInterval(200);
    t.setOnTimer([&](TObject*) {
        ++ticks;
        t.setEnabled(false);
        app.messageBox("done", "托尔万(Tolvane)", MB_OK);
    });
    other.setInterval(100);
    other.setOnTimer([&](TObject*) { ++otherTicks; });
    startShown();
    drv.advance(200);
    ASSERT_NE(drv.topBox(), nullptr);
    drv.advance(1000);  // the box stays open; other timers go on ticking
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(otherTicks, 12);
    drv.dismissBox();
    EXPECT_EQ(drv.topBox(), nullptr);
    drv.advance(1000);
    EXPECT_EQ(ticks, 1);
}

TEST_F(Fixture, TwoBoxesFromTwoTimersStackAndUnwindInOrder) {
    auto& a = main.make<TTimer>();
    auto& b = main.make<TTimer>();
    std::vector<std::string> closed;
    a.setInterval(100);
    a.setOnTimer([&](TObject*) {
        a.setEnabled(false);
        app.messageBox("first", "c", MB_OK);
        closed.push_back("first");
    });
    b.setInterval(150);
    b.setOnTimer([&](TObject*) {
        b.setEnabled(false);
        app.messageBox("second", "c", MB_OK);
        closed.push_back("second");
    });
    startShown();
    drv.advance(200);
    ASSERT_EQ(app.openBoxes().size(), 2u);
    EXPECT_EQ(boxes, (std::vector<std::string>{"first", "second"}));
    EXPECT_FALSE(app.openBoxes()[0]->inputEnabled());  // the lower box takes no input
    drv.dismissBox();
    EXPECT_EQ(closed, (std::vector<std::string>{"second"}));
    drv.dismissBox();
    EXPECT_EQ(closed, (std::vector<std::string>{"second", "first"}));
    EXPECT_TRUE(main.inputEnabled());
}

TEST_F(Fixture, ABoxHasOneButtonAndTheOwnerTakesNoInputWhileItIsOpen) {
    auto& p = main.make<TPanel>();
    p.setParent(&main);
    p.setBounds(10, 10, 100, 30);
    int clicks = 0;
    p.OnClick = [&](TObject*) { ++clicks; };
    openBoxAfter(10);
    startShown();
    drv.advance(10);
    auto* box = dynamic_cast<TMessageForm*>(drv.topBox());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->caption(), "托尔万(Tolvane)");
    int buttons = 0;
    for (auto* c : box->children()) buttons += std::string(c->className()) == "TBoxButton";
    EXPECT_EQ(buttons, 1);
    EXPECT_FALSE(main.inputEnabled());
    drv.click(p);
    EXPECT_EQ(clicks, 0);
    drv.key(*box, platform::Key::Return);
    EXPECT_EQ(drv.topBox(), nullptr);
    drv.click(p);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Fixture, EscapeAndTheCloseBoxDismissABoxToo) {
    auto& t = main.make<TTimer>();
    int shown = 0;
    t.setInterval(10);
    t.setOnTimer([&](TObject*) {
        if (++shown == 2) t.setEnabled(false);
        app.messageBox("x", "c", MB_OK);
    });
    startShown();
    drv.advance(10);
    ASSERT_NE(drv.topBox(), nullptr);
    drv.key(*drv.topBox(), platform::Key::Escape);
    drv.advance(10);
    ASSERT_NE(drv.topBox(), nullptr);
    drv.closeRequest(*drv.topBox());
    EXPECT_EQ(drv.topBox(), nullptr);
}

TEST_F(Fixture, ClosingTheDialogHidesItAndClosingTheMainFormEndsTheLoop) {
    startShown();
    dialog.show();
    drv.closeRequest(dialog);
    EXPECT_FALSE(dialog.isShowing());
    EXPECT_TRUE(drv.running());
    drv.closeRequest(main);
    EXPECT_FALSE(drv.running());
}

TEST_F(Fixture, ModalDialogIsCentredFirstAndKeepsItsPlaceAfterwards) {
    auto& p = main.make<TPanel>();
    p.setParent(&main);
    p.setBounds(0, 0, 50, 50);
    TModalResult result = TModalResult::mrNone;
    int opened = 0;
    p.OnClick = [&](TObject*) {
        ++opened;
        result = dialog.showModal();
    };
    startShown();
    drv.click(p);
    ASSERT_TRUE(dialog.isShowing());
    EXPECT_TRUE(dialog.modal());
    EXPECT_FALSE(main.inputEnabled());
    EXPECT_EQ(dialog.screenPos(),
              (Point{(1024 - dialog.width()) / 2, (768 - dialog.height()) / 2}));
    dialog.moveTo({5, 6});
    drv.closeRequest(dialog);
    EXPECT_EQ(result, TModalResult::mrCancel);
    EXPECT_FALSE(dialog.isShowing());
    EXPECT_TRUE(main.inputEnabled());
    drv.click(p);
    EXPECT_EQ(dialog.screenPos(), (Point{5, 6}));
    drv.closeRequest(dialog);
    EXPECT_EQ(opened, 2);
}

// A press held on the dialog's caption (a drag) or on its close box ends when the window
// is disabled (a notice opens: a run finished meanwhile), or when the release goes to
// another window; afterwards a move with no button held neither drags nor presses.
TEST_F(Fixture, ACaptionDragOrCloseBoxPressEndsWhenTheWindowLosesTheMouse) {
    enum class Ender { Notice, Disabled, ReleasedElsewhere };
    const Point caption{60, 10};
    const Point closeBox{dialog.width() - 12, 10};
    const struct {
        const char* name;
        Point at;
        Ender ender;
    } rows[] = {
        {"drag, notice", caption, Ender::Notice},
        {"drag, disabled", caption, Ender::Disabled},
        {"drag, released on another window", caption, Ender::ReleasedElsewhere},
        {"close box, notice", closeBox, Ender::Notice},
        {"close box, disabled", closeBox, Ender::Disabled},
        {"close box, released on another window", closeBox, Ender::ReleasedElsewhere},
    };
    TTimer& run = openBoxAfter(10);
    startShown();
    const auto& win = *platform.window(dialog.window().id());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dialog.show();
        drv.move(dialog, row.at);
        drv.press(dialog, row.at);
        drv.move(dialog, row.at + Point{4, 0});
        drv.move(dialog, row.at);
        ASSERT_TRUE(dialog.frameDragging() || dialog.closeBoxDown());
        switch (row.ender) {
            case Ender::Notice:
                run.setEnabled(true);
                drv.advance(10);
                ASSERT_NE(drv.topBox(), nullptr);
                EXPECT_FALSE(dialog.frameDragging() || dialog.closeBoxDown());
                drv.dismissBox();  // the box takes the release
                break;
            case Ender::Disabled:
                dialog.setInputEnabled(false);
                EXPECT_FALSE(dialog.frameDragging() || dialog.closeBoxDown());
                dialog.setInputEnabled(true);
                drv.release(main, {300, 300});
                break;
            case Ender::ReleasedElsewhere:
                drv.release(main, {300, 300});
                break;
        }
        const Point before = dialog.screenPos();
        drv.move(dialog, row.at + Point{20, 0});
        drv.move(dialog, row.at);
        EXPECT_EQ(dialog.screenPos(), before) << "no drag without the button";
        EXPECT_FALSE(dialog.frameDragging() || dialog.closeBoxDown());
        EXPECT_FALSE(win.captured());
        drv.release(dialog, row.at);
        EXPECT_TRUE(dialog.isShowing()) << "a stray release on the close box closes nothing";
    }
}

// Two quick presses are a double-click only when both hit the same control; the second
// press on another control is an ordinary one and makes its click. The sidebar case: the
// first click moves another panel under the pointer.
TEST_F(Fixture, ADoubleClickCountsOnlyOnTheControlThatHadTheFirstPress) {
    auto& header = main.make<TPanel>();
    auto& other = main.make<TPanel>();
    auto& holder = main.make<TPanel>();
    auto& pictureA = main.make<TImage>();
    auto& pictureB = main.make<TImage>();
    header.setParent(&main);
    header.setBounds(10, 10, 100, 20);
    other.setParent(&main);
    other.setBounds(10, 40, 100, 20);
    holder.setParent(&main);
    holder.setBounds(10, 100, 200, 50);
    pictureA.setParent(&holder);
    pictureA.setBounds(0, 0, 50, 50);
    pictureB.setParent(&holder);
    pictureB.setBounds(60, 0, 50, 50);
    std::vector<std::string> clicks;
    bool moveOnClick = false, hideOnClick = false;
    header.OnClick = [&](TObject*) {
        clicks.push_back("header");
        if (moveOnClick) other.setTop(10);  // the section slides under the pointer
        if (hideOnClick) {                  // the panel goes and comes back
            header.setVisible(false);
            header.setVisible(true);
        }
    };
    other.OnClick = [&](TObject*) { clicks.push_back("other"); };
    pictureA.OnClick = [&](TObject*) { clicks.push_back("pictureA"); };
    pictureB.OnClick = [&](TObject*) { clicks.push_back("pictureB"); };
    startShown();
    const struct {
        const char* name;
        Point first, second;
        bool moves, hides;
        std::vector<std::string> clicks;
    } rows[] = {
        {"same panel", {20, 20}, {22, 20}, false, false, {"header"}},
        {"two panels", {20, 20}, {20, 50}, false, false, {"header", "other"}},
        {"two pictures on one panel", {20, 120}, {80, 120}, false, false, {"pictureA", "pictureB"}},
        {"the panel moved under the pointer", {20, 20}, {20, 20}, true, false, {"header", "other"}},
        {"the panel hidden and shown again", {20, 20}, {20, 20}, false, true, {"header", "header"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        clicks.clear();
        other.setTop(40);
        moveOnClick = row.moves;
        hideOnClick = row.hides;
        drv.click(main, row.first);
        drv.move(main, row.second);
        drv.press(main, row.second, platform::MouseButton::Left, 2);
        drv.release(main, row.second);
        EXPECT_EQ(clicks, row.clicks);
        drv.move(main, {500, 400});
        drv.advance(1000);
    }
}

TEST_F(Fixture, ShowingAVisibleWindowModallyIsAnError) {
    dialog.show();
    EXPECT_THROW(dialog.showModal(), EWidgetError);
}

TEST_F(Fixture, AnErrorInAHandlerIsShownWithTheApplicationTitleAndTheLoopGoesOn) {
    std::vector<TApplication::BoxRecord> records;
    app.onMessageBox = [&](const TApplication::BoxRecord& r) { records.push_back(r); };
    auto& p = main.make<TPanel>();
    p.setParent(&main);
    p.setBounds(0, 0, 50, 50);
    bool after = false;
    p.OnClick = [&](TObject*) {
        throw std::runtime_error("Failed to set data for 'Window Title'");
        after = true;
    };
    startShown();
    drv.click(p);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].caption, "tolvane");
    EXPECT_EQ(records[0].text, "Failed to set data for 'Window Title'");
    EXPECT_EQ(records[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(after);
    drv.dismissBox();
    EXPECT_TRUE(drv.running());
}

TEST(ErrorText, AFullStopIsAddedOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(TApplication::errorText("Failed to set data for 'Window Title'"),
              "Failed to set data for 'Window Title'");
    EXPECT_EQ(TApplication::errorText("Not enough timers available"),
              "Not enough timers available.");
    EXPECT_EQ(TApplication::errorText("写入失败"), "写入失败.");
    EXPECT_EQ(TApplication::errorText("Stop!"), "Stop!");
    EXPECT_EQ(TApplication::errorText("Done."), "Done.");
    EXPECT_EQ(TApplication::errorText("trailing "), "trailing ");
    EXPECT_EQ(TApplication::errorText("x 1"), "x 1.");
    EXPECT_EQ(TApplication::errorText(""), "");
}

TEST(ApplicationTitle, IsTheExecutableNameCutAtItsFirstDotAndLowerCasedAfterTheFirstCharacter) {
    EXPECT_EQ(TApplication::titleFromExecutable("/usr/bin/tolvane"), "tolvane");
    EXPECT_EQ(TApplication::titleFromExecutable("build/Tolvane.exe"), "Tolvane");
    EXPECT_EQ(TApplication::titleFromExecutable("TOLVANE.v2.exe"), "Tolvane");
    EXPECT_EQ(TApplication::titleFromExecutable("a.b"), "a");
}

TEST_F(Fixture, TheTimerLimitRaisesNotEnoughTimersAndEnabledStillReadsTrue) {
    app.setTimerLimit(1);
    auto& a = main.make<TTimer>();
    auto& b = main.make<TTimer>();
    a.setOnTimer([](TObject*) {});
    b.setEnabled(false);
    b.setOnTimer([](TObject*) {});
    EXPECT_THROW(b.setEnabled(true), EWidgetError);
    EXPECT_TRUE(b.enabled());
    EXPECT_FALSE(b.running());
    a.setEnabled(false);
    b.setEnabled(false);
    b.setEnabled(true);
    EXPECT_TRUE(b.running());
}

TEST_F(Fixture, AnIdleProgramPaintsNothingAndWakesOnlyForItsTimers) {
    startShown();
    const int before = main.paintCount();
    drv.advance(60000);
    EXPECT_EQ(main.paintCount(), before);
}

}  // namespace
}  // namespace tv
