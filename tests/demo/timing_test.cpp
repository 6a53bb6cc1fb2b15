// The demo clock, the fades, the stall guard and the sync store.
#include "demo/demo.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

// Headless platform at a chosen tick count, timing at its start values, counting from now.
void startClockAt(uint32_t ticks)
{
    resetPlatform();
    PlatformConfig config;
    config.headless = true;
    config.startTicks = ticks;
    ASSERT_TRUE(platformInit(config));
    resetTiming();
    timing.lastTick = platformTicks();
    timing.currentTick = timing.lastTick;
}

// Advances the virtual clock by ms and runs one clock update.
void elapse(uint32_t ms)
{
    platformWait(ms);
    updateDemoClock();
}

class Timing : public ::testing::Test {
protected:
    void SetUp() override { startClockAt(1000); }
    void TearDown() override { resetPlatform(); }
};

TEST_F(Timing, ClockCountsUnitsOf1_9MsAsFloatSteps)
{
    elapse(19);
    EXPECT_EQ(timing.demoClock, 10.0);  // 19 × 0.5263157894736843, rounded to a float
    elapse(1);
    // The step is rounded to a float before it is added: 0.5263158f, not the double.
    EXPECT_EQ(timing.demoClock, 10.0 + double(0.5263157894736843f));
    EXPECT_EQ(timing.lastTick, platformTicks());
    EXPECT_EQ(timing.currentTick, platformTicks());
    // Idle fade: level and carry untouched.
    EXPECT_EQ(timing.fadeLevel, 0);
    EXPECT_EQ(timing.fadeCarry, 0.0);
}

TEST_F(Timing, TickWrapAroundIsAnUnsignedDifference)
{
    startClockAt(0xfffffff0u);
    elapse(38);  // crosses 2^32
    EXPECT_LT(platformTicks(), 100u);
    EXPECT_EQ(timing.demoClock, 20.0);
}

TEST_F(Timing, FadeCarryAccumulatesFractionsOfALevel)
{
    // Steps of 1 ms are about half a level each: without the carry the level would never move.
    timing.fadeState = fadeOut;
    for (int i = 0; i < 190; ++i)
        elapse(1);
    EXPECT_NEAR(timing.fadeLevel, 100, 1);  // 190 ms = 100 clock units
    EXPECT_EQ(timing.fadeState, fadeOut);
    EXPECT_GE(timing.fadeCarry, 0.0);
    EXPECT_LT(timing.fadeCarry, 1.0);

    // Fading in, the carry is what was taken too much: trunc(x) − x, zero or negative.
    timing.fadeState = fadeIn;
    timing.fadeLevel = 100;
    timing.fadeCarry = 0;
    for (int i = 0; i < 95; ++i)
        elapse(1);
    EXPECT_NEAR(timing.fadeLevel, 50, 1);
    EXPECT_LE(timing.fadeCarry, 0.0);
    EXPECT_GT(timing.fadeCarry, -1.0);
}

TEST_F(Timing, CarryIsNeverResetBetweenFades)
{
    timing.fadeState = fadeOut;
    timing.fadeLevel = 200;
    elapse(1);  // x = 200.526…: level 200, carry .526
    EXPECT_EQ(timing.fadeLevel, 200);
    const double carry = timing.fadeCarry;
    EXPECT_NEAR(carry, 0.5263158, 1e-6);
    timing.fadeState = fadeIdle;  // the sequencer stops the fade
    elapse(5);
    EXPECT_EQ(timing.fadeCarry, carry);
    timing.fadeState = fadeOut;
    elapse(1);  // step = 0.526 + carry: the level moves by one
    EXPECT_EQ(timing.fadeLevel, 201);
}

TEST_F(Timing, FadesEndAtTheirLimitsTruncatingTowardZero)
{
    timing.fadeState = fadeOut;
    timing.fadeLevel = 250;
    elapse(19);  // x = 260
    EXPECT_EQ(timing.fadeLevel, 255);
    EXPECT_EQ(timing.fadeState, fadeIdle);

    // A fade-out at 255.x has not passed 255 yet and keeps going.
    timing.fadeState = fadeOut;
    timing.fadeLevel = 254;
    timing.fadeCarry = 0;
    elapse(2);  // x = 255.05
    EXPECT_EQ(timing.fadeLevel, 255);
    EXPECT_EQ(timing.fadeState, fadeOut);

    timing.fadeState = fadeIn;
    timing.fadeLevel = 5;
    timing.fadeCarry = 0;
    elapse(19);  // x = -5
    EXPECT_EQ(timing.fadeLevel, 0);
    EXPECT_EQ(timing.fadeState, fadeIdle);

    // x = -0.53 truncates toward zero to level 0, which is not below 0: still fading in.
    timing.fadeState = fadeIn;
    timing.fadeLevel = 0;
    timing.fadeCarry = 0;
    elapse(1);
    EXPECT_EQ(timing.fadeLevel, 0);
    EXPECT_EQ(timing.fadeState, fadeIn);
    elapse(1);  // x = 0 − (0.526 + 0.526) < −1
    EXPECT_EQ(timing.fadeLevel, 0);
    EXPECT_EQ(timing.fadeState, fadeIdle);
}

