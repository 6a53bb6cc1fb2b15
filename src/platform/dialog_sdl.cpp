// The dialogs' windows: one SDL window with a software renderer each, text through SDL_ttf.
#include "platform/platform_dialog.h"

#include "platform/platform_state.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstring>

namespace {

// DejaVu Sans in the places Debian and other systems put it.
constexpr const char* fontPaths[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/local/share/fonts/DejaVuSans.ttf",
};
// Pixel height of the dialogs' text: about an 8-point face on a 96 dpi screen.
constexpr int fontPixels = 11;
constexpr int iconSize = 32;

struct DialogWindow {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    uint32_t windowId = 0;
};

struct DialogPlatform {
    DialogWindow dialogs[platformDialogCapacity];
    int openCount = 0;
    TTF_Font* font = nullptr;
    bool ttfStarted = false;
    bool hasIcon = false;
    uint32_t icon[iconSize * iconSize] = {};
};

DialogPlatform dialogPlatform;

bool startFont()
{
    if (dialogPlatform.font)
        return true;
    if (!dialogPlatform.ttfStarted) {
        if (TTF_Init() != 0)
            return false;
        dialogPlatform.ttfStarted = true;
    }
    for (const char* path : fontPaths) {
        dialogPlatform.font = TTF_OpenFont(path, fontPixels);
        if (dialogPlatform.font)
            break;
    }
    if (dialogPlatform.font)
        TTF_SetFontHinting(dialogPlatform.font, TTF_HINTING_NORMAL);
    return dialogPlatform.font != nullptr;
}

DialogWindow* find(int dialog)
{
    if (dialog < 0 || dialog >= platformDialogCapacity)
        return nullptr;
    DialogWindow* d = &dialogPlatform.dialogs[dialog];
    return d->window ? d : nullptr;
}

int dialogOfWindow(uint32_t windowId)
{
    for (int i = 0; i < platformDialogCapacity; ++i)
        if (dialogPlatform.dialogs[i].window && dialogPlatform.dialogs[i].windowId == windowId)
            return i;
    return -1;
}

int translateKey(SDL_Keycode key)
{
    switch (key) {
    case SDLK_TAB: return dialogKeyTab;
    case SDLK_LEFT: return dialogKeyLeft;
    case SDLK_RIGHT: return dialogKeyRight;
    case SDLK_UP: return dialogKeyUp;
    case SDLK_DOWN: return dialogKeyDown;
    case SDLK_SPACE: return dialogKeySpace;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return dialogKeyEnter;
    case SDLK_ESCAPE: return dialogKeyEscape;
    default: return dialogKeyOther;
    }
}

bool translate(const SDL_Event& e, PlatformDialogInput& out)
{
    out = PlatformDialogInput{};
    switch (e.type) {
    case SDL_KEYDOWN:
        out.kind = dialogInputKey;
        out.dialog = dialogOfWindow(e.key.windowID);
        out.key = translateKey(e.key.keysym.sym);
        out.shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
        return out.dialog >= 0;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT)
            return false;
        out.kind = e.type == SDL_MOUSEBUTTONDOWN ? dialogInputMouseDown : dialogInputMouseUp;
        out.dialog = dialogOfWindow(e.button.windowID);
        out.x = e.button.x;
        out.y = e.button.y;
        return out.dialog >= 0;
    case SDL_WINDOWEVENT:
        out.dialog = dialogOfWindow(e.window.windowID);
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            out.kind = dialogInputClose;
        else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 e.window.event == SDL_WINDOWEVENT_SHOWN)
            out.kind = dialogInputExpose;
        return out.kind != dialogInputNone && out.dialog >= 0;
    case SDL_QUIT:
        // The last window closing: taken as a close of the topmost dialog.
        for (int i = platformDialogCapacity - 1; i >= 0; --i)
            if (dialogPlatform.dialogs[i].window) {
                out.kind = dialogInputClose;
                out.dialog = i;
                return true;
            }
        return false;
    default: return false;
    }
}

void applyIcon(SDL_Window* window)
{
    if (!dialogPlatform.hasIcon || !window)
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        dialogPlatform.icon, iconSize, iconSize, 32, iconSize * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

}  // namespace

// Shared with the main window's backend: every window gets the icon and the class name.
void platformApplyWindowIcon(void* window)
{
    applyIcon(static_cast<SDL_Window*>(window));
}

void platformNameWindowClass()
{
    // Read by SDL's X11 and Wayland drivers when they make a window.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", platformWindowClass, 0);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", platformWindowClass, 0);
}

void platformSetIcon(const uint32_t* pixels)
{
    dialogPlatform.hasIcon = pixels != nullptr;
    if (pixels)
        std::memcpy(dialogPlatform.icon, pixels, sizeof dialogPlatform.icon);
}

bool platformLoadIcon(const char* path)
{
    SDL_Surface* loaded = SDL_LoadBMP(path);
    if (!loaded)
        return false;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!argb)
        return false;
    bool fits = argb->w == iconSize && argb->h == iconSize;
    if (fits) {
        uint32_t pixels[iconSize * iconSize];
        for (int y = 0; y < iconSize; ++y)
            std::memcpy(pixels + y * iconSize,
                        static_cast<uint8_t*>(argb->pixels) + y * argb->pitch, iconSize * 4);
        platformSetIcon(pixels);
    }
    SDL_FreeSurface(argb);
    return fits;
}

const uint32_t* platformIcon()
{
    return dialogPlatform.hasIcon ? dialogPlatform.icon : nullptr;
}

