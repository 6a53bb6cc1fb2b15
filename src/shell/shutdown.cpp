// The shutdown routine every exit path of the show runs once.
#include "shell/shell.h"

#include "demo/demo.h"
#include "display/display.h"

void shutdownDemo()
{
    shutdownMusic();
    releaseDisplay();
    postQuit();
}
