// The demo clock, the fade engine and the stall guard.
#include "demo/demo.h"

#include "platform/platform.h"

#include <cmath>

TimingState timing;
MusicPosition musicPosition;
DemoMusic demoMusic;
std::atomic<int> syncEvent{0};

// One clock unit is 1.9 ms; this is 1/1.9 as the double the clock has always used.
constexpr double kClockUnitsPerMs = 0.5263157894736843;
// A gap between two window-timer calls of at least this many ms is dropped from the clock.
constexpr int32_t kStallMs = 100;

void resetTiming()
{
    timing = TimingState{};
    musicPosition = MusicPosition{};
    syncEvent.store(0, std::memory_order_relaxed);
}

void updateDemoClock()
{
    if (!timing.appActive) {
        timing.lastTick = platformTicks();
        timing.currentTick = timing.lastTick;
        return;
    }
    timing.currentTick = platformTicks();
    const uint32_t delta = timing.currentTick - timing.lastTick;  // unsigned: survives wrap-around
    const float dt = static_cast<float>(delta * kClockUnitsPerMs);
    timing.demoClock += dt;
    timing.lastTick = timing.currentTick;

    const float step = static_cast<float>(dt + timing.fadeCarry);
    if (timing.fadeState == fadeOut) {
        const double x = timing.fadeLevel + static_cast<double>(step);
        timing.fadeCarry = x - std::trunc(x);
        timing.fadeLevel = static_cast<int>(std::trunc(x));
        if (timing.fadeLevel > 255) {
            timing.fadeLevel = 255;
            timing.fadeState = fadeIdle;
        }
    } else if (timing.fadeState == fadeIn) {
        const double x = timing.fadeLevel - static_cast<double>(step);
        timing.fadeCarry = std::trunc(x) - x;
        timing.fadeLevel = static_cast<int>(std::trunc(x));
        if (timing.fadeLevel < 0) {
            timing.fadeLevel = 0;
            timing.fadeState = fadeIdle;
        }
    }
}

void startFadeIn()
{
    timing.lastTick = platformTicks();
    timing.fadeState = fadeIn;
}

void fadeOutNear(int time, int length, float fraction)
{
    // The comparison is made in float, as length × fraction is a float.
    if (static_cast<float>(time) > static_cast<float>(length) * fraction &&
        timing.fadeState != fadeOut)
        startFadeOut();
}

void startFadeOut()
{
    timing.fadeState = fadeOut;
    timing.fadeToWhite = timing.endFadeToWhite;
}

void timerProc(uint32_t timeStamp)
{
    const int32_t delta = static_cast<int32_t>(timeStamp - timing.previousTimerTime);
    timing.previousTimerTime = timeStamp;
    if (timing.appActive && delta >= kStallMs)
        timing.lastTick = timeStamp;
}
