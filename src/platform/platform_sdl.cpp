// The SDL2 backend: window, renderer, input events, message box and the millisecond clock.
#include "platform/platform_state.h"

#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

// Events posted with a delay wait in these slots until their SDL timer fires; tests and the
// pump post at most a few at a time.
constexpr int delayedSlotCount = 16;

struct DelayedEvent {
    std::atomic<bool> used{false};
    PlatformEvent event;
};

struct SdlState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    uint32_t windowId = 0;
    bool fullscreen = false;
    int windowScale = 0;      // the command line's window scale, for a window made by Alt+Enter
    bool frameShown = false;  // the texture holds a frame that was presented
    int lastClientWidth = 0, lastClientHeight = 0;
    DelayedEvent delayed[delayedSlotCount];
    SDL_TimerID timers[delayedSlotCount] = {};
};

SdlState sdl;
// SDL hands out user event numbers once per process; the quit message keeps its number.
uint32_t quitEventType = 0;

// The largest whole multiple of 320 x 240 that leaves a tenth of the desktop free, or the scale
// asked for.
int windowFactor(int windowScale)
{
    int factor = windowScale > 0 ? windowScale : 1;
    SDL_Rect usable;
    if (windowScale <= 0 && SDL_GetDisplayUsableBounds(0, &usable) == 0) {
        int byWidth = usable.w * 9 / 10 / platformTargetWidth;
        int byHeight = usable.h * 9 / 10 / platformTargetHeight;
        factor = byWidth < byHeight ? byWidth : byHeight;
        if (factor < 1)
            factor = 1;
    }
    return factor;
}

// Alt+Enter: full screen becomes a window of the size the window would have opened at, and the
// window becomes a desktop-sized full screen without the cursor. The picture keeps its 320 x 240
// target either way; only the scaling into the client area changes.
void toggleFullScreen()
{
    if (!sdl.window)
        return;
    const bool toFullScreen = !sdl.fullscreen;
    SDL_Rect desktop;
    if (toFullScreen && SDL_GetDisplayBounds(0, &desktop) == 0) {
        // Covered by hand first, as the window opened full screen is: without a window manager
        // the full-screen state alone leaves the window where and as large as it was.
        SDL_SetWindowBordered(sdl.window, SDL_FALSE);
        SDL_SetWindowPosition(sdl.window, desktop.x, desktop.y);
        SDL_SetWindowSize(sdl.window, desktop.w, desktop.h);
    }
    if (SDL_SetWindowFullscreen(sdl.window, toFullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return;
    sdl.fullscreen = toFullScreen;
    if (!toFullScreen) {
        // A window opened full screen has no border and no size of its own yet.
        SDL_SetWindowBordered(sdl.window, SDL_TRUE);
        SDL_SetWindowResizable(sdl.window, SDL_TRUE);
        const int factor = windowFactor(sdl.windowScale);
        SDL_SetWindowSize(sdl.window, platformTargetWidth * factor, platformTargetHeight * factor);
        SDL_SetWindowPosition(sdl.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_ShowCursor(toFullScreen ? SDL_DISABLE : SDL_ENABLE);
}

// An uncovered window shows the last frame again, so that a paused show (which presents nothing
// until it is active again) does not leave the uncovered part empty.
void redrawLastFrame();

bool translate(const SDL_Event& e, PlatformEvent& out)
{
    out = PlatformEvent{};
    switch (e.type) {
    case SDL_QUIT: out.kind = platformEventClose; return true;
    case SDL_KEYDOWN:
        if ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) &&
            (e.key.keysym.mod & KMOD_ALT) != 0) {
            if (!e.key.repeat)
                toggleFullScreen();
            // The client area changes size; the key itself is not the show's.
            out.kind = platformEventResize;
            return true;
        }
        out.kind = platformEventKeyDown;
        // SDL's key code for Escape is the ASCII escape, 27, like platformKeyEscape.
        out.key =
            e.key.keysym.sym != 0 ? int(e.key.keysym.sym) : 0x40000000 | e.key.keysym.scancode;
        return true;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: out.kind = platformEventClose; return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.kind = platformEventActivate; return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: out.kind = platformEventDeactivate; return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED: out.kind = platformEventResize; return true;
        case SDL_WINDOWEVENT_EXPOSED:
            redrawLastFrame();
            out.kind = platformEventExpose;
            return true;
        default: return false;
        }
    case SDL_SYSWMEVENT:
        // A window that is gone ends the show as closing it would.
        if (!sdlWindowDestroyed(e, sdl.window))
            return false;
        out.kind = platformEventClose;
        return true;
    default:
        if (quitEventType != 0 && e.type == quitEventType) {
            out.kind = platformEventQuit;
            return true;
        }
        return false;
    }
}

SDL_Event toSdl(const PlatformEvent& event)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    auto windowEvent = [&](Uint8 which) {
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = sdl.windowId;
        e.window.event = which;
    };
    switch (event.kind) {
    case platformEventClose: windowEvent(SDL_WINDOWEVENT_CLOSE); break;
    case platformEventActivate: windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED); break;
    case platformEventDeactivate: windowEvent(SDL_WINDOWEVENT_FOCUS_LOST); break;
    case platformEventResize: windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED); break;
    case platformEventExpose: windowEvent(SDL_WINDOWEVENT_EXPOSED); break;
    case platformEventKeyDown:
        e.type = SDL_KEYDOWN;
        e.key.windowID = sdl.windowId;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = event.key;
        e.key.keysym.scancode =
            event.key == platformKeyEscape ? SDL_SCANCODE_ESCAPE : SDL_SCANCODE_UNKNOWN;
        break;
    case platformEventQuit: e.type = quitEventType; break;
    default: e.type = SDL_FIRSTEVENT; break;
    }
    return e;
}

