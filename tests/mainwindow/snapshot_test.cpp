// The main window painted with the real fonts and pictures, checked pixel by pixel where
// the layout makes a promise: seamless title bar joins, the background covering the title
// bar's last rows, the bottom bar covering the background's, the headers' desktop colour and
// their clipped right edge, the stretched icons.
#include <gtest/gtest.h>

#include "about/form3.h"
#include "host/recording_host.h"
#include "mainwindow/form1.h"
#include "platform/headless/headless_platform.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "support/colors.h"
#include "widgets/application.h"

namespace tv {
namespace {

struct Snapshot : ::testing::Test {
    platform::HeadlessPlatform platform;
    std::unique_ptr<FontEngine> fonts = FontEngine::create();
    TApplication app{platform, *fonts, "tolvane"};
    RecordingHost host;
    resources::PictureLibrary pictures;
    PictureSource source = [this](const std::string& n) { return pictures.get(n); };
    LayoutDocument layout{resources::text("main.json"), "main.json"};
    TForm1 form{app, host, layout, source};
    Snapshot() { form.paintAll(); }
    Pixel at(int x, int y) { return platform.window(form.window().id())->pixelAt(x, y); }
};

TEST_F(Snapshot, TheTitleBarIsSeamlessAcrossItsJoins) {
    const Image& left = pictures.get("title_left.bmp")->image();
    const Image& middle = pictures.get("title_middle.bmp")->image();
    const Image& right = pictures.get("title_right.bmp")->image();
    for (int y = 0; y < 48; ++y) {
        for (int x = 64; x < 77; ++x) {
            if (form.Label1->windowRect().contains(Point{x, y}) ||
                form.Label2->windowRect().contains(Point{x, y}))
                continue;  // the title's letters lie on top
            ASSERT_EQ(at(x, y), left.at(x + 8, y) | 0xFF000000u) << x << "," << y;
        }
        ASSERT_EQ(at(77, y), middle.at(5, y) | 0xFF000000u) << y;
        for (int x = 516; x < 556; ++x)
            ASSERT_EQ(at(x, y), right.at(x - 516, y) | 0xFF000000u) << x << "," << y;
        // Where the pieces overlap, the end pieces agree with the middle one row by row.
        ASSERT_EQ(left.at(72 + 8, y), middle.at(0, y)) << y;
        ASSERT_EQ(right.at(0, y), middle.at(516 - 72, y)) << y;
    }
}

TEST_F(Snapshot, TheBackgroundCoversTheTitleBarsLastRowsAndTheBottomBarCoversIt) {
    EXPECT_EQ(at(300, 48), test::classicPixel(kPageGrey));
    EXPECT_EQ(at(300, 49), test::classicPixel(kPageGrey));
    EXPECT_NE(at(300, 47), test::classicPixel(kPageGrey));
    EXPECT_EQ(at(300, 414), test::classicPixel(clBtnHighlight));  // the bar's raised bevel
    EXPECT_EQ(at(300, 415), test::classicPixel(clBackground));
    EXPECT_EQ(at(300, 416), test::classicPixel(clBackground));
    EXPECT_EQ(at(300, 438), test::classicPixel(clBtnShadow));
}

TEST_F(Snapshot, HeadersAreInTheDesktopColourAndClippedByTheSidebarsBorder) {
    EXPECT_EQ(at(10, 100), test::classicPixel(clBackground));  // "网络安全"
    EXPECT_EQ(at(10, 377), test::classicPixel(clBackground));  // "网络优化"
    // The sidebar's client area ends at x = 121: the headers' right bevel never shows.
    EXPECT_EQ(at(120, 100), test::classicPixel(clBackground));
    EXPECT_EQ(at(121, 100), test::classicPixel(cl3DLight));
    EXPECT_EQ(at(122, 100), test::classicPixel(clBtnHighlight));
}

TEST_F(Snapshot, StretchedIconsShowAsSmallSquaresOnTheirItems) {
    const Rect icon = form.Image2->windowRect();
    EXPECT_EQ(icon.size(), (Size{15, 15}));
    int differing = 0;
    for (int y = icon.top; y < icon.bottom; ++y)
        for (int x = icon.left; x < icon.right; ++x)
            differing += at(x, y) != test::classicPixel(kItemGrey);
    EXPECT_GT(differing, 100);  // the magnifier on its white ground
    EXPECT_EQ(at(icon.right, icon.top + 7), test::classicPixel(kItemGrey));
}

}  // namespace
}  // namespace tv
