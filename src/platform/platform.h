// The platform layer: the only part of the program that talks to SDL. Two backends sit behind
// these free functions, chosen at run time: SDL2 (real window, input, audio device) and headless
// (virtual clock, no window, no sound device), so every path runs in tests.
//
// Until platformInit is called the headless backend is in effect with its default settings, so
// code and tests that only need ticks and waits work without any set-up.
#pragma once

#include <cstddef>
#include <cstdint>

// Run-time choices, given to platformInit.
struct PlatformConfig {
    bool headless = true;
    // SDL: a desktop-sized borderless full-screen window without cursor (never a video-mode
    // change); otherwise a resizable window.
    bool fullscreen = false;
    // Depth the desktop reports: 8, 15, 16, 24 or 32. 0 takes V4N_DESKTOP_BITS from the
    // environment, then the real desktop (SDL) or 32 (headless). 15 is reported as 16 bits with
    // 5-5-5 masks, as 16-bit desktops with that layout do.
    int desktopBits = 0;
    // Overrides the colour masks the desktop reports (all three non-zero to take effect), e.g. a
    // 16-bit layout that is neither 5-6-5 nor 5-5-5.
    uint32_t desktopRedMask = 0, desktopGreenMask = 0, desktopBlueMask = 0;
    // Bit n set: a full-screen display mode of n bits per pixel is refused.
    uint64_t refusedModeBits = 0;
    // Headless: every shown frame advances the virtual clock by 1/frameRate seconds.
    int frameRate = 60;
    // Headless: the tick count at start (to exercise the 32-bit wrap).
    uint32_t startTicks = 0;
    // SDL: linear filtering instead of nearest-neighbour when scaling the picture.
    bool smoothScaling = false;
    // SDL, windowed: the first window is this whole multiple of 320 x 240; 0 takes the largest
    // that fits in nine tenths of the desktop.
    int windowScale = 0;
    bool vsync = true;
    // SDL: message boxes on screen; when false (or headless) they go to standard error.
    bool messageBoxes = true;
};

// ---------------------------------------------------------------------------------------------
// Start and stop

// Selects and starts a backend. Returns false (and stays headless) when SDL's video cannot start.
bool platformInit(const PlatformConfig& config);
// Closes the window and stops SDL's video; the headless backend with default settings follows.
void platformShutdown();
// Back to the state at program start (headless defaults, empty queue, no target); for tests.
void resetPlatform();
// The configuration in effect.
const PlatformConfig& platformConfig();

// ---------------------------------------------------------------------------------------------
// Time

// Milliseconds since an arbitrary start, wrapping like a 32-bit counter. On the headless backend
// this is a virtual clock that advances with every shown frame and every wait.
uint32_t platformTicks();

// Waits about ms milliseconds (advances the virtual clock on the headless backend).
void platformWait(uint32_t ms);

// True when the headless backend is selected.
bool platformIsHeadless();

// ---------------------------------------------------------------------------------------------
// Window and events

// The main window's title.
constexpr const char* platformWindowTitle = "The v4n Pelvadron Demo by -ZEM-";

// Opens the main window (full screen or windowed, as configured). Headless: always succeeds.
bool platformOpenWindow();
// Destroys the main window; frames shown afterwards are dropped.
void platformCloseWindow();
bool platformWindowOpen();
// Shows or hides the mouse cursor over the window.
void platformShowCursor(bool shown);
// Size in pixels of the window's drawable client area (320 x 240 headless, 0 x 0 without window).
void platformClientSize(int& width, int& height);
// The window's place on the screen and its size (0, 0, 320, 240 headless; zeros without window).
void platformWindowBounds(int& x, int& y, int& width, int& height);

enum PlatformEventKind : int {
    platformEventNone = 0,
    platformEventClose,       // the user closes the window
    platformEventKeyDown,     // key holds the key code
    platformEventActivate,    // the application gains the input focus
    platformEventDeactivate,  // the application loses it
    platformEventResize,      // the client area changed size
    platformEventExpose,      // the client area must be redrawn
    platformEventQuit,        // posted by the program to end its message loop
};

constexpr int platformKeyEscape = 27;

struct PlatformEvent {
    int kind = platformEventNone;
    int key = 0;  // platformKeyEscape for Escape; other keys carry another non-zero code
};

// Takes the next event without waiting; false when none is pending.
bool platformPollEvent(PlatformEvent& event);
// Takes the next event, waiting up to timeoutMs for one (virtual time on the headless backend).
bool platformWaitEvent(PlatformEvent& event, uint32_t timeoutMs);
// Appends an event to the queue, as if it had happened now. Safe from any thread on SDL.
void platformPostEvent(const PlatformEvent& event);
// Delivers an event once afterMs milliseconds have passed (virtual time on the headless backend).
void platformPostEventAfter(const PlatformEvent& event, uint32_t afterMs);

