// The browser backend's own part (emcc only): yielding to the browser once a frame through
// ASYNCIFY, the picture of the headless run drawn into the page, the page's frame limit and
// message, and stand-ins for the native dialogs (the page has its own start page).
#ifdef __EMSCRIPTEN__

#include "platform/platform_web.h"
#include "platform/platform_dialog.h"
#include "platform/platform_state.h"

#include <SDL.h>
#include <emscripten.h>

#include <cstdio>

// The page (web/v4npelva.js) defines Module.v4n with the functions called here.
EM_JS(int, webFrameLimit, (), { return Module.v4n ? Module.v4n.frameLimit() : 0; });
EM_JS(void, webDrawPicture, (const uint32_t* pixels), {
    if (Module.v4n)
        Module.v4n.drawPicture(pixels);
});
EM_JS(void, webShowMessage, (const char* title, const char* text), {
    if (Module.v4n)
        Module.v4n.showMessage(UTF8ToString(title), UTF8ToString(text));
});
EM_JS(void, webFramesDone, (int frames), {
    if (Module.v4n)
        Module.v4n.framesDone(frames);
});
EM_JS(double, webNow, (), { return performance.now(); });
// Waits for the browser's next animation frame, or less when the page is hidden (no animation
// frames come then, and the show must still see that it lost the focus).
EM_ASYNC_JS(void, webNextFrame, (), {
    await new Promise(function(resolve) {
        if (Module.v4n && Module.v4n.nextFrame)
            Module.v4n.nextFrame(resolve);
        else
            requestAnimationFrame(function() { resolve(); });
    });
});
// Never returns: the program stays where it is, the page keeps the last picture.
EM_ASYNC_JS(void, webHalt, (), { await new Promise(function(){}); });

namespace {

void (*yieldHook)() = nullptr;
double lastHeadlessYield = 0;

void drawShown()
{
    static uint32_t pixels[platformTargetWidth * platformTargetHeight];
    if (platformReadShown(pixels))
        webDrawPicture(pixels);
}

void runYieldHook()
{
    if (yieldHook != nullptr)
        yieldHook();
}

}  // namespace

void platformOnYield(void (*hook)())
{
    yieldHook = hook;
}

void webAfterShown()
{
    const int limit = webFrameLimit();
    if (limit > 0 && platform.shownFrames >= uint32_t(limit)) {
        drawShown();
        webFramesDone(int(platform.shownFrames));
        webHalt();
    }
    if (platform.sdlActive) {
        webNextFrame();
        runYieldHook();
        return;
    }
    // Headless: as fast as the browser goes, with a look at the page four times a second.
    const double now = webNow();
    if (now - lastHeadlessYield >= 250) {
        lastHeadlessYield = now;
        drawShown();
        emscripten_sleep(0);
    }
}

void webWait(uint32_t ms)
{
    runYieldHook();
    emscripten_sleep(ms);
    runYieldHook();
}

bool webMessageBox(const char* title, const char* text)
{
    std::fprintf(stderr, "%s: %s", title, text);
    webShowMessage(title, text);
    return true;
}

// The native dialogs draw with SDL_ttf in windows of their own; the page replaces them.
void platformApplyWindowIcon(void*) {}
void platformNameWindowClass() {}
void sdlKeepGoneWindowsQuiet() {}
// The page's canvas is never destroyed by another client.
bool sdlWindowDestroyed(const SDL_Event&, SDL_Window*)
{
    return false;
}
void sdlDestroyWindowQuietly(SDL_Window* window)
{
    SDL_DestroyWindow(window);
}

namespace {
const uint32_t* iconPixels = nullptr;
}

void platformSetIcon(const uint32_t* pixels)
{
    iconPixels = pixels;
}
bool platformLoadIcon(const char*)
{
    return false;
}
const uint32_t* platformIcon()
{
    return iconPixels;
}
bool platformDialogFontMetrics(int&, int&)
{
    return false;
}
int platformDialogOpen(const char*, int, int)
{
    return -1;
}
void platformDialogClose(int) {}
void platformDialogFill(int, int, int, int, int, uint32_t) {}
void platformDialogText(int, int, int, const char*, uint32_t, int) {}
void platformDialogTextSize(const char*, int& width, int& height)
{
    width = height = 0;
}
void platformDialogPresent(int) {}
bool platformDialogRead(int, uint32_t*, int, int&, int&)
{
    return false;
}
bool platformDialogWaitInput(PlatformDialogInput&, uint32_t)
{
    return false;
}
void platformDialogRaise(int) {}
bool platformMessageBoxesWanted()
{
    return false;
}

#endif
