// The message pump, run at the end of every presented frame.
#include "shell/shell.h"

#include "audio/audio.h"
#include "demo/demo.h"

int pumpMessages()
{
    int rememberedActive = timing.appActive;
    bool waitForEvent = false;
    for (;;) {
        PlatformEvent event;
        bool taken =
            waitForEvent ? platformWaitEvent(event, inactiveWaitMs) : platformPollEvent(event);
        if (taken) {
            if (event.kind == platformEventQuit)
                return shell.quitFlag = 1;
            windowProc(event);
            waitForEvent = false;
            continue;
        }
        // The queue is empty: the zero-period window timer fires now.
        timerProc(platformTicks());
        if (timing.appActive != rememberedActive) {
            rememberedActive = timing.appActive;
            if (rememberedActive)
                musicResume();
            else
                musicSuspend();
        }
        if (timing.appActive)
            return shell.quitFlag = 0;
        // Inactive: hold the clock and sleep until the next event (or a short timeout) rather
        // than polling a core flat out.
        timing.lastTick = platformTicks();
        timing.currentTick = timing.lastTick;
        waitForEvent = true;
    }
}

int quitRequested()
{
    return shell.quitFlag;
}
