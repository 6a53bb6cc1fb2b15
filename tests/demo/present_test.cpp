// The present at the end of every frame: the fade it hands the display, then pump and clock.
#include "demo/demo.h"
#include "display/display_fixture.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace {

// A headless display with timing and shell at their start values.
void openPresent(int depth = 32)
{
    ASSERT_EQ(openHeadless(depth), 1);
    resetShell();
    resetTiming();
    initFrameBuffers();
    timing.lastTick = timing.currentTick = platformTicks();
}

}  // namespace

TEST(Present, FadeIsLevelPlusSceneDimInTheColourOfTheTiming)
{
    openPresent();
    timing.fadeLevel = 200;
    timing.sceneDim = 100;
    EXPECT_EQ(currentFadeByte(), 255);
    timing.fadeLevel = 100;
    timing.sceneDim = 55;
    EXPECT_EQ(currentFadeByte(), 155);

    fillFrame(0);
    timing.fadeLevel = 200;
    timing.sceneDim = 100;
    presentFrameDirect();
    EXPECT_EQ(shown32(0, 20), 0xFFFFFFFFu);  // 300 would wrap to 44 in a byte

    // The standard present fades in the colour the timing holds; the direct one always to white.
    fillFrame(0x00808080);
    timing.fadeLevel = 255;
    timing.sceneDim = 0;
    timing.fadeToWhite = 0;
    presentFrame();
    EXPECT_EQ(shown32(5, 100), 0u);
    presentFrameDirect();
    EXPECT_EQ(shown32(5, 100), 0xFFFFFFFFu);
    timing.fadeToWhite = 1;
    presentFrame();
    EXPECT_EQ(shown32(5, 100), 0xFFFFFFFFu);
}

TEST(Present, FailedLockDropsTheFrameButPumpsAndRunsTheClock)
{
    openPresent();
    uint32_t shown = platformShownFrames();
    releaseDisplay();
    platformWait(19);
    PlatformEvent escape;
    escape.kind = platformEventKeyDown;
    escape.key = platformKeyEscape;
    platformPostEvent(escape);
    presentFrame();
    EXPECT_EQ(platformShownFrames(), shown);
    EXPECT_EQ(quitRequested(), 1);
    EXPECT_NEAR(timing.demoClock, 10.0, 1e-5);
    // The same for a non-32-bit display, where the lock comes in the conversion.
    openPresent(16);
    releaseDisplay();
    platformWait(38);
    presentFrameDirect();
    EXPECT_EQ(platformShownFrames(), 1u);
    EXPECT_EQ(quitRequested(), 0);
    EXPECT_NEAR(timing.demoClock, 20.0, 1e-5);
}
