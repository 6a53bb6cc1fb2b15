// The platform layer: the only part of the program that talks to SDL. Two backends sit behind
// these free functions, chosen at run time: SDL2 (real window, input, audio device) and headless
// (virtual clock, no window, no sound device), so every path runs in tests.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start, wrapping like a 32-bit counter. On the headless backend
// this is a virtual clock that advances with every shown frame and every wait.
uint32_t platformTicks();

// Waits about ms milliseconds (advances the virtual clock on the headless backend).
void platformWait(uint32_t ms);

// True when the headless backend is selected.
bool platformIsHeadless();
