// The browser build's additions to the platform (compiled only with emcc): the show yields to the
// browser once a presented frame, and the music player, which has no thread of its own there, is
// mixed at those yields. Native builds never call these.
#pragma once

#include <cstdint>

// Called at every yield to the browser (after each frame shown in real time, during waits), e.g.
// to top up the sound output; null: none. Survives platformInit.
void platformOnYield(void (*hook)());

// Called by the platform after a frame was shown: yields to the browser (real time: until its
// next animation frame; headless: now and then, so the page stays alive), stops at the frame
// count the page asks for and draws the headless picture into the page.
void webAfterShown();
// A wait of ms milliseconds that lets the browser run meanwhile.
void webWait(uint32_t ms);
// Shows a message in the page (and on its console). True: it was shown.
bool webMessageBox(const char* title, const char* text);