TEST_F(Timing, FullFadeTakes255UnitsOf1_9Ms)
{
    timing.fadeState = fadeIn;
    timing.fadeLevel = 255;
    int ms = 0;
    while (timing.fadeState == fadeIn && ms < 2000) {
        elapse(1);
        ++ms;
    }
    // 255 levels plus the last one below zero: 256 units, 486.4 ms, give or take a step.
    EXPECT_NEAR(ms, 486, 2);
}

TEST_F(Timing, StartFadeInCountsFromNow)
{
    platformWait(500);
    timing.fadeLevel = 255;
    startFadeIn();
    EXPECT_EQ(timing.fadeState, fadeIn);
    EXPECT_EQ(timing.lastTick, platformTicks());
    elapse(19);
    EXPECT_EQ(timing.fadeLevel, 245);  // only the 10 units since the start, not the 500 ms before
}

TEST_F(Timing, FadeOutNearTurnsAFadeInAroundFromItsLevel)
{
    timing.fadeState = fadeIn;
    timing.fadeLevel = 100;
    timing.fadeToWhite = 1;
    timing.endFadeToWhite = 0;
    // 10000 × 0.95f is 9500 exactly in float: time 9500 is not past it.
    fadeOutNear(9500, 10000, 0.95f);
    EXPECT_EQ(timing.fadeState, fadeIn);
    fadeOutNear(9501, 10000, 0.95f);
    EXPECT_EQ(timing.fadeState, fadeOut);
    EXPECT_EQ(timing.fadeToWhite, 0);
    EXPECT_EQ(timing.fadeLevel, 100);
    elapse(19);
    EXPECT_EQ(timing.fadeLevel, 110);  // rising from where the fade-in was

    // Once fading out, a later call keeps the colour chosen at the start.
    timing.endFadeToWhite = 1;
    fadeOutNear(9800, 10000, 0.95f);
    EXPECT_EQ(timing.fadeToWhite, 0);
}

TEST_F(Timing, StartFadeOutRestartsTheClosingFadeInItsColour)
{
    // Unlike fadeOutNear it does not look at the state: a running fade-out takes the new colour.
    timing.fadeLevel = 40;
    timing.fadeToWhite = 1;
    timing.endFadeToWhite = 0;
    startFadeOut();
    EXPECT_EQ(timing.fadeState, fadeOut);
    EXPECT_EQ(timing.fadeToWhite, 0);
    timing.endFadeToWhite = 1;
    startFadeOut();
    EXPECT_EQ(timing.fadeToWhite, 1);
    elapse(19);
    EXPECT_EQ(timing.fadeLevel, 50);
}

TEST_F(Timing, StallGuardDropsGapsOf100MsOrMore)
{
    const uint32_t t0 = platformTicks();
    timerProc(t0);
    platformWait(99);
    timerProc(platformTicks());  // 99 ms: kept
    EXPECT_EQ(timing.lastTick, t0);
    elapse(0);
    EXPECT_EQ(timing.demoClock, double(float(99 * 0.5263157894736843)));

    // A frame of 150 ms: only the 19 ms after the timer call count.
    timing.demoClock = 0;
    platformWait(150);
    timerProc(platformTicks());
    EXPECT_EQ(timing.lastTick, platformTicks());
    elapse(19);
    EXPECT_EQ(timing.demoClock, 10.0);

    // Exactly 100 ms is a stall too; a timer stamp going backwards is a negative gap, kept.
    platformWait(100);
    timerProc(platformTicks());
    EXPECT_EQ(timing.lastTick, platformTicks());
    const uint32_t before = timing.lastTick;
    timerProc(platformTicks() - 500);
    EXPECT_EQ(timing.lastTick, before);
}

TEST_F(Timing, TenSecondsInactiveAddNothing)
{
    elapse(19);
    timing.fadeState = fadeIn;
    timing.fadeLevel = 200;
    timing.appActive = 0;
    for (int i = 0; i < 100; ++i) {
        platformWait(100);
        timerProc(platformTicks());  // an inactive stall is not the guard's business
        updateDemoClock();
    }
    EXPECT_EQ(timing.demoClock, 10.0);
    EXPECT_EQ(timing.fadeLevel, 200);
    EXPECT_EQ(timing.lastTick, platformTicks());
    timing.appActive = 1;
    elapse(19);
    EXPECT_EQ(timing.demoClock, 20.0);
    EXPECT_EQ(timing.fadeLevel, 190);
}

TEST_F(Timing, SyncCallbackKeepsTheLastNonZeroValue)
{
    musicSyncCallback(0, 1, 2);
    EXPECT_EQ(syncEvent, 0);
    musicSyncCallback(5, 1, 2);
    musicSyncCallback(7, 1, 3);
    EXPECT_EQ(syncEvent, 7);
    musicSyncCallback(0, 1, 4);
    EXPECT_EQ(syncEvent, 7);
    syncEvent = 0;
}

}  // namespace
