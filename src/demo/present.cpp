// The end of every frame: show it through the display, then the message pump and the demo clock.
#include "demo/demo.h"

#include "display/display.h"
#include "shell/shell.h"

uint8_t currentFadeByte()
{
    int sum = timing.fadeLevel + timing.sceneDim;
    return static_cast<uint8_t>(sum > 255 ? 255 : sum < 0 ? 0 : sum);
}

void presentFrame()
{
    showFrame(currentFadeByte(), timing.fadeToWhite);
    pumpMessages();
    updateDemoClock();
}

void presentFrameDirect()
{
    showFrameDirect(currentFadeByte());
    pumpMessages();
    updateDemoClock();
}