bool platformDialogFontMetrics(int& averageWidth, int& height)
{
    averageWidth = height = 0;
    if (!startFont())
        return false;
    int width = 0;
    TTF_SizeUTF8(dialogPlatform.font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz",
                 &width, nullptr);
    averageWidth = (width / 26 + 1) / 2;
    height = TTF_FontHeight(dialogPlatform.font);
    return true;
}

int platformDialogOpen(const char* title, int width, int height)
{
    int slot = -1;
    for (int i = 0; i < platformDialogCapacity && slot < 0; ++i)
        if (!dialogPlatform.dialogs[i].window)
            slot = i;
    if (slot < 0)
        return -1;
    platformNameWindowClass();
    const int saved = sdlQuietStderr();
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    sdlRestoreStderr(saved);
    if (!started)
        return -1;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!startFont() || !driver || std::strcmp(driver, "offscreen") == 0 ||
        std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return -1;
    }
    sdlKeepGoneWindowsQuiet();
    // A dialog opened from another (the sound set-up from the launcher) belongs to it: centred
    // on it, and a transient of it, so that the window manager keeps it above its owner.
    SDL_Window* owner = nullptr;
    for (int i = platformDialogCapacity - 1; i >= 0 && !owner; --i)
        if (i != slot && dialogPlatform.dialogs[i].window)
            owner = dialogPlatform.dialogs[i].window;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (owner) {
        int ownerX, ownerY, ownerWidth, ownerHeight;
        SDL_GetWindowPosition(owner, &ownerX, &ownerY);
        SDL_GetWindowSize(owner, &ownerWidth, &ownerHeight);
        x = ownerX + (ownerWidth - width) / 2;
        y = ownerY + (ownerHeight - height) / 2;
    }
    DialogWindow& d = dialogPlatform.dialogs[slot];
    d.window = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_HIDDEN);
    if (d.window)
        d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
    if (!d.renderer) {
        if (d.window)
            SDL_DestroyWindow(d.window);
        d = DialogWindow{};
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return -1;
    }
    d.windowId = SDL_GetWindowID(d.window);
    applyIcon(d.window);
    // Set once the window is shown: set before, the window was found naming the root window as
    // its owner once mapped.
    SDL_ShowWindow(d.window);
    if (owner)
        sdlSetTransientFor(d.window, owner);
    SDL_RaiseWindow(d.window);
    ++dialogPlatform.openCount;
    return slot;
}

void platformDialogClose(int dialog)
{
    DialogWindow* d = find(dialog);
    if (!d)
        return;
    SDL_DestroyRenderer(d->renderer);
    SDL_DestroyWindow(d->window);
    *d = DialogWindow{};
    if (--dialogPlatform.openCount == 0 && dialogPlatform.font) {
        TTF_CloseFont(dialogPlatform.font);
        dialogPlatform.font = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void platformDialogFill(int dialog, int x, int y, int width, int height, uint32_t rgb)
{
    DialogWindow* d = find(dialog);
    if (!d || width <= 0 || height <= 0)
        return;
    SDL_SetRenderDrawColor(d->renderer, Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), 255);
    SDL_Rect r{x, y, width, height};
    SDL_RenderFillRect(d->renderer, &r);
}

void platformDialogText(int dialog, int x, int y, const char* text, uint32_t rgb, int maxWidth)
{
    DialogWindow* d = find(dialog);
    if (!d || !text || !text[0] || !startFont())
        return;
    SDL_Color colour{Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), 255};
    SDL_Surface* surface = TTF_RenderUTF8_Blended(dialogPlatform.font, text, colour);
    if (!surface)
        return;
    SDL_Texture* texture = SDL_CreateTextureFromSurface(d->renderer, surface);
    if (texture) {
        SDL_Rect source{0, 0, surface->w, surface->h};
        if (maxWidth > 0 && source.w > maxWidth)
            source.w = maxWidth;
        SDL_Rect target{x, y, source.w, source.h};
        SDL_RenderCopy(d->renderer, texture, &source, &target);
        SDL_DestroyTexture(texture);
    }
    SDL_FreeSurface(surface);
}

void platformDialogTextSize(const char* text, int& width, int& height)
{
    width = height = 0;
    if (!text || !startFont())
        return;
    TTF_SizeUTF8(dialogPlatform.font, text, &width, &height);
}

void platformDialogPresent(int dialog)
{
    if (DialogWindow* d = find(dialog))
        SDL_RenderPresent(d->renderer);
}

bool platformDialogRead(int dialog, uint32_t* pixels, int capacity, int& width, int& height)
{
    DialogWindow* d = find(dialog);
    width = height = 0;
    if (!d || SDL_GetRendererOutputSize(d->renderer, &width, &height) != 0 ||
        width * height > capacity)
        return false;
    return SDL_RenderReadPixels(d->renderer, nullptr, SDL_PIXELFORMAT_RGB888, pixels, width * 4) ==
           0;
}

bool platformDialogWaitInput(PlatformDialogInput& input, uint32_t timeoutMs)
{
    Uint64 until = SDL_GetTicks64() + timeoutMs;
    for (;;) {
        SDL_Event e;
        Uint64 now = SDL_GetTicks64();
        int wait = now >= until ? 0 : int(until - now);
        if (!SDL_WaitEventTimeout(&e, wait))
            return false;
        if (translate(e, input))
            return true;
    }
}

void platformDialogRaise(int dialog)
{
    if (DialogWindow* d = find(dialog)) {
        SDL_RaiseWindow(d->window);
        SDL_SetWindowInputFocus(d->window);
    }
}

bool platformMessageBoxesWanted()
{
    return !platformIsHeadless() && platformConfig().messageBoxes;
}
