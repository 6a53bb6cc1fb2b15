// A headless display opened at a chosen desktop depth, with a fresh platform and display device.
// Only the platform and the display: the shell's window procedure is not needed to show frames.
#pragma once

#include "display/display.h"
#include "platform/platform.h"

#include <cstring>

inline void resetAll()
{
    resetDisplay();
    resetPlatform();
}

// The window as the shell's openMainWindow makes it, without the cursor.
inline void openWindow(int fullScreen)
{
    display.fullScreen = fullScreen;
    platformOpenWindow();
    refreshClientRect();
}

// Opens the display as start-up and the sequencer do; returns chooseVideoMode's result.
inline int openHeadless(int desktopBits, int fullScreen = 0, uint64_t refusedModeBits = 0)
{
    resetAll();
    PlatformConfig config;
    config.headless = true;
    config.desktopBits = desktopBits;
    config.refusedModeBits = refusedModeBits;
    platformInit(config);
    openWindow(fullScreen);
    return chooseVideoMode();
}

inline void fillFrame(uint32_t value)
{
    for (uint32_t& p : frameBuffer.pixels)
        p = value;
}

// Row y of the last shown target.
inline const uint8_t* shownRow(int y)
{
    int pitch = 0, bits = 0;
    const uint8_t* target = platformShownTarget(pitch, bits);
    return target ? target + y * pitch : nullptr;
}

inline uint32_t shown32(int x, int y)
{
    uint32_t v;
    std::memcpy(&v, shownRow(y) + 4 * x, 4);
    return v;
}

inline uint16_t shown16(int x, int y)
{
    uint16_t v;
    std::memcpy(&v, shownRow(y) + 2 * x, 2);
    return v;
}
