// Xlib ends the program on any protocol error it has no handler for. A request about a window
// that has just gone (a dialog closed while SDL or the server still had work queued for it) is
// answered with BadWindow, and that must not end the show; other errors go to the handler that
// was in place before (SDL's, which puts the desktop's mode back, then Xlib's own).
#include <SDL.h>
#include <X11/Xlib.h>

#include <cstring>

#include "platform/platform_state.h"

namespace {

XErrorHandler previousHandler = nullptr;
bool installed = false;

int ignoreGoneWindows(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow)
        return 0;
    return previousHandler ? previousHandler(display, error) : 0;
}

}  // namespace

void sdlKeepGoneWindowsQuiet()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (installed || !driver || std::strcmp(driver, "x11") != 0)
        return;
    previousHandler = XSetErrorHandler(ignoreGoneWindows);
    installed = true;
}
