// Showing a frame: trail blend, fade, conversion and show.
#include "display/display.h"

#include "render/render.h"

#include <cstring>

FrameBuffer frameBuffer;
TrailBuffer trailBuffer;
StagingBuffer stagingBuffer;

namespace {

int bytesPerPixel(int bitsPerPixel)
{
    return (bitsPerPixel + 7) / 8;
}

// The destination rows of the FrameBuffer inside the 32-bit target.
uint32_t* targetRow(const TargetLock& lock, int frameRow)
{
    return reinterpret_cast<uint32_t*>(lock.surface + (frameRow + frameOffset) * lock.pitch);
}

uint32_t* stagingFrameRows()
{
    return stagingBuffer.pixels + frameOffset * displayWidth;
}

}  // namespace

void initFrameBuffers()
{
    if (display.bitsPerPixel != 32)
        std::memset(stagingBuffer.pixels, 0, sizeof stagingBuffer);
    std::memset(frameBuffer.pixels, 0, sizeof frameBuffer);
    std::memset(trailBuffer.pixels, 0, sizeof trailBuffer);
    resetProjection();
    TargetLock lock;
    if (lockTarget(lock)) {
        int rowBytes = displayWidth * bytesPerPixel(display.bitsPerPixel);
        for (int y = 0; y < displayHeight; ++y)
            std::memset(lock.surface + y * lock.pitch, 0, rowBytes);
        unlockTarget();
        showTarget();
    }
}

void showFrame(uint8_t fade, int toWhite)
{
    if (display.bitsPerPixel == 32) {
        TargetLock lock;
        if (lockTarget(lock)) {
            for (int y = 0; y < frameHeight; ++y)
                blendFadePacked(frameBuffer.pixels + y * frameWidth,
                                trailBuffer.pixels + y * frameWidth, targetRow(lock, y), frameWidth,
                                fade, toWhite);
            unlockTarget();
            showTarget();
        }
    } else {
        blendFadePacked(frameBuffer.pixels, trailBuffer.pixels, stagingFrameRows(),
                        frameWidth * frameHeight, fade, toWhite);
        convertStaging();
    }
}

void showFrameDirect(uint8_t fade)
{
    if (display.bitsPerPixel == 32) {
        TargetLock lock;
        if (lockTarget(lock)) {
            for (int y = 0; y < frameHeight; ++y)
                fadeWhitePacked(frameBuffer.pixels + y * frameWidth, targetRow(lock, y), frameWidth,
                                fade);
            unlockTarget();
            showTarget();
        }
    } else {
        fadeWhitePacked(frameBuffer.pixels, stagingFrameRows(), frameWidth * frameHeight, fade);
        convertStaging();
    }
}

void convertStaging()
{
    TargetLock lock;
    if (!lockTarget(lock))
        return;
    int bits = display.bitsPerPixel;
    int layout = display.pixelLayout;
    for (int y = 0; y < displayHeight; ++y) {
        const uint32_t* source = stagingBuffer.pixels + y * displayWidth;
        uint8_t* row = lock.surface + y * lock.pitch;
        if (bits == 24)
            pack24Packed(source, row, displayWidth);
        else if ((bits == 16 || bits == 15) && (layout == 1 || layout == 2))
            pack16Packed(source, reinterpret_cast<uint16_t*>(row), displayWidth, layout);
    }
    unlockTarget();
    showTarget();
}
