// The display device: video mode, target surface, lock, unlock, show and release, mapped onto the
// platform layer. Full-screen output works as a flipping chain (flip mode), windowed output as a
// work surface blitted into the window's client area (blit mode).
#include "display/display.h"

#include "platform/platform.h"

DisplayDevice display;

void resetDisplay()
{
    platformReleaseTarget();
    display = DisplayDevice{};
}

namespace {

// The common end of both outputs: read the display's format, then create the work surface.
int finishOpen()
{
    PlatformPixelFormat mode = platformDisplayFormat();
    display.bitsPerPixel = mode.bits;
    uint32_t sum = mode.redMask + mode.greenMask + mode.blueMask;
    if (sum == 0xFFFF)
        display.bitsPerPixel = 16;
    if (sum == 0x7FFF)
        display.bitsPerPixel = 15;
    if (mode.redMask == 0x7C00 && mode.greenMask == 0x03E0 && mode.blueMask == 0x001F)
        display.pixelLayout = 1;
    if (mode.redMask == 0xF800 && mode.greenMask == 0x07E0 && mode.blueMask == 0x001F)
        display.pixelLayout = 2;
    // The work surface is 320 x 240 in the display's own format, whatever size was asked for.
    if (!platformCreateTarget(mode))
        return 0;
    display.workSurface = 1;
    return 1;
}

}  // namespace

int openDisplay(int width, int height, int bitsPerPixel)
{
    if (display.fullScreen) {
        if (!platformSetDisplayMode(width, height, bitsPerPixel))
            return 0;
        display.primarySurface = 1;
        display.flipMode = 1;
        display.backBuffer = 1;
    } else {
        display.primarySurface = 1;
        display.blitMode = 1;
        display.flipMode = 0;
    }
    return finishOpen();
}

int chooseVideoMode()
{
    static constexpr int depths[] = {32, 24, 16};
    for (int depth : depths) {
        display.bitsPerPixel = depth;
        if (openDisplay(displayWidth, displayHeight, depth))
            return 1;
    }
    return 0;
}

int lockTarget(TargetLock& lock)
{
    // The target is the work surface in blit mode, the back buffer in flip mode, the primary
    // surface otherwise; the platform keeps one 320 x 240 surface that serves as each of them.
    if (!display.workSurface && !display.backBuffer && !display.primarySurface)
        return 0;
    PlatformLock locked;
    if (!platformLockTarget(locked))
        return 0;
    lock.surface = locked.pixels;
    lock.pitch = locked.pitch;
    return 1;
}

void unlockTarget()
{
    platformUnlockTarget();
}

void showTarget()
{
    // Blit mode stretches into the client rectangle the window procedure keeps; a flip fills the
    // whole screen.
    if (display.blitMode) {
        const ClientRect& r = display.clientRect;
        platformShowTarget(r.right - r.left, r.bottom - r.top);
    } else if (display.flipMode) {
        platformShowTarget(0, 0);
    }
}

int releaseDisplay()
{
    platformReleaseTarget();
    display.backBuffer = 0;
    display.primarySurface = 0;
    display.workSurface = 0;
    return 1;
}

void refreshClientRect()
{
    int width, height;
    platformClientSize(width, height);
    display.clientRect = {0, 0, width, height};
}
