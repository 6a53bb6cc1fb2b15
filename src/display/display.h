// Display: the display device and video mode, the target surface, and showing the FrameBuffer
// with trail blend, fade and pixel conversion. The demo's presentFrame calls it once per frame.
#pragma once

#include <cstdint>

// Picture buffers

constexpr int frameWidth = 320;
constexpr int frameHeight = 200;
constexpr int framePitch = frameWidth * 4;            // 1280 bytes per row, no padding
constexpr int frameBytes = framePitch * frameHeight;  // 256,000
constexpr int displayWidth = 320;
constexpr int displayHeight = 240;
// The FrameBuffer is shown 20 rows down, leaving 20 black rows above and below.
constexpr int frameOffset = 20;
constexpr int stagingBytes = displayWidth * 4 * displayHeight;  // 307,200

// The picture every scene draws into: 320 x 200 pixels, top row first, each the little-endian
// value 0x00RRGGBB (bytes blue, green, red, unused). The unused byte is carried, never shown.
struct FrameBuffer {
    alignas(16) uint32_t pixels[frameWidth * frameHeight];
};
// The last picture produced by showFrame before its fade, in FrameBuffer layout.
struct TrailBuffer {
    alignas(16) uint32_t pixels[frameWidth * frameHeight];
};
// The faded picture in the 320 x 240 display layout, for displays that are not 32-bit.
struct StagingBuffer {
    alignas(16) uint32_t pixels[displayWidth * displayHeight];
};
static_assert(sizeof(FrameBuffer) == 256000, "FrameBuffer is 320 x 200 pixels of 4 bytes");
static_assert(sizeof(TrailBuffer) == 256000, "TrailBuffer has the FrameBuffer layout");
static_assert(sizeof(StagingBuffer) == 307200, "StagingBuffer is 320 x 240 pixels of 4 bytes");

// One block each for the whole run; their addresses never change.
extern FrameBuffer frameBuffer;
extern TrailBuffer trailBuffer;
extern StagingBuffer stagingBuffer;

// Display device

struct ClientRect {
    int left, top, right, bottom;
};

// Process-wide display state.
struct DisplayDevice {
    int fullScreen = 0;      // the launcher's choice: 1 full screen, 0 windowed
    int bitsPerPixel = 0;    // 32, 24, 16 or 15 after openDisplay (8 is possible windowed)
    int pixelLayout = 0;     // 16-bit layouts only: 1 = 5-5-5, 2 = 5-6-5, 0 = neither
    int flipMode = 0;        // 1: frames go to the back buffer and are shown by a flip
    int blitMode = 0;        // 1: frames go to the work surface and are shown by a blit
    int primarySurface = 0;  // 1 while the visible surface exists
    int backBuffer = 0;      // 1 while the back buffer exists (full screen)
    int workSurface = 0;     // 1 while the 320 x 240 work surface exists
    ClientRect clientRect = {0, 0, 0, 0};  // the window's client area, kept by the window procedure
};
extern DisplayDevice display;

// The locked target: its first byte and the bytes from one row to the next.
struct TargetLock {
    uint8_t* surface = nullptr;
    int pitch = 0;
};

// Puts the display device back to its start values, releasing any target (for tests).
void resetDisplay();

// Tries openDisplay at 320 x 240 with 32, then 24, then 16 bits per pixel; 1 at the first
// success, 0 when all three fail. Nothing is released between attempts.
int chooseVideoMode();
// Prepares full-screen (flip) or windowed (blit) output. Windowed output ignores bitsPerPixel:
// the desktop's format applies. The target is 320 x 240 whatever the size asked for.
int openDisplay(int width, int height, int bitsPerPixel);
// Locks the target surface for writing; 0 on failure (the caller drops the frame).
int lockTarget(TargetLock& lock);
void unlockTarget();
// Puts the target on the screen; a failure loses that frame only.
void showTarget();
// Releases the surfaces; returns 1.
int releaseDisplay();
// Stores in display.clientRect the window's current client area.
void refreshClientRect();

// Showing a frame

// Clears the buffers, sets the projection defaults and clears the screen. Once, after the mode.
void initFrameBuffers();
// The standard show: blends the FrameBuffer into the trail, fades the blend by fade toward white
// (toWhite 1) or black (0), converts it for the display and shows it. A target that cannot be
// locked loses the frame.
void showFrame(uint8_t fade, int toWhite);
// The plain show: no trail, always fading toward white.
void showFrameDirect(uint8_t fade);
// Converts the StagingBuffer into the target surface by bits per pixel and shows it.
void convertStaging();

// Per-pixel kernels, packed (SSE2) and scalar reference, identical byte for byte. count is in
// pixels; the packed forms take any count (a scalar tail finishes odd ones).
//
// b = floor(p·257/512) + floor(t·257/512) per byte; t := b; out = toWhite ? min(255, b + fade)
// : max(0, b − fade).
void blendFadeScalar(const uint32_t* frame, uint32_t* trail, uint32_t* out, int count, uint8_t fade,
                     int toWhite);
void blendFadePacked(const uint32_t* frame, uint32_t* trail, uint32_t* out, int count, uint8_t fade,
                     int toWhite);
// out = min(255, p + fade) per byte.
void fadeWhiteScalar(const uint32_t* frame, uint32_t* out, int count, uint8_t fade);
void fadeWhitePacked(const uint32_t* frame, uint32_t* out, int count, uint8_t fade);
// Three bytes per pixel: blue, green, red; the fourth byte is dropped.
void pack24Scalar(const uint32_t* source, uint8_t* out, int count);
void pack24Packed(const uint32_t* source, uint8_t* out, int count);
// 16-bit pixels: layout 1 is 5-5-5, layout 2 is 5-6-5. Other layouts write nothing.
void pack16Scalar(const uint32_t* source, uint16_t* out, int count, int layout);
void pack16Packed(const uint32_t* source, uint16_t* out, int count, int layout);
