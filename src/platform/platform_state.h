// State shared by the platform layer's own files (not part of its interface). SDL's objects
// stay inside the SDL backend's file.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Headless events waiting for their time; a frame rarely sees more than a few, tests post a
// handful, so 64 leaves ample room (the oldest surplus event is dropped).
constexpr int platformQueueCapacity = 64;

struct QueuedEvent {
    PlatformEvent event;
    uint64_t dueMicros;  // virtual time from which the event can be taken
    uint64_t sequence;   // posting order among events due at the same time
};

// The format a 32-bit desktop reports, the headless desktop's until platformInit asks for another.
constexpr PlatformPixelFormat platformDesktop32{32, 0xFF0000, 0x00FF00, 0x0000FF};

// Everything the platform layer keeps; platformShutdown puts it back to this start value.
struct PlatformState {
    bool sdlActive = false;  // the SDL backend was started by platformInit
    PlatformConfig config;
    PlatformPixelFormat desktopFormat = platformDesktop32;
    PlatformPixelFormat modeFormat;
    bool modeSet = false;
    bool windowOpen = false;

    // The target surface: 240 rows at targetPitch bytes in targetFormat.
    bool targetReady = false;
    bool targetLocked = false;
    PlatformPixelFormat targetFormat;
    int targetPitch = 0;
    alignas(16) uint8_t target[platformTargetHeight * platformTargetMaxPitch] = {};
    uint32_t shownFrames = 0;
    bool shownValid = false;  // the target holds the last shown picture

    // Hashes of the frames shown at each multiple of hashEveryMs.
    uint32_t hashEveryMs = 0;
    uint32_t nextHashTick = 0;
    int hashCount = 0;
    uint64_t shownHashes[platformMaxShownHashes] = {};
    uint32_t shownHashTicks[platformMaxShownHashes] = {};

    // Headless virtual clock in microseconds and its event queue.
    uint64_t virtualMicros = 0;
    QueuedEvent queue[platformQueueCapacity] = {};
    int queueCount = 0;
    uint64_t queueSequence = 0;
};

extern PlatformState platform;

// SDL backend (platform_sdl.cpp).
bool sdlInit(const PlatformConfig& config, PlatformPixelFormat& desktop);
void sdlShutdown();
uint32_t sdlTicks();
void sdlWait(uint32_t ms);
bool sdlOpenWindow(const PlatformConfig& config);
void sdlCloseWindow();
void sdlShowCursor(bool shown);
void sdlClientSize(int& width, int& height);
void sdlWindowBounds(int& x, int& y, int& width, int& height);
bool sdlPollEvent(PlatformEvent& event);
bool sdlWaitEvent(PlatformEvent& event, uint32_t timeoutMs);
void sdlPostEvent(const PlatformEvent& event);
void sdlPostEventAfter(const PlatformEvent& event, uint32_t afterMs);
bool sdlMessageBox(const char* title, const char* text);
// Once SDL's video runs on X11: a BadWindow about a window just gone no longer ends the program.
void sdlKeepGoneWindowsQuiet();
// Around a library's start-up that writes its own diagnostics to the terminal (ALSA with no sound
// card, the Wayland client with no runtime folder): the program's one line says what matters.
// Returns the saved standard error for sdlRestoreStderr, -1 when it was left alone.
int sdlQuietStderr();
void sdlRestoreStderr(int saved);
// True when event says that window was destroyed outright by another client (not by SDL).
union SDL_Event;
struct SDL_Window;
bool sdlWindowDestroyed(const SDL_Event& event, SDL_Window* window);
// Destroys the window and takes the X server's answers at once (a window that another client
// destroyed first is no error).
void sdlDestroyWindowQuietly(SDL_Window* window);
// Makes window a transient of owner on X11 (the window manager keeps it above its owner).
void sdlSetTransientFor(SDL_Window* window, SDL_Window* owner);
// Shows 320 x 240 pixels of 0x00RRGGBB scaled into the client area.
bool sdlShow(const uint32_t* pixels, int clientWidth, int clientHeight);
bool sdlReadWindow(uint32_t* pixels, int capacity, int& width, int& height);

// Headless backend (platform_headless.cpp): the virtual clock and the queue of posted events.
uint32_t headlessTicks();
void headlessWait(uint32_t ms);
void headlessClientSize(int& width, int& height);
bool headlessPollEvent(PlatformEvent& event);
bool headlessWaitEvent(PlatformEvent& event, uint32_t timeoutMs);
void headlessPostEventAfter(const PlatformEvent& event, uint32_t afterMs);
// A shown frame takes one frame period of the virtual clock.
void headlessShow();

// The destination rectangle of the 320 x 240 picture in a client area: the largest integer
// multiple that fits, else the largest 4:3 rectangle, centred.
struct PlatformRect {
    int x, y, width, height;
};
PlatformRect platformFitPicture(int clientWidth, int clientHeight);

// Converts a whole target in the current target format to 320 x 240 pixels of 0x00RRGGBB.
void platformReadShownFrom(const uint8_t* target, uint32_t* pixels);

// Dialog windows (dialog_sdl.cpp): the icon and the class name the main window shares with them.
void platformApplyWindowIcon(void* window);
void platformNameWindowClass();