Uint32 deliverDelayed(Uint32, void* param)
{
    DelayedEvent* slot = static_cast<DelayedEvent*>(param);
    SDL_Event e = toSdl(slot->event);
    slot->used.store(false);
    if (e.type != SDL_FIRSTEVENT)
        SDL_PushEvent(&e);
    return 0;
}

}  // namespace

int sdlQuietStderr()
{
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || null < 0) {
        if (saved >= 0)
            close(saved);
        if (null >= 0)
            close(null);
        return -1;
    }
    dup2(null, STDERR_FILENO);
    close(null);
    return saved;
}

void sdlRestoreStderr(int saved)
{
    if (saved < 0)
        return;
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
}

bool sdlInit(const PlatformConfig&, PlatformPixelFormat& desktop)
{
    platformNameWindowClass();
    const int saved = sdlQuietStderr();
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) == 0;
    sdlRestoreStderr(saved);
    if (!started)
        return false;
    // Without a display SDL falls back to drivers that show nothing; a window was asked for, so
    // that counts as failure unless those drivers were chosen on purpose.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
        !SDL_getenv("SDL_VIDEODRIVER")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS);
        return false;
    }
    sdlKeepGoneWindowsQuiet();
    if (quitEventType == 0) {
        Uint32 type = SDL_RegisterEvents(1);
        quitEventType = type == Uint32(-1) ? 0 : type;
    }
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        int bpp;
        Uint32 r, g, b, a;
        if (SDL_PixelFormatEnumToMasks(mode.format, &bpp, &r, &g, &b, &a)) {
            int bytes = SDL_BYTESPERPIXEL(mode.format);
            desktop.bits = bytes >= 4 ? 32 : bytes == 3 ? 24 : bytes == 2 ? 16 : 8;
            desktop.redMask = r;
            desktop.greenMask = g;
            desktop.blueMask = b;
        }
    }
    return true;
}

void sdlShutdown()
{
    for (int i = 0; i < delayedSlotCount; ++i) {
        if (sdl.timers[i] != 0)
            SDL_RemoveTimer(sdl.timers[i]);
        sdl.timers[i] = 0;
        sdl.delayed[i].used.store(false);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS);
}

uint32_t sdlTicks()
{
    return static_cast<uint32_t>(SDL_GetTicks64());
}

void sdlWait(uint32_t ms)
{
    SDL_Delay(ms);
}

bool sdlOpenWindow(const PlatformConfig& config)
{
    sdlCloseWindow();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, config.smoothScaling ? "linear" : "nearest");
    sdl.fullscreen = config.fullscreen;
    sdl.windowScale = config.windowScale;
    if (config.fullscreen) {
        // Made at the desktop's size from the start, so the renderer never sees a smaller window.
        SDL_DisplayMode desktop;
        int width = platformTargetWidth, height = platformTargetHeight;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            width = desktop.w;
            height = desktop.h;
        }
        sdl.window =
            SDL_CreateWindow(platformWindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             width, height, SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    } else {
        const int factor = windowFactor(config.windowScale);
        sdl.window = SDL_CreateWindow(platformWindowTitle, SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, platformTargetWidth * factor,
                                      platformTargetHeight * factor, SDL_WINDOW_RESIZABLE);
    }
    if (!sdl.window)
        return false;
    sdl.windowId = SDL_GetWindowID(sdl.window);
    platformApplyWindowIcon(sdl.window);
    Uint32 flags = SDL_RENDERER_ACCELERATED | (config.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, flags);
    if (!sdl.renderer)
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    if (!sdl.renderer)
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_SOFTWARE);
    if (sdl.renderer)
        sdl.texture =
            SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                              platformTargetWidth, platformTargetHeight);
    if (!sdl.texture) {
        sdlCloseWindow();
        return false;
    }
    if (config.fullscreen)
        SDL_ShowCursor(SDL_DISABLE);
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderPresent(sdl.renderer);
    return true;
}

