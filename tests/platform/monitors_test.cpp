// Which monitor a point belongs to, with monitors of different sizes and gaps between.
#include <gtest/gtest.h>

#include "platform/monitors.h"

namespace tv::platform {
namespace {

const Rect kLeft = Rect::fromXYWH(0, 0, 1024, 768);
const Rect kRight = Rect::fromXYWH(1024, -200, 1280, 1024);  // taller, higher
const Rect kFar = Rect::fromXYWH(3000, 0, 800, 600);         // after a gap
const std::vector<Rect> kMonitors{kRight, kLeft, kFar};      // the primary one first
const Rect kFallback = Rect::fromXYWH(0, 0, 640, 480);

TEST(Monitors, APointInsideChoosesItsMonitorAndNoPointThePrimary) {
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{10, 10}, kFallback), kLeft);
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{1023, 767}, kFallback), kLeft);
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{1024, 0}, kFallback), kRight);
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{1500, -150}, kFallback), kRight);
    EXPECT_EQ(chooseMonitor(kMonitors, 0, std::nullopt, kFallback), kRight);
    EXPECT_EQ(chooseMonitor(kMonitors, 1, std::nullopt, kFallback), kLeft);
    EXPECT_EQ(chooseMonitor(kMonitors, 7, std::nullopt, kFallback), kRight) << "no such index";
}

TEST(Monitors, APointOutsideEveryMonitorChoosesTheNearest) {
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{500, -100}, kFallback), kLeft);   // above
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{2400, 100}, kFallback), kRight);  // in the gap
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{2900, 100}, kFallback), kFar);
    EXPECT_EQ(chooseMonitor(kMonitors, 0, Point{-5000, 0}, kFallback), kLeft);
    EXPECT_EQ(chooseMonitor({}, 0, Point{5, 5}, kFallback), kFallback);
}

TEST(Monitors, TheDesktopHoldsEveryMonitor) {
    EXPECT_EQ(unionOf(kMonitors, kFallback), (Rect{0, -200, 3800, 824}));
    EXPECT_EQ(unionOf({}, kFallback), kFallback);
}

}  // namespace
}  // namespace tv::platform
