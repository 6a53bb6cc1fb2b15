// Xlib ends the program on any protocol error it has no handler for. A request about a window
// that has just gone (a dialog closed while SDL or the server still had work queued for it, or a
// window destroyed by another client) is answered with BadWindow or BadDrawable, and that must
// not end the show; other errors go to the handler that was in place before (SDL's, which puts
// the desktop's mode back, then Xlib's own). A window destroyed by another client (a crashed
// window manager, `xdotool windowclose`) is told by the X server's DestroyNotify, which SDL
// passes on only as a window-system event.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstring>

#include "platform/platform_state.h"

namespace {

XErrorHandler previousHandler = nullptr;

int ignoreGoneWindows(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable)
        return 0;
    return previousHandler ? previousHandler(display, error) : 0;
}

}  // namespace

void sdlKeepGoneWindowsQuiet()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0)
        return;
    // Every start of SDL's video puts its own handler in place and every stop puts back the one
    // before it (Xlib's, which ends the program): after the launcher's video stopped, the main
    // window's start must install ours again.
    const XErrorHandler current = XSetErrorHandler(ignoreGoneWindows);
    if (current != ignoreGoneWindows)
        previousHandler = current;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool sdlWindowDestroyed(const SDL_Event& event, SDL_Window* window)
{
    if (event.type != SDL_SYSWMEVENT || window == nullptr || event.syswm.msg == nullptr ||
        event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != DestroyNotify)
        return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 &&
           info.info.x11.window == x.xdestroywindow.window;
}

void sdlSetTransientFor(SDL_Window* window, SDL_Window* owner)
{
    SDL_SysWMinfo info, ownerInfo;
    SDL_VERSION(&info.version);
    SDL_VERSION(&ownerInfo.version);
    if (!SDL_GetWindowWMInfo(window, &info) || !SDL_GetWindowWMInfo(owner, &ownerInfo) ||
        info.subsystem != SDL_SYSWM_X11 || ownerInfo.subsystem != SDL_SYSWM_X11)
        return;
    XSetTransientForHint(info.info.x11.display, info.info.x11.window, ownerInfo.info.x11.window);
    XFlush(info.info.x11.display);
}

void sdlDestroyWindowQuietly(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    const bool x11 = SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
    SDL_DestroyWindow(window);
    // A window already destroyed by another client is answered with BadWindow. Taken now, while
    // our handler is in place, rather than when SDL's video stops and Xlib's own handler, which
    // ends the program with exit code 1, is back.
    if (x11)
        XSync(info.info.x11.display, False);
}
