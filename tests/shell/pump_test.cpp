// The message pump, the window's event handling and shutdown on the headless backend.
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace {

void startHeadless()
{
    resetDisplay();
    resetPlatform();
    resetShell();
    resetTiming();
    PlatformConfig config;
    platformInit(config);
    ASSERT_TRUE(openMainWindow(0));
}

PlatformEvent eventOf(int kind, int key = 0)
{
    PlatformEvent e;
    e.kind = kind;
    e.key = key;
    return e;
}

}  // namespace

TEST(Pump, EscapeEndsTheShowWithinOnePump)
{
    startHeadless();
    EXPECT_EQ(pumpMessages(), 0);
    platformPostEvent(eventOf(platformEventKeyDown, 'a'));
    platformPostEvent(eventOf(platformEventKeyDown, ' '));
    EXPECT_EQ(pumpMessages(), 0) << "other keys do nothing";
    EXPECT_TRUE(platformWindowOpen());

    platformPostEvent(eventOf(platformEventKeyDown, platformKeyEscape));
    EXPECT_EQ(pumpMessages(), 1);
    EXPECT_EQ(quitRequested(), 1);
    EXPECT_FALSE(platformWindowOpen()) << "closing destroys the window";
    // The flag is the last pump's result, not sticky by itself.
    EXPECT_EQ(pumpMessages(), 0);
    EXPECT_EQ(quitRequested(), 0);
}

TEST(Pump, ClosingTheWindowEndsTheShow)
{
    startHeadless();
    platformPostEvent(eventOf(platformEventClose));
    EXPECT_EQ(pumpMessages(), 1);
    EXPECT_FALSE(platformWindowOpen());
}

TEST(Pump, DeactivationHoldsThePumpAndTheClockUntilReactivation)
{
    startHeadless();
    timing.lastTick = timing.currentTick = platformTicks();
    uint32_t start = platformTicks();
    platformPostEvent(eventOf(platformEventDeactivate));
    platformPostEventAfter(eventOf(platformEventActivate), 10000);
    EXPECT_EQ(pumpMessages(), 0);
    uint32_t back = platformTicks();
    EXPECT_GE(back - start, 10000u) << "the pump returned while inactive";
    EXPECT_LT(back - start, 10000u + inactiveWaitMs);
    EXPECT_EQ(timing.appActive, 1);
    // The inactive time is kept out of the demo clock.
    updateDemoClock();
    EXPECT_LT(timing.demoClock, inactiveWaitMs * 0.5263157894736843 + 1e-9);

    // Closing the window while inactive still ends the show.
    platformPostEvent(eventOf(platformEventDeactivate));
    platformPostEventAfter(eventOf(platformEventKeyDown, platformKeyEscape), 500);
    EXPECT_EQ(pumpMessages(), 1);
    EXPECT_EQ(timing.appActive, 0);
}

TEST(Pump, RunsTheStallGuardOfTheWindowTimer)
{
    startHeadless();
    uint32_t now = platformTicks();
    timing.previousTimerTime = now;
    timing.lastTick = now;
    platformWait(99);
    pumpMessages();
    EXPECT_EQ(timing.lastTick, now) << "a gap under 100 ms is kept";
    EXPECT_EQ(timing.previousTimerTime, now + 99);
    platformWait(100);
    pumpMessages();
    EXPECT_EQ(timing.lastTick, now + 199) << "a gap of 100 ms or more is dropped";
}

TEST(Pump, ExposeAndResizeRefreshTheClientRectangle)
{
    startHeadless();
    display.clientRect = {0, 0, 1, 1};
    platformPostEvent(eventOf(platformEventExpose));
    pumpMessages();
    EXPECT_EQ(display.clientRect.right, 320);
    display.clientRect = {0, 0, 1, 1};
    platformPostEvent(eventOf(platformEventResize));
    pumpMessages();
    EXPECT_EQ(display.clientRect.bottom, 240);
}

TEST(Shutdown, ReleasesTheDisplayAndPostsQuit)
{
    startHeadless();
    ASSERT_EQ(chooseVideoMode(), 1);
    shutdownDemo();
    TargetLock lock;
    EXPECT_EQ(lockTarget(lock), 0);
    EXPECT_EQ(pumpMessages(), 1);
}

TEST(Message, FormatsAppendsALineBreakAndCutsLongText)
{
    resetShell();
    resetPlatform();
    testing::internal::CaptureStderr();
    showMessage("Value %d of %s", 42, "x");
    reportMissingFile("kfr_mi.jpg");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "-ZEM- DEMO ENGINE message: Value 42 of x\n"
              "-ZEM- DEMO ENGINE message: Engine error: file 'kfr_mi.jpg' not found!\n");
    EXPECT_STREQ(shell.lastMessage, "Engine error: file 'kfr_mi.jpg' not found!\n");
    EXPECT_EQ(shell.messageCount, 2);

    std::string longName(400, 'n');
    testing::internal::CaptureStderr();
    reportMissingFile(longName.c_str());
    testing::internal::GetCapturedStderr();
    std::string text = shell.lastMessage;
    ASSERT_EQ(text.size(),
              258u);  // 257 characters and the line break, cut to fit the 260-byte buffer
    EXPECT_EQ(text.substr(0, 20), "Engine error: file '");
    EXPECT_EQ(text.back(), '\n');
}