void sdlCloseWindow()
{
    if (sdl.texture)
        SDL_DestroyTexture(sdl.texture);
    if (sdl.renderer)
        SDL_DestroyRenderer(sdl.renderer);
    if (sdl.window) {
        sdlDestroyWindowQuietly(sdl.window);
        SDL_ShowCursor(SDL_ENABLE);
    }
    sdl.texture = nullptr;
    sdl.renderer = nullptr;
    sdl.window = nullptr;
    sdl.windowId = 0;
    sdl.frameShown = false;
    sdl.lastClientWidth = sdl.lastClientHeight = 0;
}

void sdlShowCursor(bool shown)
{
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void sdlClientSize(int& width, int& height)
{
    width = height = 0;
    if (sdl.renderer && SDL_GetRendererOutputSize(sdl.renderer, &width, &height) == 0)
        return;
    width = height = 0;
}

void sdlWindowBounds(int& x, int& y, int& width, int& height)
{
    x = y = width = height = 0;
    if (!sdl.window)
        return;
    SDL_GetWindowPosition(sdl.window, &x, &y);
    SDL_GetWindowSize(sdl.window, &width, &height);
}

bool sdlPollEvent(PlatformEvent& event)
{
    SDL_Event e;
    while (SDL_PollEvent(&e))
        if (translate(e, event))
            return true;
    // SDL_PollEvent stops at the sentinel it queues when it pumps, so events posted while the
    // queue was being drained (the close and quit that Escape leads to) wait behind it.
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
        if (translate(e, event))
            return true;
    return false;
}

bool sdlWaitEvent(PlatformEvent& event, uint32_t timeoutMs)
{
    if (sdlPollEvent(event))
        return true;
    Uint64 until = SDL_GetTicks64() + timeoutMs;
    for (;;) {
        Uint64 now = SDL_GetTicks64();
        if (now >= until)
            return false;
        SDL_Event e;
        if (!SDL_WaitEventTimeout(&e, int(until - now)))
            return false;
        if (translate(e, event))
            return true;
    }
}

void sdlPostEvent(const PlatformEvent& event)
{
    SDL_Event e = toSdl(event);
    if (e.type != SDL_FIRSTEVENT)
        SDL_PushEvent(&e);
}

void sdlPostEventAfter(const PlatformEvent& event, uint32_t afterMs)
{
    for (int i = 0; i < delayedSlotCount; ++i) {
        bool expected = false;
        if (!sdl.delayed[i].used.compare_exchange_strong(expected, true))
            continue;
        sdl.delayed[i].event = event;
        sdl.timers[i] = SDL_AddTimer(afterMs > 0 ? afterMs : 1, deliverDelayed, &sdl.delayed[i]);
        if (sdl.timers[i] == 0) {
            sdl.delayed[i].used.store(false);
            sdlPostEvent(event);
        }
        return;
    }
    sdlPostEvent(event);  // every slot busy: deliver at once rather than lose it
}

bool sdlMessageBox(const char* title, const char* text)
{
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title, text, nullptr) == 0;
}

namespace {

// Clears the drawable area and draws the texture into the client area asked for (0 x 0: the
// whole drawable area as it is now).
void drawPicture(int clientWidth, int clientHeight)
{
    sdl.lastClientWidth = clientWidth;
    sdl.lastClientHeight = clientHeight;
    if (clientWidth <= 0 || clientHeight <= 0)
        sdlClientSize(clientWidth, clientHeight);
    PlatformRect fit = platformFitPicture(clientWidth, clientHeight);
    SDL_Rect destination{fit.x, fit.y, fit.width, fit.height};
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, &destination);
}

void redrawLastFrame()
{
    if (!sdl.texture || !sdl.frameShown)
        return;
    // The whole drawable area as it is now: the window may have changed size while it was covered.
    drawPicture(0, 0);
    SDL_RenderPresent(sdl.renderer);
}

}  // namespace

bool sdlShow(const uint32_t* pixels, int clientWidth, int clientHeight)
{
    if (!sdl.texture)
        return false;
    if (SDL_UpdateTexture(sdl.texture, nullptr, pixels, platformTargetWidth * 4) != 0)
        return false;
    drawPicture(clientWidth, clientHeight);
    SDL_RenderPresent(sdl.renderer);
    sdl.frameShown = true;
    return true;
}

bool sdlReadWindow(uint32_t* pixels, int capacity, int& width, int& height)
{
    if (!sdl.renderer)
        return false;
    sdlClientSize(width, height);
    if (width <= 0 || height <= 0 || width * height > capacity)
        return false;
    // Draw the last picture again into the back buffer and read that, as the front buffer of a
    // presented frame cannot be read portably.
    drawPicture(sdl.lastClientWidth, sdl.lastClientHeight);
    return SDL_RenderReadPixels(sdl.renderer, nullptr, SDL_PIXELFORMAT_RGB888, pixels, width * 4) ==
           0;
}
