// What a click leaves behind in the real program: the scan button's hot state after its
// notice, and the check list's focus rectangle under the notice.

#include <thread>

#include "e2e/main_window.h"

namespace tv::e2e {
namespace {

// The disk scan page: "扫  描" (a flat button, 80 x 25, its raised edge white when lit) and
// the dotted focus rectangle on the first item of the list of drives.
constexpr Point kScan{500, 108};
constexpr Point kScanCorner{460, 96};
constexpr Point kFocusDot{204 + 2 + 15, 88 + 2};

// Pressed with nothing checked, the button opens its notice at once; the pointer goes
// elsewhere before the notice is closed with Enter: the button must be at rest then.
TEST_F(MainWindowTest, TheScanButtonIsAtRestAfterItsNoticeWhenThePointerIsElsewhere) {
    start();
    const Rgb rest = pixel(kScanCorner.x, kScanCorner.y);
    desktop().mouseMove(at(kScan.x, kScan.y));
    ASSERT_TRUE(waitForPixel(kScanCorner.x, kScanCorner.y, kWhite)) << "lit under the pointer";
    click(kScan.x, kScan.y);
    const WindowId notice = desktop().waitForWindow("托尔万(Tolvane)", 5s);
    ASSERT_NE(notice, kNoWindow) << app_->stderrText();
    desktop().mouseMove(at(60, 425));  // the bottom bar
    desktop().key("Return");
    ASSERT_TRUE(waitUntil([&] { return !desktop().isViewable(notice); }));
    std::this_thread::sleep_for(300ms);  // time for a wrong repaint to show
    EXPECT_TRUE(near(pixel(kScanCorner.x, kScanCorner.y), rest, 2))
        << toString(pixel(kScanCorner.x, kScanCorner.y));
}

// The start case: the list has the focus; the notice takes the activation and with it
// the focus rectangle, and closing the notice brings both back.
TEST_F(MainWindowTest, TheListsFocusRectangleGoesUnderTheNoticeAndComesBack) {
    start();
    // The list is white: its dots are the inverse.
    ASSERT_TRUE(waitUntil([&] { return !near(pixel(kFocusDot.x, kFocusDot.y), kWhite, 2); }))
        << "the focus rectangle at start";
    const Rgb dot = pixel(kFocusDot.x, kFocusDot.y);
    click(kScan.x, kScan.y);
    const WindowId notice = desktop().waitForWindow("托尔万(Tolvane)", 5s);
    ASSERT_NE(notice, kNoWindow) << app_->stderrText();
    EXPECT_TRUE(waitForPixel(kFocusDot.x, kFocusDot.y, kWhite))
        << toString(pixel(kFocusDot.x, kFocusDot.y));
    desktop().key("Return");
    ASSERT_TRUE(waitUntil([&] { return !desktop().isViewable(notice); }));
    EXPECT_TRUE(waitForPixel(kFocusDot.x, kFocusDot.y, dot));
}

}  // namespace
}  // namespace tv::e2e
