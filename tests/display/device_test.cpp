// Video-mode choice and the display device's modes on the headless backend.
#include "display_fixture.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t refuse(int bits)
{
    return uint64_t(1) << bits;
}

}  // namespace

TEST(Device, FullScreenTriesThirtyTwoThenTwentyFourThenSixteen)
{
    ASSERT_EQ(openHeadless(8, 1), 1);  // full screen ignores the desktop's depth
    EXPECT_EQ(display.bitsPerPixel, 32);
    EXPECT_EQ(display.flipMode, 1);
    EXPECT_EQ(display.blitMode, 0);

    ASSERT_EQ(openHeadless(32, 1, refuse(32)), 1);
    EXPECT_EQ(display.bitsPerPixel, 24);

    ASSERT_EQ(openHeadless(32, 1, refuse(32) | refuse(24)), 1);
    EXPECT_EQ(display.bitsPerPixel, 16);
    EXPECT_EQ(display.pixelLayout, 2);

    // A 5-5-5 desktop lends its layout to the 16-bit mode, which then counts as 15 bits.
    ASSERT_EQ(openHeadless(15, 1, refuse(32) | refuse(24)), 1);
    EXPECT_EQ(display.bitsPerPixel, 15);
    EXPECT_EQ(display.pixelLayout, 1);

    // All three refused: 0, and the last depth tried stays recorded.
    ASSERT_EQ(openHeadless(32, 1, refuse(32) | refuse(24) | refuse(16)), 0);
    EXPECT_EQ(display.bitsPerPixel, 16);
    TargetLock lock;
    EXPECT_EQ(lockTarget(lock), 0);
}

TEST(Device, WindowedTakesTheDesktopFormat)
{
    struct Case {
        int desktop, bits, layout;
    } cases[] = {{32, 32, 0}, {24, 24, 0}, {16, 16, 2}, {15, 15, 1}, {8, 8, 0}};
    for (const Case& c : cases) {
        ASSERT_EQ(openHeadless(c.desktop, 0, refuse(32)), 1) << c.desktop;
        EXPECT_EQ(display.bitsPerPixel, c.bits) << c.desktop;
        EXPECT_EQ(display.pixelLayout, c.layout) << c.desktop;
        EXPECT_EQ(display.blitMode, 1);
        EXPECT_EQ(display.flipMode, 0);
    }
}

TEST(Device, TargetIsThreeTwentyByTwoFortyWithItsOwnPitch)
{
    resetAll();
    PlatformConfig config;
    config.desktopBits = 16;
    platformInit(config);
    openWindow(1);
    ASSERT_EQ(openDisplay(640, 480, 32), 1);
    TargetLock lock;
    ASSERT_EQ(lockTarget(lock), 1);
    EXPECT_GE(lock.pitch, 320 * 4);
    EXPECT_EQ(lockTarget(lock), 0) << "a locked target cannot be locked again";
    unlockTarget();
    showTarget();
    int pitch, bits;
    EXPECT_NE(platformShownTarget(pitch, bits), nullptr);
    EXPECT_EQ(bits, 32);
    EXPECT_EQ(releaseDisplay(), 1);
    EXPECT_EQ(lockTarget(lock), 0);
}

TEST(Device, ClientRectFollowsTheWindow)
{
    ASSERT_EQ(openHeadless(32), 1);
    EXPECT_EQ(display.clientRect.right, 320);
    EXPECT_EQ(display.clientRect.bottom, 240);
    platformCloseWindow();
    refreshClientRect();
    EXPECT_EQ(display.clientRect.right, 0);
}
