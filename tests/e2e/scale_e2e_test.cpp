// The program on a desktop whose resources ask for 192 dots per inch (Xft.dpi, which
// GNOME, KDE and XFCE write for their scale setting): every pixel of the window is a block
// of 2 x 2 screen pixels, clicks land at doubled positions, a drag moves the window by
// screen pixels, and the About dialog is twice its size. Without the resource, or at 96,
// nothing changes.
#include <cstring>

#include "e2e/main_window.h"

// After the test framework, whose names Xlib's macros would take.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace tv::e2e {
namespace {

class ScaleTest : public MainWindowTest {
  protected:
    // The screen's resource database, as xrdb leaves it, read by programs started later.
    void setResources(const char* text) {
        ::Display* d = desktop().display();
        XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text), int(std::strlen(text)));
        XSync(d, False);
    }
};

TEST_F(ScaleTest, At192DotsPerInchEveryPixelIsDoubled) {
    startDesktop({.width = 1280, .height = 1024});
    desktop().mouseMove({0, 0});  // away from both windows
    setResources("Xft.dpi:\t96\n");
    launchMain();
    const Rect single = where();
    ASSERT_EQ(single.width, 601);
    ASSERT_EQ(single.height, 439);
    const RgbImage one = desktop().grab(single);

    setResources("Xcursor.size:\t24\nXft.dpi:\t192\n");
    launchMain();  // above the first one
    const Rect doubled = where();
    ASSERT_EQ(doubled.width, 1202);
    ASSERT_EQ(doubled.height, 878);
    const RgbImage two = desktop().grab(doubled);
    int wrong = 0;
    for (int y = 0; y < 878; ++y)
        for (int x = 0; x < 1202; ++x)
            if (!(two.at(x, y) == one.at(x / 2, y / 2)) && ++wrong <= 5)
                ADD_FAILURE() << x << "," << y << ": " << toString(two.at(x, y)) << ", not "
                              << toString(one.at(x / 2, y / 2));
    EXPECT_EQ(wrong, 0);

    click(2 * 100, 2 * 377);  // "网络优化"
    EXPECT_TRUE(waitForPixel(2 * 420, 2 * 190, kPageGrey));

    // The title bar follows the pointer screen pixel by screen pixel.
    desktop().drag(at(2 * 300, 2 * 25), at(2 * 300 + 40, 2 * 25 + 20));
    EXPECT_TRUE(waitUntil([&] {
        const Rect r = where();
        return r.x == doubled.x + 40 && r.y == doubled.y + 20;
    })) << toString(where());

    origin_ = where().at(0, 0);
    click(2 * 100, 2 * 402);  // the help header
    ASSERT_TRUE(waitForPixel(2 * 100, 2 * 152, kDesktopBlue));
    click(2 * (17 + 50), 2 * (251 + 15));  // "关于软件"
    const WindowId about = app_->waitForWindow("关于…", 3s);
    ASSERT_NE(about, kNoWindow) << app_->stderrText();
    const Rect a = *desktop().geometry(about);
    EXPECT_EQ(a.width, 2 * 353) << toString(a);
    EXPECT_EQ(a.height, 2 * 215) << toString(a);
}

}  // namespace
}  // namespace tv::e2e
