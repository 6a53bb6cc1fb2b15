// The main window and its event handling.
#include "shell/shell.h"

#include "demo/demo.h"
#include "display/display.h"

ShellState shell;

void resetShell()
{
    shell = ShellState{};
}

bool openMainWindow(int fullScreen)
{
    display.fullScreen = fullScreen > 0 ? 1 : 0;
    if (!platformOpenWindow())
        return false;
    if (display.fullScreen)
        platformShowCursor(false);
    refreshClientRect();
    return true;
}

void postQuit()
{
    PlatformEvent quit;
    quit.kind = platformEventQuit;
    platformPostEvent(quit);
}

void windowProc(const PlatformEvent& event)
{
    switch (event.kind) {
    case platformEventKeyDown:
        if (event.key == platformKeyEscape) {
            PlatformEvent close;
            close.kind = platformEventClose;
            platformPostEvent(close);
        }
        refreshClientRect();
        break;
    case platformEventClose:
        // Closing destroys the window, and its destruction posts the quit message.
        platformCloseWindow();
        postQuit();
        break;
    case platformEventActivate: timing.appActive = 1; break;
    case platformEventDeactivate: timing.appActive = 0; break;
    case platformEventResize:
    case platformEventExpose: refreshClientRect(); break;
    default: break;
    }
}