// Shows a modal message box with an OK button. False when no box could be shown (headless, no
// display, or boxes switched off); the caller then writes the text elsewhere.
bool platformMessageBox(const char* title, const char* text);

// ---------------------------------------------------------------------------------------------
// Display modes and the target surface

// A pixel format as a display reports it.
struct PlatformPixelFormat {
    int bits = 0;  // bits per pixel: 8, 16, 24 or 32 (a 5-5-5 display reports 16)
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;
};

// The format the desktop reports (see PlatformConfig::desktopBits).
PlatformPixelFormat platformDesktopFormat();
// Full-screen output: switches the picture to width x height at bits per pixel. No real mode
// change happens; the target is converted for display. False for a refused depth.
bool platformSetDisplayMode(int width, int height, int bits);
// The format of the display mode set last, or the desktop's when none was set.
PlatformPixelFormat platformDisplayFormat();

constexpr int platformTargetWidth = 320;
constexpr int platformTargetHeight = 240;
// Row padding of the target beyond its 64-byte-rounded width, so that code writing it must honour
// the pitch (as with any video surface).
constexpr int platformTargetPadding = 64;
// Widest row: 320 pixels of 4 bytes, rounded to 64, plus the padding.
constexpr int platformTargetMaxPitch = 1280 + platformTargetPadding;

// Creates the 320 x 240 target in the given format (8, 16, 24 or 32 bits per pixel), cleared.
bool platformCreateTarget(const PlatformPixelFormat& format);
// Releases the target; locks fail until another is created.
void platformReleaseTarget();
bool platformTargetReady();

struct PlatformLock {
    uint8_t* pixels = nullptr;
    int pitch = 0;  // bytes from one row to the next
};
// Locks the target for writing; false when there is none or it is already locked.
bool platformLockTarget(PlatformLock& lock);
void platformUnlockTarget();
// Puts the target on the screen, scaled at 4:3 into a client area of clientWidth x clientHeight
// (0 x 0: the whole drawable area) by an integer factor where one fits, with black bars. The
// headless backend advances its virtual clock by one frame period. False when the frame could not
// be shown (no target, target locked, no window).
bool platformShowTarget(int clientWidth, int clientHeight);
// Called after every shown frame (null: none), e.g. to record the picture; survives platformInit.
void platformOnShown(void (*hook)());
// Number of frames shown since the target was created.
uint32_t platformShownFrames();

// ---------------------------------------------------------------------------------------------
// Reading back (tests, recordings)

// The target as last shown (both backends): its raw bytes, pitch and bits per pixel. Null when
// nothing was shown yet. Valid until the target is locked or released.
const uint8_t* platformShownTarget(int& pitch, int& bits);
// The last shown picture converted to 320 x 240 pixels of 0x00RRGGBB (5- and 6-bit channels
// expanded by repeating their top bits). False when nothing was shown.
bool platformReadShown(uint32_t* pixels);
// SDL: the window's drawable area as 0x00RRGGBB pixels, redrawn from the last shown picture.
// capacity is the number of pixels pixels can hold. False headless or without window.
bool platformReadWindow(uint32_t* pixels, int capacity, int& width, int& height);
// From now on, the first frame shown at or after each multiple of everyMs (platform ticks) is
// hashed, FNV-1a over its 320 x 240 0x00RRGGBB pixels, up to platformMaxShownHashes of them; 0
// stops. For golden frames of whole runs; platformInit and platformShutdown clear them.
constexpr int platformMaxShownHashes = 64;
void platformHashShownEvery(uint32_t everyMs);
// The hashes taken since platformHashShownEvery, and for each the tick at which its frame showed.
int platformShownHashes(uint64_t* hashes, uint32_t* ticks, int capacity);
// Writes the last shown picture as a 320 x 240 RGB PNG file.
bool platformWritePng(const char* path);
// Writes size bytes as the whole file at path, checked through the close (a full disk is found
// there); a file that could not be written whole is removed. False on any failure.
bool platformWriteFile(const char* path, const void* data, size_t size);
// Encodes width x height RGB pixels (3 bytes each, rows without padding) as PNG and writes them
// with platformWriteFile.
bool platformWritePngFile(const char* path, int width, int height, const uint8_t* rgb);

// Converts one row of pixels of the given format to 0x00RRGGBB.
void platformExpandRow(const uint8_t* source, const PlatformPixelFormat& format, uint32_t* row,
                       int count);
